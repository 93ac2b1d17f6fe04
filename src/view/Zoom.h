#pragma once

#include "Halvings.h"

#include <QPointF>
#include <QSize>
#include <QSizeF>
#include <QString>

// How far the picture is magnified: screen pixels per image pixel. The steps
// are powers of the fourth root of 2, so four steps double or halve it.
namespace koordel::zoom {

inline constexpr double kMax = 32;
inline constexpr double kMin = 1.0 / (1 << kMostHalvings);
inline constexpr int kStepsPerDoubling = 4;
// The widest and highest a widget may be (QWIDGETSIZE_MAX). The canvas is as
// large as the magnified picture, so a picture is never magnified beyond it:
// Qt does not stop a plain widget from growing larger, but its geometry and
// the bars' ranges in twips (15 to a pixel) would then leave `int`.
inline constexpr int kMostScreenPixels = (1 << 24) - 1;

// Within [kMin, kMax]; anything that is not a finite positive number is 1.
double clamped(double z);
// The highest zoom, at most kMax, at which neither side of `picture` is
// more than kMostScreenPixels on screen. Below kMin for a picture more than
// 128 times that size, which no decoder hands over.
double highest(QSize picture);
// clamped(z), and no higher than highest(picture).
double clamped(double z, QSize picture);

// `steps` steps up (or down, when negative) from `z`: the first step goes to
// the next power of the fourth root of 2 beyond `z`, so a zoom between steps
// (a fit) lands on the grid again.
double stepped(double z, int steps);

// The largest zoom at which all of `picture` fits into `area`.
double fitting(QSizeF picture, QSizeF area);

// The scroll offset, in screen pixels, that puts the image pixel position
// `image` under the point `inArea` of the picture area at zoom `z`.
QPointF offsetKeeping(QPointF image, QPointF inArea, double z);

// "100%", "119%", "5.8%": what the user reads.
QString percentText(double z);

}  // namespace koordel::zoom
