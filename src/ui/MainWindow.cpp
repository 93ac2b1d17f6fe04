#include "MainWindow.h"

#include "AboutFile.h"
#include "CalcModule.h"
#include "Calibration.h"
#include "CanvasWidget.h"
#include "ClientLayout.h"
#include "CommentBox.h"
#include "Destinations.h"
#include "HistoryGate.h"
#include "JapaneseFont.h"
#include "LineStyleDialog.h"
#include "Loupe.h"
#include "Messages.h"
#include "PdfFiles.h"
#include "PdfPicture.h"
#include "PictureLoader.h"
#include "QtClipboard.h"
#include "QtUserPrompts.h"
#include "RasterPicture.h"
#include "Readout.h"
#include "ScrollSteps.h"
#include "SettingsFile.h"
#include "SpreadsheetLink.h"
#include "StartProgress.h"
#include "StatusBar.h"
#include "Tools.h"
#include "TwipsGeometry.h"
#include "ValueSheetWindow.h"
#include "Zoom.h"

#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QLayout>
#include <QLineEdit>
#include <QLineF>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

// The client area: the design's size to begin with, and never smaller than
// its controls need. Its children are placed by hand, by ClientLayout.
class ClientArea : public QWidget {
 public:
  ClientArea(QWidget* parent, std::function<void()> resized)
      : QWidget(parent), m_resized(std::move(resized)) {
    setMinimumSize(ClientLayout::minimumSize());
  }
  QSize sizeHint() const override { return ClientLayout::designSize(); }

 protected:
  void resizeEvent(QResizeEvent*) override { m_resized(); }

 private:
  std::function<void()> m_resized;
};

// The clip the canvas moves in. A wheel turned over its blank room, around a
// picture zoomed out smaller than the area, zooms and scrolls as over the
// picture itself.
class PictureArea : public QWidget {
 public:
  PictureArea(QWidget* parent, std::function<void(const QWheelEvent&)> wheeled)
      : QWidget(parent), m_wheeled(std::move(wheeled)) {}

 protected:
  void wheelEvent(QWheelEvent* event) override {
    m_wheeled(*event);
    event->accept();
  }

 private:
  std::function<void(const QWheelEvent&)> m_wheeled;
};

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent),
      m_coordinateFile(QCoreApplication::applicationDirPath(),
                       QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                           .filePath(u"Koordel"_s)),
      m_gate(
          this, [this] { return m_canvas->gestureInProgress(); },
          [this](const std::function<void()>& change) { guarded(this, change); }) {
  setObjectName(u"Form1"_s);
  setWindowTitle(u"Koordel"_s);
  buildClientArea();
  m_tracker = std::make_unique<GestureTracker>(m_sheet, m_selections, *m_statusBar);
  m_fileDialog = std::make_unique<QtFileDialog>(this);
  m_prompts = std::make_unique<QtUserPrompts>(this);
  m_pdfPrompts = std::make_unique<QtPdfPrompts>(this);
  m_coordinateFile.setNotice([this](const QString& notice) { tellLater(notice); });
  buildTools();
  buildMenus();
  connectCanvas();

  m_selections.captureShape = shape::kNone;
  m_selections.outputRow = 1;
  // The design's size to begin with; the user may make it larger or smaller.
  resize(sizeHint());
}

MainWindow::~MainWindow() = default;

void MainWindow::buildClientArea() {
  m_client = new ClientArea(this, [this] { layOutClientArea(); });
  m_client->setObjectName(u"client"_s);
  setCentralWidget(m_client);

  // The canvas moves as a whole inside this clip when scrolled, so every
  // position it reports stays an image position.
  m_viewport = new PictureArea(m_client, [this](const QWheelEvent& event) {
    guarded(this, [&] { wheel(event.angleDelta(), event.modifiers(), event.position()); });
  });
  m_viewport->setObjectName(u"viewport"_s);
  m_canvas = new CanvasWidget(m_viewport);

  m_hScroll = new QScrollBar(Qt::Horizontal, m_client);
  m_hScroll->setObjectName(u"HScroll1"_s);
  m_vScroll = new QScrollBar(Qt::Vertical, m_client);
  m_vScroll->setObjectName(u"VScroll1"_s);
  for (QScrollBar* bar : {m_hScroll, m_vScroll}) {
    bar->setRange(0, 0);
    // Like the bars' change event: the canvas follows a dragged thumb when it
    // is let go, not on every step of the drag.
    bar->setTracking(false);
    connect(bar, &QScrollBar::valueChanged, this, &MainWindow::placeCanvas);
  }

  m_statusBar = new StatusBar(m_client);

  // Lies on the status bar at its right end, next to the "コメント" panel.
  m_comment = new CommentBox(m_client);
  m_comment->setObjectName(u"コメント"_s);
  m_comment->setAccessibleName(u"コメント"_s);
  m_comment->setFont(commentFont());

  // A thin bar in the picture area's corner while a picture is decoded; what
  // is not there yet shows grey (or coarse) on the canvas itself.
  m_loading = new QProgressBar(m_viewport);
  m_loading->setObjectName(u"loading"_s);
  m_loading->setAccessibleName(u"画像の読み込み"_s);
  m_loading->setFormat(u"読み込み中 %p%"_s);
  m_loading->setFont(commentFont());
  m_loading->hide();

  m_loupe = new Loupe(m_canvas->surface(), m_sheet, m_client);
  m_client->resize(ClientLayout::designSize());
  layOutClientArea();
}

void MainWindow::layOutClientArea() {
  const ClientLayout layout = ClientLayout::forSize(m_client->size());
  m_viewport->setGeometry(layout.pictureArea);
  m_loading->setGeometry(4, std::max(0, layout.pictureArea.height() - 22), 200, 18);
  m_hScroll->setGeometry(layout.horizontalBar);
  m_vScroll->setGeometry(layout.verticalBar);
  m_statusBar->setGeometry(layout.statusBar);
  m_comment->setGeometry(layout.commentBox);
  m_comment->raise();
  m_loupe->hide();
  setUpScrollBars();
}

void MainWindow::buildTools() {
  // Until the colour dialog is first used, it offers the system's button
  // text colour.
  m_lineStyle.preset = QApplication::palette().color(QPalette::ButtonText);
  m_clipboard = std::make_unique<QtClipboard>();
  m_spreadsheet = std::make_unique<SpreadsheetLink>(m_selections, [] {
    const QString module = calcModulePath();
    return module.isEmpty() ? nullptr : loadCalcAutomation(module);
  });
  m_spreadsheet->setStartRunner(
      [this](const std::function<bool()>& start, const std::function<void()>& interrupt) {
        return runWithStartProgress(this, start, interrupt);
      });
  m_destinations = std::make_unique<Destinations>(m_selections, *m_clipboard, m_coordinateFile,
                                                  m_spreadsheet.get());
  const ToolContext context{m_sheet,         m_selections,
                            m_lineStyle,     m_canvas->surface(),
                            *m_destinations, [this] { return m_comment->text(); },
                            &m_history,      [this] { m_comment->startUndoAfresh(); }};
  m_tools = setUpTools(context, *m_tracker);
}

void MainWindow::setCoordinateFolder(const QString& folder) {
  m_coordinateFile = CoordinateFile(folder);
}

void MainWindow::buildMenus() {
  QMenuBar* bar = menuBar();

  QMenu* file = bar->addMenu(u"ﾌｧｲﾙ"_s);
  file->setObjectName(u"A1"_s);
  addCommand(file, u"A11"_s, u"平面画像読込"_s, &MainWindow::loadImage);
  addCommand(file, u"A12"_s, u"設定保存"_s, &MainWindow::saveSettings);
  addCommand(file, u"A13"_s, u"設定読込"_s, &MainWindow::loadSettings);

  QMenu* edit = bar->addMenu(u"編集"_s);
  edit->setObjectName(u"B1"_s);
  // Exclusive groups draw the radio marks; the handlers still set every mark
  // themselves, so the hidden scaling items keep their own rule.
  auto* destinationMarks = new QActionGroup(this);
  const QStringList destinations = {u"データを修得しない"_s, u"クリップボードに送る"_s,
                                    u"ﾌｧｲﾙに書き込む"_s,     u"エクセルに送る"_s,
                                    u"画像を拡大する"_s,     u"画像を縮小する"_s};
  for (int i = 0; i < destinations.size(); ++i) {
    QAction* item = edit->addAction(destinations.at(i));
    item->setObjectName(u"B11"_s);
    item->setData(i);
    item->setCheckable(true);
    // Nothing in the program scales the picture, so these two are not offered.
    item->setVisible(i < 4);
    if (i < 4) {
      destinationMarks->addAction(item);
    }
    connect(item, &QAction::triggered, this, [this, i] { chooseDestination(i); });
    m_destinationItems.append(item);
  }
  m_destinationItems.at(0)->setChecked(true);

  // Taking back captures, below the destinations.
  edit->addSeparator();
  m_undoItem = edit->addAction(u"元に戻す"_s);
  m_undoItem->setObjectName(u"元に戻す"_s);
  m_undoItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  connect(m_undoItem, &QAction::triggered, this,
          [this] { guarded(this, [this] { undoCapture(); }); });
  m_redoItem = edit->addAction(u"やり直し"_s);
  m_redoItem->setObjectName(u"やり直し"_s);
  m_redoItem->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  connect(m_redoItem, &QAction::triggered, this,
          [this] { guarded(this, [this] { redoCapture(); }); });
  m_history.setChangeHandler([this] { showHistory(); });
  showHistory();

  QMenu* capture = bar->addMenu(u"取込"_s);
  capture->setObjectName(u"C1"_s);
  auto* shapeMarks = new QActionGroup(this);
  const QStringList shapes = {u"書き込まない"_s, u"点"_s, u"線"_s, u"円"_s, u"四角"_s};
  for (int i = 0; i < shapes.size(); ++i) {
    QAction* item = capture->addAction(shapes.at(i));
    item->setObjectName(u"C11"_s);
    item->setData(i);
    item->setCheckable(true);
    shapeMarks->addAction(item);
    connect(item, &QAction::triggered, this, [this, i] { chooseShape(i); });
    m_shapeItems.append(item);
  }
  m_shapeItems.at(0)->setChecked(true);
  QAction* lineStyle = capture->addAction(u"線種設定"_s);
  lineStyle->setObjectName(u"C12"_s);
  connect(lineStyle, &QAction::triggered, this, &MainWindow::showLineStyle);

  QAction* sheet = bar->addAction(u"設定"_s);
  sheet->setObjectName(u"D1"_s);
  connect(sheet, &QAction::triggered, this, &MainWindow::showValueSheet);

  QMenu* calibrate = bar->addMenu(u"校正"_s);
  calibrate->setObjectName(u"e1"_s);
  addCommand(calibrate, u"E11"_s, u"基準値"_s, &MainWindow::setReferencePoint);
  addCommand(calibrate, u"E12"_s, u"係数"_s, &MainWindow::setCoefficients);

  buildViewMenu();
}

void MainWindow::buildViewMenu() {
  QMenu* view = menuBar()->addMenu(u"表示"_s);
  view->setObjectName(u"表示"_s);
  const auto item = [&](const QString& caption, void (MainWindow::*command)(),
                        const QList<QKeySequence>& keys) {
    QAction* action = view->addAction(caption);
    action->setObjectName(caption);
    action->setShortcuts(keys);
    connect(action, &QAction::triggered, this,
            [this, command] { guarded(this, [&] { (this->*command)(); }); });
    return action;
  };
  item(u"拡大"_s, &MainWindow::zoomIn,
       {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Semicolon)});
  item(u"縮小"_s, &MainWindow::zoomOut, {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
  item(u"等倍"_s, &MainWindow::zoomToActualSize, {QKeySequence(Qt::CTRL | Qt::Key_0)});
  item(u"全体を表示"_s, &MainWindow::zoomToFit, {});
  view->addSeparator();
  m_loupeItem = view->addAction(u"ルーペ"_s);
  m_loupeItem->setObjectName(u"ルーペ"_s);
  m_loupeItem->setCheckable(true);
  connect(m_loupeItem, &QAction::toggled, this, [this](bool on) {
    if (!on) {
      m_loupe->hide();
    }
  });

  // Where it is always seen and covers none of the status panels.
  m_zoomReadout = new Readout(u"表示倍率"_s, menuBar());
  m_zoomReadout->setObjectName(u"表示倍率"_s);
  m_zoomReadout->setContentsMargins(8, 0, 8, 0);
  // The menu bar gives its corner the room the first text asked for; made
  // as wide as the widest zoom from the start, "3200%" is never cut short.
  const QMargins margins = m_zoomReadout->contentsMargins();
  m_zoomReadout->setMinimumWidth(
      m_zoomReadout->fontMetrics().horizontalAdvance(zoom::percentText(zoom::kMax)) +
      margins.left() + margins.right());
  menuBar()->setCornerWidget(m_zoomReadout, Qt::TopRightCorner);
  showZoom();
}

void MainWindow::addCommand(QMenu* menu, const QString& name, const QString& caption,
                            void (MainWindow::*command)()) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(name);
  connect(item, &QAction::triggered, this,
          [this, command] { guarded(this, [&] { (this->*command)(); }); });
}

void MainWindow::connectCanvas() {
  connect(m_canvas, &CanvasWidget::pressed, this, [this](const PointerEvent& e) {
    guarded(this, [&] {
      if (auto message = m_tracker->press(e)) {
        tellLater(*message);
      }
    });
  });
  connect(m_canvas, &CanvasWidget::wheeled, this,
          [this](QPoint angleDelta, Qt::KeyboardModifiers modifiers, QPointF at) {
            guarded(this, [&] { wheel(angleDelta, modifiers, m_canvas->mapTo(m_viewport, at)); });
          });
  connect(m_canvas, &CanvasWidget::moved, this, [this](const PointerEvent& e) {
    guarded(this, [&] {
      m_tracker->move(e);
      followWithLoupe(e);
    });
  });
  connect(m_canvas, &CanvasWidget::left, m_loupe, &QWidget::hide);
  connect(m_canvas, &CanvasWidget::pictureReady, m_loupe, [this] { m_loupe->update(); });
  connect(m_canvas, &CanvasWidget::released, this, [this](const PointerEvent& e) {
    guarded(this, [&] {
      m_gate.hold([&] {
        if (auto message = m_tracker->release(e)) {
          tellLater(*message);
        }
      });
      m_loupe->update();  // the shape just drawn
    });
  });
}

// A box opened inside a pointer handler would take the pointer grab away
// from the canvas half-way through a gesture; it opens once the event is done.
// A quick click can fail twice (press and release) before the box is up: the
// user is told once.
void MainWindow::tellLater(const QString& message) {
  if (m_pendingMessages.contains(message)) {
    return;
  }
  m_pendingMessages.append(message);
  QTimer::singleShot(0, this, [this, message] {
    showMessage(this, message);
    m_pendingMessages.removeOne(message);
  });
}

void MainWindow::setFileDialog(std::unique_ptr<FileDialog> dialog) {
  m_fileDialog = std::move(dialog);
}

void MainWindow::loadImage() {
  // Cancelling changes nothing: reloading the last file would wipe every
  // drawing on the picture.
  const std::optional<QString> name = m_fileDialog->chooseFileToOpen(u"平面画像読込"_s);
  if (!name) {
    return;
  }
  openPicture(*name);
}

bool MainWindow::openPicture(const QString& path) {
  if (looksLikePdf(path)) {
    return openPdfPage(path);
  }
  // The header is read here (its size checked before a byte is allocated);
  // the pixels follow on a worker, shown as they come.
  OpenedPicture opened = openPictureFile(path);
  if (!opened.error.isEmpty()) {
    showMessage(this, opened.error, u"エラー"_s);
    return false;
  }
  return showDecoding(std::move(opened.decoder));
}

bool MainWindow::showDecoding(std::unique_ptr<PictureDecoder> decoder) {
  const QSize size = decoder->size();
  std::shared_ptr<RasterPicture> picture = RasterPicture::decoding(std::move(decoder));
  if (!picture) {
    showMessage(this, tooLargeMessage(size), u"エラー"_s);
    return false;
  }
  picture->setProgressHandler([this](int rows) { showLoading(rows); });
  picture->setFinishedHandler(
      [this, weak = std::weak_ptr<RasterPicture>(picture)](const std::optional<QString>& problem) {
        // Bringing the old picture back destroys this one: not inside its own
        // news.
        QMetaObject::invokeMethod(
            this,
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
  return true;
}

void MainWindow::showLoading(int rows) {
  // In per cent, which is also what assistive technology reads out.
  const int height = std::max(1, m_canvas->surface().size().height());
  m_loading->setRange(0, 100);
  m_loading->setValue(static_cast<int>(qint64(std::clamp(rows, 0, height)) * 100 / height));
  m_loading->setVisible(m_before.has_value());
  m_loading->raise();
}

void MainWindow::pictureDecoded(const Picture* picture, const std::optional<QString>& problem) {
  if (m_canvas->surface().shown() != picture || !m_before) {
    return;  // a picture replaced since
  }
  m_loading->hide();
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
  // The zoom after the picture: how far it may go depends on the picture.
  m_canvas->bringBack(std::move(before.canvas));
  m_canvas->setZoom(before.zoom);
  m_padding = before.padding;
  m_anchor = before.anchor;
  showZoom();
  setUpScrollBars();
  m_hScroll->setValue(before.scrolledAcross);
  m_vScroll->setValue(before.scrolledDown);
  placeCanvas();
  showMessage(this, told, u"エラー"_s);
}

// A page of a PDF, drawn on demand at the resolution the user chooses. Every
// way out before the page shows (a cancel, a wrong password, a damaged file)
// leaves the picture that was shown.
bool MainWindow::openPdfPage(const QString& path) {
  OpenedPdf opened = openPdf(path);
  if (opened.status == PdfDocument::Status::NeedsPassword) {
    const std::optional<QByteArray> password = m_pdfPrompts->password(path);
    if (!password) {
      return false;
    }
    opened = openPdf(path, password);
  }
  if (!opened.document) {
    showMessage(this, opened.error, u"エラー"_s);
    return false;
  }
  const std::optional<PdfChoice> choice = m_pdfPrompts->choose(path, *opened.document);
  if (!choice) {
    return false;
  }
  // A page the PDF library cannot read has no size: every tile of it would
  // fail.
  if (!opened.document->pageSize(choice->page).isValid()) {
    showMessage(
        this,
        aboutFile(u"PDF の %1 ページ目が壊れているため開けません。"_s.arg(choice->page + 1), path),
        u"エラー"_s);
    return false;
  }
  auto page = std::make_shared<PdfPicture>(opened.document, choice->page, choice->dpi);
  page->setProblemHandler([this](const QString& problem) { tellLater(problem); });
  showPicture(page);
  return true;
}

void MainWindow::undoCapture() {
  // A gesture half done would record its release into a step that is gone.
  if (m_canvas->gestureInProgress() || !m_history.canUndo() || m_gate.held()) {
    return;
  }
  std::optional<QString> message;
  m_gate.hold([&] {
    message = m_history.undo([this](const QString& why) {
      return m_prompts->ask(why + u"\n\n図形だけを画像から消しますか？"_s, u"元に戻す"_s);
    });
  });
  if (message) {
    m_prompts->message(*message, u"元に戻す"_s);
  }
}

void MainWindow::redoCapture() {
  if (m_canvas->gestureInProgress() || !m_history.canRedo() || m_gate.held()) {
    return;
  }
  std::optional<QString> message;
  m_gate.hold([&] { message = m_history.redo(); });
  if (message) {
    m_prompts->message(*message, u"やり直し"_s);
  }
}

void MainWindow::showHistory() {
  if (!m_undoItem) {
    return;
  }
  m_undoItem->setEnabled(m_history.canUndo());
  m_redoItem->setEnabled(m_history.canRedo());
  QString undo = m_history.canUndo() ? u"元に戻す: "_s + m_history.undoLabel() : u"元に戻す"_s;
  if (m_history.forgotOldest()) {
    // The oldest steps went to keep memory in bounds: say how far back it goes.
    undo += u"（あと %1 回まで）"_s.arg(m_history.undoDepth());
  }
  m_undoItem->setText(undo);
  m_redoItem->setText(m_history.canRedo() ? u"やり直し: "_s + m_history.redoLabel()
                                          : u"やり直し"_s);
}

void MainWindow::showPicture(std::shared_ptr<Picture> picture, bool onTrial) {
  // Only the last picture that was all there can come back: one still
  // decoding is dropped by the next.
  std::optional<Before> before;
  if (onTrial && !m_before) {
    before = Before{{},       m_history.setAside(), m_canvas->zoom(),  m_padding,
                    m_anchor, m_hScroll->value(),   m_vScroll->value()};
  } else {
    m_history.clear();
  }
  if (!onTrial) {
    m_before.reset();
    m_loading->hide();
  }
  // Every picture opens at one image pixel per screen pixel (or as near as
  // its size allows), in the corner.
  m_padding = QMargins();
  m_anchor.reset();
  PictureCanvas::Kept kept = m_canvas->replacePicture(std::move(picture));
  m_canvas->setZoom(1);
  if (before) {
    before->canvas = std::move(kept);
    m_before = std::move(before);
  }
  showZoom();
  setUpScrollBars();
}

void MainWindow::openFromCommandLine(const QStringList& files) {
  if (files.isEmpty()) {
    return;
  }
  if (openPicture(files.first())) {
    m_fileDialog->offer(files.first());
  }
  if (files.size() > 1) {
    QStringList rest;
    for (qsizetype i = 1; i < files.size(); ++i) {
      rest << QDir::toNativeSeparators(files.at(i));
    }
    showMessage(
        this, u"一度に開ける画像は 1 つです。次のファイルは開いていません:\n"_s + rest.join(u'\n'));
  }
}

void MainWindow::setUpScrollBars() {
  // The bars scroll over the canvas as the picture area shows it.
  // In 64 bits: the canvas alone may be 16 million pixels, 250 million
  // twips, before the blank room beside it.
  const auto setUp = [](QScrollBar* bar, qint64 canvasPixels, int areaPixels) {
    const ScrollSteps steps =
        scrollSteps(canvasPixels * kTwipsPerPixel, areaPixels * kTwipsPerPixel, bar->pageStep(),
                    bar->singleStep());
    // The value is kept across loads, as far as the new range allows.
    const QSignalBlocker quiet(bar);
    bar->setRange(0, std::max(0, steps.maximum));
    bar->setPageStep(steps.largeStep);
    bar->setSingleStep(steps.smallStep);
  };
  setUp(m_hScroll, qint64(m_canvas->width()) + m_padding.left() + m_padding.right(),
        m_viewport->width());
  setUp(m_vScroll, qint64(m_canvas->height()) + m_padding.top() + m_padding.bottom(),
        m_viewport->height());
  placeCanvas();
}

void MainWindow::placeCanvas() {
  m_canvas->move(m_padding.left() - qRound(m_hScroll->value() / double(kTwipsPerPixel)),
                 m_padding.top() - qRound(m_vScroll->value() / double(kTwipsPerPixel)));
}

void MainWindow::wheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers, QPointF inArea) {
  if (modifiers.testFlag(Qt::ControlModifier)) {
    // Whole notches are steps; a touchpad's small turns add up to them.
    m_zoomWheel = std::clamp(m_zoomWheel + angleDelta.y(), -120 * 1000, 120 * 1000);
    const int steps = m_zoomWheel / 120;
    if (steps != 0) {
      m_zoomWheel -= steps * 120;
      zoomAbout(zoom::stepped(m_canvas->zoom(), steps), inArea);
    }
    return;
  }
  // One notch moves 60 pixels, whatever the bars' own steps (the small step
  // of a big scan is a single twip).
  constexpr qint64 kTwipsPerNotch = 60 * kTwipsPerPixel;
  QPoint delta = angleDelta;
  if (modifiers.testFlag(Qt::ShiftModifier) && delta.x() == 0) {
    delta = QPoint(delta.y(), 0);
  }
  // angleDelta counts 120 to a notch.
  const auto moved = [](QScrollBar* bar, int by) {
    const qint64 value = bar->value() - qint64(by) * kTwipsPerNotch / 120;
    bar->setValue(static_cast<int>(std::clamp<qint64>(value, bar->minimum(), bar->maximum())));
  };
  moved(m_hScroll, delta.x());
  moved(m_vScroll, delta.y());
}

void MainWindow::zoomAbout(double zoom, QPointF inArea) {
  const double from = m_canvas->zoom();
  const bool samePlace = m_anchor && m_anchor->canvasAt == m_canvas->pos() &&
                         QLineF(m_anchor->inArea, inArea).length() < 0.5;
  const QPointF image = samePlace ? m_anchor->image : (inArea - QPointF(m_canvas->pos())) / from;
  // The canvas stops the zoom where the picture would be larger than a
  // widget can be.
  m_canvas->setZoom(zoom::clamped(zoom));
  const double to = m_canvas->zoom();
  // Where the area's corner must lie on the canvas, and the blank room that
  // takes before or after the canvas. The blank room is bounded (by the
  // widest a widget can be) so that the sums and twips below stay within
  // int whatever zoom and point a caller passes; zooming about a point of
  // the area never comes near that bound.
  const QPointF wanted = zoom::offsetKeeping(image, inArea, to);
  const auto within = [](double at, int canvas) {
    return qRound(
        std::clamp(at, -double(zoom::kMostScreenPixels), double(canvas) + zoom::kMostScreenPixels));
  };
  const QPoint corner(within(wanted.x(), m_canvas->width()),
                      within(wanted.y(), m_canvas->height()));
  const QSize beyond = m_viewport->size() - m_canvas->size();
  m_padding =
      QMargins(std::max(0, -corner.x()), std::max(0, -corner.y()),
               std::max(0, corner.x() + beyond.width()), std::max(0, corner.y() + beyond.height()));
  setUpScrollBars();
  for (const auto& [bar, value] : {std::pair{m_hScroll, corner.x() + m_padding.left()},
                                   std::pair{m_vScroll, corner.y() + m_padding.top()}}) {
    const QSignalBlocker quiet(bar);
    bar->setValue(static_cast<int>(
        std::clamp<qint64>(qint64(value) * kTwipsPerPixel, bar->minimum(), bar->maximum())));
  }
  placeCanvas();
  m_anchor = Anchor{inArea, image, m_canvas->pos()};
  showZoom();
}

void MainWindow::zoomIn() {
  zoomAbout(zoom::stepped(m_canvas->zoom(), 1), QRectF(m_viewport->rect()).center());
}

void MainWindow::zoomOut() {
  zoomAbout(zoom::stepped(m_canvas->zoom(), -1), QRectF(m_viewport->rect()).center());
}

void MainWindow::zoomToActualSize() {
  zoomAbout(1, QRectF(m_viewport->rect()).center());
}

void MainWindow::zoomToFit() {
  m_canvas->setZoom(zoom::fitting(m_canvas->surface().size(), m_viewport->size()));
  m_padding = QMargins();
  setUpScrollBars();
  for (QScrollBar* bar : {m_hScroll, m_vScroll}) {
    const QSignalBlocker quiet(bar);
    bar->setValue(0);
  }
  placeCanvas();
  showZoom();
}

void MainWindow::showZoom() {
  m_zoomReadout->setValue(zoom::percentText(m_canvas->zoom()));
}

void MainWindow::followWithLoupe(const PointerEvent& e) {
  if (!m_loupeItem->isChecked()) {
    return;
  }
  const QPointF onCanvas = QPointF(e.x, e.y) / kTwipsPerPixel * m_canvas->zoom();
  const QPoint pointer = m_canvas->mapTo(m_client, onCanvas).toPoint();
  m_loupe->follow(QPointF(e.x, e.y), pointer, m_viewport->geometry(), m_canvas->zoom());
}

void MainWindow::setPrompts(std::unique_ptr<UserPrompts> prompts) {
  m_prompts = std::move(prompts);
}

void MainWindow::setPdfPrompts(std::unique_ptr<PdfPrompts> prompts) {
  m_pdfPrompts = std::move(prompts);
}

void MainWindow::setReferencePoint() {
  koordel::setReferencePoint(m_sheet, *m_prompts);
}

void MainWindow::setCoefficients() {
  koordel::setCoefficients(m_sheet, *m_prompts);
}

void MainWindow::saveSettings() {
  m_prompts->message(u"設定を保存します。"_s);
  // Cancelling saves nothing: writing to the last name used would replace
  // the calibration saved there.
  const std::optional<QString> name = m_fileDialog->chooseFileToSave(u"設定保存"_s);
  if (!name) {
    return;
  }
  const QString written = settings::fileNameFor(*name);
  if (const auto question = settings::replaceQuestion(written);
      question && !m_prompts->ask(*question, u"設定保存"_s)) {
    return;
  }
  if (auto failure = settings::save(m_sheet, written)) {
    m_prompts->message(*failure, u"エラー"_s);
    return;
  }
  m_fileDialog->offer(written);
}

void MainWindow::loadSettings() {
  m_prompts->message(u"設定を読み込みます。"_s);
  // Cancelling loads nothing: the last name used may be a picture.
  const std::optional<QString> name = m_fileDialog->chooseFileToOpen(u"設定読込"_s);
  if (!name) {
    return;
  }
  if (auto failure = settings::load(m_sheet, *name)) {
    m_prompts->message(*failure, u"エラー"_s);
  }
}

void MainWindow::chooseDestination(int index) {
  if (auto chosen = destinationForMenuIndex(index)) {
    m_selections.destination = *chosen;
  }
  for (int i = 0; i < 4; ++i) {
    m_destinationItems.at(i)->setChecked(false);
  }
  if (QAction* item = destinationItem(index)) {
    item->setChecked(true);
  }
}

void MainWindow::chooseShape(int index) {
  if (auto chosen = shapeForMenuIndex(index)) {
    m_selections.captureShape = *chosen;
  }
  for (QAction* item : std::as_const(m_shapeItems)) {
    item->setChecked(false);
  }
  if (QAction* item = shapeItem(index)) {
    item->setChecked(true);
  }
}

QAction* MainWindow::destinationItem(int index) const {
  return m_destinationItems.value(index, nullptr);
}

QAction* MainWindow::shapeItem(int index) const {
  return m_shapeItems.value(index, nullptr);
}

ValueSheetWindow* MainWindow::valueSheetWindow() {
  if (!m_valueSheetWindow) {
    m_valueSheetWindow = new ValueSheetWindow(m_sheet, this);
  }
  return m_valueSheetWindow;
}

LineStyleDialog* MainWindow::lineStyleDialog() {
  if (!m_lineStyleDialog) {
    m_lineStyleDialog = new LineStyleDialog(m_lineStyle, this);
  }
  return m_lineStyleDialog;
}

void MainWindow::showValueSheet() {
  guarded(this, [this] { valueSheetWindow()->exec(); });
}

void MainWindow::showLineStyle() {
  guarded(this, [this] { lineStyleDialog()->exec(); });
}

}  // namespace koordel
