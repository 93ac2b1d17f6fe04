#include "PictureOpener.h"

#include "AboutFile.h"
#include "CanvasWidget.h"
#include "HistoryGate.h"
#include "Messages.h"
#include "PdfFiles.h"
#include "PdfPicture.h"
#include "PictureLoader.h"
#include "RasterPicture.h"

#include <QDir>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace koordel {

PictureOpener::PictureOpener(PictureView& view, CaptureHistory& history, HistoryGate& gate,
                             QWidget* window, std::function<void(const QString&)> tellLater)
    : m_view(view),
      m_history(history),
      m_gate(gate),
      m_window(window),
      m_tellLater(std::move(tellLater)),
      m_pdfPrompts(std::make_unique<QtPdfPrompts>(window)) {}

PictureOpener::~PictureOpener() = default;

void PictureOpener::setPdfPrompts(std::unique_ptr<PdfPrompts> prompts) {
  prompts->setStartingDpi(m_pdfPrompts->startingDpi());
  m_pdfPrompts = std::move(prompts);
}

void PictureOpener::setStartingDpi(int dpi) {
  m_pdfPrompts->setStartingDpi(dpi);
}

void PictureOpener::tellShown(bool opened) {
  for (const auto& listener : m_listeners) {
    listener(opened);
  }
}

bool PictureOpener::open(const QString& path, std::optional<PdfChoice> at) {
  if (looksLikePdf(path)) {
    return openPdfPage(path, at);
  }
  // The header is read here (its size checked before a byte is allocated);
  // the pixels follow on a worker, shown as they come.
  OpenedPicture opened = openPictureFile(path);
  if (!opened.error.isEmpty()) {
    showMessage(m_window, opened.error, u"エラー"_s);
    return false;
  }
  return showDecoding(std::move(opened.decoder), ShownFile{path, std::nullopt, 1});
}

void PictureOpener::tellNotOpened(const QStringList& files) {
  if (files.isEmpty()) {
    return;
  }
  QStringList names;
  for (const QString& file : files) {
    names << QDir::toNativeSeparators(file);
  }
  showMessage(m_window, u"一度に開ける画像は 1 つです。次のファイルは開いていません:\n"_s +
                            names.join(u'\n'));
}

bool PictureOpener::showDecoding(std::unique_ptr<PictureDecoder> decoder) {
  return showDecoding(std::move(decoder), std::nullopt);
}

bool PictureOpener::showDecoding(std::unique_ptr<PictureDecoder> decoder,
                                 std::optional<ShownFile> file) {
  const QSize size = decoder->size();
  std::shared_ptr<RasterPicture> picture = RasterPicture::decoding(std::move(decoder));
  if (!picture) {
    showMessage(m_window, tooLargeMessage(size), u"エラー"_s);
    return false;
  }
  picture->setProgressHandler([this](int rows) { showLoading(rows); });
  picture->setFinishedHandler(
      [this, weak = std::weak_ptr<RasterPicture>(picture)](const std::optional<QString>& problem) {
        // Bringing the old picture back destroys this one: not inside its own
        // news.
        QMetaObject::invokeMethod(
            m_window,
            [this, weak, problem] {
              m_gate.whenFree([this, weak, problem] {
                if (const auto shown = weak.lock()) {
                  pictureDecoded(shown.get(), problem);
                }
              });
            },
            Qt::QueuedConnection);
      });
  showPicture(picture, true);
  showLoading(picture->decodedRows());
  m_shown = std::move(file);
  m_document.reset();
  tellShown(true);
  return true;
}

void PictureOpener::showLoading(int rows) {
  if (!m_before) {
    m_view.showProgress(std::nullopt);
    return;
  }
  const int height = std::max(1, m_view.canvas()->surface().size().height());
  m_view.showProgress(static_cast<int>(qint64(std::clamp(rows, 0, height)) * 100 / height));
}

void PictureOpener::pictureDecoded(const Picture* picture, const std::optional<QString>& problem) {
  if (m_view.canvas()->surface().shown() != picture || !m_before) {
    return;  // a picture replaced since
  }
  m_view.showProgress(std::nullopt);
  Before before = std::move(*m_before);
  m_before.reset();
  if (!problem) {
    return;
  }
  // The picture goes as if it had never been opened: so do the records of
  // what was captured on it while it loaded.
  const CaptureHistory::RecordsTakenBack taken = m_history.takeBackRecords();
  QString told = *problem;
  if (taken.count > 0) {
    told += u"\n\nこの画像の読み込み中に取り込んだ記録 %1 件を取り消しました。"_s.arg(taken.count);
  }
  if (!taken.refused.isEmpty()) {
    told += u"\n\n次の記録は取り消せませんでした。\n"_s + taken.refused.join(u'\n');
  }
  m_history.bringBack(std::move(before.history));
  m_view.bringBack(std::move(before.canvas), before.place);
  m_shown = std::move(before.shown);
  m_document = std::move(before.document);
  tellShown(false);
  showMessage(m_window, told, u"エラー"_s);
}

// A page of a PDF, drawn on demand at the resolution the user chooses. Every
// way out before the page shows (a cancel, a wrong password, a damaged file)
// leaves the picture that was shown.
bool PictureOpener::openPdfPage(const QString& path, std::optional<PdfChoice> at) {
  OpenedPdf opened = openPdf(path);
  if (opened.status == PdfDocument::Status::NeedsPassword) {
    const std::optional<QByteArray> password = m_pdfPrompts->password(path);
    if (!password) {
      return false;
    }
    opened = openPdf(path, password);
  }
  if (!opened.document) {
    showMessage(m_window, opened.error, u"エラー"_s);
    return false;
  }
  // A page the file no longer has is chosen again, as for a file never seen.
  const int pages = opened.document->pageCount();
  std::optional<PdfChoice> choice = at;
  if (!choice || choice->page < 0 || choice->page >= pages) {
    choice = m_pdfPrompts->choose(path, *opened.document);
    if (!choice) {
      return false;
    }
    m_pdfPrompts->setStartingDpi(choice->dpi);
  }
  return showPdfPage(opened.document, ShownFile{path, choice, pages});
}

bool PictureOpener::turnTo(int page) {
  if (!m_shown || !m_shown->pdf || !m_document || page < 0 || page >= m_shown->pages) {
    return false;
  }
  ShownFile next = *m_shown;
  next.pdf->page = page;
  // Only the page changes: the same part of the paper stays in view, at the
  // same zoom.
  PictureView::Place place = m_view.place();
  place.anchor.reset();  // a point of the page left behind
  if (!showPdfPage(m_document, next)) {
    return false;
  }
  m_view.moveTo(place);
  return true;
}

bool PictureOpener::showPdfPage(std::shared_ptr<const PdfDocument> document,
                                const ShownFile& shown) {
  // A page the PDF library cannot read has no size: every tile of it would
  // fail.
  const int page = shown.pdf->page;
  if (!document->pageSize(page).isValid()) {
    showMessage(
        m_window,
        aboutFile(u"PDF の %1 ページ目が壊れているため開けません。"_s.arg(page + 1), shown.path),
        u"エラー"_s);
    return false;
  }
  auto picture = std::make_shared<PdfPicture>(document, page, shown.pdf->dpi);
  picture->setProblemHandler(m_tellLater);
  showPicture(picture);
  m_shown = shown;
  m_document = std::move(document);
  tellShown(true);
  return true;
}

void PictureOpener::showPicture(std::shared_ptr<Picture> picture, bool onTrial) {
  // Only the last picture that was all there can come back: one still
  // decoding is dropped by the next.
  std::optional<Before> before;
  if (onTrial && !m_before) {
    before = Before{{}, m_history.setAside(), m_view.place(), m_shown, m_document};
  } else {
    m_history.clear();
  }
  if (!onTrial) {
    m_before.reset();
    m_view.showProgress(std::nullopt);
  }
  PictureCanvas::Kept kept = m_view.showPicture(std::move(picture));
  if (before) {
    before->canvas = std::move(kept);
    m_before = std::move(before);
  }
}

}  // namespace koordel
