#include "HistoryGate.h"

#include <QTimer>

namespace koordel {

HistoryGate::HistoryGate(QObject* context, std::function<bool()> gestureUnderWay,
                         std::function<void(const std::function<void()>&)> run)
    : m_context(context), m_gestureUnderWay(std::move(gestureUnderWay)), m_run(std::move(run)) {}

void HistoryGate::hold(const std::function<void()>& work) {
  struct Hold {
    HistoryGate* gate;
    explicit Hold(HistoryGate* g) : gate(g) { ++gate->m_held; }
    ~Hold() { gate->release(); }
  } hold(this);
  work();
}

void HistoryGate::release() {
  if (--m_held > 0 || m_waiting.empty()) {
    return;
  }
  // After the event that held them.
  QTimer::singleShot(0, m_context, [this] {
    auto changes = std::move(m_waiting);
    m_waiting.clear();
    for (auto& change : changes) {
      whenFree(std::move(change));
    }
  });
}

void HistoryGate::whenFree(std::function<void()> change) {
  if (m_held > 0 || m_gestureUnderWay()) {
    m_waiting.push_back(std::move(change));
    return;
  }
  m_run(change);
}

}  // namespace koordel
