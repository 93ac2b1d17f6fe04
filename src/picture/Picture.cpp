#include "Picture.h"

namespace koordel {

const QImage& Picture::image() const {
  static const QImage none;
  return none;
}

QImage Picture::pixels(const QRect& imageArea) const {
  Q_UNUSED(imageArea);
  return {};
}

QImage Picture::reducedPixels(const QRect& imageArea, int factor) const {
  const QImage whole = pixels(imageArea);
  if (factor <= 1 || whole.isNull()) {
    return whole;
  }
  const QSize reduced((whole.width() + factor - 1) / factor,
                      (whole.height() + factor - 1) / factor);
  return whole.scaled(reduced, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace koordel
