#pragma once

#include <QLineEdit>

namespace koordel {

// The comment box. Its own text undo reaches back only to the last capture:
// a record already carries the comment as it stood then, and taking the text
// back behind the user's back would put the wrong comment into the next
// record. Past that point Ctrl+Z and Ctrl+Y are not the box's: they reach the
// window's 元に戻す and やり直し, which take back and do again captures.
class CommentBox : public QLineEdit {
 public:
  explicit CommentBox(QWidget* parent = nullptr);

  // A capture has just taken the text as it stands: typing from here on can
  // be taken back, nothing before. Cursor and selection stay where they are.
  void startUndoAfresh();
  // Whether an input method's text is still being composed in the box.
  bool composing() const { return m_composing; }

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  bool m_composing = false;  // an input method's text not yet committed
};

}  // namespace koordel
