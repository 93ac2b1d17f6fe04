#pragma once

#include <QString>

#include <exception>
#include <utility>

class QWidget;

namespace koordel {

QString applicationTitle();

// The one place that shows a message to the user: the text, a single OK
// button, and the program's title unless another is given.
void showMessage(QWidget* parent, const QString& text, const QString& title = applicationTitle());

// Runs an event handler's work so that nothing it throws leaves the handler:
// the user is told and the program carries on.
template <class Work>
void guarded(QWidget* parent, Work&& work) {
  try {
    std::forward<Work>(work)();
  } catch (const std::exception& e) {
    showMessage(parent, QStringLiteral("予期しないエラーが発生しました。\n") +
                            QString::fromLocal8Bit(e.what()));
  } catch (...) {
    showMessage(parent, QStringLiteral("予期しないエラーが発生しました。"));
  }
}

}  // namespace koordel
