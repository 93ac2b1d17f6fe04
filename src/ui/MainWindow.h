#pragma once

#include "Calibration.h"
#include "CaptureHistory.h"
#include "CommentBox.h"
#include "CoordinateFile.h"
#include "DesktopMemory.h"
#include "FileDialog.h"
#include "GestureTracker.h"
#include "HistoryGate.h"
#include "LaterMessages.h"
#include "LineStyle.h"
#include "MenuFamily.h"
#include "PdfPrompts.h"
#include "PictureDecoder.h"
#include "PictureOpener.h"
#include "PictureView.h"
#include "Selections.h"
#include "SettingsCommands.h"
#include "UndoCommands.h"
#include "UserPrompts.h"
#include "ValueSheet.h"

#include <QList>
#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;

namespace koordel {

class CanvasWidget;
class Destinations;
class Loupe;
class Readout;
class QtClipboard;
class SpreadsheetLink;
class PathShapes;
class ShapeTool;
class LineStyleDialog;
class PageTurner;
class RecentFiles;
class StatusBar;
class ValueSheetWindow;

// Form1: the canvas with its scroll bars, the comment box, the status bar and
// the menus. It keeps the selections the tools read at every release.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // What the desktop keeps between runs is kept in `memory`; without one,
  // nothing is kept beyond the run.
  explicit MainWindow(QWidget* parent = nullptr, std::unique_ptr<DesktopMemory> memory = nullptr);
  ~MainWindow() override;

  ValueSheet& valueSheet() { return m_sheet; }
  LineStyle& lineStyle() { return m_lineStyle; }
  const CoordinateFile& coordinateFile() const { return m_coordinateFile; }
  // Points 座標.txt at another folder, for tests.
  void setCoordinateFolder(const QString& folder);
  // Where records sent to エクセル go; for tests.
  SpreadsheetLink& spreadsheetLink() { return *m_spreadsheet; }
  const Selections& selections() const { return m_selections; }
  GestureTracker& gestureTracker() { return *m_tracker; }
  CanvasWidget* canvas() const { return m_view->canvas(); }
  StatusBar* panels() const { return m_statusBar; }
  CommentBox* commentBox() const { return m_comment; }

  // Created hidden at first use and kept for the whole run.
  ValueSheetWindow* valueSheetWindow();
  LineStyleDialog* lineStyleDialog();

  // The indexed menu families 編集 (B11) and 取込 (C11).
  void chooseDestination(int index);
  void chooseShape(int index);
  QAction* destinationItem(int index) const { return m_destinationItems->item(index); }
  QAction* shapeItem(int index) const { return m_shapeItems->item(index); }

  // 平面画像読込 (A11): choose a picture and show it at its natural size.
  void loadImage();
  // Shows the picture (or a PDF page) at `path` as 平面画像読込 would, or
  // tells why not.
  bool openPicture(const QString& path) { return m_opener->open(path); }
  // Shows the picture `decoder` reads, rows as they come; what showed
  // before comes back should it turn out damaged.
  bool showDecoding(std::unique_ptr<PictureDecoder> decoder) {
    return m_opener->showDecoding(std::move(decoder));
  }
  // Opens `path` as if it had been chosen in 平面画像読込's dialog, which
  // offers it next time.
  bool openAsChosen(const QString& path);
  // The files named on the command line: the first is opened, the rest are
  // named in one message.
  void openFromCommandLine(const QStringList& files);
  // 最近使ったファイル, 次のページ and 前のページ.
  RecentFiles* recentFiles() const { return m_recent; }
  PageTurner* pageTurner() const { return m_pages; }
  // 設定保存 (A12) and 設定読込 (A13).
  void saveSettings() { koordel::saveSettings(m_sheet, *m_fileDialog, *m_prompts); }
  void loadSettings() { koordel::loadSettings(m_sheet, *m_fileDialog, *m_prompts); }
  // 元に戻す and やり直し: the newest capture taken back, or the last one
  // taken back done again, picture and record together.
  void undoCapture() { m_undo->undo(); }
  void redoCapture() { m_undo->redo(); }
  CaptureHistory& history() { return m_history; }
  PathShapes& pathShapes() { return *m_paths; }

  // 基準値 (E11) and 係数 (E12).
  void setReferencePoint() { koordel::setReferencePoint(m_sheet, *m_prompts); }
  void setCoefficients() { koordel::setCoefficients(m_sheet, *m_prompts); }
  // 傾き補正 and 傾き補正を解除.
  void setTiltCorrection() { koordel::setTiltCorrection(m_sheet, *m_prompts); }
  void clearTiltCorrection() { koordel::clearTiltCorrection(m_sheet, *m_prompts); }

  // Replace the platform's file dialog and message and input boxes, for tests.
  void setFileDialog(std::unique_ptr<FileDialog> dialog) { m_fileDialog = std::move(dialog); }
  void setPrompts(std::unique_ptr<UserPrompts> prompts) { m_prompts = std::move(prompts); }
  void setPdfPrompts(std::unique_ptr<PdfPrompts> prompts) {
    m_opener->setPdfPrompts(std::move(prompts));
  }

  // The picture area with its scroll bars, zoom and loupe.
  PictureView* pictureView() const { return m_view; }
  QScrollBar* horizontalBar() const { return m_view->horizontalBar(); }
  QScrollBar* verticalBar() const { return m_view->verticalBar(); }
  // 表示: zoom by steps of the fourth root of 2 about the middle of the
  // picture area, back to one image pixel per screen pixel, or so the whole
  // picture fits.
  void zoomIn() { m_view->zoomIn(); }
  void zoomOut() { m_view->zoomOut(); }
  void zoomToActualSize() { m_view->zoomToActualSize(); }
  void zoomToFit() { m_view->zoomToFit(); }
  // Zooms to `zoom` keeping the image point under `inArea` (a point of the
  // picture area, in pixels) where it is.
  void zoomAbout(double zoom, QPointF inArea) { m_view->zoomAbout(zoom, inArea); }
  // The part of the client the picture is seen through.
  QWidget* pictureArea() const { return m_view->pictureArea(); }
  Loupe* loupe() const { return m_view->loupe(); }
  Readout* zoomReadout() const { return m_zoomReadout; }
  Readout* tiltReadout() const { return m_tiltReadout; }
  // Shown while a picture is still being decoded.
  QProgressBar* loadingIndicator() const { return m_view->loadingIndicator(); }

 private:
  void buildClientArea();
  void layOutClientArea();
  void buildMenus();
  void buildViewMenu();
  void addCommand(QMenu* menu, const QString& name, const QString& caption,
                  void (MainWindow::*command)());
  void connectCanvas();
  void buildTools();
  void tellLater(const QString& message) { m_later.tell(message); }
  void showValueSheet();
  void showLineStyle();

  LaterMessages m_later;
  std::unique_ptr<DesktopMemory> m_memory;
  ValueSheet m_sheet;
  Selections m_selections;
  QWidget* m_client = nullptr;
  PictureView* m_view = nullptr;
  CanvasWidget* m_canvas = nullptr;
  Readout* m_zoomReadout = nullptr;
  Readout* m_tiltReadout = nullptr;
  StatusBar* m_statusBar = nullptr;
  CommentBox* m_comment = nullptr;
  std::unique_ptr<GestureTracker> m_tracker;
  std::unique_ptr<FileDialog> m_fileDialog;
  std::unique_ptr<UserPrompts> m_prompts;
  LineStyle m_lineStyle;
  CoordinateFile m_coordinateFile;
  std::unique_ptr<QtClipboard> m_clipboard;
  std::unique_ptr<SpreadsheetLink> m_spreadsheet;
  std::unique_ptr<Destinations> m_destinations;
  std::vector<std::unique_ptr<ShapeTool>> m_tools;
  std::unique_ptr<PathShapes> m_paths;
  CaptureHistory m_history;
  HistoryGate m_gate;
  std::unique_ptr<PictureOpener> m_opener;
  std::unique_ptr<UndoCommands> m_undo;
  RecentFiles* m_recent = nullptr;
  PageTurner* m_pages = nullptr;
  MenuFamily* m_destinationItems = nullptr;
  MenuFamily* m_shapeItems = nullptr;
  ValueSheetWindow* m_valueSheetWindow = nullptr;
  LineStyleDialog* m_lineStyleDialog = nullptr;
};

}  // namespace koordel
