#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace koordel {

// Where one record went, so that it can be taken back out and sent again:
// the last line of 座標.txt, a row of the sheet, the clipboard's text. Each
// does all of it or nothing, and says why when it will not.
class Delivery {
 public:
  enum class Outcome {
    Done,     // taken back, or sent again
    Refused,  // the destination changed underneath; nothing was touched
    Gone,     // the destination is no more (座標.txt was moved or deleted)
  };
  struct Result {
    Outcome outcome = Outcome::Done;
    QString message;  // what to tell the user unless done
  };

  virtual ~Delivery() = default;
  virtual Result takeBack() = 0;
  virtual Result deliverAgain() = 0;
  // What keeping it costs, in bytes, near enough.
  virtual qsizetype bytes() const { return 256; }
};

// What sending a record gave: what to tell the user when it could not be
// delivered, else how to take it back.
struct Sent {
  std::optional<QString> problem;
  std::unique_ptr<Delivery> delivery;
};

}  // namespace koordel
