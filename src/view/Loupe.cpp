#include "Loupe.h"

#include "Conversion.h"
#include "Picture.h"
#include "PictureCanvas.h"
#include "Readout.h"
#include "Twips.h"
#include "ValueSheet.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

constexpr int kGap = 24;  // between the pointer and the loupe
constexpr int kReadoutHeight = 22;

}  // namespace

Loupe::Loupe(const PictureCanvas& canvas, const ValueSheet& sheet, QWidget* parent)
    : QWidget(parent), m_canvas(canvas), m_sheet(sheet) {
  setObjectName(u"ルーペ"_s);
  setAccessibleName(u"ルーペ"_s);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  setFixedSize(kSide, kSide + kReadoutHeight);
  m_readout = new Readout(u"ルーペの位置"_s, this);
  m_readout->setObjectName(u"ルーペの位置"_s);
  m_readout->setGeometry(0, kSide, kSide, kReadoutHeight);
  m_readout->setAlignment(Qt::AlignCenter);
  m_readout->setAutoFillBackground(true);
  m_readout->setAttribute(Qt::WA_TransparentForMouseEvents);
  hide();
}

QString Loupe::positionText() const {
  const auto at = [this](auto convert) {
    return convert(m_sheet, static_cast<float>(m_twips.x()), static_cast<float>(m_twips.y()))
        .value_or(u"-"_s);
  };
  const QString x = at(convertXText);
  const QString y = at(convertYText);
  return u"X %1 %2  Y %3 %4"_s.arg(x, m_sheet.text(Field::x軸単位), y, m_sheet.text(Field::Y軸単位))
      .simplified();
}

void Loupe::follow(QPointF twips, QPoint pointer, const QRect& bounds, double zoom) {
  if (!std::isfinite(twips.x()) || !std::isfinite(twips.y())) {
    hide();
    return;
  }
  m_twips = twips;
  m_magnification = std::clamp(2 * zoom, 8.0, 64.0);
  // Beside the pointer, below and right of it unless that leaves the area.
  int x = pointer.x() + kGap;
  if (x + width() > bounds.right() + 1) {
    x = pointer.x() - kGap - width();
  }
  int y = pointer.y() + kGap;
  if (y + height() > bounds.bottom() + 1) {
    y = pointer.y() - kGap - height();
  }
  if (x < bounds.left() || y < bounds.top()) {
    hide();  // no room on either side: never over the pointer
    return;
  }
  move(x, y);
  m_readout->setValue(positionText());
  update();
  show();
  raise();
}

void Loupe::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPointF centre(kSide / 2.0, kSide / 2.0);
  const QPointF at = m_twips / kTwipsPerPixel * m_magnification;  // in the magnified picture
  painter.fillRect(QRect(0, 0, kSide, kSide), Picture::placeholder());
  painter.setClipRect(QRect(0, 0, kSide, kSide));
  // The picture itself drawn magnified, not its pixels enlarged: a PDF page
  // shows crisp at the loupe's magnification.
  painter.save();
  painter.translate(centre - at);
  const QRect around(static_cast<int>(std::floor(at.x())) - kSide / 2 - 1,
                     static_cast<int>(std::floor(at.y())) - kSide / 2 - 1, kSide + 3, kSide + 3);
  m_canvas.paint(painter, around, m_magnification);
  painter.restore();
  // The cross-hair meets where the click would record, open in the middle
  // so the pixel itself stays visible.
  const double gap = m_magnification / 2 + 2;
  for (const QColor& colour : {QColor(Qt::white), QColor(Qt::red)}) {
    painter.setPen(QPen(colour, colour == Qt::white ? 3 : 1));
    painter.drawLine(QPointF(0, centre.y()), QPointF(centre.x() - gap, centre.y()));
    painter.drawLine(QPointF(centre.x() + gap, centre.y()), QPointF(kSide, centre.y()));
    painter.drawLine(QPointF(centre.x(), 0), QPointF(centre.x(), centre.y() - gap));
    painter.drawLine(QPointF(centre.x(), centre.y() + gap), QPointF(centre.x(), kSide));
  }
  painter.setClipping(false);
  painter.setPen(QPen(Qt::darkGray, 1));
  painter.drawRect(QRect(0, 0, kSide - 1, height() - 1));
}

}  // namespace koordel
