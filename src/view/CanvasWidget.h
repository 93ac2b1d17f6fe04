#pragma once

#include "PictureCanvas.h"
#include "PointerEvent.h"

#include <QWidget>

#include <memory>
#include <optional>

namespace koordel {

// Picture1: the surface the picture is shown and drawn on, as large as the
// picture at the current zoom. It reports pointer events in image twips (15
// per image pixel, sub-pixel): scrolling moves the whole widget, and the zoom
// is divided out here, so the tools and the value sheet never learn of
// either.
class ShapeSketch;

class CanvasWidget : public QWidget {
  Q_OBJECT

 public:
  explicit CanvasWidget(QWidget* parent = nullptr);
  ~CanvasWidget() override;

  // What the tools draw on.
  PictureCanvas& surface() { return m_canvas; }
  const PictureCanvas& surface() const { return m_canvas; }

  // Shows `picture` at its natural size, without the previous drawings.
  void setPicture(QImage picture);

  // Screen pixels per image pixel; the widget takes the magnified size. A
  // zoom that would make it larger than a widget can be stops short.
  double zoom() const { return m_zoom; }
  void setZoom(double zoom);

  // Whether a button pressed on the canvas is still held.
  bool gestureInProgress() const { return m_held; }

  // The twips an event at `pixelPosition` on the canvas reports at `zoom`.
  static PointerEvent pointerEvent(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                                   QPointF pixelPosition, double zoom = 1);

  // Shows `picture`, a raster picture or a PDF page, without the previous
  // drawings.
  void setPicture(std::shared_ptr<Picture> picture);
  // The same, keeping the old picture and its drawings to bring back.
  PictureCanvas::Kept replacePicture(std::shared_ptr<Picture> picture);
  void bringBack(PictureCanvas::Kept kept);

  // Painted over the picture and its drawings.
  void setSketch(const ShapeSketch* sketch) { m_sketch = sketch; }

  // Where keys other than the arrows and Space go, with the focus, when
  // typed while the canvas has it: a click on the picture never costs the
  // next comment a click.
  void setTypingTarget(QWidget* target) { m_typingTarget = target; }

  // 線に合わせる: presses, releases and the pointer itself go to the nearest
  // ink within reach (the crossing of two strokes, else a stroke's centre
  // line), and a marker shows where before the press. Whoever listens gets
  // that place as if the pointer had been there.
  void setSnapping(bool on);
  bool snapping() const { return m_snapping; }
  // Screen pixels around the pointer that snapping searches.
  static constexpr double kSnapReach = 6;
  // Where the marker stands, in image pixels; none when nothing is in reach.
  std::optional<QPointF> snapMarker() const { return m_marker; }

  // Waits for what the picture prepares in the background (reduced copies,
  // pages being drawn); for tests and benchmarks that must see it.
  void waitForPyramid();

 signals:
  void pressed(const koordel::PointerEvent& e);
  void moved(const koordel::PointerEvent& e);
  void released(const koordel::PointerEvent& e);
  // A wheel turned over the canvas at `position` (canvas pixels).
  void wheeled(QPoint angleDelta, Qt::KeyboardModifiers modifiers, QPointF position);
  void left();
  // More of the picture became ready to show (a PDF page's tiles, reduced
  // copies of a scan).
  void pictureReady();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 private:
  PictureCanvas m_canvas;
  double m_zoom = 1;
  bool m_held = false;
  bool m_secondClick = false;  // the press of a double click's second click
  const ShapeSketch* m_sketch = nullptr;
  // The keyboard's pointer: where the pointer last was (canvas pixels),
  // whether the arrow keys have taken it over since the last click, and
  // whether Space holds the button down.
  QPointF m_pointer;
  bool m_keysPoint = false;
  bool m_spaceHeld = false;
  QWidget* m_typingTarget = nullptr;
  bool m_snapping = false;
  std::optional<QPointF> m_marker;  // image pixels

  // The event a pointer at `at` (canvas pixels) makes, snapped when asked.
  PointerEvent placed(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF at);
  void showMarker(std::optional<QPointF> at);
  // The gesture Space holds, if any, released where the pointer is.
  void endSpaceGesture(Qt::KeyboardModifiers modifiers);
  QRect markerRect(QPointF at) const;
};

}  // namespace koordel
