#include "MainWindow.h"

#include "CalcModule.h"
#include "CanvasWidget.h"
#include "ClientArea.h"
#include "ClientLayout.h"
#include "CommentBox.h"
#include "Destinations.h"
#include "FileDrop.h"
#include "HistoryGate.h"
#include "JapaneseFont.h"
#include "LineStyleDialog.h"
#include "MenuFamily.h"
#include "Messages.h"
#include "PageTurner.h"
#include "PathShapes.h"
#include "PictureOpener.h"
#include "QtClipboard.h"
#include "QtUserPrompts.h"
#include "ReadoutCorner.h"
#include "RecentFiles.h"
#include "SettingsCommands.h"
#include "SpreadsheetLink.h"
#include "StartProgress.h"
#include "StatusBar.h"
#include "Tools.h"
#include "TwipsGeometry.h"
#include "UndoCommands.h"
#include "ValueSheetWindow.h"
#include "WindowPlacement.h"

#include <QApplication>
#include <QDir>
#include <QMenuBar>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace koordel {
MainWindow::MainWindow(QWidget* parent, std::unique_ptr<DesktopMemory> memory)
    : QMainWindow(parent),
      m_later(this),
      m_memory(memory ? std::move(memory) : std::make_unique<DesktopMemory>()),
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
  m_fileDialog = std::make_unique<QtFileDialog>(this, m_memory.get());
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
  new WindowPlacement(this, *m_memory);
  // Like a page turn, a dropped file waits for the gesture or the capture
  // under way: the picture must not change beneath them.
  new FileDrop(
      this, m_comment,
      [this](const QString& file) { m_gate.whenFree([this, file] { openAsChosen(file); }); },
      [this](const QString& told) { showMessage(this, told); });
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
  m_canvas->setTypingTarget(m_comment);

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
  m_paths = std::make_unique<PathShapes>(
      context, m_view->sketch(), *m_tracker, m_selections, *m_comment, *this,
      [this](const std::function<std::optional<QString>()>& command) {
        guarded(this, [&] {
          m_gate.hold([&] {
            if (auto message = command()) {
              tellLater(*message);
            }
          });
        });
      });
  connect(m_view, &PictureView::pictureShown, this, [this] { m_paths->pictureChanged(); });
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
  file->addSeparator();
  m_recent = new RecentFiles(*m_memory, file->addMenu(u"最近使ったファイル"_s), *m_opener,
                             [this](const QString& told) { tellLater(told); });
  file->addSeparator();
  m_pages = new PageTurner(*m_opener, m_gate, file);

  QMenu* edit = bar->addMenu(u"編集"_s);
  edit->setObjectName(u"B1"_s);
  // Nothing in the program scales the picture, so the last two are not offered.
  m_destinationItems =
      new MenuFamily(edit, u"B11"_s,
                     {u"データを修得しない"_s, u"クリップボードに送る"_s, u"ﾌｧｲﾙに書き込む"_s,
                      u"エクセルに送る"_s, u"画像を拡大する"_s, u"画像を縮小する"_s},
                     4, [this](int i) { chooseDestination(i); });

  // Taking back captures, below the destinations.
  edit->addSeparator();
  m_undo = std::make_unique<UndoCommands>(
      m_history, m_gate, *m_canvas, [this]() -> UserPrompts& { return *m_prompts; }, this, edit);

  QMenu* capture = bar->addMenu(u"取込"_s);
  capture->setObjectName(u"C1"_s);
  m_shapeItems =
      new MenuFamily(capture, u"C11"_s, {u"書き込まない"_s, u"点"_s, u"線"_s, u"円"_s, u"四角"_s},
                     5, [this](int i) { chooseShape(i); });
  QAction* lineStyle = capture->addAction(u"線種設定"_s);
  lineStyle->setObjectName(u"C12"_s);
  connect(lineStyle, &QAction::triggered, this, &MainWindow::showLineStyle);
  m_paths->addItems(capture, *m_shapeItems);
  capture->addSeparator();
  QAction* snap = capture->addAction(u"線に合わせる"_s);
  snap->setObjectName(u"線に合わせる"_s);
  snap->setCheckable(true);
  connect(snap, &QAction::toggled, m_canvas, &CanvasWidget::setSnapping);

  QAction* sheet = bar->addAction(u"設定"_s);
  sheet->setObjectName(u"D1"_s);
  connect(sheet, &QAction::triggered, this, &MainWindow::showValueSheet);

  QMenu* calibrate = bar->addMenu(u"校正"_s);
  calibrate->setObjectName(u"e1"_s);
  addCommand(calibrate, u"E11"_s, u"基準値"_s, &MainWindow::setReferencePoint);
  addCommand(calibrate, u"E12"_s, u"係数"_s, &MainWindow::setCoefficients);
  calibrate->addSeparator();
  addCommand(calibrate, u"傾き補正"_s, u"傾き補正"_s, &MainWindow::setTiltCorrection);
  addCommand(calibrate, u"傾き補正を解除"_s, u"傾き補正を解除"_s, &MainWindow::clearTiltCorrection);

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
  QAction* loupe = view->addAction(u"ルーペ"_s);
  loupe->setObjectName(u"ルーペ"_s);
  loupe->setCheckable(true);
  connect(loupe, &QAction::toggled, m_view, &PictureView::setLoupeOn);
  QAction* grid = view->addAction(u"座標格子"_s);
  grid->setObjectName(u"座標格子"_s);
  grid->setCheckable(true);
  connect(grid, &QAction::toggled, m_view, &PictureView::setGridOn);

  loupe->setChecked(m_memory->loupeOn());
  connect(loupe, &QAction::toggled, this, [this](bool on) { m_memory->rememberLoupe(on); });

  const CornerReadouts corner = addReadoutCorner(menuBar(), m_sheet, m_view);
  m_tiltReadout = corner.tilt;
  m_zoomReadout = corner.zoom;
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
  connect(m_canvas, &CanvasWidget::moved, this, [this](const PointerEvent& e) {
    guarded(this, [&] {
      m_tracker->move(e);
      m_view->followPointer(e);
    });
  });
  connect(m_canvas, &CanvasWidget::released, this, [this](const PointerEvent& e) {
    guarded(this, [&] {
      m_gate.hold([&] {
        if (auto message = m_tracker->release(e)) {
          tellLater(*message);
        }
      });
      m_view->refreshLoupe();  // the shape just drawn
    });
  });
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

void MainWindow::openFromCommandLine(const QStringList& files) {
  if (files.isEmpty()) {
    return;
  }
  openAsChosen(files.first());
  m_opener->tellNotOpened(files.mid(1));
}

bool MainWindow::openAsChosen(const QString& path) {
  if (!openPicture(path)) {
    return false;
  }
  m_fileDialog->offer(path);
  return true;
}

void MainWindow::chooseDestination(int index) {
  if (auto chosen = destinationForMenuIndex(index)) {
    m_selections.destination = *chosen;
  }
  m_destinationItems->check(index);
}

void MainWindow::chooseShape(int index) {
  if (auto chosen = shapeForMenuIndex(index)) {
    m_paths->shapeChosen(*chosen);
    m_selections.captureShape = *chosen;
  }
  m_shapeItems->check(index);
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
