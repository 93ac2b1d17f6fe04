#include "StatusBar.h"

#include "Readout.h"

namespace koordel {
namespace {

struct PanelLook {
  const char16_t* caption;
  int width;              // pixels; 0 takes the rest
  const char16_t* reads;  // for a readout, what assistive technology calls it
};

// All seven panels fit left of the comment box, so the y readout is never
// hidden under it; the "コメント" panel ends up labelling the box.
constexpr std::array<PanelLook, StatusBar::kPanelCount> kPanels = {{
    {u"X軸", 44, nullptr},
    {u"", 170, u"X軸の座標"},
    {u"", 80, u"X軸の単位"},
    {u"Y軸", 44, nullptr},
    {u"", 170, u"Y軸の座標"},
    {u"", 80, u"Y軸の単位"},
    {u"コメント", 0, nullptr},
}};

}  // namespace

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent) {
  setObjectName(QStringLiteral("StatusBar1"));
  setSizeGripEnabled(false);
  for (int i = 0; i < kPanelCount; ++i) {
    const PanelLook& look = kPanels[static_cast<std::size_t>(i)];
    QLabel* label = look.reads ? new Readout(QString::fromUtf16(look.reads), this)
                               : new QLabel(QString::fromUtf16(look.caption), this);
    label->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (look.width > 0) {
      label->setFixedWidth(look.width);
    }
    addWidget(label, look.width > 0 ? 0 : 1);
    m_panels[static_cast<std::size_t>(i)] = label;
  }
}

void StatusBar::setPanelText(int panel, const QString& text) {
  if (panel < 1 || panel > kPanelCount) {
    return;
  }
  QLabel* label = m_panels[static_cast<std::size_t>(panel - 1)];
  if (auto* readout = qobject_cast<Readout*>(label)) {
    readout->setValue(text);
  } else if (label->text() != text) {
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
