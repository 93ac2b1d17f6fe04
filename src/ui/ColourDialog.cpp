#include "ColourDialog.h"

#include <QColorDialog>

namespace koordel {

std::optional<QColor> QtColourDialog::choose(const QColor& preset) {
  const QColor chosen = QColorDialog::getColor(preset, m_parent, QStringLiteral("線色変更"));
  if (!chosen.isValid()) {
    return std::nullopt;
  }
  return chosen;
}

}  // namespace koordel
