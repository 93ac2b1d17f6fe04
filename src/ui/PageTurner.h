#pragma once

#include <QObject>

class QAction;
class QMenu;

namespace koordel {

class HistoryGate;
class PictureOpener;

// 次のページ and 前のページ (Page Down and Page Up): the neighbouring page of
// the PDF shown, at the same resolution, zoom and scroll. The page left
// behind goes as any picture goes when another opens, with its drawings and
// undo steps. Offered only where there is such a page.
class PageTurner : public QObject {
 public:
  PageTurner(PictureOpener& opener, HistoryGate& gate, QMenu* menu);

  QAction* nextItem() const { return m_next; }
  QAction* previousItem() const { return m_previous; }
  void turn(int by);

 private:
  void offer();

  PictureOpener& m_opener;
  HistoryGate& m_gate;
  QAction* m_next;
  QAction* m_previous;
};

}  // namespace koordel
