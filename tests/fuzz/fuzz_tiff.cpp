// The TIFF decoder on arbitrary bytes: strips and tiles, 1-bit, grey,
// palettes and RGB. It may refuse a file, never crash.
#include "FuzzPictures.h"
#include "TiffDecoder.h"

using namespace koordel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = fuzz::fileWith(data, size);
  QString error;
  const std::unique_ptr<TiffDecoder> decoder = TiffDecoder::open(path, fuzz::kLimitBytes, error);
  if (decoder) {
    fuzz::decodeToTheEnd(*decoder);
  }
  return 0;
}
