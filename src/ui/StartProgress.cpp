#include "StartProgress.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <thread>

namespace koordel {
namespace {

// A start that ends this soon shows no window at all.
constexpr int kQuietMilliseconds = 300;

class StartProgressDialog : public QDialog {
 public:
  StartProgressDialog(QWidget* parent, std::function<void()> interrupt)
      : QDialog(parent), m_interrupt(std::move(interrupt)) {
    setObjectName(QStringLiteral("StartProgress"));
    setWindowTitle(QStringLiteral("Koordel"));
    setModal(true);
    m_label = new QLabel(QStringLiteral("LibreOffice Calc を起動しています…"), this);
    auto* bar = new QProgressBar(this);
    bar->setRange(0, 0);  // no measure of how far: just alive
    bar->setTextVisible(false);
    bar->setAccessibleName(m_label->text());
    m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cancel->setObjectName(QStringLiteral("Cancel"));
    connect(m_cancel, &QPushButton::clicked, this, &StartProgressDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(bar);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
  }

  bool cancelled() const { return m_cancelled; }

  // The work has ended: the window may close.
  void finish() {
    m_finished = true;
    QDialog::accept();
  }

  // キャンセル, Escape and the window's close button all ask the start to
  // give up; the window stays until it has.
  void reject() override {
    if (m_finished) {
      QDialog::reject();
      return;
    }
    if (!m_cancelled) {
      m_cancelled = true;
      m_interrupt();
      m_label->setText(QStringLiteral("取り消しています…"));
      m_cancel->setEnabled(false);
    }
  }

 private:
  std::function<void()> m_interrupt;
  QLabel* m_label = nullptr;
  QPushButton* m_cancel = nullptr;
  bool m_cancelled = false;
  bool m_finished = false;
};

}  // namespace

std::optional<bool> runWithStartProgress(QWidget* parent, const std::function<bool()>& start,
                                         const std::function<void()>& interrupt) {
  StartProgressDialog dialog(parent, interrupt);
  QEventLoop quiet;
  bool ended = false;
  bool result = false;
  std::thread worker([&] {
    bool r = false;
    try {
      r = start();
    } catch (...) {
      r = false;
    }
    // Back on the user-interface thread, where everything else is read.
    QMetaObject::invokeMethod(
        &dialog,
        [&, r] {
          result = r;
          ended = true;
          quiet.quit();
          if (dialog.isVisible()) {
            dialog.finish();
          }
        },
        Qt::QueuedConnection);
  });

  // First a short wait that repaints but takes no input, so a quick start
  // does not flash a window, and no click can start another capture.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QTimer::singleShot(kQuietMilliseconds, &quiet, &QEventLoop::quit);
  quiet.exec(QEventLoop::ExcludeUserInputEvents);
  QApplication::restoreOverrideCursor();
  while (!ended) {
    dialog.exec();
  }
  worker.join();
  if (dialog.cancelled()) {
    return std::nullopt;
  }
  return result;
}

}  // namespace koordel
