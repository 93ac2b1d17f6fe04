// Opening a picture file as the program does: which reader takes it (ours or
// the toolkit's), the size check before anything is allocated, and the
// decode. Every file gets a decoder or a message, never a crash.
#include "FuzzPictures.h"

#include <QtGlobal>

using namespace koordel;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The toolkit's readers complain of every damaged file.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = fuzz::fileWith(data, size);
  const OpenedPicture opened = openPictureFile(path, fuzz::kLimitBytes);
  if (!opened.decoder) {
    if (opened.error.isEmpty()) {
      fuzz::fail("neither a picture nor a message");
    }
    return 0;
  }
  fuzz::decodeToTheEnd(*opened.decoder);
  return 0;
}
