#include "Destinations.h"

#include "Clipboard.h"
#include "CoordinateFile.h"
#include "Record.h"
#include "Selections.h"

using namespace Qt::StringLiterals;

namespace koordel {

Destinations::Destinations(const Selections& selections, Clipboard& clipboard,
                           const CoordinateFile& file)
    : m_selections(selections), m_clipboard(clipboard), m_file(file) {}

std::optional<QString> Destinations::send(const Record& record) {
  const QString& where = m_selections.destination;
  if (where == destination::kClipboard) {
    m_clipboard.clear();
    if (!m_clipboard.setText(record.textForm())) {
      return u"クリップボードに書き込めませんでした。"_s;
    }
    return std::nullopt;
  }
  if (where == destination::kFile) {
    return m_file.append(record.textForm());
  }
  if (where == destination::kSpreadsheet) {
    return u"エクセルへの出力は、まだ使えません。"_s;
  }
  return std::nullopt;
}

}  // namespace koordel
