#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace koordel {

class Record;
class SpreadsheetAutomation;
struct Selections;

// One sheet of the spreadsheet application that records fill row by row,
// from the output row kept in the selections. The link is started with the
// first record of the run and kept; rows go on across destination changes.
class SpreadsheetLink {
 public:
  // Columns a row of a Calc sheet has (A to XFD): a record with more fields
  // than that cannot go into one row.
  static constexpr int kMostColumns = 16384;

  // `connect` makes the automation backend when the link is first needed; it
  // gives none when no spreadsheet application is available.
  using Factory = std::function<std::unique_ptr<SpreadsheetAutomation>()>;

  // Runs the start of the link, which may wait seconds for the application
  // to come up, while the user can still give up: `start` does the work (on
  // whatever thread the runner likes) and `interrupt` asks it to stop
  // waiting. The runner returns what `start` returned once it has ended, or
  // no value when the user gave up.
  using StartRunner = std::function<std::optional<bool>(const std::function<bool()>& start,
                                                        const std::function<void()>& interrupt)>;

  SpreadsheetLink(Selections& selections, Factory connect);
  ~SpreadsheetLink();

  // Replaces how the backend is made (and drops the current one), for tests
  // that drive an office of their own.
  void setFactory(Factory connect);
  // Without a runner the start runs right here and cannot be given up.
  void setStartRunner(StartRunner runner) { m_runner = std::move(runner); }

  // Writes the record into the output row and moves the row on, or says why
  // it could not. A record that was not written leaves the row where it was.
  std::optional<QString> send(const Record& record);

  // Where the last record sent went: its row on the link's sheet, and which
  // start of the link that sheet came from.
  struct Placed {
    int row = 0;
    int link = 0;
  };
  Placed lastPlaced() const { return m_lastPlaced; }

  // Clears the row `placed` names and moves the output row back to it, but
  // only while the link still points at that sheet, it is the last row
  // written, and it still holds `record`. Returns what to tell the user when
  // it would not (then nothing changed).
  std::optional<QString> takeBack(const Placed& placed, const Record& record);
  // Writes `record` into that row again and moves the row on, but only while
  // the link points at that sheet and the row is the next to be written.
  std::optional<QString> writeAgain(const Placed& placed, const Record& record);

 private:
  bool start();
  bool write(int row, const Record& record);
  void stepOn();

  Selections& m_selections;
  Factory m_connect;
  StartRunner m_runner;
  std::atomic<bool> m_interrupted = false;
  std::unique_ptr<SpreadsheetAutomation> m_automation;
  bool m_started = false;
  bool m_full = false;
  int m_link = 0;          // counts the starts of the link
  bool m_rewound = false;  // undo stepped the row back
  Placed m_lastPlaced;
};

}  // namespace koordel
