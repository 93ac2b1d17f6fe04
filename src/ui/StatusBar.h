#pragma once

#include "StatusPanels.h"

#include <QStatusBar>

#include <array>

class QLabel;

namespace koordel {

// StatusBar1: seven panels, "X軸", x, x unit, "Y軸", y, y unit, "コメント".
class StatusBar : public QStatusBar, public StatusPanels {
  Q_OBJECT

 public:
  static constexpr int kPanelCount = 7;

  explicit StatusBar(QWidget* parent = nullptr);

  void setPanelText(int panel, const QString& text) override;
  QString panelText(int panel) const;

 private:
  std::array<QLabel*, kPanelCount> m_panels{};
};

}  // namespace koordel
