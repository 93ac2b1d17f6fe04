#pragma once

#include "RecordSink.h"

namespace koordel {

class Clipboard;
class CoordinateFile;
class SpreadsheetLink;
struct Selections;

// Sends each record to the destination chosen at that moment.
class Destinations : public RecordSink {
 public:
  Destinations(const Selections& selections, Clipboard& clipboard, const CoordinateFile& file,
               SpreadsheetLink* spreadsheet = nullptr);

  Sent send(const Record& record) override;
  std::optional<QString> refuses(const Record& record) const override;

 private:
  const Selections& m_selections;
  Clipboard& m_clipboard;
  const CoordinateFile& m_file;
  SpreadsheetLink* m_spreadsheet;
};

}  // namespace koordel
