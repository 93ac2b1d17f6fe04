#include "RasterPicture.h"

#include <QCoreApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace koordel {
namespace {

// Formats QPainter blends straight from the source; any other is converted,
// and converting only the exposed piece keeps a paint from touching the
// whole picture.
bool paintsDirectly(QImage::Format format) {
  return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
}

}  // namespace

RasterPicture::RasterPicture(QImage image) : m_image(std::move(image)) {
  if (m_image.isNull()) {
    return;
  }
  m_worker = std::thread([this] {
    auto pyramid = std::make_shared<const Pyramid>(Pyramid::build(m_image, &m_cancel));
    if (m_cancel.load()) {
      return;
    }
    QMetaObject::invokeMethod(
        &m_relay,
        [this, pyramid] {
          m_pyramid = pyramid;
          becameReady(QRectF(QPointF(0, 0), QSizeF(m_image.size())));
        },
        Qt::QueuedConnection);
  });
}

RasterPicture::~RasterPicture() {
  m_cancel = true;
  if (m_worker.joinable()) {
    m_worker.join();
  }
}

void RasterPicture::waitUntilReady() {
  if (m_worker.joinable()) {
    m_worker.join();
  }
  QCoreApplication::sendPostedEvents(&m_relay);
}

void RasterPicture::paint(QPainter& painter, const QRect& area, double zoom) const {
  if (zoom == 1) {
    paintActualSize(painter, area);
    return;
  }
  // Zoomed out, a band of the screen needs many picture pixels: in bands,
  // what is converted for drawing stays a few megabytes whatever the view.
  const int band = zoom < 1 ? 128 : area.height();
  painter.save();
  for (int y = area.top(); y <= area.bottom(); y += band) {
    const QRect part(area.left(), y, area.width(), std::min(band, area.bottom() - y + 1));
    painter.setClipRect(part);
    paintScaled(painter, QRectF(QPointF(part.topLeft()) / zoom, QSizeF(part.size()) / zoom), zoom);
  }
  painter.restore();
}

void RasterPicture::paintActualSize(QPainter& painter, const QRect& area) const {
  if (paintsDirectly(m_image.format())) {
    painter.drawImage(area.topLeft(), m_image, area);
  } else {
    painter.drawImage(area.topLeft(), m_image.copy(area));
  }
}

// Each screen pixel samples the image at its own position over the whole
// picture, whatever piece is drawn: two paints of neighbouring areas meet
// without a seam. Pieces take a margin so samples at their edges have their
// neighbours.
void RasterPicture::paintScaled(QPainter& painter, const QRectF& image, double zoom) const {
  const auto piece = [&](const QImage& source, const QRect& sourceRect, double pixelsPerSource) {
    const QRect part = sourceRect & source.rect();
    if (part.isEmpty()) {
      return;
    }
    painter.drawImage(
        QRectF(QPointF(part.topLeft()) * pixelsPerSource, QSizeF(part.size()) * pixelsPerSource),
        source.copy(part));
  };
  if (zoom > 1) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    piece(m_image, image.toAlignedRect(), zoom);
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  const int level =
      std::min(static_cast<int>(std::floor(std::log2(1 / zoom) + 1e-9)), Pyramid::kDeepest);
  if (level == 0) {
    piece(m_image, image.toAlignedRect().adjusted(-2, -2, 2, 2), zoom);
    return;
  }
  if (level == 1) {
    // Corners on even pixels, so every half pixel covers the same four (and
    // on a byte, so a 1-bit scan is read a byte at a time).
    QRect even = image.toAlignedRect().adjusted(-4, -4, 4, 4) & m_image.rect();
    even.setLeft(even.left() & ~7);
    even.setTop(even.top() & ~1);
    const QImage half = Pyramid::halfOf(m_image, even);
    painter.drawImage(QRectF(QPointF(even.topLeft()) * zoom, QSizeF(half.size()) * (2 * zoom)),
                      half);
    return;
  }
  if (!hasPyramid()) {
    painter.fillRect(QRectF(image.topLeft() * zoom, image.size() * zoom), placeholder());
    return;
  }
  const int kept = std::min(level, m_pyramid->deepest());
  const double factor = std::ldexp(1.0, kept);  // picture pixels per level pixel
  const QRectF inLevel(image.topLeft() / factor, image.size() / factor);
  piece(m_pyramid->level(kept), inLevel.toAlignedRect().adjusted(-2, -2, 2, 2), zoom * factor);
}

}  // namespace koordel
