#pragma once

#include "PictureCanvas.h"
#include "PointerEvent.h"

#include <QWidget>

namespace koordel {

// Picture1: the surface the picture is shown and drawn on. It reports pointer
// events in twips from its own top-left corner; because scrolling moves the
// whole widget, those are image positions.
class CanvasWidget : public QWidget {
  Q_OBJECT

 public:
  explicit CanvasWidget(QWidget* parent = nullptr);

  // What the tools draw on.
  PictureCanvas& surface() { return m_canvas; }
  const PictureCanvas& surface() const { return m_canvas; }

  // Shows `picture` at its natural size, without the previous drawings.
  void setPicture(QImage picture);

  // The twips an event at `pixelPosition` on the canvas reports.
  static PointerEvent pointerEvent(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                                   QPointF pixelPosition);

 signals:
  void pressed(const koordel::PointerEvent& e);
  void moved(const koordel::PointerEvent& e);
  void released(const koordel::PointerEvent& e);
  // A wheel turned over the canvas, to scroll it.
  void wheeled(QPoint angleDelta, Qt::KeyboardModifiers modifiers);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  PictureCanvas m_canvas;
};

}  // namespace koordel
