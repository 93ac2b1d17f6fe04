#include "UndoCommands.h"

#include "CanvasWidget.h"
#include "CaptureHistory.h"
#include "HistoryGate.h"
#include "Messages.h"
#include "UserPrompts.h"

#include <QMenu>

using namespace Qt::StringLiterals;

namespace koordel {

UndoCommands::UndoCommands(CaptureHistory& history, HistoryGate& gate, const CanvasWidget& canvas,
                           std::function<UserPrompts&()> prompts, QWidget* window, QMenu* menu)
    : m_history(history), m_gate(gate), m_canvas(canvas), m_prompts(std::move(prompts)) {
  m_undoItem = menu->addAction(u"元に戻す"_s);
  m_undoItem->setObjectName(u"元に戻す"_s);
  m_undoItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  connect(m_undoItem, &QAction::triggered, this,
          [this, window] { guarded(window, [this] { undo(); }); });
  m_redoItem = menu->addAction(u"やり直し"_s);
  m_redoItem->setObjectName(u"やり直し"_s);
  m_redoItem->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  connect(m_redoItem, &QAction::triggered, this,
          [this, window] { guarded(window, [this] { redo(); }); });
  m_history.setChangeHandler([this] { showHistory(); });
  showHistory();
}

UndoCommands::~UndoCommands() {
  m_history.setChangeHandler({});
}

void UndoCommands::undo() {
  // A gesture half done would record its release into a step that is gone.
  if (m_canvas.gestureInProgress() || !m_history.canUndo() || m_gate.held()) {
    return;
  }
  std::optional<QString> message;
  m_gate.hold([&] {
    message = m_history.undo([this](const QString& why) {
      return m_prompts().ask(why + u"\n\n図形だけを画像から消しますか？"_s, u"元に戻す"_s);
    });
  });
  if (message) {
    m_prompts().message(*message, u"元に戻す"_s);
  }
}

void UndoCommands::redo() {
  if (m_canvas.gestureInProgress() || !m_history.canRedo() || m_gate.held()) {
    return;
  }
  std::optional<QString> message;
  m_gate.hold([&] { message = m_history.redo(); });
  if (message) {
    m_prompts().message(*message, u"やり直し"_s);
  }
}

void UndoCommands::showHistory() {
  m_undoItem->setEnabled(m_history.canUndo());
  m_redoItem->setEnabled(m_history.canRedo());
  QString undo = m_history.canUndo() ? u"元に戻す: "_s + m_history.undoLabel() : u"元に戻す"_s;
  if (m_history.forgotOldest()) {
    // The oldest steps went to keep memory in bounds: say how far back it goes.
    undo += u"（あと %1 回まで）"_s.arg(m_history.undoDepth());
  }
  m_undoItem->setText(undo);
  m_redoItem->setText(m_history.canRedo() ? u"やり直し: "_s + m_history.redoLabel()
                                          : u"やり直し"_s);
}

}  // namespace koordel
