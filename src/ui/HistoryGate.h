#pragma once

#include <QObject>

#include <functional>
#include <vector>

namespace koordel {

// Keeps picture changes away from the capture history while it is in use.
// A capture, an undo or a redo may wait in a box of its own (a question, Calc
// starting), and a picture put back meanwhile would swap the history under
// it; so would one put back between a gesture's press and its release.
class HistoryGate {
 public:
  // `gestureUnderWay` tells whether a press waits for its release; `run`
  // runs a change that was held (guarded, in the window).
  HistoryGate(QObject* context, std::function<bool()> gestureUnderWay,
              std::function<void(const std::function<void()>&)> run);

  // Runs `work` with picture changes held back until it is done.
  void hold(const std::function<void()>& work);
  bool held() const { return m_held > 0; }
  // Runs `change` now, or once nothing holds the history and no gesture is
  // under way, in the order changes came.
  void whenFree(std::function<void()> change);

 private:
  void release();

  QObject* m_context;
  std::function<bool()> m_gestureUnderWay;
  std::function<void(const std::function<void()>&)> m_run;
  int m_held = 0;
  std::vector<std::function<void()>> m_waiting;
};

}  // namespace koordel
