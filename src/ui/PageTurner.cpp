#include "PageTurner.h"

#include "HistoryGate.h"
#include "PictureOpener.h"

#include <QMenu>

using namespace Qt::StringLiterals;

namespace koordel {

PageTurner::PageTurner(PictureOpener& opener, HistoryGate& gate, QMenu* menu)
    : QObject(menu), m_opener(opener), m_gate(gate) {
  const auto item = [&](const QString& caption, QKeySequence::StandardKey key, int by) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(caption);
    // The window's own keys, wherever the focus is: the comment box has no
    // use for them, and a picture area that has the focus passes them on.
    action->setShortcut(key);
    connect(action, &QAction::triggered, this, [this, by] { turn(by); });
    return action;
  };
  m_next = item(u"次のページ"_s, QKeySequence::MoveToNextPage, 1);
  m_previous = item(u"前のページ"_s, QKeySequence::MoveToPreviousPage, -1);
  opener.whenShown([this](bool) { offer(); });
  offer();
}

void PageTurner::offer() {
  const auto& shown = m_opener.shown();
  const int page = shown && shown->pdf ? shown->pdf->page : -1;
  m_next->setEnabled(page >= 0 && page + 1 < shown->pages);
  m_previous->setEnabled(page > 0);
}

void PageTurner::turn(int by) {
  // Never between a press on the picture and its release, nor while a
  // capture waits for an answer: the page would change under the gesture.
  m_gate.whenFree([this, by] {
    const auto& shown = m_opener.shown();
    if (shown && shown->pdf) {
      m_opener.turnTo(shown->pdf->page + by);
    }
  });
}

}  // namespace koordel
