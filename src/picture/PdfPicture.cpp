#include "PdfPicture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QThread>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

// More requests than a big screen and the loupe need at once: what lies
// beyond was asked for by a view that has moved on.
constexpr std::size_t kMaxQueue = 48;

// What drawnNow() draws at once: looking along a line asks for the pixels
// around one place after another, and a page is read whole for any piece.
constexpr int kOwnBlock = 512;
// Drawing on the caller's thread holds up the user: a page that takes longer
// gives no pixels.
constexpr int kOwnRenderMilliseconds = 1000;

}  // namespace

QSize PdfPicture::sizeFor(QSizeF points, int dpi) {
  const auto pixels = [dpi](double length) {
    return std::max(1, static_cast<int>(std::lround(length * dpi / 72.0)));
  };
  return {pixels(points.width()), pixels(points.height())};
}

PdfPicture::PdfPicture(std::shared_ptr<const PdfDocument> document, int page, int dpi, int threads,
                       qsizetype budget)
    : m_document(std::move(document)),
      m_page(page),
      m_dpi(dpi),
      m_points(m_document->pageSize(page)),
      m_size(sizeFor(m_points, dpi)),
      m_budget(budget) {
  for (int i = 0; i < std::max(1, threads); ++i) {
    m_workers.emplace_back(
        [this, renderer = m_document->renderer(m_page)]() mutable { work(std::move(renderer)); });
  }
}

PdfPicture::~PdfPicture() {
  {
    const std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_all();
  for (std::thread& worker : m_workers) {
    worker.join();
  }
}

int PdfPicture::renders() const {
  const std::lock_guard lock(m_mutex);
  return m_renders;
}

QSize PdfPicture::renderedSize(double zoom) const {
  const auto pixels = [&](double length) {
    return std::max(1, static_cast<int>(std::lround(length * m_dpi * zoom / 72.0)));
  };
  return {pixels(m_points.width()), pixels(m_points.height())};
}

void PdfPicture::paint(QPainter& painter, const QRect& area, double zoom) const {
  const Key base{std::llround(zoom * 1e6), 0, 0};
  const QRect page(QPoint(0, 0), renderedSize(zoom));
  const QRect wanted = area & page;
  if (wanted.isEmpty()) {
    return;
  }
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  bool asked = false;
  for (int row = wanted.top() / kTile; row <= wanted.bottom() / kTile; ++row) {
    for (int column = wanted.left() / kTile; column <= wanted.right() / kTile; ++column) {
      const Key key{base.zoom, column, row};
      const QRect tile = QRect(column * kTile, row * kTile, kTile, kTile) & page;
      const auto found = m_tiles.find(key);
      if (found != m_tiles.end()) {
        found->used = ++m_clock;
        if (!found->image.isNull()) {
          painter.drawImage(tile.topLeft(), found->image);
        } else {
          // Could not be drawn: say so where it shows.
          painter.fillRect(tile, QColor(0xff, 0xe4, 0xe4));
          painter.fillRect(tile, QBrush(QColor(0xd0, 0x40, 0x40), Qt::DiagCrossPattern));
        }
        continue;
      }
      painter.fillRect(tile & area, placeholder());
      paintFromOtherZooms(painter, QRectF(tile & area), zoom);
      const std::lock_guard lock(m_mutex);
      if (!m_busy.contains(key)) {
        request(key, zoom);
        asked = true;
      }
    }
  }
  painter.restore();
  if (asked) {
    m_wake.notify_all();
  }
}

// Asked with m_mutex held.
void PdfPicture::request(const Key& key, double zoom) const {
  m_busy.insert(key, true);
  m_queue.push_back({key, zoom});
  while (m_queue.size() > kMaxQueue) {
    const Key dropped = m_queue.front().key;
    m_queue.erase(m_queue.begin());
    m_busy.remove(dropped);
    // Should it still be in view, the repaint asks for it again, as newest.
    const QRectF shown = dropped.placed(QSizeF(kTile, kTile), 1);
    QMetaObject::invokeMethod(
        const_cast<QObject*>(&m_relay), [this, shown] { becameReady(shown); },
        Qt::QueuedConnection);
  }
}

// While a place is being drawn for this zoom, the same place drawn for
// another shows, nearest zoom on top.
bool PdfPicture::paintFromOtherZooms(QPainter& painter, const QRectF& target, double zoom) const {
  std::vector<std::pair<double, QHash<Key, Tile>::const_iterator>> sources;
  for (auto it = m_tiles.cbegin(); it != m_tiles.cend(); ++it) {
    if (it->image.isNull()) {
      continue;
    }
    if (it.key().placed(it->image.size(), zoom).intersects(target)) {
      const double z = static_cast<double>(it.key().zoom) / 1e6;
      sources.emplace_back(std::abs(std::log(z / zoom)), it);
    }
  }
  if (sources.empty()) {
    return false;
  }
  std::sort(sources.begin(), sources.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
  painter.save();
  painter.setClipRect(target, Qt::IntersectClip);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  for (const auto& [distance, it] : sources) {
    painter.drawImage(it.key().placed(it->image.size(), zoom), it->image);
  }
  painter.restore();
  return true;
}

void PdfPicture::work(std::unique_ptr<PdfPageRenderer> renderer) {
  for (;;) {
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
    if (m_stop) {
      return;
    }
    // The newest first, and with it whatever else is wanted of the same 2 x 2
    // block: one drawing of a larger piece costs much less than four small
    // ones (each reads the whole page).
    const Request first = m_queue.back();
    m_queue.pop_back();
    std::vector<Key> keys{first.key};
    const auto block = [](const Key& k) { return std::pair{k.column & ~1, k.row & ~1}; };
    for (auto it = m_queue.begin(); it != m_queue.end();) {
      if (it->key.zoom == first.key.zoom && block(it->key) == block(first.key)) {
        keys.push_back(it->key);
        it = m_queue.erase(it);
      } else {
        ++it;
      }
    }
    ++m_working;
    ++m_renders;
    lock.unlock();

    const QRect page(QPoint(0, 0), renderedSize(first.zoom));
    QRect region;
    for (const Key& k : keys) {
      region |= QRect(k.column * kTile, k.row * kTile, kTile, kTile) & page;
    }
    QElapsedTimer clock;
    clock.start();
    bool tooLong = false;
    const std::function<bool()> abort = [&] {
      tooLong = clock.elapsed() > m_renderLimit.load();
      const std::lock_guard stopLock(m_mutex);
      return m_stop || tooLong;
    };
    QImage image;
    std::vector<Drawn> drawn;
    drawn.reserve(keys.size());  // so that the failure below needs no memory
    try {
      if (renderer && !region.isEmpty()) {
        image = renderer->render(m_dpi * first.zoom, region, abort);
      }
      if (image.format() != QImage::Format_RGB32 && !image.isNull()) {
        image = image.convertToFormat(QImage::Format_RGB32);
      }
      for (const Key& k : keys) {
        const QRect tile = QRect(k.column * kTile, k.row * kTile, kTile, kTile) & page;
        drawn.push_back(
            {k, image.isNull() ? QImage() : image.copy(tile.translated(-region.topLeft()))});
      }
    } catch (...) {
      // No exception may end the worker: the tiles show as not drawn, and
      // the user is told, as of a drawing that failed.
      image = QImage();
      drawn.clear();
      for (const Key& k : keys) {
        drawn.push_back({k, QImage()});
      }
    }
    const QString problem =
        !image.isNull() ? QString()
        : tooLong
            ? u"PDF のページの一部は、描くのに時間がかかりすぎるため描いていません（赤い網の所）。"_s
            : u"PDF のページの一部を描けませんでした（赤い網の所）。"_s;
    QMetaObject::invokeMethod(
        &m_relay,
        [this, drawn = std::move(drawn), problem]() mutable { deliver(std::move(drawn), problem); },
        Qt::QueuedConnection);
    lock.lock();
    --m_working;
  }
}

void PdfPicture::deliver(std::vector<Drawn> drawn, const QString& problem) {
  QRectF area;
  for (Drawn& d : drawn) {
    {
      const std::lock_guard lock(m_mutex);
      m_busy.remove(d.key);
    }
    // In picture pixels; one that could not be drawn shows its red net.
    area |= d.key.placed(d.image.isNull() ? QSizeF(kTile, kTile) : QSizeF(d.image.size()), 1);
    Tile& tile = m_tiles[d.key];
    m_cachedBytes += d.image.sizeInBytes() - tile.image.sizeInBytes();
    tile = {std::move(d.image), ++m_clock};
  }
  keepWithinBudget();
  if (!problem.isEmpty() && !m_told.contains(problem)) {
    m_told << problem;
    if (m_problem) {
      m_problem(problem);
    }
  }
  becameReady(area);
}

void PdfPicture::keepWithinBudget() {
  while (m_cachedBytes > m_budget && !m_tiles.isEmpty()) {
    auto oldest = m_tiles.begin();
    for (auto it = m_tiles.begin(); it != m_tiles.end(); ++it) {
      if (it->used < oldest->used) {
        oldest = it;
      }
    }
    m_cachedBytes -= oldest->image.sizeInBytes();
    m_tiles.erase(oldest);
  }
}

void PdfPicture::waitUntilReady() {
  for (;;) {
    {
      const std::lock_guard lock(m_mutex);
      if (m_queue.empty() && m_working == 0) {
        break;
      }
    }
    QThread::msleep(2);
  }
  QCoreApplication::sendPostedEvents(&m_relay);
}

QImage PdfPicture::pixels(const QRect& imageArea) const {
  return drawnNow(imageArea, 1);
}

QImage PdfPicture::reducedPixels(const QRect& imageArea, int factor) const {
  return drawnNow(imageArea, std::max(1, factor));
}

// The page drawn at its own resolution divided by `factor`, so a reduced
// area costs no more than its own pixels.
QImage PdfPicture::drawnNow(const QRect& area, int factor) const {
  const QRect wanted =
      QRect(area.left() / factor, area.top() / factor, (area.width() + factor - 1) / factor,
            (area.height() + factor - 1) / factor) &
      QRect(QPoint(0, 0), renderedSize(1.0 / factor));
  if (wanted.isEmpty()) {
    return {};
  }
  try {
    if (m_ownBlocks[1].factor == factor && m_ownBlocks[1].area.contains(wanted)) {
      std::swap(m_ownBlocks[0], m_ownBlocks[1]);
    }
    OwnBlock& block = m_ownBlocks[0];
    if (block.factor != factor || !block.area.contains(wanted)) {
      if (block.factor != factor) {
        std::swap(m_ownBlocks[0], m_ownBlocks[1]);  // the other resolution stays
      }
      const QRect page(QPoint(0, 0), renderedSize(1.0 / factor));
      const QPoint from(wanted.left() / kOwnBlock * kOwnBlock,
                        wanted.top() / kOwnBlock * kOwnBlock);
      const QPoint to((wanted.right() / kOwnBlock + 1) * kOwnBlock - 1,
                      (wanted.bottom() / kOwnBlock + 1) * kOwnBlock - 1);
      block = {QImage(), QRect(from, to) & page, factor};
      if (!m_ownRenderer) {
        m_ownRenderer = m_document->renderer(m_page);
      }
      if (m_ownRenderer) {
        QElapsedTimer clock;
        clock.start();
        const std::function<bool()> abort = [&] {
          return clock.elapsed() > kOwnRenderMilliseconds;
        };
        try {
          block.image = m_ownRenderer->render(double(m_dpi) / factor, block.area, abort);
        } catch (...) {
          // As a drawing that failed: remembered, so not tried at every move.
          block.image = QImage();
        }
        if (block.image.size() != block.area.size()) {
          block.image = QImage();
        }
      }
    }
    return block.image.isNull() ? QImage()
                                : block.image.copy(wanted.translated(-block.area.topLeft()));
  } catch (...) {
    // Looking at the page is a help, never a reason to stop: no pixels.
    m_ownBlocks[0] = {};
    return {};
  }
}

}  // namespace koordel
