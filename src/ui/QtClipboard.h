#pragma once

#include "Clipboard.h"

namespace koordel {

// The system clipboard through Qt. On X11 the program itself serves the text
// to other programs for as long as it runs, so it stays after the gesture.
class QtClipboard : public Clipboard {
 public:
  void clear() override;
  bool setText(const QString& text) override;
  QString text() const override;
};

}  // namespace koordel
