#pragma once

#include <QPointF>

#include <vector>

namespace koordel {

class InkMap;

inline double dot(QPointF a, QPointF b) {
  return a.x() * b.x() + a.y() * b.y();
}
inline double cross(QPointF a, QPointF b) {
  return a.x() * b.y() - a.y() * b.x();
}

// A printed stroke around one place, as its ink shows it: the centre line
// (straight over the short stretch looked at), its width and how far along
// it the stroke was followed. Found from cross-sections: across a stroke
// the ink's centre of mass is its centre line, to a small part of a pixel
// even where the stroke is antialiased or noisy, at any angle.
struct InkStroke {
  static constexpr double kWidest = 15;
  // How far a stroke's ink lies from its centre line at most: half the
  // widest stroke and its soft edge.
  static constexpr double kHalfWidest = kWidest / 2 + 1.5;

  enum class Shape {
    Line,     // a stroke with a direction
    Spot,     // ink too short to have one: a dot, a speck
    Ignored,  // wider than any stroke (a filled area) or the paper's noise
  };

  // The stroke through the ink pixel centred on `seed`.
  static InkStroke through(const InkMap& map, QPointF seed, std::vector<float>& scratch);

  bool hasDirection() const { return shape == Shape::Line; }
  bool isIgnored() const { return shape == Shape::Ignored; }
  // Whether ink at `p` belongs to this stroke as far as it was followed.
  bool covers(QPointF p) const;
  // Whether `p` lies within the stroke's width: the stroke found from a
  // seed may be a neighbour the seed's own ink runs into.
  bool passesBy(QPointF p) const;
  // The point of the centre line nearest `p`, within the stretch followed.
  QPointF nearest(QPointF p) const;

  Shape shape = Shape::Spot;
  QPointF centre;
  QPointF along;  // unit length
  double width = 0;
  double from = 0;  // the stretch followed, along the stroke from `centre`
  double to = 0;
};

}  // namespace koordel
