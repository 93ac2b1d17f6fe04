// The spreadsheet backend for LibreOffice Calc, over UNO. It lives in a
// module of its own, loaded at run time, so the program runs without
// LibreOffice; every UNO exception stops at this file's boundary.
#include "SpreadsheetAutomation.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <signal.h>
#include <unistd.h>
#include <exception>
#include <map>

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace koordel {
namespace {

OUString toOu(const QString& s) {
  return OUString(reinterpret_cast<const sal_Unicode*>(s.utf16()), s.size());
}
QString fromOu(const OUString& s) {
  return QString(reinterpret_cast<const QChar*>(s.getStr()), s.getLength());
}

// The client's own UNO context, made once: it only carries the bridge to
// the office, which has the real one.
Reference<css::uno::XComponentContext> localContext() {
  static Reference<css::uno::XComponentContext> context = [] {
    OUString more;
    if (!rtl::Bootstrap::get(OUString("URE_MORE_TYPES"), more)) {
      // Without the office's types the first call into it fails.
      rtl::Bootstrap::set(OUString("URE_MORE_TYPES"),
                          OUString("file:///usr/lib/libreoffice/program/types/offapi.rdb"));
    }
    return cppu::defaultBootstrap_InitialComponentContext();
  }();
  return context;
}

// Is an office of this user running? Then asking for a new one would only
// hand the request to it.
bool officeRunning() {
  const QDir proc(QStringLiteral("/proc"));
  const uid_t me = getuid();
  for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool isPid = false;
    pid.toInt(&isPid);
    if (!isPid) {
      continue;
    }
    QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
    if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "soffice.bin") {
      continue;
    }
    QFile status(proc.filePath(pid + QStringLiteral("/status")));
    if (status.open(QIODevice::ReadOnly)) {
      for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("Uid:") && line.mid(4).trimmed().split('\t').value(0).toUInt() == me) {
          return true;
        }
      }
    }
  }
  return false;
}

class CalcAutomation : public SpreadsheetAutomation {
 public:
  explicit CalcAutomation(const CalcOptions& options) : m_options(options) {
    if (m_options.pipeName.isEmpty()) {
      m_options.pipeName = QStringLiteral("koordel-%1").arg(QCoreApplication::applicationPid());
    }
  }

  bool attach() override {
    return guarded([&] {
      if (resolve()) {
        return true;
      }
      // Whatever runs is asked to listen on our pipe; the launcher hands
      // the request over and ends at once.
      if (!officeRunning() || !spawnOffice()) {
        return false;
      }
      return waitForOffice(10000);
    });
  }

  bool create() override {
    return guarded([&] { return spawnOffice() && waitForOffice(60000); });
  }

  // A Calc window is visible as soon as it has a document; a new office
  // shows its own window.
  bool makeVisible() override {
    return guarded([&] { return m_desktop.is(); });
  }

  bool activeWorkbook() override {
    return guarded([&] {
      if (!m_desktop.is()) {
        return false;
      }
      m_workbook.set(m_desktop->getCurrentComponent(), UNO_QUERY);
      return m_workbook.is();
    });
  }

  bool addSheet() override {
    return guarded([&] {
      if (!m_workbook.is()) {
        return false;
      }
      Reference<css::sheet::XSpreadsheets> sheets = m_workbook->getSheets();
      Reference<css::container::XIndexAccess> index(sheets, UNO_QUERY_THROW);
      OUString name = OUString("Koordel");
      for (int n = 2; sheets->hasByName(name); ++n) {
        name = OUString("Koordel ") + OUString::number(n);
      }
      sheets->insertNewByName(name, static_cast<sal_Int16>(index->getCount()));
      m_sheet.set(sheets->getByName(name), UNO_QUERY_THROW);
      Reference<css::frame::XModel> model(m_workbook, UNO_QUERY_THROW);
      Reference<css::sheet::XSpreadsheetView> view(model->getCurrentController(), UNO_QUERY);
      if (view.is()) {
        view->setActiveSheet(m_sheet);
      }
      return true;
    });
  }

  bool addWorkbook() override {
    return guarded([&] {
      if (!m_desktop.is()) {
        return false;
      }
      Reference<css::frame::XComponentLoader> loader(m_desktop, UNO_QUERY_THROW);
      m_workbook.set(loader->loadComponentFromURL(OUString("private:factory/scalc"),
                                                  OUString("_blank"), 0, {}),
                     UNO_QUERY_THROW);
      return true;
    });
  }

  bool activeSheet() override {
    return guarded([&] {
      if (!m_workbook.is()) {
        return false;
      }
      Reference<css::frame::XModel> model(m_workbook, UNO_QUERY_THROW);
      Reference<css::sheet::XSpreadsheetView> view(model->getCurrentController(), UNO_QUERY_THROW);
      m_sheet = view->getActiveSheet();
      return m_sheet.is();
    });
  }

  bool setText(int row, int column, const QString& text) override {
    return guarded([&] {
      if (!m_sheet.is()) {
        return false;
      }
      // Through the cell's text, so "00123" and "=1+1" stay what was sent.
      Reference<css::text::XText> cell(m_sheet->getCellByPosition(column - 1, row - 1),
                                       UNO_QUERY_THROW);
      cell->setString(toOu(text));
      return true;
    });
  }

  bool setNumber(int row, int column, double value, int decimals) override {
    return guarded([&] {
      if (!m_sheet.is()) {
        return false;
      }
      Reference<css::table::XCell> cell = m_sheet->getCellByPosition(column - 1, row - 1);
      cell->setValue(value);
      if (decimals >= 0) {
        Reference<css::beans::XPropertySet> properties(cell, UNO_QUERY_THROW);
        properties->setPropertyValue(OUString("NumberFormat"), css::uno::Any(formatKey(decimals)));
      }
      return true;
    });
  }

  std::optional<QList<Cell>> rowAt(int row, int columns) override {
    std::optional<QList<Cell>> result;
    guarded([&] {
      if (!m_sheet.is()) {
        return false;
      }
      Reference<css::sheet::XCellRangeData> range(
          m_sheet->getCellRangeByPosition(0, row - 1, columns - 1, row - 1), UNO_QUERY_THROW);
      QList<Cell> cells;
      // A formula is told from what it shows only where that could pass for
      // an empty cell: asking the office for formulas costs a round trip,
      // and a cell showing the value written is compared by that value.
      const auto values = range->getDataArray();
      bool looksEmpty = false;
      for (const auto& line : values) {
        for (const css::uno::Any& value : line) {
          OUString text;
          looksEmpty = looksEmpty || !value.hasValue() || ((value >>= text) && text.isEmpty());
        }
      }
      css::uno::Sequence<css::uno::Sequence<OUString>> formulaRows;
      if (looksEmpty) {
        formulaRows =
            Reference<css::sheet::XCellRangeFormula>(range, UNO_QUERY_THROW)->getFormulaArray();
      }
      const auto isFormula = [&](qsizetype column) {
        return formulaRows.getLength() > 0 && column < formulaRows[0].getLength() &&
               (formulaRows[0][static_cast<sal_Int32>(column)].startsWith("=") ||
                formulaRows[0][static_cast<sal_Int32>(column)].startsWith("{="));  // an array
      };
      for (const auto& line : values) {
        for (const css::uno::Any& value : line) {
          Cell cell;
          double number = 0;
          OUString text;
          if (value >>= number) {
            cell = {Cell::Kind::Number, {}, number};
          } else if ((value >>= text) && !text.isEmpty()) {
            cell = {Cell::Kind::Text, fromOu(text), 0};
          } else if (isFormula(cells.size())) {
            cell.kind = Cell::Kind::Formula;
          }
          cells << cell;
        }
      }
      result = cells;
      return true;
    });
    return result;
  }

  // Formulas alone tell it: an empty cell has none and no value, a formula
  // showing "" has one. One round trip instead of two.
  std::optional<bool> rowIsEmpty(int row, int columns) override {
    std::optional<bool> result;
    guarded([&] {
      if (!m_sheet.is()) {
        return false;
      }
      Reference<css::sheet::XCellRangeFormula> range(
          m_sheet->getCellRangeByPosition(0, row - 1, columns - 1, row - 1), UNO_QUERY_THROW);
      bool empty = true;
      for (const auto& line : range->getFormulaArray()) {
        for (const OUString& formula : line) {
          empty = empty && formula.isEmpty();
        }
      }
      result = empty;
      return true;
    });
    return result;
  }

  bool clearRow(int row, int columns) override {
    return guarded([&] {
      if (!m_sheet.is()) {
        return false;
      }
      Reference<css::sheet::XSheetOperation> range(
          m_sheet->getCellRangeByPosition(0, row - 1, columns - 1, row - 1), UNO_QUERY_THROW);
      range->clearContents(css::sheet::CellFlags::VALUE | css::sheet::CellFlags::STRING |
                           css::sheet::CellFlags::FORMULA | css::sheet::CellFlags::DATETIME);
      return true;
    });
  }

  QString lastError() const override { return m_lastError; }

 private:
  // A null reference is not an exception in UNO but a crash: every call
  // checks what it stands on first.
  template <class Call>
  bool guarded(Call&& call) {
    try {
      m_lastError.clear();
      return call();
    } catch (const css::uno::Exception& e) {
      m_lastError = fromOu(e.Message);
    } catch (const std::exception& e) {
      m_lastError = QString::fromLocal8Bit(e.what());
    } catch (...) {
      m_lastError = QStringLiteral("unknown failure");
    }
    return false;
  }

  // The document's format showing `decimals` decimals, in the document's own
  // language (so the decimal separator is the user's), made once per document.
  sal_Int32 formatKey(int decimals) {
    Reference<css::util::XNumberFormatsSupplier> supplier(m_workbook, UNO_QUERY_THROW);
    if (supplier != m_formatsOf) {
      m_formatsOf = supplier;
      m_formatKeys.clear();
    }
    const auto known = m_formatKeys.find(decimals);
    if (known != m_formatKeys.end()) {
      return known->second;
    }
    Reference<css::util::XNumberFormats> formats = supplier->getNumberFormats();
    const css::lang::Locale locale;
    const OUString code =
        formats->generateFormat(0, locale, false, false, static_cast<sal_Int16>(decimals), 1);
    sal_Int32 key = formats->queryKey(code, locale, false);
    if (key < 0) {
      key = formats->addNew(code, locale);
    }
    m_formatKeys.emplace(decimals, key);
    return key;
  }

  OUString connectUrl() const {
    return toOu(
        QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext").arg(m_options.pipeName));
  }

  bool resolve() {
    try {
      Reference<css::bridge::XUnoUrlResolver> resolver =
          css::bridge::UnoUrlResolver::create(localContext());
      Reference<css::uno::XComponentContext> office(resolver->resolve(connectUrl()),
                                                    UNO_QUERY_THROW);
      m_desktop = css::frame::Desktop::create(office);
      return true;
    } catch (const css::connection::NoConnectException&) {
      return false;
    }
  }

  bool spawnOffice() {
    QProcess office;
    office.setProgram(QStringLiteral("soffice"));
    QStringList arguments = {QStringLiteral("--nologo"), QStringLiteral("--norestore"),
                             QStringLiteral("--accept=pipe,name=%1;urp;StarOffice.ComponentContext")
                                 .arg(m_options.pipeName)};
    office.setArguments(arguments + m_options.officeArguments);
    if (!m_options.environment.isEmpty()) {
      office.setEnvironment(QProcess::systemEnvironment() + m_options.environment);
    }
    // Nothing of ours held open: an office that outlives the program must not
    // keep its terminal or a test runner's pipes waiting.
    office.setStandardInputFile(QProcess::nullDevice());
    office.setStandardOutputFile(QProcess::nullDevice());
    office.setStandardErrorFile(QProcess::nullDevice());
    // Detached, so the office outlives the program and no zombie is left.
    return office.startDetached();
  }

  bool waitForOffice(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
      if (interrupted()) {
        // The user gave up: an office started for us alone would otherwise
        // open its start window long after the user stopped waiting for it.
        stopOfficeOnOurPipe();
        m_lastError = QStringLiteral("interrupted while waiting for the office");
        return false;
      }
      if (resolve()) {
        return true;
      }
      QThread::msleep(100);
    }
    m_lastError = QStringLiteral("the office did not answer on pipe %1").arg(m_options.pipeName);
    return false;
  }

  // Every process (launcher and office) told to listen on our pipe. An office
  // that was already running and was only asked to listen is not ours to
  // stop; it is found by its own command line, which lacks our pipe.
  void stopOfficeOnOurPipe() const {
    const QByteArray accept = "pipe,name=" + m_options.pipeName.toUtf8() + ';';
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      bool isPid = false;
      const int id = pid.toInt(&isPid);
      QFile cmdline(proc.filePath(pid + QStringLiteral("/cmdline")));
      if (isPid && id != getpid() && cmdline.open(QIODevice::ReadOnly) &&
          cmdline.readAll().contains(accept)) {
        ::kill(id, SIGTERM);
      }
    }
  }

  CalcOptions m_options;
  QString m_lastError;
  Reference<css::frame::XDesktop2> m_desktop;
  Reference<css::sheet::XSpreadsheetDocument> m_workbook;
  Reference<css::sheet::XSpreadsheet> m_sheet;
  Reference<css::util::XNumberFormatsSupplier> m_formatsOf;
  std::map<int, sal_Int32> m_formatKeys;
};

}  // namespace
}  // namespace koordel

extern "C" __attribute__((visibility("default"))) koordel::SpreadsheetAutomation*
koordel_create_automation(const koordel::CalcOptions* options) {
  try {
    return new koordel::CalcAutomation(options ? *options : koordel::CalcOptions{});
  } catch (...) {
    return nullptr;
  }
}
