#pragma once

#include "DesktopMemory.h"

#include <QList>
#include <QObject>
#include <QRect>

class QWidget;

namespace koordel {

// The window comes back where it was when it was last closed, as large as it
// was, or maximised; brought inside a screen when that place is no longer on
// one (a screen unplugged, a smaller one). Nothing kept: the design's size.
class WindowPlacement : public QObject {
 public:
  WindowPlacement(QWidget* window, DesktopMemory& memory);

  // `wanted` moved, and shrunk where it must be, to lie inside the screen it
  // overlaps most of `screens` (their available areas), else the first.
  static QRect fitted(const QRect& wanted, const QList<QRect>& screens);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* m_window;
  DesktopMemory& m_memory;
};

}  // namespace koordel
