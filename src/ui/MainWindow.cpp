#include "MainWindow.h"

#include "CalcModule.h"
#include "Calibration.h"
#include "CanvasWidget.h"
#include "ClientLayout.h"
#include "CommentBox.h"
#include "Destinations.h"
#include "HistoryGate.h"
#include "JapaneseFont.h"
#include "LineStyleDialog.h"
#include "Messages.h"
#include "PictureOpener.h"
#include "QtClipboard.h"
#include "QtUserPrompts.h"
#include "Readout.h"
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
#include <QMenuBar>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTimer>

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
  m_opener = std::make_unique<PictureOpener>(*m_view, m_history, m_gate, this,
                                             [this](const QString& told) { tellLater(told); });
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

  m_view = new PictureView(
      m_sheet, [this](const std::function<void()>& work) { guarded(this, work); }, m_client);
  m_canvas = m_view->canvas();
  m_view->loadingIndicator()->setFont(commentFont());

  m_statusBar = new StatusBar(m_client);

  // Lies on the status bar at its right end, next to the "コメント" panel.
  m_comment = new CommentBox(m_client);
  m_comment->setObjectName(u"コメント"_s);
  m_comment->setAccessibleName(u"コメント"_s);
  m_comment->setFont(commentFont());

  m_client->resize(ClientLayout::designSize());
  layOutClientArea();
}

void MainWindow::layOutClientArea() {
  const ClientLayout layout = ClientLayout::forSize(m_client->size());
  m_view->arrange(layout.pictureArea, layout.horizontalBar, layout.verticalBar);
  m_statusBar->setGeometry(layout.statusBar);
  m_comment->setGeometry(layout.commentBox);
  m_comment->raise();
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
  connect(m_loupeItem, &QAction::toggled, m_view, &PictureView::setLoupeOn);

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
  connect(m_view, &PictureView::zoomChanged, this, &MainWindow::showZoom);
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
  connect(m_canvas, &CanvasWidget::moved, this,
          [this](const PointerEvent& e) { guarded(this, [&] { m_tracker->move(e); }); });
  connect(m_canvas, &CanvasWidget::released, this, [this](const PointerEvent& e) {
    guarded(this, [&] {
      m_gate.hold([&] {
        if (auto message = m_tracker->release(e)) {
          tellLater(*message);
        }
      });
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
  return m_opener->open(path);
}

bool MainWindow::showDecoding(std::unique_ptr<PictureDecoder> decoder) {
  return m_opener->showDecoding(std::move(decoder));
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

void MainWindow::showZoom() {
  m_zoomReadout->setValue(zoom::percentText(m_canvas->zoom()));
}

void MainWindow::setPrompts(std::unique_ptr<UserPrompts> prompts) {
  m_prompts = std::move(prompts);
}

void MainWindow::setPdfPrompts(std::unique_ptr<PdfPrompts> prompts) {
  m_opener->setPdfPrompts(std::move(prompts));
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
