// The PNG decoder on arbitrary bytes. It may refuse a file, never crash.
#include "FuzzPictures.h"
#include "PngDecoder.h"

using namespace koordel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = fuzz::fileWith(data, size);
  QString error;
  const std::unique_ptr<PngDecoder> decoder = PngDecoder::open(path, fuzz::kLimitBytes, error);
  if (decoder) {
    fuzz::decodeToTheEnd(*decoder);
  }
  return 0;
}
