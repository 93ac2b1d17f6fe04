#pragma once

#include "FileDialog.h"

#include <QStringList>

// Answers the file dialog from a script: each answer in turn, a null name (or
// a script run out) as a cancel. Writes down the title of every dialog asked.
struct ScriptedFileDialog : koordel::FileDialog {
  QStringList answers;
  QStringList titles;
  QStringList offered;

  std::optional<QString> next(const QString& title) {
    titles << title;
    const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
    if (answer.isNull()) {
      return std::nullopt;
    }
    return answer;
  }
  std::optional<QString> chooseFileToOpen(const QString& title) override { return next(title); }
  std::optional<QString> chooseFileToSave(const QString& title) override { return next(title); }
  void offer(const QString& name) override { offered << name; }
};
