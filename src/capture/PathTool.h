#pragma once

#include "Record.h"
#include "ShapeTool.h"

#include <QPointF>
#include <QStringList>

#include <vector>

namespace koordel {

class Sketch;

// 折れ線, 多角形 and 角度: shapes of several clicks. Each click adds a vertex
// at its release; a double click, finish() or (多角形) a click on the first
// vertex ends the shape, and 角度 ends by itself at its third vertex. Until
// then the shape is only sketched over the picture and its measure so far is
// told; finishing draws it and sends one record as the other shapes do.
class PathTool : public ShapeTool {
 public:
  enum class Kind { Polyline, Polygon, Angle };
  static constexpr std::size_t kMostVertices = 100'000;

  PathTool(const ToolContext& context, Kind kind, Sketch& sketch);

  std::optional<QString> release(const PointerEvent& e) override;
  void follow(const PointerEvent& e) override;

  bool building() const { return !m_vertices.empty(); }
  std::size_t vertexCount() const { return m_vertices.size(); }
  // Ends the shape with the vertices placed; a message when that could not
  // be drawn or sent (the vertices are kept).
  std::optional<QString> finish();
  // Drops the shape being built; `why` is told, if any.
  void abandon(const QString& why);
  // Takes back the last vertex.
  void removeLastVertex();

  const QString& keyword() const;

 protected:
  bool fills() const override { return m_kind == Kind::Polygon; }
  Plan plan(bool sending) const override;

 private:
  std::size_t fewest() const { return m_kind == Kind::Polyline ? 2 : 3; }
  void add(QPointF twips, RecordField x, RecordField y);
  void showSketch();
  // The measure of the vertices placed and, if given, of one more at
  // `pointer`, in user units.
  QString measureText(const QPointF* pointer) const;
  void clear();
  // Each vertex's converted position made afresh from the calibration now.
  std::optional<QString> convertAgain();
  // The texts of the six fields a conversion reads.
  QStringList calibration() const;
  // The length of the edges placed, kept up as vertices come so that a
  // click or a move costs the same at the 10th vertex as at the 100,000th.
  double placedLength(double kx, double ky) const;
  // The vertices as they would lie on a straight scan, turned about the
  // picture's corner: lengths and angles only see their differences.
  std::vector<QPointF> straightVertices() const;

  Kind m_kind;
  Sketch& m_sketch;
  std::vector<QPointF> m_vertices;  // twips
  // Room for the keyword and the comment, then each vertex's converted
  // position as its click stored it. Lent to the record that is sent: a copy
  // of a 100,000-vertex shape's would cost more than all the rest.
  mutable QList<RecordField> m_fields;
  // Twice the signed area about the first vertex, in twips squared.
  double m_twiceArea = 0;
  struct Length {
    double kx = 0, ky = 0, tilt = 0;
    std::size_t vertices = 0;  // how many vertices `total` covers
    double total = 0;
  };
  mutable Length m_length;
  // The calibration the stored converted positions were made with; changed
  // while the shape was built, they are all converted again at the end so
  // that positions and measures agree.
  QStringList m_calibration;
  bool m_recalibrated = false;
};

}  // namespace koordel
