#pragma once

#include "CaptureTool.h"
#include "PointerEvent.h"
#include "ValueSheet.h"

#include <QHash>
#include <QString>

#include <optional>

namespace koordel {

class StatusPanels;
struct Selections;

// A press and a release on the canvas make one gesture. Both ends go into the
// value sheet whatever the capture shape, which is what the calibration
// commands work from; the release then hands over to the tool of the chosen
// shape. Buttons and shift keys make no difference.
class GestureTracker {
 public:
  GestureTracker(ValueSheet& sheet, const Selections& selections, StatusPanels& panels);

  // Registers the tool run on a release while `shape` is the capture shape.
  void setTool(const QString& shape, CaptureTool* tool);

  // Each returns a message for the user when the gesture could not be
  // recorded or the tool failed; the fields written before the failure keep
  // their new text.
  std::optional<QString> press(const PointerEvent& e);
  void move(const PointerEvent& e);
  std::optional<QString> release(const PointerEvent& e);

  // Shown in place of a converted position that is beyond the double range.
  static QString overflowText();
  static QString overflowMessage();

 private:
  struct Ends {
    Field x, y, convertedX, convertedY;
  };
  std::optional<QString> record(const PointerEvent& e, const Ends& ends);

  ValueSheet& m_sheet;
  const Selections& m_selections;
  StatusPanels& m_panels;
  QHash<QString, CaptureTool*> m_tools;
};

}  // namespace koordel
