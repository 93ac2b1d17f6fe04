#pragma once

#include "Delivery.h"

namespace koordel {

class Record;

// Where a tool's record goes.
class RecordSink {
 public:
  virtual ~RecordSink() = default;
  virtual Sent send(const Record& record) = 0;
};

}  // namespace koordel
