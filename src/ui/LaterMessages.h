#pragma once

#include <QStringList>

class QWidget;

namespace koordel {

// A box opened inside a pointer handler would take the pointer grab away
// from the canvas half-way through a gesture; it opens once the event is done.
// A quick click can fail twice (press and release) before the box is up: the
// user is told once.
class LaterMessages {
 public:
  explicit LaterMessages(QWidget* window) : m_window(window) {}
  void tell(const QString& message);

 private:
  QWidget* m_window;
  QStringList m_pending;
};

}  // namespace koordel
