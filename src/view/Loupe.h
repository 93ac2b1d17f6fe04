#pragma once

#include <QPointF>
#include <QWidget>

namespace koordel {

class PictureCanvas;
class Readout;
class ValueSheet;

// ルーペ: a magnified view of the picture and its drawings around the
// pointer, with a cross-hair on the exact position a click would record and
// that position converted. It takes no pointer event, and sits beside the
// pointer, never over it.
class Loupe : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kSide = 200;  // the magnified square, in pixels

  Loupe(const PictureCanvas& canvas, const ValueSheet& sheet, QWidget* parent);

  // Shows the neighbourhood of the image position `twips`, next to `pointer`
  // and inside `bounds` (both in the parent's pixels), magnified at least 8
  // times and always more than the view at `zoom`. Hides itself when there
  // is no room beside the pointer.
  void follow(QPointF twips, QPoint pointer, const QRect& bounds, double zoom);

  double magnification() const { return m_magnification; }
  QPointF position() const { return m_twips; }
  QString positionText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const PictureCanvas& m_canvas;
  const ValueSheet& m_sheet;
  Readout* m_readout = nullptr;
  QPointF m_twips;
  double m_magnification = 8;
};

}  // namespace koordel
