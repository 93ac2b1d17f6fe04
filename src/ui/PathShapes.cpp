#include "PathShapes.h"

#include "CommentBox.h"
#include "MenuFamily.h"
#include "Selections.h"
#include "Sketch.h"
#include "Tools.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace koordel {

PathShapes::PathShapes(const ToolContext& context, Sketch& sketch, GestureTracker& tracker,
                       Selections& selections, const CommentBox& comment, QWidget& window,
                       Runner run)
    : QObject(nullptr),
      m_sketch(sketch),
      m_selections(selections),
      m_comment(comment),
      m_window(window),
      m_run(std::move(run)),
      m_tools(setUpPathTools(context, sketch, tracker)) {
  // The keys must reach the shape before the comment box or a menu's
  // shortcut sees them.
  qApp->installEventFilter(this);
}

PathShapes::~PathShapes() {
  qApp->removeEventFilter(this);
}

void PathShapes::addItems(QMenu* menu, MenuFamily& family) {
  menu->addSeparator();
  for (const auto& tool : m_tools) {
    PathTool* t = tool.get();
    family.append(t->keyword(), t->keyword(), [this, t, &family](int index) {
      shapeChosen(t->keyword());
      m_selections.captureShape = t->keyword();
      family.check(index);
    });
  }
}

PathTool* PathShapes::building() const {
  for (const auto& tool : m_tools) {
    if (tool->building()) {
      return tool.get();
    }
  }
  return nullptr;
}

void PathShapes::abandon(PathTool& tool, const QString& why) {
  tool.abandon(u"作図中の%1を破棄しました（%2）。"_s.arg(tool.keyword(), why));
}

void PathShapes::shapeChosen(const QString& shape) {
  PathTool* tool = building();
  if (tool && tool->keyword() != shape) {
    abandon(*tool, u"取込の図形を変えたため"_s);
  } else if (!tool && std::none_of(m_tools.begin(), m_tools.end(),
                                   [&](const auto& t) { return t->keyword() == shape; })) {
    // Another kind of shape: the last measure has nothing more to say.
    m_sketch.tell({});
  }
}

void PathShapes::pictureChanged() {
  if (PathTool* tool = building()) {
    abandon(*tool, u"画像を開いたため"_s);
  }
}

bool PathShapes::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride) {
    return false;
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  const int code = key->key();
  if (code != Qt::Key_Return && code != Qt::Key_Enter && code != Qt::Key_Escape &&
      code != Qt::Key_Backspace) {
    return false;
  }
  if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
    return false;
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  // Only the main window's own keys: a dialog, a menu open or walked with
  // the keyboard, or a word being composed in the comment box keeps them.
  if (!widget || widget->window() != &m_window || QApplication::activeModalWidget() ||
      QApplication::activePopupWidget() || qobject_cast<QMenuBar*>(widget) ||
      qobject_cast<QMenuBar*>(QApplication::focusWidget()) || m_comment.composing()) {
    return false;
  }
  PathTool* tool = building();
  if (!tool) {
    return false;
  }
  event->accept();
  if (type == QEvent::KeyPress) {
    if (code == Qt::Key_Escape) {
      tool->abandon(u"%1の作図を取り消しました。"_s.arg(tool->keyword()));
    } else if (code == Qt::Key_Backspace) {
      tool->removeLastVertex();
    } else {
      m_run([tool] { return tool->finish(); });
    }
  }
  return true;
}

}  // namespace koordel
