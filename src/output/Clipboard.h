#pragma once

#include <QString>

namespace koordel {

// The system clipboard, plain text only.
class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual void clear() = 0;
  // False when the clipboard did not take the text.
  virtual bool setText(const QString& text) = 0;
  // What it holds as plain text now.
  virtual QString text() const { return {}; }
};

}  // namespace koordel
