#pragma once

#include "PathTool.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QWidget;

namespace koordel {

class CommentBox;
class GestureTracker;
class MenuFamily;
class Sketch;
struct Selections;

// 折れ線, 多角形 and 角度 in the main window: their items at the end of 取込,
// and the keys that end (Enter), abandon (Esc) and step back (Backspace) a
// shape being built, wherever the window's focus is and without touching
// the comment's text. Choosing another shape or opening a picture abandons
// it. With no shape being built, every key does what it always did.
class PathShapes : public QObject {
 public:
  // Runs a command that may draw and send, telling its message if any.
  using Runner = std::function<void(const std::function<std::optional<QString>()>&)>;

  // Watches the keys of the whole application from construction on.
  PathShapes(const ToolContext& context, Sketch& sketch, GestureTracker& tracker,
             Selections& selections, const CommentBox& comment, QWidget& window, Runner run);
  ~PathShapes() override;

  // After a separator, checked in `family`'s group.
  void addItems(QMenu* menu, MenuFamily& family);
  // Before the capture shape becomes `shape`.
  void shapeChosen(const QString& shape);
  void pictureChanged();

  // The tool whose shape is being built, if any.
  PathTool* building() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void abandon(PathTool& tool, const QString& why);

  Sketch& m_sketch;
  Selections& m_selections;
  const CommentBox& m_comment;
  QWidget& m_window;
  Runner m_run;
  std::vector<std::unique_ptr<PathTool>> m_tools;
};

}  // namespace koordel
