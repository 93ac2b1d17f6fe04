#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSizeF>

#include <functional>
#include <memory>

namespace koordel {

// Draws one page of a PDF, on one thread only: each has a document of its
// own, since a PDF library's documents are not to be shared between threads.
class PdfPageRenderer {
 public:
  virtual ~PdfPageRenderer() = default;
  // The pixels `region` of the page drawn at `dpi` pixels per inch (the page's
  // rotation applied, its crop box shown, text and lines antialiased); null
  // when drawing failed or `abort` said to stop.
  virtual QImage render(double dpi, const QRect& region, const std::function<bool()>& abort) = 0;
};

// A PDF file, read by the PDF module so that the program starts and shows
// raster pictures without the PDF library.
class PdfDocument {
 public:
  enum class Status { Opened, NeedsPassword, WrongPassword, Damaged, NoPages };

  virtual ~PdfDocument() = default;
  virtual int pageCount() const = 0;
  // The page as shown, in points (1/72 inch): its crop box, turned by its
  // rotation; an invalid size for a page that cannot be read.
  virtual QSizeF pageSize(int page) const = 0;
  virtual std::unique_ptr<PdfPageRenderer> renderer(int page) const = 0;
};

}  // namespace koordel

// The module's one entry point, looked up by name: opens the file's bytes
// with a password (empty for none); `status` says why there is no document.
extern "C" {
using KoordelOpenPdf = koordel::PdfDocument* (*)(const QByteArray* bytes,
                                                 const QByteArray* password, int* status);
}
