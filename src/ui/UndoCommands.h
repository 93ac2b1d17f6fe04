#pragma once

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace koordel {

class CanvasWidget;
class CaptureHistory;
class HistoryGate;
class UserPrompts;

// 元に戻す and やり直し: the menu items, labelled with the step they take
// back or do again, and the commands, which ask before taking a drawing off
// the picture without its record and say what could not be done.
class UndoCommands : public QObject {
 public:
  UndoCommands(CaptureHistory& history, HistoryGate& gate, const CanvasWidget& canvas,
               std::function<UserPrompts&()> prompts, QWidget* window, QMenu* menu);
  ~UndoCommands() override;

  void undo();
  void redo();

 private:
  void showHistory();

  CaptureHistory& m_history;
  HistoryGate& m_gate;
  const CanvasWidget& m_canvas;
  std::function<UserPrompts&()> m_prompts;
  QAction* m_undoItem = nullptr;
  QAction* m_redoItem = nullptr;
};

}  // namespace koordel
