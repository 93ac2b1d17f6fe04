#pragma once

#include <QPointF>
#include <QString>

#include <optional>

namespace koordel {

class UserPrompts;
class ValueSheet;

// 基準値 (E11): the last release becomes the reference point, at the user
// coordinates the user types.
void setReferencePoint(ValueSheet& sheet, UserPrompts& prompts);

// 係数 (E12): the last gesture spans a distance whose real size the user
// types per axis; each coefficient is that size over the gesture's extent
// (along the drawing's axes, when a tilt is corrected).
// An axis without extent keeps its coefficient, and the user is told.
void setCoefficients(ValueSheet& sheet, UserPrompts& prompts);

// 傾き補正: the last gesture runs along a line that is horizontal in the
// drawing (or vertical, when it is mostly vertical); once the user agrees,
// every conversion turns positions back by its angle about the reference
// point. 傾き補正を解除 goes back to the straight conversion.
void setTiltCorrection(ValueSheet& sheet, UserPrompts& prompts);
void clearTiltCorrection(ValueSheet& sheet, UserPrompts& prompts);

namespace tilt {
// The steepest tilt there is: a line further off the horizontal is taken
// against the vertical.
inline constexpr double kMostDegrees = 45;
// Shorter drags give no angle worth correcting by.
inline constexpr double kShortestDragPixels = 10;

// The tilt, in degrees counterclockwise as seen, of the drag from `from` to
// `to` (twips, y downwards), either way along the line; no value for a drag
// shorter than kShortestDragPixels image pixels.
std::optional<double> ofDrag(QPointF from, QPointF to);

// "1.23°", as the tilt is shown and asked about.
QString degreesText(double degrees);
}  // namespace tilt

}  // namespace koordel
