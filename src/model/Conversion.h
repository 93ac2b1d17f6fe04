#pragma once

#include <QPointF>
#include <QString>

#include <optional>

namespace koordel {

class ValueSheet;

// Canvas position (twips, y downwards) to user coordinates, reading the
// calibration from the sheet's current texts at every call. The pointer
// coordinates enter rounded exactly as their stored texts would be, so a
// stored position and its conversion always agree. With a tilt set, the
// position is first turned back about the reference point, so that either
// coordinate depends on both. No value when the result is beyond the double
// range (only typed calibrations such as 1E308 can get there).
std::optional<double> convertX(const ValueSheet& sheet, float x, float y);
std::optional<double> convertY(const ValueSheet& sheet, float x, float y);

// The two-decimal text of a conversion, or no value on overflow.
std::optional<QString> convertXText(const ValueSheet& sheet, float x, float y);
std::optional<QString> convertYText(const ValueSheet& sheet, float x, float y);

// Where a canvas position would lie on a straight scan: turned back by the
// sheet's tilt about the picture's corner, or the position itself when no
// tilt is set. Lengths, radii and angles are measured between such
// positions, so that they too see the drawing and not the scan; they only
// see differences, so the turn needs no reference point (whose digits a
// far-off one would take from them).
QPointF straightenedAboutCorner(const ValueSheet& sheet, QPointF twips);

// The same conversion with the calibration read once, both ways, for the
// many positions of one repaint. Positions are taken as they are, not
// rounded as a pointer's are.
class Conversion {
 public:
  explicit Conversion(const ValueSheet& sheet);

  QPointF toUser(QPointF twips) const;
  // The canvas position that converts to `user`, or no value when an axis's
  // coefficient is 0 (every position converts to the same value) or the
  // calibration is not finite.
  std::optional<QPointF> toTwips(QPointF user) const;
  // User units per twip along each axis, signs included.
  double coefficientX() const { return m_kx; }
  double coefficientY() const { return m_ky; }

 private:
  double m_rx, m_ry, m_ux, m_uy, m_kx, m_ky, m_cos, m_sin;
};

}  // namespace koordel
