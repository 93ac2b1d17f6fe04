#pragma once

#include <QString>

#include <optional>

namespace koordel {

class ValueSheet;

// Canvas position (twips, y downwards) to user coordinates, reading the
// calibration from the sheet's current texts at every call. The pointer
// coordinate enters rounded exactly as its stored text would be, so a stored
// position and its conversion always agree. No value when the result is beyond
// the double range (only typed calibrations such as 1E308 can get there).
std::optional<double> convertX(const ValueSheet& sheet, float x);
std::optional<double> convertY(const ValueSheet& sheet, float y);

// The two-decimal text of a conversion, or no value on overflow.
std::optional<QString> convertXText(const ValueSheet& sheet, float x);
std::optional<QString> convertYText(const ValueSheet& sheet, float y);

}  // namespace koordel
