#pragma once

#include "CaptureTool.h"
#include "Field.h"
#include "Record.h"

#include <QColor>
#include <QPointF>
#include <QString>

#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>

namespace koordel {

class CaptureHistory;
class DrawingSurface;
class RecordSink;
class ValueSheet;
struct LineStyle;
struct Selections;

// What every tool works with. The comment is read from the main window's
// comment box at the moment of use.
struct ToolContext {
  const ValueSheet& sheet;
  const Selections& selections;
  const LineStyle& style;
  DrawingSurface& surface;
  RecordSink& sink;
  std::function<QString()> comment;
  // Where captures go to be taken back; none keeps no history.
  CaptureHistory* history = nullptr;
  // Told after each capture has been drawn (and its record sent).
  std::function<void()> captured = {};
};

// The outline all four tools share: check what the release needs, apply the
// line style, draw the shape once, and send its record unless nothing is to
// be sent. Every value is checked before anything is drawn, so a shape on
// the picture always has its record, and a failure leaves no trace.
class ShapeTool : public CaptureTool {
 public:
  explicit ShapeTool(const ToolContext& context) : m_context(context) {}

  std::optional<QString> run() final;

 protected:
  struct Plan {
    std::function<void(DrawingSurface&, const QColor&)> draw;
    std::optional<Record> record;  // present when a record is to be sent
    QString error;                 // what to tell the user instead
  };

  // Lines take only the width and the draw style; the other shapes also fill.
  virtual bool fills() const { return true; }
  virtual Plan plan(bool sending) const = 0;

  const ToolContext& context() const { return m_context; }

  // A value sheet field read with the strict parse; on failure `error` says
  // which field held what, and that `purpose` could not be done.
  std::optional<double> number(Field field, const QString& purpose, QString& error) const;

  // The press and release positions of the gesture, in twips.
  struct Ends {
    double xd, yd, xu, yu;
    QPointF press() const { return {static_cast<float>(xd), static_cast<float>(yd)}; }
    QPointF release() const { return {static_cast<float>(xu), static_cast<float>(yu)}; }
  };
  std::optional<Ends> ends(const QString& purpose, QString& error) const;
  // The ends where they would lie on a straight scan, to measure between.
  Ends straightened(const Ends& e) const;
  // x軸係数 and Y軸係数.
  std::optional<std::pair<double, double>> coefficients(const QString& purpose,
                                                        QString& error) const;
  // Whether a shape whose extremes are these twips can be drawn; if not,
  // `error` says so, with `purpose`.
  static bool withinReach(std::initializer_list<double> twips, const QString& purpose,
                          QString& error);
  // The two-decimal rounding of lengths and radii; no value on overflow.
  static std::optional<double> hundredths(double value, QString& error);
  Record newRecord(const QString& keyword) const;
  // What undo calls the capture: "線 (ﾌｧｲﾙ)".
  QString stepLabel(const QString& keyword) const;

 private:
  ToolContext m_context;
};

}  // namespace koordel
