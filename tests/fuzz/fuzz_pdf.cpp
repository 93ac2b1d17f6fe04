// Opening a PDF through the Poppler module, as the program does: the page
// count, the first page's size, and one small tile of it drawn. Damaged,
// locked or empty files are told apart, never a crash.
#include "PdfDocument.h"

#include <poppler-qt6.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" koordel::PdfDocument* koordel_open_pdf(const QByteArray* bytes,
                                                  const QByteArray* password, int* status);

using namespace koordel;

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Poppler reports every fault of a damaged file.
  Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant());
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QByteArray password;
  int status = -1;
  const std::unique_ptr<PdfDocument> document(koordel_open_pdf(&bytes, &password, &status));
  using Status = PdfDocument::Status;
  if (!document) {
    if (status != int(Status::Damaged) && status != int(Status::NeedsPassword) &&
        status != int(Status::NoPages)) {
      fail("no document, and no reason a user can be told");
    }
    return 0;
  }
  if (status != int(Status::Opened) || document->pageCount() < 1) {
    fail("a document opened without pages");
  }
  // A page the library cannot read has no size, and draws nothing.
  const bool readable = document->pageSize(0).isValid();
  const std::unique_ptr<PdfPageRenderer> renderer = document->renderer(0);
  const QImage tile = renderer->render(72, QRect(0, 0, 64, 64), [] { return false; });
  if (tile.width() > 64 || tile.height() > 64) {
    fail("a tile larger than asked");
  }
  if (!readable && !tile.isNull()) {
    fail("a page without a size drawn");
  }
  return 0;
}
