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

namespace {

using Result = Delivery::Result;
using Outcome = Delivery::Outcome;

// The clipboard's earlier text comes back if the clipboard still holds the
// record; otherwise it is left alone.
class ClipboardDelivery : public Delivery {
 public:
  ClipboardDelivery(Clipboard& clipboard, QString earlier, QString record)
      : m_clipboard(clipboard), m_earlier(std::move(earlier)), m_record(std::move(record)) {}

  Result takeBack() override {
    if (m_clipboard.text() == m_record) {
      m_clipboard.clear();
      if (!m_earlier.isEmpty()) {
        m_clipboard.setText(m_earlier);
      }
    }
    return {};
  }
  Result deliverAgain() override {
    m_earlier = m_clipboard.text();
    m_clipboard.clear();
    if (!m_clipboard.setText(m_record)) {
      return {Outcome::Refused, u"クリップボードに書き込めませんでした。"_s};
    }
    return {};
  }

 private:
  Clipboard& m_clipboard;
  QString m_earlier;
  QString m_record;
};

class FileDelivery : public Delivery {
 public:
  explicit FileDelivery(CoordinateFile::Appended appended) : m_appended(std::move(appended)) {}

  Result takeBack() override { return converted(CoordinateFile::takeBack(m_appended)); }
  Result deliverAgain() override { return converted(CoordinateFile::appendAgain(m_appended)); }

 private:
  static Result converted(const CoordinateFile::Undone& undone) {
    switch (undone.outcome) {
      case CoordinateFile::Outcome::Done:
        return {};
      case CoordinateFile::Outcome::Gone:
        return {Outcome::Gone, undone.message};
      default:
        return {Outcome::Refused, undone.message};
    }
  }

  CoordinateFile::Appended m_appended;
};

class SheetDelivery : public Delivery {
 public:
  SheetDelivery(SpreadsheetLink& link, SpreadsheetLink::Placed placed, Record record)
      : m_link(link), m_placed(placed), m_record(std::move(record)) {}

  Result takeBack() override { return converted(m_link.takeBack(m_placed, m_record)); }
  Result deliverAgain() override { return converted(m_link.writeAgain(m_placed, m_record)); }

 private:
  static Result converted(const std::optional<QString>& refusal) {
    return refusal ? Result{Outcome::Refused, *refusal} : Result{};
  }

  SpreadsheetLink& m_link;
  SpreadsheetLink::Placed m_placed;
  Record m_record;
};

}  // namespace

std::optional<QString> Destinations::refuses(const Record& record) const {
  if (m_selections.destination == destination::kFile) {
    return m_file.refuses(record);
  }
  if (m_selections.destination == destination::kSpreadsheet &&
      record.fields().size() > SpreadsheetLink::kMostColumns) {
    return u"この記録は %1 項目あり、表計算の 1 行（%2 列）に収まりません。\n"
           u"図形は描かず、記録も送っていません。"
           u"クリップボードかﾌｧｲﾙに送るか、頂点を減らしてください。"_s.arg(record.fields().size())
               .arg(SpreadsheetLink::kMostColumns);
  }
  return std::nullopt;
}

Sent Destinations::send(const Record& record) {
  const QString& where = m_selections.destination;
  if (where == destination::kClipboard) {
    QString earlier = m_clipboard.text();
    m_clipboard.clear();
    if (!m_clipboard.setText(record.textForm())) {
      return {u"クリップボードに書き込めませんでした。"_s, nullptr};
    }
    return {std::nullopt, std::make_unique<ClipboardDelivery>(m_clipboard, std::move(earlier),
                                                              record.textForm())};
  }
  if (where == destination::kFile) {
    CoordinateFile::Appended appended;
    if (auto problem = m_file.append(record, &appended)) {
      return {problem, nullptr};
    }
    return {std::nullopt, std::make_unique<FileDelivery>(std::move(appended))};
  }
  if (where == destination::kSpreadsheet) {
    if (!m_spreadsheet) {
      return {u"表計算への出力は使えません。ほかの出力先を選んでください。"_s, nullptr};
    }
    if (auto problem = m_spreadsheet->send(record)) {
      return {problem, nullptr};
    }
    return {std::nullopt,
            std::make_unique<SheetDelivery>(*m_spreadsheet, m_spreadsheet->lastPlaced(), record)};
  }
  return {};
}

}  // namespace koordel
