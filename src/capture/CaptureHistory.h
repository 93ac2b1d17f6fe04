#pragma once

#include "Delivery.h"
#include "DrawingSurface.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace koordel {

// The captures that can be taken back, newest last, and those taken back
// that can be done again. A step takes back, or does again, the shape on
// the picture and the record where it went, together: the record first, and
// the shape only once the record has gone (or when there is no record).
class CaptureHistory {
 public:
  struct Step {
    QString label;                        // "線 (ﾌｧｲﾙ)"
    std::unique_ptr<DrawnShape> drawing;  // none where the surface keeps no history
    std::unique_ptr<Delivery> delivery;   // none when nothing was sent
  };

  static constexpr qsizetype kDefaultBudget = 64 * 1024 * 1024;

  explicit CaptureHistory(qsizetype budget = kDefaultBudget) : m_budget(budget) {}

  // Memory the steps may keep; the oldest go beyond it (the newest stays).
  void setBudget(qsizetype budget);

  // A new capture: the steps taken back can no longer be done again. The
  // oldest steps go when the saved pixels exceed the budget.
  void push(Step step);

  bool canUndo() const { return !m_done.empty(); }
  bool canRedo() const { return !m_undone.empty(); }
  QString undoLabel() const { return canUndo() ? m_done.back().label : QString(); }
  QString redoLabel() const { return canRedo() ? m_undone.back().label : QString(); }
  // How many captures undo can take back; whether older ones were let go.
  int undoDepth() const { return static_cast<int>(m_done.size()); }
  bool forgotOldest() const { return m_forgot; }
  qsizetype bytes() const { return m_bytes; }

  // Takes back the newest capture, or says why not (and changes nothing).
  // When the record's destination is gone, `drawingOnly` is asked whether to
  // take the shape off the picture all the same.
  std::optional<QString> undo(const std::function<bool(const QString& why)>& drawingOnly = {});
  // Does the capture taken back last again, or says why not.
  std::optional<QString> redo();

  // A new picture: nothing of the old one can be taken back or done again.
  void clear();

  // For a picture that goes away as if never opened: every record its
  // captures sent is taken back, newest first, and the steps are cleared.
  // Drawings are left alone, they go with the picture.
  struct RecordsTakenBack {
    int count = 0;        // records taken back
    QStringList refused;  // "label: why" of each that could not be
  };
  RecordsTakenBack takeBackRecords();

  // The steps of a picture set aside, to bring back with it.
  struct Kept {
    std::deque<Step> done;
    std::deque<Step> undone;
    qsizetype bytes = 0;
    bool forgot = false;
  };
  // Clears, handing back what was there.
  Kept setAside();
  // Replaces the steps with ones set aside.
  void bringBack(Kept kept);

  // Called after every change of what can be undone or redone.
  void setChangeHandler(std::function<void()> handler) { m_changed = std::move(handler); }

 private:
  static qsizetype sizeOf(const Step& step);
  void letOldestGo();
  void changed() {
    ++m_generation;
    if (m_changed) {
      m_changed();
    }
  }

  std::deque<Step> m_done;
  std::deque<Step> m_undone;
  qsizetype m_budget;
  qsizetype m_bytes = 0;
  bool m_forgot = false;
  // Counts every change, so that an undo that had to ask the user can tell
  // whether its step is still there when the answer comes.
  quint64 m_generation = 0;
  std::function<void()> m_changed;
};

}  // namespace koordel
