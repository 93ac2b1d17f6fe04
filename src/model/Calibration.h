#pragma once

namespace koordel {

class UserPrompts;
class ValueSheet;

// 基準値 (E11): the last release becomes the reference point, at the user
// coordinates the user types.
void setReferencePoint(ValueSheet& sheet, UserPrompts& prompts);

// 係数 (E12): the last gesture spans a distance whose real size the user
// types per axis; each coefficient is that size over the gesture's extent.
// An axis without extent keeps its coefficient, and the user is told.
void setCoefficients(ValueSheet& sheet, UserPrompts& prompts);

}  // namespace koordel
