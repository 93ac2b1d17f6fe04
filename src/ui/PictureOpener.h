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

class QWidget;

namespace koordel {

class HistoryGate;
class Picture;

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

  // Shows the picture (or a PDF page) at `path`, or tells why not.
  bool open(const QString& path);
  // Files named beside the one opened (on the command line) are named in one
  // message; none, nothing.
  void tellNotOpened(const QStringList& files);
  // Shows the picture `decoder` reads, rows as they come.
  bool showDecoding(std::unique_ptr<PictureDecoder> decoder);

  void setPdfPrompts(std::unique_ptr<PdfPrompts> prompts);

 private:
  bool openPdfPage(const QString& path);
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
  // What showed before the picture still being decoded: it comes back, as
  // it was, if that picture turns out damaged.
  struct Before {
    PictureCanvas::Kept canvas;
    CaptureHistory::Kept history;
    PictureView::Place place;
  };
  std::optional<Before> m_before;
};

}  // namespace koordel
