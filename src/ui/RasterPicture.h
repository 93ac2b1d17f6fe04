#pragma once

#include "Picture.h"
#include "Pyramid.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <thread>

namespace koordel {

// A decoded picture, held once in the depth its file had (a 1-bit scan stays
// 1-bit). Zoomed in, its pixels show as crisp squares; zoomed out, they are
// averaged, from reduced copies made on a worker thread right after it
// arrives (until they are there, a view zoomed far out shows grey).
class RasterPicture : public Picture {
 public:
  explicit RasterPicture(QImage image);
  ~RasterPicture() override;

  QSize size() const override { return m_image.size(); }
  void paint(QPainter& painter, const QRect& area, double zoom) const override;
  bool hasTransparency() const override { return m_image.hasAlphaChannel(); }
  const QImage& image() const override { return m_image; }
  void waitUntilReady() override;

  bool hasPyramid() const { return m_pyramid && !m_pyramid->isEmpty(); }
  qsizetype reducedBytes() const { return m_pyramid ? m_pyramid->bytes() : 0; }

 private:
  void paintActualSize(QPainter& painter, const QRect& area) const;
  void paintScaled(QPainter& painter, const QRectF& image, double zoom) const;

  QImage m_image;
  std::shared_ptr<const Pyramid> m_pyramid;
  QObject m_relay;  // lives on the user-interface thread, for the worker's news
  std::atomic<bool> m_cancel = false;
  std::thread m_worker;
};

}  // namespace koordel
