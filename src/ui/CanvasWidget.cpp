#include "CanvasWidget.h"

#include "Twips.h"

#include <QMouseEvent>
#include <QPainter>

namespace koordel {

CanvasWidget::CanvasWidget(QWidget* parent)
    : QWidget(parent), m_canvas(QSize(twipsToPixels(14775), twipsToPixels(9015))) {
  setObjectName(QStringLiteral("Picture1"));
  setAccessibleName(QStringLiteral("画像"));
  // Moves without a button held update the pointer display too.
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(m_canvas.size());
  // A drawing repaints only what it touched.
  m_canvas.setDamageHandler([this](const QRect& area) { update(area); });
}

void CanvasWidget::setPicture(QImage picture) {
  m_canvas.setPicture(std::move(picture));
  resize(m_canvas.size());
  update();
}

PointerEvent CanvasWidget::pointerEvent(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                                        QPointF pixelPosition) {
  int b = 0;
  b |= buttons.testFlag(Qt::LeftButton) ? 1 : 0;
  b |= buttons.testFlag(Qt::RightButton) ? 2 : 0;
  b |= buttons.testFlag(Qt::MiddleButton) ? 4 : 0;
  int s = 0;
  s |= modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0;
  s |= modifiers.testFlag(Qt::ControlModifier) ? 2 : 0;
  s |= modifiers.testFlag(Qt::AltModifier) ? 4 : 0;
  return {b, s, pixelsToTwips(pixelPosition.x()), pixelsToTwips(pixelPosition.y())};
}

// Qt keeps delivering to the widget that took the press until the last button
// is released, so every press on the canvas gets its release here, even one
// made outside the canvas (negative or beyond its size).
void CanvasWidget::mousePressEvent(QMouseEvent* event) {
  emit pressed(pointerEvent(event->button(), event->modifiers(), event->position()));
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  emit moved(pointerEvent(event->buttons(), event->modifiers(), event->position()));
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  emit released(pointerEvent(event->button(), event->modifiers(), event->position()));
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  m_canvas.paint(painter, event->rect());
}

void CanvasWidget::wheelEvent(QWheelEvent* event) {
  emit wheeled(event->angleDelta(), event->modifiers());
  event->accept();
}

}  // namespace koordel
