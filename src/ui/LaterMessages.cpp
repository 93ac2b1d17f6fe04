#include "LaterMessages.h"

#include "Messages.h"

#include <QTimer>
#include <QWidget>

namespace koordel {

void LaterMessages::tell(const QString& message) {
  if (m_pending.contains(message)) {
    return;
  }
  m_pending.append(message);
  QTimer::singleShot(0, m_window, [this, message] {
    showMessage(m_window, message);
    m_pending.removeOne(message);
  });
}

}  // namespace koordel
