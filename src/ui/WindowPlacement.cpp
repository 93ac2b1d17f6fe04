#include "WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace koordel {
namespace {

qint64 overlap(const QRect& a, const QRect& b) {
  const QRect both = a.intersected(b);
  return both.isEmpty() ? 0 : qint64(both.width()) * both.height();
}

}  // namespace

WindowPlacement::WindowPlacement(QWidget* window, DesktopMemory& memory)
    : QObject(window), m_window(window), m_memory(memory) {
  window->installEventFilter(this);
  const auto kept = memory.placement();
  if (!kept) {
    return;
  }
  QList<QRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    screens << screen->availableGeometry();
  }
  window->setGeometry(fitted(kept->geometry, screens));
  if (kept->maximized) {
    window->setWindowState(window->windowState() | Qt::WindowMaximized);
  }
}

QRect WindowPlacement::fitted(const QRect& wanted, const QList<QRect>& screens) {
  if (screens.isEmpty()) {
    return wanted;
  }
  const auto most = std::max_element(
      screens.begin(), screens.end(),
      [&](const QRect& a, const QRect& b) { return overlap(wanted, a) < overlap(wanted, b); });
  const QRect screen = overlap(wanted, *most) > 0 ? *most : screens.first();
  const QSize size = wanted.size().boundedTo(screen.size());
  QRect placed(wanted.topLeft(), size);
  placed.moveLeft(std::clamp(placed.left(), screen.left(), screen.right() - size.width() + 1));
  placed.moveTop(std::clamp(placed.top(), screen.top(), screen.bottom() - size.height() + 1));
  return placed;
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_window && event->type() == QEvent::Close) {
    const QRect normal = m_window->normalGeometry();
    m_memory.rememberPlacement(
        {normal.isValid() ? normal : m_window->geometry(), m_window->isMaximized()});
  }
  return false;
}

}  // namespace koordel
