#include "ClientArea.h"

#include "ClientLayout.h"

namespace koordel {

ClientArea::ClientArea(QWidget* parent, std::function<void()> resized)
    : QWidget(parent), m_resized(std::move(resized)) {
  setMinimumSize(ClientLayout::minimumSize());
}

QSize ClientArea::sizeHint() const {
  return ClientLayout::designSize();
}

void ClientArea::resizeEvent(QResizeEvent*) {
  m_resized();
}

}  // namespace koordel
