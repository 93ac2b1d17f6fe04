#include "CommentBox.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

namespace koordel {
namespace {

bool isUndoKey(const QKeyEvent& key) {
  return key.matches(QKeySequence::Undo) ||
         key.keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Z);
}

// The platform's redo keys, and the two that やり直し answers to everywhere.
bool isRedoKey(const QKeyEvent& key) {
  return key.matches(QKeySequence::Redo) ||
         key.keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y) ||
         key.keyCombination() == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z);
}

}  // namespace

CommentBox::CommentBox(QWidget* parent) : QLineEdit(parent) {}

void CommentBox::startUndoAfresh() {
  // Setting the text would throw away a word still being composed (kana
  // not yet converted): the user's typing comes first.
  if (m_composing || (!isUndoAvailable() && !isRedoAvailable())) {
    return;
  }
  const int cursor = cursorPosition();
  const int start = selectionStart();
  const int length = static_cast<int>(selectedText().size());
  // Setting the text is the one public way to empty a line edit's undo
  // history; the text itself does not change.
  setText(text());
  if (length > 0) {
    // Keeps the end the cursor was at, so Shift+arrows go on from there.
    if (cursor == start) {
      setSelection(start + length, -length);
    } else {
      setSelection(start, length);
    }
  } else {
    setCursorPosition(cursor);
  }
}

bool CommentBox::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    // With nothing of its own to take back or do again, the box lets the
    // key through to the window's shortcuts instead of swallowing it.
    const bool undo = isUndoKey(*key);
    const bool redo = !undo && isRedoKey(*key);
    if (undo || redo) {
      event->setAccepted(undo ? isUndoAvailable() : isRedoAvailable());
      return true;
    }
  }
  return QLineEdit::event(event);
}

void CommentBox::inputMethodEvent(QInputMethodEvent* event) {
  m_composing = !event->preeditString().isEmpty();
  QLineEdit::inputMethodEvent(event);
}

// Leaving the box ends a composition, whatever the input method says.
void CommentBox::focusOutEvent(QFocusEvent* event) {
  m_composing = false;
  QLineEdit::focusOutEvent(event);
}

// The same keys on every platform, whichever of them the platform itself
// calls undo and redo.
void CommentBox::keyPressEvent(QKeyEvent* event) {
  if (isUndoKey(*event)) {
    undo();
  } else if (isRedoKey(*event)) {
    redo();
  } else {
    QLineEdit::keyPressEvent(event);
  }
}

}  // namespace koordel
