#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

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

// While it lives, answers the modal windows that come up one after another
// with the actions given, in turn. A window that comes up once the actions
// have run out, or that an action leaves open, is rejected and written down
// in `unexpected`, so that a script gone wrong fails instead of hanging.
class ModalsInTurn {
 public:
  using Action = std::function<void(QWidget*)>;

  explicit ModalsInTurn(QList<Action> actions) : m_actions(std::move(actions)) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->isVisible()) {
        return;
      }
      if (modal == m_answered || m_actions.isEmpty()) {
        unexpected << describe(modal, modal == m_answered ? "left open" : "not expected");
        m_answered = nullptr;
        close(modal);
        return;
      }
      m_answered = modal;
      m_actions.takeFirst()(modal);
    });
    m_timer.start(10);
  }

  QStringList unexpected;

 private:
  static QString describe(QWidget* modal, const char* why) {
    QString what =
        QString::fromLatin1(modal->metaObject()->className()) + u' ' + modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      what += QStringLiteral(": ") + box->text();
    }
    return what + QStringLiteral(" (") + QString::fromLatin1(why) + u')';
  }
  static void close(QWidget* modal) {
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
  }

  QList<Action> m_actions;
  QPointer<QWidget> m_answered;
  QTimer m_timer;
};
