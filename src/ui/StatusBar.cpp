#include "StatusBar.h"

#include <QLabel>

namespace koordel {
namespace {

struct PanelLook {
  const char16_t* caption;
  int width;  // pixels; 0 takes the rest
};

// All seven panels fit left of the comment box, so the y readout is never
// hidden under it; the "コメント" panel ends up labelling the box.
constexpr std::array<PanelLook, StatusBar::kPanelCount> kPanels = {{
    {u"X軸", 44},
    {u"", 170},
    {u"", 80},
    {u"Y軸", 44},
    {u"", 170},
    {u"", 80},
    {u"コメント", 0},
}};

}  // namespace

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent) {
  setObjectName(QStringLiteral("StatusBar1"));
  setSizeGripEnabled(false);
  for (int i = 0; i < kPanelCount; ++i) {
    const PanelLook& look = kPanels[static_cast<std::size_t>(i)];
    auto* label = new QLabel(QString::fromUtf16(look.caption), this);
    // Unit names are the user's free text, never markup.
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (look.width > 0) {
      label->setFixedWidth(look.width);
    }
    addWidget(label, look.width > 0 ? 0 : 1);
    m_panels[static_cast<std::size_t>(i)] = label;
  }
  m_panels[1]->setAccessibleName(QStringLiteral("X軸の座標"));
  m_panels[2]->setAccessibleName(QStringLiteral("X軸の単位"));
  m_panels[4]->setAccessibleName(QStringLiteral("Y軸の座標"));
  m_panels[5]->setAccessibleName(QStringLiteral("Y軸の単位"));
}

void StatusBar::setPanelText(int panel, const QString& text) {
  if (panel < 1 || panel > kPanelCount) {
    return;
  }
  QLabel* label = m_panels[static_cast<std::size_t>(panel - 1)];
  if (label->text() != text) {
    label->setText(text);
  }
}

QString StatusBar::panelText(int panel) const {
  if (panel < 1 || panel > kPanelCount) {
    return {};
  }
  return m_panels[static_cast<std::size_t>(panel - 1)]->text();
}

}  // namespace koordel
