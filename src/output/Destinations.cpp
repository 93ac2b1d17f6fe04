#include "Destinations.h"

#include "Clipboard.h"
#include "CoordinateFile.h"
#include "Record.h"
#include "Selections.h"
#include "SpreadsheetLink.h"

using namespace Qt::StringLiterals;

namespace koordel {

Destinations::Destinations(const Selections& selections, Clipboard& clipboard,
                           const CoordinateFile& file, SpreadsheetLink* spreadsheet)
    : m_selections(selections), m_clipboard(clipboard), m_file(file), m_spreadsheet(spreadsheet) {}

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
    if (!m_spreadsheet) {
      return u"表計算への出力は使えません。ほかの出力先を選んでください。"_s;
    }
    return m_spreadsheet->send(record);
  }
  return std::nullopt;
}

}  // namespace koordel
