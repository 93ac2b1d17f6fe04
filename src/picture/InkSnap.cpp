#include "InkSnap.h"

#include "InkMap.h"
#include "InkStroke.h"
#include "Picture.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace koordel {
namespace {

// The strokes looked at around a place: the nearest ones, enough for a
// crossing of two and a few beside them, few enough to stay quick in a
// hatched or lettered area.
constexpr std::size_t kMostStrokes = 4;
// Two strokes closer in direction than this are one bending stroke, not a
// crossing.
const double kLeastCrossingSine = std::sin(25.0 * 3.14159265358979 / 180);
// Up to this reach the picture's own pixels are searched; beyond, its
// reduced copy first, with at most kReducedReach in its pixels (further
// reduced, a thin stroke fades into the paper's noise).
constexpr double kFullReach = 12;
constexpr double kReducedReach = 24;
// Pixels beyond the reach a stroke's fit looks at: all of a thin stroke's
// fit, most of a wide one's (whose sections past the window count as
// not found, which only shortens the stretch followed).
constexpr int kMargin = 36;
constexpr int kReducedMargin = 16;

struct Found {
  QPointF at;
  InkSnap::Kind kind = InkSnap::Kind::Line;
  QPointF along;        // the stroke's direction, for a line
  QPointF first, last;  // the ends of a line's centre line where it was followed
};

// The nearest crossing and the nearest centre line point in reach.
struct Findings {
  std::optional<Found> crossing;
  std::optional<Found> line;
  std::optional<Found> best() const { return crossing ? crossing : line; }
  void move(QPointF by) {
    for (std::optional<Found>* f : {&crossing, &line}) {
      if (*f) {
        (*f)->at += by;
        (*f)->first += by;
        (*f)->last += by;
      }
    }
  }
};

double distance(QPointF a, QPointF b) {
  return std::hypot(a.x() - b.x(), a.y() - b.y());
}

// Where two strokes' centre lines cross, if both strokes reach there and
// the place is ink.
std::optional<QPointF> crossing(const InkMap& map, const InkStroke& a, const InkStroke& b) {
  if (!a.hasDirection() || !b.hasDirection()) {
    return std::nullopt;
  }
  const double sine = cross(a.along, b.along);
  if (std::abs(sine) < kLeastCrossingSine) {
    return std::nullopt;
  }
  const double t = cross(b.centre - a.centre, b.along) / sine;
  const QPointF x = a.centre + t * a.along;
  const double u = dot(x - b.centre, b.along);
  // Where another stroke joins, the cross-sections are not the stroke's
  // own: its fit stops that far short of the crossing.
  const double slackA = b.width + a.width / 2 + 4;
  const double slackB = a.width + b.width / 2 + 4;
  if (t < a.from - slackA || t > a.to + slackA || u < b.from - slackB || u > b.to + slackB) {
    return std::nullopt;
  }
  if (map.sample(x) < map.threshold() / 2) {
    return std::nullopt;
  }
  return x;
}

// Whether `at` and `reach` describe a search within `size`: finite, and
// near enough for a reach that takes in no more than the whole picture.
bool sensible(QPointF at, double& reach, QSize size) {
  const double whole = double(size.width()) + size.height();
  reach = std::min(reach, whole);
  return reach > 0 && std::abs(at.x()) < 2 * whole + 1 && std::abs(at.y()) < 2 * whole + 1;
}

Findings findInk(const InkMap& map, QPointF at, double reach) {
  if (map.isBlank() || !sensible(at, reach, QSize(map.width(), map.height()))) {
    return {};
  }
  // Ink within the reach and half a stroke: its centre line may be in reach.
  const double around = reach + InkStroke::kHalfWidest;
  const int x0 = std::max(0, static_cast<int>(std::floor(at.x() - around)));
  const int x1 = std::min(map.width() - 1, static_cast<int>(std::ceil(at.x() + around)));
  const int y0 = std::max(0, static_cast<int>(std::floor(at.y() - around)));
  const int y1 = std::min(map.height() - 1, static_cast<int>(std::ceil(at.y() + around)));
  std::vector<std::pair<double, QPointF>> seeds;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      if (map.isInk(x, y)) {
        const QPointF centre(x + 0.5, y + 0.5);
        const double d = distance(centre, at);
        if (d <= around) {
          seeds.emplace_back(d, centre);
        }
      }
    }
  }
  std::sort(seeds.begin(), seeds.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<InkStroke> strokes;
  std::vector<QPointF> astray;  // seeds whose fit found a neighbouring stroke
  std::vector<float> scratch;
  int fits = 0;
  std::size_t lines = 0;  // specks of noise and filled areas take no place
  for (const auto& found : seeds) {
    const QPointF& seed = found.second;  // a name lambdas can take, unlike a binding
    if (lines >= kMostStrokes || fits >= int(2 * kMostStrokes)) {
      break;
    }
    const auto covers = [&seed](const InkStroke& s) { return s.covers(seed); };
    const auto near = [&seed](QPointF p) { return distance(p, seed) < 1.5; };
    if (std::any_of(strokes.begin(), strokes.end(), covers) ||
        std::any_of(astray.begin(), astray.end(), near)) {
      continue;
    }
    ++fits;
    InkStroke stroke = InkStroke::through(map, seed, scratch);
    if (stroke.passesBy(seed)) {
      lines += !stroke.isIgnored();
      strokes.push_back(stroke);
    } else {
      astray.push_back(seed);
    }
  }
  Findings found;
  for (std::size_t i = 0; i < strokes.size(); ++i) {
    for (std::size_t j = i + 1; j < strokes.size(); ++j) {
      const std::optional<QPointF> x = crossing(map, strokes[i], strokes[j]);
      if (x && distance(*x, at) <= reach &&
          (!found.crossing || distance(*x, at) < distance(found.crossing->at, at))) {
        found.crossing = Found{*x, InkSnap::Kind::Crossing, {}, {}, {}};
      }
    }
  }
  for (const InkStroke& s : strokes) {
    if (s.isIgnored()) {
      continue;
    }
    const QPointF q = s.nearest(at);
    if (distance(q, at) <= reach &&
        (!found.line || distance(q, at) < distance(found.line->at, at))) {
      found.line = Found{q, InkSnap::Kind::Line, s.along, s.nearest(at - 1e6 * s.along),
                         s.nearest(at + 1e6 * s.along)};
    }
  }
  return found;
}

QRect around(QPointF at, double radius) {
  return QRectF(at - QPointF(radius, radius), at + QPointF(radius, radius)).toAlignedRect();
}

// The pixels around `at`, from a byte boundary (a 1-bit picture's rows
// are then copied a byte at a time).
QImage pixelsAround(const Picture& picture, QPointF at, double radius, QPoint& origin) {
  QRect area = around(at, radius) & QRect(QPoint(0, 0), picture.size());
  area.setLeft(area.left() & ~7);
  origin = area.topLeft();
  return area.isEmpty() ? QImage() : picture.pixels(area);
}

// Whether there is ink close enough for its centre line to be in reach: a
// look at a small window first, since most moves are over paper. The window
// is wide enough that even inside the widest stroke it shows the paper,
// and the paper found there is the one the search goes by.
std::unique_ptr<InkMap> paperNear(const Picture& picture, QPointF at, double reach) {
  QPoint origin;
  const QImage pixels = pixelsAround(picture, at, reach + 2 * InkStroke::kHalfWidest + 2, origin);
  if (pixels.isNull()) {
    return nullptr;
  }
  auto map = std::make_unique<InkMap>(pixels, false);
  if (map->isBlank()) {
    return nullptr;
  }
  const QPointF local = at - QPointF(origin);
  const double near = reach + InkStroke::kHalfWidest;
  for (int y = std::max(0, int(local.y() - near));
       y <= std::min(map->height() - 1, int(local.y() + near)); ++y) {
    for (int x = std::max(0, int(local.x() - near));
         x <= std::min(map->width() - 1, int(local.x() + near)); ++x) {
      if (map->isInk(x, y) && distance(QPointF(x + 0.5, y + 0.5), local) <= near) {
        return map;
      }
    }
  }
  return nullptr;
}

Findings findInPixels(const Picture& picture, QPointF at, double reach) {
  std::unique_ptr<InkMap> paper = paperNear(picture, at, reach);
  if (!paper) {
    return {};
  }
  QPoint corner;
  const QImage pixels = pixelsAround(picture, at, reach + kMargin, corner);
  if (pixels.isNull()) {
    return {};
  }
  const InkMap map(pixels, *paper);
  paper.reset();
  Findings found = findInk(map, at - QPointF(corner), reach);
  found.move(corner);
  return found;
}

}  // namespace

std::optional<InkSnap> snapToInk(const QImage& window, QPointF at, double reach) {
  const std::optional<Found> found = findInk(InkMap(window, false), at, reach).best();
  if (!found) {
    return std::nullopt;
  }
  return InkSnap{found->at, found->kind};
}

std::optional<InkSnap> snapToInk(const Picture& picture, QPointF at, double reach) {
  try {
    if (!sensible(at, reach, picture.size())) {
      return std::nullopt;
    }
    if (reach <= kFullReach) {
      const std::optional<Found> found = findInPixels(picture, at, reach).best();
      return found ? std::optional(InkSnap{found->at, found->kind}) : std::nullopt;
    }
    // Far zoomed out: where the ink is, from the reduced copy, then the
    // place from the picture's own pixels around it.
    int factor = 2;
    while (reach / factor > kReducedReach && factor < 256) {
      factor *= 2;
    }
    const int align = std::max(8, factor);
    QRect area = around(at, reach + kReducedMargin * factor) & QRect(QPoint(0, 0), picture.size());
    area.setLeft(area.left() / align * align);
    area.setTop(area.top() / align * align);
    if (area.isEmpty()) {
      return std::nullopt;
    }
    const QImage reduced = picture.reducedPixels(area, factor);
    if (reduced.isNull()) {
      return std::nullopt;
    }
    const QPointF origin = area.topLeft();
    const std::optional<Found> rough =
        findInk(InkMap(reduced, true), (at - origin) / factor, reach / factor + 0.5).best();
    if (!rough) {
      return std::nullopt;
    }
    const QPointF roughAt = origin + rough->at * factor;
    const double near = 1.5 * factor + 1;
    const Findings fine = findInPixels(picture, roughAt, near);
    if (rough->kind == InkSnap::Kind::Crossing && fine.crossing &&
        distance(fine.crossing->at, at) <= reach) {
      return InkSnap{fine.crossing->at, InkSnap::Kind::Crossing};
    }
    const std::optional<Found>& line = fine.line;
    if (!line) {
      return std::nullopt;
    }
    // The stroke's centre line there, and on it the point nearest the
    // pointer, short of where the stroke ends.
    QPointF q = line->at;
    if (!line->along.isNull()) {
      const double from = std::max(-near, std::min(0.0, dot(line->first - line->at, line->along)));
      const double to = std::min(near, std::max(0.0, dot(line->last - line->at, line->along)));
      const double t = std::clamp(dot(at - line->at, line->along), from, to);
      q = line->at + t * line->along;
    }
    if (distance(q, at) > reach) {
      return std::nullopt;
    }
    return InkSnap{q, InkSnap::Kind::Line};
  } catch (...) {
    // Snapping is a help: without it the position stays under the pointer.
    return std::nullopt;
  }
}

}  // namespace koordel
