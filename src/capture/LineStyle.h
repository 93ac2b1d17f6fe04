#pragma once

#include <QColor>
#include <QString>

#include <optional>

namespace koordel {

class DrawingSurface;

// How captured shapes are drawn: the settings of the line style window,
// which that window edits in place and the tools read at every release.
struct LineStyle {
  // Which option of each group is selected: Option1..Option7 give the draw
  // style codes 0..6, Option8..Option15 the fill style codes 0..7.
  int drawStyle = 0;
  int fillStyle = 1;
  QString widthText = QStringLiteral("1");
  QString pointSizeText = QStringLiteral("3");
  QColor lineColour = Qt::black;
  // What the colour dialog offers first: the colour last chosen, before that
  // the system's button text colour.
  QColor preset = Qt::black;
  QColor swatch = Qt::black;

  // The draw width in pixels: the leading number of the text, halves to the
  // even neighbour. No value when that is not a width the canvas can take.
  std::optional<int> drawWidth() const;
  // Radius of the point marker, in twips.
  double pointSize() const;

  // Width, draw style, fill style, fill colour = line colour.
  void applyFull(DrawingSurface& surface) const;
  // Width and draw style only, for lines: the fill stays as the last shape
  // left it.
  void applyLineForm(DrawingSurface& surface) const;

  // After the colour dialog closed with `chosen` (no value on cancel): the
  // dialog's colour stays the preset it was opened with.
  void colourChosen(std::optional<QColor> chosen);
};

}  // namespace koordel
