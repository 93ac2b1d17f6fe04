#pragma once

#include <QWidget>

#include <functional>

namespace koordel {

// The main window's client area: the design's size to begin with, and never
// smaller than its controls need. Its children are placed by hand, by
// ClientLayout, whenever it is resized.
class ClientArea : public QWidget {
 public:
  ClientArea(QWidget* parent, std::function<void()> resized);
  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::function<void()> m_resized;
};

}  // namespace koordel
