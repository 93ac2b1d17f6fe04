#include "GestureTracker.h"

#include "Conversion.h"
#include "NumberText.h"
#include "Selections.h"
#include "StatusPanels.h"
#include "ValueSheet.h"

using namespace Qt::StringLiterals;

namespace koordel {

GestureTracker::GestureTracker(ValueSheet& sheet, const Selections& selections,
                               StatusPanels& panels)
    : m_sheet(sheet), m_selections(selections), m_panels(panels) {}

void GestureTracker::setTool(const QString& shape, CaptureTool* tool) {
  if (tool) {
    m_tools.insert(shape, tool);
  } else {
    m_tools.remove(shape);
  }
}

QString GestureTracker::overflowText() {
  return u"オーバーフロー"_s;
}

QString GestureTracker::overflowMessage() {
  return u"変換した座標が数値の範囲を超えました（オーバーフロー）。\n"
         u"設定の基準値と軸係数を確かめてください。"_s;
}

std::optional<QString> GestureTracker::record(const PointerEvent& e, const Ends& ends) {
  m_sheet.setText(ends.x, canvasPositionText(e.x));
  m_sheet.setText(ends.y, canvasPositionText(e.y));
  const auto x = convertXText(m_sheet, e.x, e.y);
  if (!x) {
    return overflowMessage();
  }
  m_sheet.setText(ends.convertedX, *x);
  const auto y = convertYText(m_sheet, e.x, e.y);
  if (!y) {
    return overflowMessage();
  }
  m_sheet.setText(ends.convertedY, *y);
  return std::nullopt;
}

std::optional<QString> GestureTracker::press(const PointerEvent& e) {
  return record(e,
                {Field::down座標x, Field::down座標y, Field::変換down座標x, Field::変換down座標y});
}

void GestureTracker::move(const PointerEvent& e) {
  m_panels.setPanelText(2, convertXText(m_sheet, e.x, e.y).value_or(overflowText()));
  m_panels.setPanelText(3, m_sheet.text(Field::x軸単位));
  m_panels.setPanelText(5, convertYText(m_sheet, e.x, e.y).value_or(overflowText()));
  m_panels.setPanelText(6, m_sheet.text(Field::Y軸単位));
  if (CaptureTool* tool = m_tools.value(m_selections.captureShape, nullptr)) {
    tool->follow(e);
  }
}

std::optional<QString> GestureTracker::release(const PointerEvent& e) {
  if (auto failure =
          record(e, {Field::up座標x, Field::up座標y, Field::変換up座標x, Field::変換up座標y})) {
    return failure;
  }
  // Dispatch on the exact text: "" and anything unknown run no tool.
  CaptureTool* tool = m_tools.value(m_selections.captureShape, nullptr);
  if (!tool) {
    return std::nullopt;
  }
  return tool->release(e);
}

}  // namespace koordel
