#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the next modal window once it is on screen: the action runs inside
// the window's own event loop, the way a user would click it.
inline void answerNextModal(std::function<void(QWidget*)> action) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) {
      return;
    }
    timer->stop();
    timer->deleteLater();
    action(modal);
  });
  timer->start();
}

// While it lives, accepts every message box that comes up and keeps what it
// said, as "title:text".
class MessagesTold {
 public:
  MessagesTold() {
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        told << box->windowTitle() + u':' + box->text();
        box->accept();
      }
    });
    m_timer.start(10);
  }

  QStringList told;

 private:
  QTimer m_timer;
};
