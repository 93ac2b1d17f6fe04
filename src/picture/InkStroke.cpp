#include "InkStroke.h"

#include "InkMap.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace koordel {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Directions tried for a stroke: 180 degrees in steps of 22.5, so the
// nearest lies within 11.25 degrees of any stroke, close enough for the
// cross-sections to follow it and tell its true direction.
constexpr int kDirections = 8;
// The longest stretch a stroke is followed, each way.
constexpr double kLongest = 40;

QPointF normalTo(QPointF d) {
  return {-d.y(), d.x()};
}

QPointF direction(int k) {
  const double a = k * kPi / kDirections;
  return {std::cos(a), std::sin(a)};
}

struct Section {
  double centre = 0;  // along the normal, from where the section was taken
  double width = 0;   // of the ink run
  bool found = false;
  bool runsOff = false;  // ink to the section's end: another stroke along it, or an area
};

// A cross-section through `middle` along `n`, `half` either side, sampled
// every `step`: the ink run nearest its middle (up to 2 pixels off it) and
// that run's centre of mass, its soft edges included.
Section section(const InkMap& map, QPointF middle, QPointF n, double half, double step,
                std::vector<float>& v) {
  const int count = static_cast<int>(2 * half / step) + 1;
  v.resize(static_cast<std::size_t>(count));
  const QPointF start = middle - half * n;
  for (int k = 0; k < count; ++k) {
    v[k] = map.sample(start + (k * step) * n);
  }
  const float ink = map.threshold();
  const int mid = count / 2;
  const int off = static_cast<int>(2.0 / step);
  int hit = -1;
  for (int k = 0; k <= off && hit < 0; ++k) {
    if (mid - k >= 0 && v[mid - k] >= ink) {
      hit = mid - k;
    } else if (mid + k < count && v[mid + k] >= ink) {
      hit = mid + k;
    }
  }
  Section s;
  if (hit < 0) {
    return s;
  }
  int a = hit;
  int b = hit;
  while (a > 0 && v[a - 1] >= ink) {
    --a;
  }
  while (b + 1 < count && v[b + 1] >= ink) {
    ++b;
  }
  s.runsOff = a == 0 || b == count - 1;
  s.width = (b - a + 1) * step;
  // Antialiased edges and the interpolation spread a stroke's ink up to two
  // pixels past its run; leaving some out on one side only would pull the
  // centre. A neighbouring stroke nearer than that gets half the gap.
  const int edge = static_cast<int>(std::ceil(2.0 / step));
  int lo = a;
  while (lo > 0 && a - lo < edge && v[lo - 1] < ink) {
    --lo;
  }
  if (lo > 0 && v[lo - 1] >= ink) {
    lo = (lo + a) / 2;
  }
  int hi = b;
  while (hi + 1 < count && hi - b < edge && v[hi + 1] < ink) {
    ++hi;
  }
  if (hi + 1 < count && v[hi + 1] >= ink) {
    hi = (hi + b + 1) / 2;
  }
  double mass = 0;
  double moment = 0;
  for (int k = lo; k <= hi; ++k) {
    mass += v[k];
    moment += v[k] * (k * step - half);
  }
  if (mass <= 0) {
    return s;
  }
  s.found = true;
  s.centre = moment / mass;
  return s;
}

// The length of the ink run through `p` along `d`, up to `cap`.
double runThrough(const InkMap& map, QPointF p, QPointF d, double cap) {
  double length = 0.5;
  for (const double sign : {1.0, -1.0}) {
    for (double t = 0.5; t <= cap && map.sample(p + sign * t * d) >= map.threshold(); t += 0.5) {
      length += 0.5;
    }
  }
  return length;
}

struct Fit {
  double offset = 0;  // of the centre line, along the normal, at t = 0
  double slope = 0;   // its turn from the direction tried, per pixel along
  double width = 0;
  double from = 0;
  double to = 0;
  int sections = 0;
};

// The centre line from cross-sections every `tStep` along `along`, within
// `length` either side of `centre`: a straight line through their centres
// of mass. Sections wider than the stroke (where another joins or crosses
// it) and those off the line (a speck beside it) are left out.
std::optional<Fit> fitAlong(const InkMap& map, QPointF centre, QPointF along, double length,
                            double half, double tStep, double step, std::vector<float>& scratch) {
  const QPointF n = normalTo(along);
  struct Point {
    double t, s, width;
  };
  std::vector<Point> points;
  for (double t = -std::floor(length / tStep) * tStep; t <= length; t += tStep) {
    const Section s = section(map, centre + t * along, n, half, step, scratch);
    if (s.found && !s.runsOff) {
      points.push_back({t, s.centre, s.width});
    }
  }
  if (points.size() < 3) {
    return std::nullopt;
  }
  std::vector<double> widths;
  for (const Point& p : points) {
    widths.push_back(p.width);
  }
  std::nth_element(widths.begin(), widths.begin() + widths.size() / 2, widths.end());
  const double width = widths[widths.size() / 2];
  std::erase_if(points, [&](const Point& p) { return p.width > 1.25 * width + 1; });
  if (points.size() < 3) {
    return std::nullopt;
  }
  // A first line that sections pulled aside by a joining stroke cannot tilt:
  // the median of the slopes between every two sections, and the median
  // offset with it.
  Fit fit;
  std::vector<double> values;
  for (std::size_t i = 0; i < points.size(); ++i) {
    for (std::size_t j = i + 1; j < points.size(); ++j) {
      values.push_back((points[j].s - points[i].s) / (points[j].t - points[i].t));
    }
  }
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  fit.slope = values[values.size() / 2];
  values.clear();
  for (const Point& p : points) {
    values.push_back(p.s - fit.slope * p.t);
  }
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  fit.offset = values[values.size() / 2];
  const double tolerance = std::max(0.4, 0.08 * width);
  std::erase_if(points, [&](const Point& p) {
    return std::abs(p.s - fit.offset - fit.slope * p.t) > tolerance;
  });
  if (points.size() < 3) {
    return std::nullopt;
  }
  // Then the least squares line through the sections that follow it.
  double st = 0, ss = 0, stt = 0, sts = 0;
  for (const Point& p : points) {
    st += p.t;
    ss += p.s;
    stt += p.t * p.t;
    sts += p.t * p.s;
  }
  const double count = double(points.size());
  const double spread = stt - st * st / count;
  fit.slope = spread > 1e-9 ? (sts - st * ss / count) / spread : 0;
  fit.offset = (ss - fit.slope * st) / count;
  if (points.size() < 3) {
    return std::nullopt;
  }
  fit.width = width;
  fit.from = points.front().t;
  fit.to = points.back().t;
  fit.sections = static_cast<int>(points.size());
  return fit;
}

// The centre of mass of the ink around `seed`, for a spot.
QPointF inkCentre(const InkMap& map, QPointF seed, double radius) {
  double mass = 0;
  QPointF moment;
  for (int y = static_cast<int>(seed.y() - radius); y <= static_cast<int>(seed.y() + radius); ++y) {
    for (int x = static_cast<int>(seed.x() - radius); x <= static_cast<int>(seed.x() + radius);
         ++x) {
      const QPointF c(x + 0.5, y + 0.5);
      const float v = map.at(x, y);
      if (v > 0 && std::hypot(c.x() - seed.x(), c.y() - seed.y()) <= radius) {
        mass += v;
        moment += v * c;
      }
    }
  }
  return mass > 0 ? moment / mass : seed;
}

// The direction the ink within `radius` of `seed` lies along, from its
// second moments; none where it spreads alike every way (a crossing, a
// blob).
std::optional<QPointF> inkDirection(const InkMap& map, QPointF seed, double radius) {
  double mass = 0, mx = 0, my = 0, mxx = 0, myy = 0, mxy = 0;
  const float least = map.threshold() / 2;
  for (int y = int(std::floor(seed.y() - radius)); y <= int(seed.y() + radius); ++y) {
    for (int x = int(std::floor(seed.x() - radius)); x <= int(seed.x() + radius); ++x) {
      const double dx = x + 0.5 - seed.x();
      const double dy = y + 0.5 - seed.y();
      const float v = map.at(x, y);
      if (v >= least && dx * dx + dy * dy <= radius * radius) {
        mass += v;
        mx += v * dx;
        my += v * dy;
        mxx += v * dx * dx;
        myy += v * dy * dy;
        mxy += v * dx * dy;
      }
    }
  }
  if (mass <= 0) {
    return std::nullopt;
  }
  mx /= mass;
  my /= mass;
  const double cxx = mxx / mass - mx * mx;
  const double cyy = myy / mass - my * my;
  const double cxy = mxy / mass - mx * my;
  const double spread = std::hypot(cxx - cyy, 2 * cxy);
  if (cxx + cyy <= 0 || spread < 0.5 * (cxx + cyy)) {
    return std::nullopt;
  }
  const double angle = 0.5 * std::atan2(2 * cxy, cxx - cyy);
  return QPointF(std::cos(angle), std::sin(angle));
}

struct Sampling {
  double half;   // of a section
  double step;   // between samples of a section
  double along;  // between sections
};

// Follows the stroke from `centre` along `along`, each round starting from
// the last one's line, so the sections stand square to the stroke and
// centred on it; both are moved onto the centre line found.
std::optional<Fit> follow(const InkMap& map, QPointF& centre, QPointF& along, double length,
                          const Sampling& sampling, std::vector<float>& scratch) {
  std::optional<Fit> fit;
  // Where another stroke crosses at a small angle, the two share their ink
  // over a long stretch: the stroke is followed further, for enough
  // sections of its own on either side.
  double reachAlong = length;
  // In a reduced copy the stroke is only looked for, and placed afterwards
  // in the picture's own pixels: one round does.
  const int rounds = map.isReduced() ? 1 : 3;
  for (int round = 0; round < rounds; ++round) {
    const std::optional<Fit> next = fitAlong(map, centre, along, reachAlong, sampling.half,
                                             sampling.along, sampling.step, scratch);
    if (!next) {
      break;
    }
    fit = next;
    centre += fit->offset * normalTo(along);
    const QPointF turned = along + fit->slope * normalTo(along);
    along = turned / std::hypot(turned.x(), turned.y());
    if (round == 1) {
      if (fit->sections * sampling.along >= reachAlong || reachAlong >= kLongest) {
        break;
      }
      reachAlong = kLongest;
    }
  }
  return fit;
}

}  // namespace

// Beside the stroke as far as a cross-section looks for it (2 pixels), and
// along it over the ends of the stretch followed, where another stroke
// crossing or turning made the sections wide.
bool InkStroke::covers(QPointF p) const {
  const QPointF r = p - centre;
  if (shape != Shape::Line) {
    return std::hypot(r.x(), r.y()) <= width / 2 + 1.5;
  }
  const double t = dot(r, along);
  return std::abs(dot(r, normalTo(along))) <= width / 2 + 3.5 && t >= from - width - 2 &&
         t <= to + width + 2;
}

bool InkStroke::passesBy(QPointF p) const {
  return shape != Shape::Line || std::abs(dot(p - centre, normalTo(along))) <= width / 2 + 1;
}

QPointF InkStroke::nearest(QPointF p) const {
  if (shape != Shape::Line) {
    return centre;
  }
  return centre + std::clamp(dot(p - centre, along), from, to) * along;
}

InkStroke InkStroke::through(const InkMap& map, QPointF seed, std::vector<float>& scratch) {
  InkStroke stroke;
  stroke.centre = seed;
  double narrowest = 4 * kWidest;
  double runs[kDirections];
  for (int k = 0; k < kDirections; ++k) {
    runs[k] = runThrough(map, seed, direction(k), 2 * kWidest);
    narrowest = std::min(narrowest, runs[k]);
  }
  stroke.width = narrowest;
  // A lone pixel over the threshold is the paper's noise, not a speck of
  // ink: a speck's ink spreads to its neighbours (in a reduced copy the
  // noise is averaged away, and a thin stroke is a pixel wide).
  if (narrowest > 2 * kWidest || (narrowest < 1 && !map.isReduced())) {
    stroke.shape = Shape::Ignored;
    stroke.width = std::max(narrowest, 1.0);
    return stroke;
  }
  // Sections wide enough to hold the stroke from a seed on either edge,
  // sampled finely enough for a thin stroke's centre, coarsely enough for a
  // wide one's to stay quick.
  const Sampling sampling{narrowest + 4, std::clamp(narrowest / 24, 0.25, 0.5),
                          std::max(1.0, narrowest / 6)};
  const double length = std::clamp(2 * narrowest + 6, 8.0, 32.0);
  QPointF centre = seed;
  QPointF along;
  std::optional<Fit> fit;
  // Most seeds lie on one stroke, whose ink around them lies along it; at
  // a crossing or a corner it does not, or the stroke followed that way
  // soon ends, and each direction is tried.
  if (const std::optional<QPointF> guess = inkDirection(map, seed, 1.5 * narrowest + 2)) {
    along = *guess;
    fit = follow(map, centre, along, length, sampling, scratch);
    if (fit && fit->sections < 0.5 * (2 * length / sampling.along + 1)) {
      fit.reset();
    }
  }
  if (!fit) {
    // The direction the most sections of one narrow run follow; only those
    // the ink runs on along: across a stroke the run is its width, along it
    // (within 11.25 degrees) at least 5 times that, or a stroke's length.
    int bestSections = 0;
    const double runsOn = std::min(1.5 * narrowest + 1, 2 * kWidest);
    for (int k = 0; k < kDirections; ++k) {
      if (runs[k] < runsOn) {
        continue;
      }
      int sections = 0;
      const QPointF d = direction(k);
      const QPointF n = normalTo(d);
      for (double t = -length; t <= length; t += std::max(1.0, length / 8)) {
        const Section s = section(map, seed + t * d, n, sampling.half, 2 * sampling.step, scratch);
        sections += s.found && !s.runsOff && s.width <= 1.5 * narrowest + 2;
      }
      if (sections > bestSections) {
        bestSections = sections;
        along = d;
      }
    }
    if (bestSections >= 3) {
      centre = seed;
      fit = follow(map, centre, along, length, sampling, scratch);
    }
  }
  if (!fit) {
    stroke.centre = inkCentre(map, seed, narrowest / 2 + 2);
    return stroke;
  }
  stroke.shape = Shape::Line;
  stroke.centre = centre;
  stroke.along = along;
  stroke.width = fit->width;
  stroke.from = fit->from;
  stroke.to = fit->to;
  return stroke;
}

}  // namespace koordel
