// The JPEG decoder on arbitrary bytes: its header, EXIF orientation, the
// rows, the YCbCr planes and their conversion to screen pixels, and the
// coarse preview of a large picture. It may refuse a file, never crash.
#include "FuzzPictures.h"
#include "JpegDecoder.h"

using namespace koordel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = fuzz::fileWith(data, size);
  QString error;
  const std::unique_ptr<JpegDecoder> decoder = JpegDecoder::open(path, fuzz::kLimitBytes, error);
  if (!decoder) {
    return 0;
  }
  fuzz::decodeToTheEnd(*decoder);
  const QImage preview = decoder->preview([] { return false; });
  const QSize full = decoder->size();
  if (!preview.isNull() &&
      (preview.width() != (full.width() + 7) / 8 || preview.height() != (full.height() + 7) / 8)) {
    fuzz::fail("a preview of another size than an eighth");
  }
  return 0;
}
