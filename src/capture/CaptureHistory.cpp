#include "CaptureHistory.h"

using namespace Qt::StringLiterals;

namespace koordel {

qsizetype CaptureHistory::sizeOf(const Step& step) {
  return qsizetype(sizeof(Step)) + step.label.size() * 2 +
         (step.drawing ? step.drawing->bytes() : 0) + (step.delivery ? step.delivery->bytes() : 0);
}

void CaptureHistory::setBudget(qsizetype budget) {
  m_budget = budget;
  letOldestGo();
  changed();
}

// The newest step always stays, whatever it costs.
void CaptureHistory::letOldestGo() {
  while (m_bytes > m_budget && m_done.size() > 1) {
    m_bytes -= sizeOf(m_done.front());
    m_done.pop_front();
    m_forgot = true;
  }
}

void CaptureHistory::push(Step step) {
  for (const Step& s : m_undone) {
    m_bytes -= sizeOf(s);
  }
  m_undone.clear();
  m_bytes += sizeOf(step);
  m_done.push_back(std::move(step));
  letOldestGo();
  changed();
}

std::optional<QString> CaptureHistory::undo(
    const std::function<bool(const QString&)>& drawingOnly) {
  if (m_done.empty()) {
    return std::nullopt;
  }
  if (Step& step = m_done.back(); step.delivery) {
    const Delivery::Result result = step.delivery->takeBack();
    if (result.outcome == Delivery::Outcome::Gone) {
      const quint64 asked = m_generation;
      if (!drawingOnly || !drawingOnly(result.message)) {
        return std::nullopt;  // the user chose to leave it: nothing changed
      }
      if (m_generation != asked) {
        return std::nullopt;  // the steps changed while the user was asked
      }
    } else if (result.outcome != Delivery::Outcome::Done) {
      return result.message;
    }
  }
  Step& step = m_done.back();
  if (step.drawing) {
    step.drawing->undo();
  }
  m_undone.push_back(std::move(step));
  m_done.pop_back();
  changed();
  return std::nullopt;
}

std::optional<QString> CaptureHistory::redo() {
  if (m_undone.empty()) {
    return std::nullopt;
  }
  Step& step = m_undone.back();
  if (step.delivery) {
    const Delivery::Result result = step.delivery->deliverAgain();
    if (result.outcome != Delivery::Outcome::Done) {
      return result.message;
    }
  }
  if (step.drawing) {
    step.drawing->redo();
  }
  m_done.push_back(std::move(step));
  m_undone.pop_back();
  changed();
  return std::nullopt;
}

void CaptureHistory::clear() {
  m_done.clear();
  m_undone.clear();
  m_bytes = 0;
  m_forgot = false;
  changed();
}

CaptureHistory::RecordsTakenBack CaptureHistory::takeBackRecords() {
  RecordsTakenBack taken;
  for (auto step = m_done.rbegin(); step != m_done.rend(); ++step) {
    if (!step->delivery) {
      continue;
    }
    const Delivery::Result result = step->delivery->takeBack();
    if (result.outcome == Delivery::Outcome::Done) {
      ++taken.count;
    } else {
      taken.refused << step->label + u": "_s + result.message;
    }
  }
  clear();
  return taken;
}

CaptureHistory::Kept CaptureHistory::setAside() {
  Kept kept{std::move(m_done), std::move(m_undone), m_bytes, m_forgot};
  clear();
  return kept;
}

void CaptureHistory::bringBack(Kept kept) {
  m_done = std::move(kept.done);
  m_undone = std::move(kept.undone);
  m_bytes = kept.bytes;
  m_forgot = kept.forgot;
  changed();
}

}  // namespace koordel
