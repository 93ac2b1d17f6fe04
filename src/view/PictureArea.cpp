#include "PictureArea.h"

#include <QWheelEvent>

namespace koordel {

PictureArea::PictureArea(QWidget* parent, std::function<void(const QWheelEvent&)> wheeled)
    : QWidget(parent), m_wheeled(std::move(wheeled)) {}

void PictureArea::wheelEvent(QWheelEvent* event) {
  m_wheeled(*event);
  event->accept();
}

}  // namespace koordel
