#include "CanvasWidget.h"

#include "InkSnap.h"
#include "RasterPicture.h"
#include "ShapeSketch.h"
#include "Twips.h"
#include "Zoom.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace koordel {

static_assert(zoom::kMostScreenPixels == QWIDGETSIZE_MAX);

CanvasWidget::CanvasWidget(QWidget* parent)
    : QWidget(parent), m_canvas(QSize(twipsToPixels(14775), twipsToPixels(9015))) {
  setObjectName(QStringLiteral("Picture1"));
  setAccessibleName(QStringLiteral("画像"));
  // Moves without a button held update the pointer display too.
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  // A click gives the keyboard to the picture, for its arrow keys and Space.
  setFocusPolicy(Qt::ClickFocus);
  // An input method stays on while the picture has the keyboard, so that a
  // comment typed in Japanese after a click is composed as always; what it
  // composes goes to the typing target (below).
  setAttribute(Qt::WA_InputMethodEnabled);
  resize(m_canvas.size());
  // A drawing repaints only what it touched, wherever that is on screen.
  m_canvas.setDamageHandler([this](const QRect& area) {
    if (m_zoom == 1) {
      update(area);
      return;
    }
    update(QRectF(QPointF(area.topLeft()) * m_zoom, QSizeF(area.size()) * m_zoom)
               .toAlignedRect()
               .adjusted(-1, -1, 1, 1));
  });
}

CanvasWidget::~CanvasWidget() = default;

void CanvasWidget::setPicture(QImage picture) {
  setPicture(picture.isNull() ? nullptr : std::make_shared<RasterPicture>(std::move(picture)));
}

void CanvasWidget::setPicture(std::shared_ptr<Picture> picture) {
  replacePicture(std::move(picture));
}

PictureCanvas::Kept CanvasWidget::replacePicture(std::shared_ptr<Picture> picture) {
  if (picture) {
    // What became ready is repainted wherever it shows now.
    picture->setReadyHandler([this](const QRectF& area) {
      update(QRectF(area.topLeft() * m_zoom, area.size() * m_zoom)
                 .toAlignedRect()
                 .adjusted(-1, -1, 1, 1));
      emit pictureReady();
    });
  }
  PictureCanvas::Kept kept = m_canvas.replacePicture(std::move(picture));
  m_marker.reset();  // it marked ink of the picture before
  m_zoom = zoom::clamped(m_zoom, m_canvas.size());
  resize(m_canvas.scaledSize(m_zoom));
  update();
  return kept;
}

void CanvasWidget::bringBack(PictureCanvas::Kept kept) {
  m_canvas.bringBack(std::move(kept));
  m_marker.reset();
  m_zoom = zoom::clamped(m_zoom, m_canvas.size());
  resize(m_canvas.scaledSize(m_zoom));
  update();
}

void CanvasWidget::setZoom(double zoom) {
  if (!(zoom > 0)) {
    return;
  }
  zoom = zoom::clamped(zoom, m_canvas.size());
  if (zoom == m_zoom) {
    return;
  }
  m_zoom = zoom;
  // Found within a reach of the old zoom's screen pixels.
  m_marker.reset();
  resize(m_canvas.scaledSize(m_zoom));
  update();
}

void CanvasWidget::waitForPyramid() {
  m_canvas.waitUntilReady();
  QCoreApplication::sendPostedEvents();
}

PointerEvent CanvasWidget::pointerEvent(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                                        QPointF pixelPosition, double zoom) {
  int b = 0;
  b |= buttons.testFlag(Qt::LeftButton) ? 1 : 0;
  b |= buttons.testFlag(Qt::RightButton) ? 2 : 0;
  b |= buttons.testFlag(Qt::MiddleButton) ? 4 : 0;
  int s = 0;
  s |= modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0;
  s |= modifiers.testFlag(Qt::ControlModifier) ? 2 : 0;
  s |= modifiers.testFlag(Qt::AltModifier) ? 4 : 0;
  const QPointF image = zoom == 1 ? pixelPosition : pixelPosition / zoom;
  return {b, s, pixelsToTwips(image.x()), pixelsToTwips(image.y())};
}

// Qt keeps delivering to the widget that took the press until the last button
// is released, so every press on the canvas gets its release here, even one
// made outside the canvas (negative or beyond its size).
void CanvasWidget::mousePressEvent(QMouseEvent* event) {
  // The mouse takes the button over: the gesture Space began ends first.
  endSpaceGesture(event->modifiers());
  m_held = true;
  m_pointer = event->position();
  m_keysPoint = false;
  emit pressed(placed(event->button(), event->modifiers(), event->position()));
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  m_pointer = event->position();
  // The system moves its pointer along with the arrow keys, buttons up.
  const Qt::MouseButtons buttons = event->buttons() | (m_spaceHeld ? Qt::LeftButton : Qt::NoButton);
  emit moved(placed(buttons, event->modifiers(), event->position()));
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  m_pointer = event->position();
  m_held = event->buttons() != Qt::NoButton;
  PointerEvent e = placed(event->button(), event->modifiers(), event->position());
  e.secondClick = std::exchange(m_secondClick, false);
  emit released(e);
}

// The second press of a double click is a press like any other; its release
// says that it ended a double click.
void CanvasWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  mousePressEvent(event);
  m_secondClick = true;
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  // Rect by rect: a sketch's edge moving repaints a thin band, not the box
  // round it.
  for (const QRect& part : event->region()) {
    m_canvas.paint(painter, part, m_zoom);
  }
  if (m_sketch) {
    m_sketch->paint(painter, event->region());
  }
  if (m_marker) {
    // A ring with a cross, in a colour that stands out from black ink.
    const QPointF centre = *m_marker * m_zoom;
    painter.setRenderHint(QPainter::Antialiasing);
    for (const auto& [colour, width] :
         {std::pair{QColor(Qt::white), 3.0}, std::pair{QColor(0, 170, 0), 1.5}}) {
      painter.setPen(QPen(colour, width));
      painter.drawEllipse(centre, 6, 6);
      painter.drawLine(centre - QPointF(3, 0), centre + QPointF(3, 0));
      painter.drawLine(centre - QPointF(0, 3), centre + QPointF(0, 3));
    }
  }
}

void CanvasWidget::wheelEvent(QWheelEvent* event) {
  emit wheeled(event->angleDelta(), event->modifiers(), event->position());
  event->accept();
}

namespace {

bool isModifierOrFocusKey(int key) {
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    // Turning pages, not typing: where there is no page to turn to, the
    // keyboard stays on the picture.
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      return true;
    default:
      return false;
  }
}

}  // namespace

// With the keyboard on the picture, the arrow keys move the pointer by a
// screen pixel (ten with Shift), so at a zoom of 4 by a quarter of an image
// pixel, and Space is the left button. Every other key (typing, editing,
// pasting) goes on to the typing target with the focus, as does Space until
// an arrow key has taken the pointer over; the menus' shortcuts never come
// here.
void CanvasWidget::keyPressEvent(QKeyEvent* event) {
  const int step = event->modifiers().testFlag(Qt::ShiftModifier) ? 10 : 1;
  QPointF by;
  switch (event->key()) {
    case Qt::Key_Left:
      by = {-double(step), 0};
      break;
    case Qt::Key_Right:
      by = {double(step), 0};
      break;
    case Qt::Key_Up:
      by = {0, -double(step)};
      break;
    case Qt::Key_Down:
      by = {0, double(step)};
      break;
    case Qt::Key_Space:
      if (m_keysPoint) {
        // Not while the mouse holds a button: one press at a time.
        if (!event->isAutoRepeat() && !m_spaceHeld && !m_held) {
          m_spaceHeld = true;
          m_held = true;
          emit pressed(placed(Qt::LeftButton, event->modifiers(), m_pointer));
        }
        return;
      }
      [[fallthrough]];
    default:
      if (m_typingTarget && !isModifierOrFocusKey(event->key())) {
        m_keysPoint = false;
        m_typingTarget->setFocus(Qt::OtherFocusReason);
        QKeyEvent typed(event->type(), event->key(), event->modifiers(), event->text(),
                        event->isAutoRepeat(), ushort(event->count()));
        QCoreApplication::sendEvent(m_typingTarget, &typed);
        return;
      }
      QWidget::keyPressEvent(event);
      return;
  }
  if (!m_keysPoint && !rect().contains(m_pointer.toPoint())) {
    // Taken over away from the picture: from the middle of what shows.
    const QRect shown = visibleRegion().boundingRect();
    m_pointer = QRectF(shown.isEmpty() ? rect() : shown).center();
  }
  m_keysPoint = true;
  const QRectF within(QPointF(0, 0), QSizeF(width() - 1, height() - 1));
  m_pointer = QPointF(std::clamp(m_pointer.x() + by.x(), within.left(), within.right()),
                      std::clamp(m_pointer.y() + by.y(), within.top(), within.bottom()));
  // The screen's pointer goes along where the system lets it.
  QCursor::setPos(mapToGlobal(m_pointer.toPoint()));
  // The buttons held are the mouse's as well as Space's.
  const Qt::MouseButtons buttons =
      QGuiApplication::mouseButtons() | (m_spaceHeld ? Qt::LeftButton : Qt::NoButton);
  emit moved(placed(buttons, event->modifiers(), m_pointer));
}

void CanvasWidget::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && m_spaceHeld && !event->isAutoRepeat()) {
    endSpaceGesture(event->modifiers());
    return;
  }
  QWidget::keyReleaseEvent(event);
}

void CanvasWidget::endSpaceGesture(Qt::KeyboardModifiers modifiers) {
  if (!m_spaceHeld) {
    return;
  }
  m_spaceHeld = false;
  m_held = false;
  emit released(placed(Qt::LeftButton, modifiers, m_pointer));
}

// A gesture Space began ends where the pointer is when the keyboard goes
// elsewhere: every press gets its release.
void CanvasWidget::focusOutEvent(QFocusEvent* event) {
  endSpaceGesture(Qt::NoModifier);
  QWidget::focusOutEvent(event);
}

void CanvasWidget::setSnapping(bool on) {
  m_snapping = on;
  if (!on) {
    showMarker(std::nullopt);
  }
}

PointerEvent CanvasWidget::placed(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                                  QPointF at) {
  PointerEvent e = pointerEvent(buttons, modifiers, at, m_zoom);
  if (!m_snapping || !m_canvas.shown()) {
    return e;
  }
  std::optional<InkSnap> snap;
  try {
    snap = snapToInk(*m_canvas.shown(), at / m_zoom, kSnapReach / m_zoom);
  } catch (const std::exception&) {
    snap.reset();  // no room to look: the pointer stays where it is
  }
  showMarker(snap ? std::optional<QPointF>(snap->at) : std::nullopt);
  if (snap) {
    e.x = pixelsToTwips(snap->at.x());
    e.y = pixelsToTwips(snap->at.y());
  }
  return e;
}

QRect CanvasWidget::markerRect(QPointF at) const {
  const QPointF centre = at * m_zoom;
  return QRectF(centre - QPointF(8, 8), QSizeF(16, 16)).toAlignedRect().adjusted(-1, -1, 1, 1);
}

void CanvasWidget::showMarker(std::optional<QPointF> at) {
  if (at == m_marker) {
    return;
  }
  if (m_marker) {
    update(markerRect(*m_marker));
  }
  m_marker = at;
  if (m_marker) {
    update(markerRect(*m_marker));
  }
}

// What an input method composes belongs to the comment: shown there while
// composed, and the keyboard goes back there once it is committed.
void CanvasWidget::inputMethodEvent(QInputMethodEvent* event) {
  if (!m_typingTarget) {
    QWidget::inputMethodEvent(event);
    return;
  }
  m_keysPoint = false;
  QInputMethodEvent passed(event->preeditString(), event->attributes());
  passed.setCommitString(event->commitString(), event->replacementStart(),
                         event->replacementLength());
  QCoreApplication::sendEvent(m_typingTarget, &passed);
  if (event->preeditString().isEmpty()) {
    m_typingTarget->setFocus(Qt::OtherFocusReason);
  }
  event->accept();
}

QVariant CanvasWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (!m_typingTarget) {
    return QWidget::inputMethodQuery(query);
  }
  // The candidate window opens by the comment's cursor, not the picture's.
  const QVariant answer = m_typingTarget->inputMethodQuery(query);
  if (query == Qt::ImCursorRectangle || query == Qt::ImAnchorRectangle) {
    const QRect r = answer.toRect();
    return QRect(mapFrom(window(), m_typingTarget->mapTo(window(), r.topLeft())), r.size());
  }
  return answer;
}

void CanvasWidget::leaveEvent(QEvent* event) {
  showMarker(std::nullopt);
  emit left();
  QWidget::leaveEvent(event);
}

}  // namespace koordel
