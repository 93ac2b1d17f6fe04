#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace koordel {

// The spreadsheet application, driven by automation. Each call is one call
// of the automation interface the records were designed for; the
// application, the workbook and the sheet they act on are the link's own
// references, kept by the implementation. Every call reports whether it
// worked; none may throw.
class SpreadsheetAutomation {
 public:
  virtual ~SpreadsheetAutomation() = default;

  // application <- the running instance
  virtual bool attach() = 0;
  // application <- a new instance
  virtual bool create() = 0;
  // application.Visible <- true
  virtual bool makeVisible() = 0;
  // workbook <- application.ActiveWorkbook
  virtual bool activeWorkbook() = 0;
  // sheet <- workbook.Sheets.Add
  virtual bool addSheet() = 0;
  // workbook <- application.Workbooks.Add
  virtual bool addWorkbook() = 0;
  // sheet <- workbook.ActiveSheet
  virtual bool activeSheet() = 0;
  // sheet.Cells(row, column) <- value; rows and columns count from 1. A text
  // stays the literal text, even one that looks like a number or a formula.
  virtual bool setText(int row, int column, const QString& text) = 0;
  // A number, shown with `decimals` decimals, or in the cell's own format
  // when `decimals` is negative.
  virtual bool setNumber(int row, int column, double value, int decimals) = 0;

  // What a cell holds now: nothing, a text or a number; no value when it
  // cannot be read.
  struct Cell {
    // A formula showing "" or an error is not an empty cell.
    enum class Kind { Empty, Text, Number, Formula };
    Kind kind = Kind::Empty;
    QString text;
    double number = 0;
  };
  // Columns 1 to `columns` of a row, read at once; no value when they
  // cannot be read.
  virtual std::optional<QList<Cell>> rowAt(int row, int columns) {
    Q_UNUSED(row);
    Q_UNUSED(columns);
    return std::nullopt;
  }
  // Whether columns 1 to `columns` of a row hold nothing at all, formulas
  // showing "" included; no value when they cannot be read.
  virtual std::optional<bool> rowIsEmpty(int row, int columns) {
    const auto cells = rowAt(row, columns);
    if (!cells) {
      return std::nullopt;
    }
    for (const Cell& cell : *cells) {
      if (cell.kind != Cell::Kind::Empty) {
        return false;
      }
    }
    return true;
  }
  // Empties columns 1 to `columns` of a row.
  virtual bool clearRow(int row, int columns) {
    Q_UNUSED(row);
    Q_UNUSED(columns);
    return false;
  }

  // What went wrong last, for the curious; the user is told in Japanese.
  virtual QString lastError() const = 0;

  // Calls that wait for the application to come up ask `interrupted` now
  // and then and give up when it says so. It may be asked from whatever
  // thread the call runs on.
  virtual void setInterruption(std::function<bool()> interrupted) {
    m_interrupted = std::move(interrupted);
  }

 protected:
  bool interrupted() const { return m_interrupted && m_interrupted(); }

 private:
  std::function<bool()> m_interrupted;
};

// How the Calc backend reaches the office. The program uses the defaults;
// tests run an office of their own.
struct CalcOptions {
  QString pipeName;             // empty: one of the program's own
  QStringList officeArguments;  // added to the office's command line
  QStringList environment;      // "NAME=value" entries for the office
};

}  // namespace koordel

// The module's one entry point, looked up by name.
extern "C" {
using KoordelCreateAutomation = koordel::SpreadsheetAutomation* (*)(const koordel::CalcOptions*);
}
