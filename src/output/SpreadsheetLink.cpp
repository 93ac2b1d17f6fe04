#include "SpreadsheetLink.h"

#include "Record.h"
#include "Selections.h"
#include "SpreadsheetAutomation.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace koordel {

SpreadsheetLink::SpreadsheetLink(Selections& selections, Factory connect)
    : m_selections(selections), m_connect(std::move(connect)) {}

SpreadsheetLink::~SpreadsheetLink() = default;

void SpreadsheetLink::setFactory(Factory connect) {
  m_connect = std::move(connect);
  m_automation.reset();
  m_started = false;
}

// The order of the calls is the automation's contract: attach to what runs,
// else create and show; take the active workbook and add a sheet to it; and
// after any error at all, a workbook of its own.
// Once the user gave up, nothing more is asked of the application.
bool SpreadsheetLink::start() {
  SpreadsheetAutomation& app = *m_automation;
  const auto stop = [this] { return m_interrupted.load(); };
  bool error = false;
  if (!app.attach()) {
    error = true;
    if (stop() || !app.create()) {
      error = true;
    }
    if (stop() || !app.makeVisible()) {
      error = true;
    }
  }
  if (stop() || !app.activeWorkbook()) {
    error = true;
  }
  if (stop() || !app.addSheet()) {
    error = true;
  }
  if (!error) {
    return true;
  }
  if (stop()) {
    return false;
  }
  const bool workbook = app.addWorkbook();
  const bool sheet = !stop() && app.activeSheet();
  return workbook && sheet;
}

std::optional<QString> SpreadsheetLink::send(const Record& record) {
  if (m_full) {
    return u"表計算への出力は %1 行目までです。これ以上は書き込めません。\n"
           u"ほかの出力先を選んでください。"_s.arg(std::numeric_limits<qint16>::max());
  }
  if (!m_automation) {
    m_automation = m_connect ? m_connect() : nullptr;
    if (!m_automation) {
      return u"表計算ソフト（LibreOffice Calc）が見つからないため、エクセルに送れません。\n"
             u"LibreOffice Calc を入れるか、ほかの出力先を選んでください。"_s;
    }
    m_automation->setInterruption([this] { return m_interrupted.load(); });
  }
  qint16& row = m_selections.outputRow;
  // Row 1 starts the link, unless undo has just stepped back to it: then the
  // sheet goes on.
  if ((row == 1 && !m_rewound) || !m_started) {
    row = 1;
    m_interrupted = false;
    const std::optional<bool> started =
        m_runner ? m_runner([this] { return start(); }, [this] { m_interrupted = true; }) : start();
    m_started = started.value_or(false);
    if (m_started) {
      ++m_link;
    }
    if (!started) {
      return u"LibreOffice Calc の起動を取り消しました。記録は書き込んでいません。\n"
             u"次の記録でもう一度接続します。"_s;
    }
    if (!m_started) {
      return u"表計算ソフトに接続できませんでした。記録は書き込んでいません。\n"
             u"次の記録でもう一度接続します。"_s;
    }
  }
  if (!write(row, record)) {
    // The document or the office has gone: start a new sheet next time.
    m_started = false;
    return u"表計算のシートに書き込めませんでした（文書か LibreOffice が閉じられたようです）。\n"
           u"この記録は書き込まれていません。次の記録で新しいシートに書き始めます。"_s;
  }
  m_lastPlaced = {row, m_link};
  stepOn();
  return std::nullopt;
}

bool SpreadsheetLink::write(int row, const Record& record) {
  int column = 1;
  for (const RecordField& field : record.fields()) {
    const bool written = field.number
                             ? m_automation->setNumber(row, column, *field.number, field.decimals)
                             : m_automation->setText(row, column, field.text);
    if (!written) {
      return false;
    }
    ++column;
  }
  return true;
}

namespace {

// Whether a cell holds what the field put there: its text, its number, or
// nothing for an empty text.
bool holds(const SpreadsheetAutomation::Cell& cell, const RecordField& field) {
  using Kind = SpreadsheetAutomation::Cell::Kind;
  if (field.number) {
    return cell.kind == Kind::Number && cell.number == *field.number;
  }
  if (field.text.isEmpty()) {
    return cell.kind == Kind::Empty || (cell.kind == Kind::Text && cell.text.isEmpty());
  }
  return cell.kind == Kind::Text && cell.text == field.text;
}

}  // namespace

std::optional<QString> SpreadsheetLink::takeBack(const Placed& placed, const Record& record) {
  const QString changed =
      u"表計算のシートが、この記録を書いた時のままではありません（%1 行目が書き換えられたか、"
      u"シートが閉じられました）。\nシートはそのままにし、取り消していません。"_s.arg(placed.row);
  qint16& row = m_selections.outputRow;
  const bool last =
      m_full ? placed.row == std::numeric_limits<qint16>::max() : row == placed.row + 1;
  if (!m_automation || !m_started || placed.link != m_link || !last) {
    return changed;
  }
  const int columns = static_cast<int>(record.fields().size());
  const auto cells = m_automation->rowAt(placed.row, columns);
  if (!cells || cells->size() != columns) {
    return changed;
  }
  for (int column = 0; column < columns; ++column) {
    if (!holds(cells->at(column), record.fields().at(column))) {
      return changed;
    }
  }
  if (!m_automation->clearRow(placed.row, columns)) {
    // Half a row cleared is worse than none: put back what was there.
    write(placed.row, record);
    return u"表計算のシートの %1 行目を消せませんでした。記録は取り消していません。"_s.arg(
        placed.row);
  }
  row = static_cast<qint16>(placed.row);
  m_full = false;
  m_rewound = true;
  return std::nullopt;
}

std::optional<QString> SpreadsheetLink::writeAgain(const Placed& placed, const Record& record) {
  const QString changed =
      u"表計算のシートが、取り消した時のままではありません。記録をもう一度書いていません。"_s;
  qint16& row = m_selections.outputRow;
  if (!m_automation || !m_started || placed.link != m_link || row != placed.row) {
    return changed;
  }
  // Only into a row still as undo left it: empty. What the user put there
  // since is never written over, nor cleared should the write fail.
  if (m_automation->rowIsEmpty(placed.row, static_cast<int>(record.fields().size())) != true) {
    return changed;
  }
  if (!write(placed.row, record)) {
    m_automation->clearRow(placed.row, static_cast<int>(record.fields().size()));
    return u"表計算のシートに書き込めませんでした（文書か LibreOffice が閉じられたようです）。\n"
           u"記録をもう一度書いていません。"_s;
  }
  stepOn();
  return std::nullopt;
}

// Past a row just written: the next record goes below it, and after the
// last row there is none.
void SpreadsheetLink::stepOn() {
  m_rewound = false;
  qint16& row = m_selections.outputRow;
  if (row == std::numeric_limits<qint16>::max()) {
    m_full = true;
  } else {
    ++row;
  }
}

}  // namespace koordel
