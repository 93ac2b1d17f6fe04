#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>

// How far the picture is magnified: screen pixels per image pixel. The steps
// are powers of the fourth root of 2, so four steps double or halve it.
namespace koordel::zoom {

inline constexpr double kMax = 32;
// An A0 sheet scanned at 400 dpi (18724 pixels high) is 146 pixels high here:
// whole in the smallest window.
inline constexpr int kMostHalvings = 7;
inline constexpr double kMin = 1.0 / (1 << kMostHalvings);
inline constexpr int kStepsPerDoubling = 4;

// Within [kMin, kMax]; anything that is not a finite positive number is 1.
double clamped(double z);

// `steps` steps up (or down, when negative) from `z`: the first step goes to
// the next power of the fourth root of 2 beyond `z`, so a zoom between steps
// (a fit) lands on the grid again.
double stepped(double z, int steps);

// How many times a view at `z` halves the picture: 0 from 1/2 up, and at
// most kMostHalvings. Reduced copies are made for that many halvings.
int halvings(double z);

// The largest zoom at which all of `picture` fits into `area`.
double fitting(QSizeF picture, QSizeF area);

// The scroll offset, in screen pixels, that puts the image pixel position
// `image` under the point `inArea` of the picture area at zoom `z`.
QPointF offsetKeeping(QPointF image, QPointF inArea, double z);

// "100%", "119%", "5.8%": what the user reads.
QString percentText(double z);

}  // namespace koordel::zoom
