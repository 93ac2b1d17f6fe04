#pragma once

#include "CaptureHistory.h"
#include "CommentBox.h"
#include "CoordinateFile.h"
#include "FileDialog.h"
#include "GestureTracker.h"
#include "HistoryGate.h"
#include "LineStyle.h"
#include "PdfPrompts.h"
#include "Picture.h"
#include "PictureCanvas.h"
#include "PictureDecoder.h"
#include "Selections.h"
#include "UserPrompts.h"
#include "ValueSheet.h"

#include <QList>
#include <QMainWindow>
#include <QMargins>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QProgressBar;
class QScrollBar;

namespace koordel {

class CanvasWidget;
class Destinations;
class Loupe;
class Readout;
class QtClipboard;
class SpreadsheetLink;
class ShapeTool;
class LineStyleDialog;
class StatusBar;
class ValueSheetWindow;

// Form1: the canvas with its scroll bars, the comment box, the status bar and
// the menus. It keeps the selections the tools read at every release.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
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
  CanvasWidget* canvas() const { return m_canvas; }
  StatusBar* panels() const { return m_statusBar; }
  CommentBox* commentBox() const { return m_comment; }

  // Created hidden at first use and kept for the whole run.
  ValueSheetWindow* valueSheetWindow();
  LineStyleDialog* lineStyleDialog();

  // The indexed menu families 編集 (B11) and 取込 (C11).
  void chooseDestination(int index);
  void chooseShape(int index);
  QAction* destinationItem(int index) const;
  QAction* shapeItem(int index) const;

  // 平面画像読込 (A11): choose a picture and show it at its natural size.
  void loadImage();
  // Shows the picture (or a PDF page) at `path` as 平面画像読込 would, or
  // tells why not.
  bool openPicture(const QString& path);
  // Shows the picture `decoder` reads, rows as they come; what showed
  // before comes back should it turn out damaged.
  bool showDecoding(std::unique_ptr<PictureDecoder> decoder);
  // The files named on the command line: the first is opened, the rest are
  // named in one message.
  void openFromCommandLine(const QStringList& files);
  // 設定保存 (A12) and 設定読込 (A13).
  void saveSettings();
  void loadSettings();
  // 元に戻す and やり直し: the newest capture taken back, or the last one
  // taken back done again, picture and record together.
  void undoCapture();
  void redoCapture();
  CaptureHistory& history() { return m_history; }

  // 基準値 (E11) and 係数 (E12).
  void setReferencePoint();
  void setCoefficients();

  // Replace the platform's file dialog and message and input boxes, for tests.
  void setFileDialog(std::unique_ptr<FileDialog> dialog);
  void setPrompts(std::unique_ptr<UserPrompts> prompts);
  void setPdfPrompts(std::unique_ptr<PdfPrompts> prompts);
  QScrollBar* horizontalBar() const { return m_hScroll; }
  QScrollBar* verticalBar() const { return m_vScroll; }

  // 表示: zoom by steps of the fourth root of 2 about the middle of the
  // picture area, back to one image pixel per screen pixel, or so the whole
  // picture fits.
  void zoomIn();
  void zoomOut();
  void zoomToActualSize();
  void zoomToFit();
  // Zooms to `zoom` keeping the image point under `inArea` (a point of the
  // picture area, in pixels) where it is.
  void zoomAbout(double zoom, QPointF inArea);
  // The part of the client the picture is seen through.
  QWidget* pictureArea() const { return m_viewport; }
  Loupe* loupe() const { return m_loupe; }
  Readout* zoomReadout() const { return m_zoomReadout; }
  // Shown while a picture is still being decoded.
  QProgressBar* loadingIndicator() const { return m_loading; }

 private:
  bool openPdfPage(const QString& path);
  // `onTrial`: the picture may still turn out damaged; what showed before
  // is kept until it is all there.
  void showPicture(std::shared_ptr<Picture> picture, bool onTrial = false);
  void pictureDecoded(const Picture* picture, const std::optional<QString>& problem);
  void showLoading(int rows);
  void buildClientArea();
  void layOutClientArea();
  void buildMenus();
  void buildViewMenu();
  void addCommand(QMenu* menu, const QString& name, const QString& caption,
                  void (MainWindow::*command)());
  void connectCanvas();
  void buildTools();
  void setUpScrollBars();
  void placeCanvas();
  // A wheel turned at `inArea` (picture area pixels), over the canvas or
  // over the blank room around it.
  void wheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers, QPointF inArea);
  void followWithLoupe(const PointerEvent& e);
  void showZoom();
  void showHistory();
  void tellLater(const QString& message);
  void showValueSheet();
  void showLineStyle();

  ValueSheet m_sheet;
  Selections m_selections;
  QWidget* m_client = nullptr;
  QWidget* m_viewport = nullptr;
  CanvasWidget* m_canvas = nullptr;
  Loupe* m_loupe = nullptr;
  QAction* m_loupeItem = nullptr;
  Readout* m_zoomReadout = nullptr;
  int m_zoomWheel = 0;  // eighths of a degree not yet turned into a step
  // Blank room before (left, top) and after (right, bottom) the canvas, in
  // screen pixels, that zooming about the pointer may need: the image point
  // under the pointer stays there even where the canvas would otherwise
  // have to stop at the area's edge. The bars scroll over it too; a new
  // picture and 全体を表示 take it away.
  QMargins m_padding;
  // The exact image point the last zoom kept under the pointer, while the
  // canvas stays where that zoom put it: zooming on at the same place keeps
  // it exactly, instead of piling up the canvas's whole-pixel roundings.
  struct Anchor {
    QPointF inArea;
    QPointF image;
    QPoint canvasAt;
  };
  std::optional<Anchor> m_anchor;
  // What showed before the picture still being decoded: it comes back, as
  // it was, if that picture turns out damaged.
  struct Before {
    PictureCanvas::Kept canvas;
    CaptureHistory::Kept history;
    double zoom = 1;
    QMargins padding;
    std::optional<Anchor> anchor;
    int scrolledAcross = 0;
    int scrolledDown = 0;
  };
  std::optional<Before> m_before;
  QProgressBar* m_loading = nullptr;
  QScrollBar* m_hScroll = nullptr;
  QScrollBar* m_vScroll = nullptr;
  StatusBar* m_statusBar = nullptr;
  CommentBox* m_comment = nullptr;
  std::unique_ptr<GestureTracker> m_tracker;
  std::unique_ptr<FileDialog> m_fileDialog;
  std::unique_ptr<UserPrompts> m_prompts;
  std::unique_ptr<PdfPrompts> m_pdfPrompts;
  LineStyle m_lineStyle;
  CoordinateFile m_coordinateFile;
  std::unique_ptr<QtClipboard> m_clipboard;
  std::unique_ptr<SpreadsheetLink> m_spreadsheet;
  std::unique_ptr<Destinations> m_destinations;
  std::vector<std::unique_ptr<ShapeTool>> m_tools;
  CaptureHistory m_history;
  HistoryGate m_gate;
  QAction* m_undoItem = nullptr;
  QAction* m_redoItem = nullptr;
  QList<QAction*> m_destinationItems;
  QList<QAction*> m_shapeItems;
  QStringList m_pendingMessages;
  ValueSheetWindow* m_valueSheetWindow = nullptr;
  LineStyleDialog* m_lineStyleDialog = nullptr;
};

}  // namespace koordel
