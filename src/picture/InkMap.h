#pragma once

#include <QImage>
#include <QPointF>

#include <cmath>
#include <vector>

namespace koordel {

// How much ink each pixel of a window of a picture holds, in grey levels
// above the paper: for grey pictures how much darker than the paper the
// pixel is, for colour how far its colour lies from the paper's. The paper
// is the window's most common shade, so a tinted sheet or a yellowed scan
// has its own; noise on the paper averages out around zero.
class InkMap {
 public:
  // `reduced`: the window is a reduced copy, where a thin stroke shows as a
  // faint one and so counts from a lower level.
  InkMap(const QImage& window, bool reduced);
  // A larger window around the same place, with the paper `paperOf` found:
  // the paper near the pointer, and no second look at every pixel for it.
  InkMap(const QImage& window, const InkMap& paperOf);
  ~InkMap();
  InkMap(const InkMap&) = delete;
  InkMap& operator=(const InkMap&) = delete;

  int width() const { return m_width; }
  int height() const { return m_height; }
  // No ink stands out of the paper's noise anywhere in the window.
  bool isBlank() const { return m_blank; }
  // A reduced copy, where a stroke may be a single faint pixel wide.
  bool isReduced() const { return m_reduced; }
  // The level from which a pixel counts as ink.
  float threshold() const { return m_threshold; }

  float at(int x, int y) const {
    return x < 0 || y < 0 || x >= m_width || y >= m_height
               ? 0.0f
               : m_ink[static_cast<std::size_t>(y) * m_width + x];
  }
  bool isInk(int x, int y) const { return at(x, y) >= m_threshold; }
  // Interpolated between pixel centres (pixel (i, j) centred on
  // (i + 0.5, j + 0.5)); paper outside the window.
  float sample(QPointF p) const {
    const double u = p.x() - 0.5;
    const double v = p.y() - 0.5;
    if (!(u > -2 && v > -2 && u < m_width + 1 && v < m_height + 1)) {
      return 0.0f;  // also whatever is not a number
    }
    const double fu = std::floor(u);
    const double fv = std::floor(v);
    const int x = static_cast<int>(fu);
    const int y = static_cast<int>(fv);
    const float ax = float(u - fu);
    const float ay = float(v - fv);
    float a, b, c, d;
    if (x >= 0 && y >= 0 && x + 1 < m_width && y + 1 < m_height) {
      const float* row = m_ink.data() + static_cast<std::size_t>(y) * m_width + x;
      a = row[0];
      b = row[1];
      c = row[m_width];
      d = row[m_width + 1];
    } else {
      a = at(x, y);
      b = at(x + 1, y);
      c = at(x, y + 1);
      d = at(x + 1, y + 1);
    }
    return (a + (b - a) * ax) * (1 - ay) + (c + (d - c) * ax) * ay;
  }

 private:
  void takeBuffer();
  void fromGrey(const QImage& grey, bool findPaper);
  void fromColour(const QImage& colour, bool findPaper);
  void setThreshold(double noise, double contrast);

  bool m_reduced = false;
  bool m_colour = false;
  float m_paper[3] = {};  // the paper's grey level, or its colour
  float m_offset = 0;     // how far from its own colour noise puts the paper
  int m_width = 0;
  int m_height = 0;
  std::vector<float> m_ink;
  float m_threshold = 0;
  bool m_blank = true;
};

}  // namespace koordel
