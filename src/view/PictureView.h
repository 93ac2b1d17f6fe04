#pragma once

#include "PictureCanvas.h"
#include "PointerEvent.h"

#include <QMargins>
#include <QPointF>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QProgressBar;
class QScrollBar;

namespace koordel {

class CanvasWidget;
class CoordinateGrid;
class Loupe;
class Picture;
class Readout;
class ShapeSketch;
class Sketch;
class ValueSheet;

// The picture area: the canvas seen through its clip, the two scroll bars,
// the loupe and a thin bar that shows how much of a picture is decoded. It
// scrolls, takes the wheel, zooms about a point and fits; the canvas's
// pointer events still go to whoever listens to canvas().
class PictureView : public QWidget {
  Q_OBJECT

 public:
  // Runs the work of an event handler so that nothing it throws leaves it.
  using Guard = std::function<void(const std::function<void()>&)>;

  PictureView(const ValueSheet& sheet, Guard guard, QWidget* parent);
  ~PictureView() override;

  CanvasWidget* canvas() const { return m_canvas; }
  // The clip the canvas moves in.
  QWidget* pictureArea() const { return m_viewport; }
  QScrollBar* horizontalBar() const { return m_hScroll; }
  QScrollBar* verticalBar() const { return m_vScroll; }
  Loupe* loupe() const { return m_loupe; }
  QProgressBar* loadingIndicator() const { return m_loading; }
  // A shape of several clicks while it is built, and its measure.
  Sketch& sketch();
  Readout* measureReadout() const { return m_measure; }

  // Places the clip and the bars, given in the parent's pixels; the view
  // takes the rectangle that holds them all.
  void arrange(const QRect& area, const QRect& horizontalBar, const QRect& verticalBar);

  // Zoom by steps of the fourth root of 2 about the middle of the area,
  // back to one image pixel per screen pixel, or so the whole picture fits.
  void zoomIn();
  void zoomOut();
  void zoomToActualSize();
  void zoomToFit();
  // Zooms to `zoom` keeping the image point under `inArea` (a point of the
  // area, in pixels) where it is.
  void zoomAbout(double zoom, QPointF inArea);

  // Whether the loupe follows the pointer.
  void setLoupeOn(bool on);
  // Whether 座標格子 lies over the picture.
  void setGridOn(bool on);
  CoordinateGrid* coordinateGrid() const { return m_grid; }
  // The loupe goes where the pointer is, once whoever tracks the pointer
  // has seen the move; after a gesture it shows the shape just drawn.
  void followPointer(const PointerEvent& e);
  void refreshLoupe();

  // How much of the picture is decoded, in per cent; none hides the bar.
  void showProgress(std::optional<int> percent);

  // The exact image point the last zoom kept under the pointer, while the
  // canvas stays where that zoom put it: zooming on at the same place keeps
  // it exactly, instead of piling up the canvas's whole-pixel roundings.
  struct Anchor {
    QPointF inArea;
    QPointF image;
    QPoint canvasAt;
  };
  // Where the view stands: what a picture replaced on trial comes back to.
  struct Place {
    double zoom = 1;
    QMargins padding;
    std::optional<Anchor> anchor;
    int scrolledAcross = 0;
    int scrolledDown = 0;
  };
  Place place() const;

  // Shows `picture` at one image pixel per screen pixel (or as near as its
  // size allows), in the corner; the old picture and its drawings are
  // handed back.
  PictureCanvas::Kept showPicture(std::shared_ptr<Picture> picture);
  // Shows a picture handed back earlier, as it was at `place`.
  void bringBack(PictureCanvas::Kept kept, const Place& at);
  // Zooms and scrolls the picture shown to `place`, as near as its size
  // allows.
  void moveTo(const Place& place);

 signals:
  void zoomChanged(double zoom);
  // Another picture took the place of the one shown.
  void pictureShown();

 private:
  void setUpScrollBars();
  void placeCanvas();
  // A wheel turned at `inArea` (area pixels), over the canvas or over the
  // blank room around it.
  void wheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers, QPointF inArea);

  Guard m_guard;
  QWidget* m_viewport = nullptr;
  CanvasWidget* m_canvas = nullptr;
  QScrollBar* m_hScroll = nullptr;
  QScrollBar* m_vScroll = nullptr;
  QProgressBar* m_loading = nullptr;
  Loupe* m_loupe = nullptr;
  CoordinateGrid* m_grid = nullptr;
  Readout* m_measure = nullptr;
  std::unique_ptr<ShapeSketch> m_sketch;
  bool m_loupeOn = false;
  int m_zoomWheel = 0;  // eighths of a degree not yet turned into a step
  // Blank room before (left, top) and after (right, bottom) the canvas, in
  // screen pixels, that zooming about the pointer may need: the image point
  // under the pointer stays there even where the canvas would otherwise
  // have to stop at the area's edge. The bars scroll over it too; a new
  // picture and 全体を表示 take it away.
  QMargins m_padding;
  std::optional<Anchor> m_anchor;
};

}  // namespace koordel
