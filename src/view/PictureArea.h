#pragma once

#include <QWidget>

#include <functional>

class QWheelEvent;

namespace koordel {

// The clip the canvas moves in. A wheel turned over its blank room, around a
// picture zoomed out smaller than the area, zooms and scrolls as over the
// picture itself.
class PictureArea : public QWidget {
 public:
  PictureArea(QWidget* parent, std::function<void(const QWheelEvent&)> wheeled);

 protected:
  void wheelEvent(QWheelEvent* event) override;

 private:
  std::function<void(const QWheelEvent&)> m_wheeled;
};

}  // namespace koordel
