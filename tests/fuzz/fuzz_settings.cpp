// The settings reader on arbitrary bytes: it may refuse them but never crash,
// and whatever it reads must survive being saved and read again.
#include "SettingsFile.h"
#include "ValueSheet.h"

#include <cstdint>
#include <cstdlib>

using namespace koordel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const settings::ReadResult first = settings::read(bytes);
  if (!first.error.isEmpty()) {
    return 0;
  }
  ValueSheet sheet;
  for (int i = 0; i < kFieldCount; ++i) {
    sheet.setText(static_cast<Field>(i), first.values[static_cast<std::size_t>(i)]);
  }
  const std::optional<QByteArray> written = settings::write(sheet);
  if (!written) {
    return 0;  // a text Shift_JIS cannot hold: the save says so and writes nothing
  }
  const settings::ReadResult second = settings::read(*written);
  if (!second.error.isEmpty() || second.values != first.values) {
    std::abort();
  }
  return 0;
}
