#pragma once

#include "PdfDocument.h"
#include "Picture.h"

#include <QHash>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace koordel {

// A PDF page as a picture of (page size x dpi / 72) pixels, never drawn
// whole: the tiles the view shows are drawn at the resolution its zoom needs,
// on worker threads (each with a document of its own), newest view first,
// requests the view has moved on from dropped. Drawn tiles are kept within a
// memory budget; what is not drawn yet shows in grey, or as the same place
// drawn at another zoom while it comes.
class PdfPicture : public Picture {
 public:
  static constexpr int kTile = 512;  // screen pixels at the zoom it is drawn for
  static constexpr qsizetype kDefaultBudget = 64 * 1024 * 1024;
  static constexpr int kRenderSeconds = 8;  // a tile that takes longer is given up

  PdfPicture(std::shared_ptr<const PdfDocument> document, int page, int dpi, int threads = 2,
             qsizetype budget = kDefaultBudget);
  ~PdfPicture() override;

  QSize size() const override { return m_size; }
  void paint(QPainter& painter, const QRect& area, double zoom) const override;
  void waitUntilReady() override;
  // Drawn now, on the calling thread, by a renderer of the caller's own: the
  // tile workers are neither waited for nor disturbed.
  QImage pixels(const QRect& imageArea) const override;
  QImage reducedPixels(const QRect& imageArea, int factor) const override;

  // Told once for each kind of trouble: a tile that could not be drawn, one
  // that took too long.
  void setProblemHandler(std::function<void(const QString&)> handler) {
    m_problem = std::move(handler);
  }

  // How long one drawing may take before it is given up; for tests.
  void setRenderLimit(int milliseconds) { m_renderLimit = milliseconds; }

  qsizetype cachedBytes() const { return m_cachedBytes; }
  qsizetype budget() const { return m_budget; }
  // How many drawings of the page were asked of the workers; for tests.
  int renders() const;

  // The picture's size for a page of `points` at `dpi`.
  static QSize sizeFor(QSizeF points, int dpi);

 private:
  struct Key {
    qint64 zoom;  // the zoom in millionths
    int column;
    int row;
    bool operator==(const Key&) const = default;
    // Where `size` pixels of this tile (drawn for its own zoom) lie at the
    // zoom `at`, in that zoom's pixels.
    QRectF placed(QSizeF size, double at) const {
      const double ratio = at * 1e6 / static_cast<double>(zoom);
      return {column * kTile * ratio, row * kTile * ratio, size.width() * ratio,
              size.height() * ratio};
    }
  };
  friend size_t qHash(const Key& k, size_t seed = 0) {
    return qHashMulti(seed, k.zoom, k.column, k.row);
  }
  struct Tile {
    QImage image;  // null when it could not be drawn
    quint64 used = 0;
  };
  struct Request {
    Key key;
    double zoom;
  };
  struct Drawn {
    Key key;
    QImage image;
  };

  void work(std::unique_ptr<PdfPageRenderer> renderer);
  void deliver(std::vector<Drawn> drawn, const QString& problem);
  void request(const Key& key, double zoom) const;
  bool paintFromOtherZooms(QPainter& painter, const QRectF& target, double zoom) const;
  void keepWithinBudget();
  QSize renderedSize(double zoom) const;
  QImage drawnNow(const QRect& area, int factor) const;

  std::shared_ptr<const PdfDocument> m_document;
  int m_page;
  int m_dpi;
  QSizeF m_points;
  QSize m_size;
  qsizetype m_budget;
  std::function<void(const QString&)> m_problem;
  QStringList m_told;

  // The user-interface thread's: the drawn tiles.
  mutable QHash<Key, Tile> m_tiles;
  mutable quint64 m_clock = 0;
  qsizetype m_cachedBytes = 0;

  // Shared with the workers, under m_mutex.
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_wake;
  mutable std::vector<Request> m_queue;  // newest last
  mutable QHash<Key, bool> m_busy;       // queued, being drawn or drawn and on the way
  std::atomic<int> m_renderLimit = kRenderSeconds * 1000;
  int m_working = 0;
  int m_renders = 0;
  bool m_stop = false;

  // The caller's renderer for drawnNow(), made on first use, with the last
  // blocks it drew (or failed to draw: not tried again for every move), one
  // for each of the last two resolutions: zoomed out, a search looks at the
  // page reduced and then at its own resolution, move after move.
  struct OwnBlock {
    QImage image;
    QRect area;  // in pixels of the page reduced `factor` times
    int factor = 0;
  };
  mutable std::unique_ptr<PdfPageRenderer> m_ownRenderer;
  mutable OwnBlock m_ownBlocks[2];  // the newest first

  QObject m_relay;  // lives on the user-interface thread, for the workers' results
  std::vector<std::thread> m_workers;
};

}  // namespace koordel
