#include "FileDrop.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace koordel {

FileDrop::FileDrop(QWidget* window, QWidget* commentBox, std::function<void(const QString&)> open,
                   std::function<void(const QString&)> tell)
    : QObject(window), m_commentBox(commentBox), m_open(std::move(open)), m_tell(std::move(tell)) {
  window->setAcceptDrops(true);
  window->installEventFilter(this);
  commentBox->installEventFilter(this);
}

FileDrop::Verdict FileDrop::judge(const QMimeData& data) {
  const QList<QUrl> urls = data.urls();
  const QString onlyOneFile = u"ここにドロップできるのは画像のファイル 1 つだけです。"_s;
  if (urls.isEmpty()) {
    return {{}, onlyOneFile};
  }
  if (urls.size() > 1) {
    return {{}, u"一度に開ける画像は 1 つです。ファイルを 1 つだけドロップしてください。"_s};
  }
  const QUrl& url = urls.first();
  if (!url.isLocalFile()) {
    return {{},
            u"このコンピューターにないファイルは開けません。保存してから開いてください:\n%1"_s.arg(
                url.toDisplayString())};
  }
  const QString file = url.toLocalFile();
  // "file:" alone names no file: an empty name would read as an open.
  if (file.isEmpty()) {
    return {{}, onlyOneFile};
  }
  if (QFileInfo(file).isDir()) {
    return {{},
            u"フォルダーは開けません。画像のファイルをドロップしてください:\n%1"_s.arg(
                QDir::toNativeSeparators(file))};
  }
  return {file, {}};
}

bool FileDrop::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
    return false;
  }
  auto* drop = static_cast<QDropEvent*>(event);
  // Not while a dialog waits for an answer.
  if (QApplication::activeModalWidget()) {
    drop->ignore();
    return true;
  }
  // Text on the comment box goes into it, as on any text box.
  if (watched == m_commentBox && !drop->mimeData()->hasUrls()) {
    return false;
  }
  // A copy, always: a file manager told the file was moved would delete it.
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (type == QEvent::Drop) {
    const Verdict verdict = judge(*drop->mimeData());
    QTimer::singleShot(0, this, [this, verdict] {
      if (verdict.file.isEmpty()) {
        m_tell(verdict.refusal);
      } else {
        m_open(verdict.file);
      }
    });
  }
  return true;
}

}  // namespace koordel
