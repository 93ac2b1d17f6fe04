#pragma once

#include <QString>

namespace koordel {

// The two modal boxes commands talk to the user through.
class UserPrompts {
 public:
  virtual ~UserPrompts() = default;
  // The text with a single OK button.
  virtual void message(const QString& text, const QString& title) = 0;
  void message(const QString& text) { message(text, QStringLiteral("Koordel")); }
  // The text the user confirmed, or "" when the box was cancelled. The box
  // opens empty.
  virtual QString input(const QString& prompt, const QString& title) = 0;
  // The question with はい and いいえ; true for はい.
  virtual bool ask(const QString& question, const QString& title) = 0;
};

}  // namespace koordel
