#pragma once

#include "Delivery.h"

#include <QString>

#include <optional>

namespace koordel {

class Record;

// Where a tool's record goes.
class RecordSink {
 public:
  virtual ~RecordSink() = default;
  virtual Sent send(const Record& record) = 0;
  // Why `record` cannot be sent, where that is known before trying.
  virtual std::optional<QString> refuses(const Record& record) const {
    Q_UNUSED(record);
    return std::nullopt;
  }
};

}  // namespace koordel
