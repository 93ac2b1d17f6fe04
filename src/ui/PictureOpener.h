#pragma once

#include "CaptureHistory.h"
#include "PdfPrompts.h"
#include "PictureCanvas.h"
#include "PictureDecoder.h"
#include "PictureView.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace koordel {

class HistoryGate;
class PdfDocument;
class Picture;

// The file whose picture shows; for a PDF, the page and resolution shown
// and how many pages it has.
struct ShownFile {
  QString path;
  std::optional<PdfChoice> pdf;
  int pages = 1;
};

// Turns a file into the picture the view shows: the format by what the file
// holds, the PDF page and resolution asked for, a raster decoded behind the
// view with its progress shown. Whatever showed before (picture, drawings,
// undo steps, zoom and scroll) comes back should the new picture turn out
// damaged; every way out before a picture shows leaves the old one.
class PictureOpener {
 public:
  // `window` is where messages open; `tellLater` tells what a picture finds
  // wrong once the event in hand is done.
  PictureOpener(PictureView& view, CaptureHistory& history, HistoryGate& gate, QWidget* window,
                std::function<void(const QString&)> tellLater);
  ~PictureOpener();

  // Shows the picture (or a PDF page) at `path`, or tells why not. A PDF
  // opens at `at` without asking, where it still has that page.
  bool open(const QString& path, std::optional<PdfChoice> at = std::nullopt);
  // Another page of the PDF shown, at the same resolution, zoom and scroll.
  bool turnTo(int page);
  const std::optional<ShownFile>& shown() const { return m_shown; }
  // Told whenever what shows changes: `opened` when a file or page was
  // opened, not when a picture that failed gave way to the one before.
  void whenShown(std::function<void(bool opened)> listener) {
    m_listeners.push_back(std::move(listener));
  }
  // Files named beside the one opened (on the command line) are named in one
  // message; none, nothing.
  void tellNotOpened(const QStringList& files);
  // Shows the picture `decoder` reads, rows as they come.
  bool showDecoding(std::unique_ptr<PictureDecoder> decoder);

  void setPdfPrompts(std::unique_ptr<PdfPrompts> prompts);
  // The resolution the PDF dialog offers first; it then offers the one
  // chosen last.
  void setStartingDpi(int dpi);

 private:
  bool showDecoding(std::unique_ptr<PictureDecoder> decoder, std::optional<ShownFile> file);
  bool openPdfPage(const QString& path, std::optional<PdfChoice> at);
  bool showPdfPage(std::shared_ptr<const PdfDocument> document, const ShownFile& shown);
  void tellShown(bool opened);
  // `onTrial`: the picture may still turn out damaged; what showed before
  // is kept until it is all there.
  void showPicture(std::shared_ptr<Picture> picture, bool onTrial = false);
  void pictureDecoded(const Picture* picture, const std::optional<QString>& problem);
  void showLoading(int rows);

  PictureView& m_view;
  CaptureHistory& m_history;
  HistoryGate& m_gate;
  QWidget* m_window;
  std::function<void(const QString&)> m_tellLater;
  std::unique_ptr<PdfPrompts> m_pdfPrompts;
  std::optional<ShownFile> m_shown;
  // The PDF shown, open: its other pages need neither the file read again
  // nor its password asked again.
  std::shared_ptr<const PdfDocument> m_document;
  std::vector<std::function<void(bool)>> m_listeners;
  // What showed before the picture still being decoded: it comes back, as
  // it was, if that picture turns out damaged.
  struct Before {
    PictureCanvas::Kept canvas;
    CaptureHistory::Kept history;
    PictureView::Place place;
    std::optional<ShownFile> shown;
    std::shared_ptr<const PdfDocument> document;
  };
  std::optional<Before> m_before;
};

}  // namespace koordel
