#pragma once

#include <QString>

#include <optional>

namespace koordel {

class Record;

// Where a tool's record goes. Returns what to tell the user when it could not
// be delivered.
class RecordSink {
 public:
  virtual ~RecordSink() = default;
  virtual std::optional<QString> send(const Record& record) = 0;
};

}  // namespace koordel
