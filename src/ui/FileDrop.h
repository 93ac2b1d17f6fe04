#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QMimeData;
class QWidget;

namespace koordel {

// A file dropped on the window from a file manager opens as 平面画像読込
// would open it. Anything else (several files, a folder, text, a file on
// another machine) is refused with a word of why, and nothing changes.
// Text dropped on the comment box is the box's own.
class FileDrop : public QObject {
 public:
  // `open` opens a file, `tell` tells the user; both run once the drop is
  // over, so the file manager is not kept waiting by a dialog.
  FileDrop(QWidget* window, QWidget* commentBox, std::function<void(const QString&)> open,
           std::function<void(const QString&)> tell);

  // The file `data` names, or why it cannot be opened.
  struct Verdict {
    QString file;
    QString refusal;
  };
  static Verdict judge(const QMimeData& data);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* m_commentBox;
  std::function<void(const QString&)> m_open;
  std::function<void(const QString&)> m_tell;
};

}  // namespace koordel
