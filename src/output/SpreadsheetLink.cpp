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
  if (row == 1 || !m_started) {
    row = 1;
    m_interrupted = false;
    const std::optional<bool> started =
        m_runner ? m_runner([this] { return start(); }, [this] { m_interrupted = true; }) : start();
    m_started = started.value_or(false);
    if (!started) {
      return u"LibreOffice Calc の起動を取り消しました。記録は書き込んでいません。\n"
             u"次の記録でもう一度接続します。"_s;
    }
    if (!m_started) {
      return u"表計算ソフトに接続できませんでした。記録は書き込んでいません。\n"
             u"次の記録でもう一度接続します。"_s;
    }
  }
  int column = 1;
  for (const RecordField& field : record.fields()) {
    const bool written = field.number
                             ? m_automation->setNumber(row, column, *field.number, field.decimals)
                             : m_automation->setText(row, column, field.text);
    if (!written) {
      // The document or the office has gone: start a new sheet next time.
      m_started = false;
      return u"表計算のシートに書き込めませんでした（文書か LibreOffice が閉じられたようです）。\n"
             u"この記録は書き込まれていません。次の記録で新しいシートに書き始めます。"_s;
    }
    ++column;
  }
  if (row == std::numeric_limits<qint16>::max()) {
    m_full = true;
  } else {
    ++row;
  }
  return std::nullopt;
}

}  // namespace koordel
