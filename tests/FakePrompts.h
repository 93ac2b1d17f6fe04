#pragma once

#include "UserPrompts.h"

#include <QStringList>

#include <functional>

// Answers input boxes in order ("" once the script runs out, as a cancel
// would) and writes down everything shown, in order.
struct FakePrompts : koordel::UserPrompts {
  QStringList answers;
  QStringList shown;

  using koordel::UserPrompts::message;
  void message(const QString& text, const QString& title) override {
    shown << QStringLiteral("message[%1] %2").arg(title, text);
  }
  QList<bool> yes;  // answers to questions, in order; no once it runs out
  // What happens while a question waits for its answer (the program's own
  // events go on meanwhile, as under a real box).
  std::function<void()> whileAsking;
  bool ask(const QString& question, const QString& title) override {
    shown << QStringLiteral("ask[%1] %2").arg(title, question);
    if (whileAsking) {
      whileAsking();
    }
    return !yes.isEmpty() && yes.takeFirst();
  }
  QString input(const QString& prompt, const QString& title) override {
    shown << QStringLiteral("input[%1] %2").arg(title, prompt);
    return answers.isEmpty() ? QString() : answers.takeFirst();
  }
};
