#pragma once

#include "UserPrompts.h"

class QWidget;

namespace koordel {

class QtUserPrompts : public UserPrompts {
 public:
  explicit QtUserPrompts(QWidget* parent) : m_parent(parent) {}

  using UserPrompts::message;
  void message(const QString& text, const QString& title) override;
  QString input(const QString& prompt, const QString& title) override;
  bool ask(const QString& question, const QString& title) override;

 private:
  QWidget* m_parent;
};

}  // namespace koordel
