#pragma once

#include "Picture.h"
#include "PictureDecoder.h"
#include "Pyramid.h"

#include <QObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace koordel {

// A raster picture, held once in the depth its file had (a 1-bit scan stays
// 1-bit, a colour JPEG stays in its YCbCr planes). Zoomed in, its pixels
// show as crisp squares; zoomed out, they are averaged, from reduced copies
// made on a worker thread once the picture is all there (until then a view
// zoomed far out shows a coarse preview, or grey).
//
// A picture can arrive from a decoder on a worker thread: rows show as soon
// as they are decoded, top to bottom, and what is below shows as the
// preview or grey until it arrives.
class RasterPicture : public Picture {
 public:
  explicit RasterPicture(QImage image);
  // Starts decoding; null when there is no room for the pixels.
  static std::shared_ptr<RasterPicture> decoding(std::unique_ptr<PictureDecoder> decoder);
  ~RasterPicture() override;

  QSize size() const override { return m_size; }
  void paint(QPainter& painter, const QRect& area, double zoom) const override;
  bool hasTransparency() const override { return m_store.image.hasAlphaChannel(); }
  // Null for a colour JPEG (held as its planes) and until decoding ends.
  const QImage& image() const override;
  // Waits for the decode and the reduced copies, and delivers their news.
  void waitUntilReady() override;

  // Rows complete from the top: the height once decoded.
  int decodedRows() const { return m_rows.load(std::memory_order_acquire); }
  bool isDecoded() const { return m_decoded; }
  // The pixels `area` (within the decoded rows) as an image of their own.
  QImage pixels(const QRect& area) const override;
  // From the reduced copies once they are made, else reduced now.
  QImage reducedPixels(const QRect& area, int factor) const override;
  // Memory the pixels, the reduced copies and the preview take.
  qsizetype bytes() const;

  // Called on the user-interface thread as rows arrive (now and then, not
  // for every row) with the rows complete.
  void setProgressHandler(std::function<void(int rows)> handler) {
    m_progress = std::move(handler);
  }
  // Called on the user-interface thread once decoding ends: with what to
  // tell the user when the file turned out damaged.
  void setFinishedHandler(std::function<void(const std::optional<QString>& problem)> handler) {
    m_finished = std::move(handler);
  }

  // Whether a coarse whole picture shows what is not decoded yet.
  bool hasPreview() const { return !m_preview.isNull(); }
  // Whether the whole picture shows zoomed out: decoded and reduced, or a
  // preview, or enough of it spread over its height that the rest is filled
  // in from what lies around it.
  bool showsWhole() const;
  bool hasPyramid() const { return m_pyramid && !m_pyramid->isEmpty(); }
  qsizetype reducedBytes() const { return m_pyramid ? m_pyramid->bytes() : 0; }

 private:
  RasterPicture(std::unique_ptr<PictureDecoder> decoder, PixelStore store);
  void decode();
  void follow();
  void growAndPublish();
  void broke();
  void finish(const std::optional<QString>& problem);
  void joinWorkers();
  void paintGrowing(QPainter& painter, const QRectF& image, double zoom) const;
  int widestFilledGap() const;
  void fillGap(QPainter& painter, const QRect& part, int from, int to, const RowRuns& runs,
               double scale) const;
  void startPreview() const;
  void makePreview() const;
  void yieldToPreview();
  void rowsDone(int rows);
  void publish(Pyramid pyramid);
  void paintDecoded(QPainter& painter, const QRect& area, double zoom, int rows) const;
  void paintPending(QPainter& painter, const QRect& area, double zoom) const;
  void paintScaled(QPainter& painter, const QRectF& image, double zoom, int rows) const;
  QImage reducedBy(const QRect& area, int factor) const;

  QSize m_size;
  PixelStore m_store;
  std::unique_ptr<PictureDecoder> m_decoder;
  std::atomic<int> m_rows = 0;
  std::atomic<bool> m_newsPosted = false;
  std::chrono::steady_clock::time_point m_told;  // the worker's
  int m_rowsShown = 0;                           // rows the ready handler was told of
  bool m_decoded = false;
  bool m_endTold = false;  // the finished handler has heard
  mutable QImage m_preview;
  std::shared_ptr<const Pyramid> m_pyramid;
  std::unique_ptr<GrowingLevel> m_growing;  // while the picture arrives
  enum class DecodeEnd { Running, Done, Failed };
  DecodeEnd m_decodeEnd = DecodeEnd::Running;  // under m_wakeMutex
  mutable std::mutex m_wakeMutex;
  mutable std::condition_variable m_wake;
  // A preview is being made: the reduced copy waits rather than take a
  // processor from it (the preview shows the whole picture sooner).
  mutable bool m_previewing = false;  // under m_wakeMutex
  // A view zoomed out waits for the preview: so does the decode.
  mutable std::atomic<bool> m_previewWanted = false;
  RowRuns m_arrived;   // rows decoded out of order, under m_wakeMutex
  int m_arrivals = 0;  // news of them, under m_wakeMutex
  std::function<void(int)> m_progress;
  std::function<void(const std::optional<QString>&)> m_finished;
  mutable QObject m_relay;  // lives on the user-interface thread, for the workers' news
  std::atomic<bool> m_cancel = false;
  std::atomic<bool> m_broken = false;  // a worker stopped by an exception
  std::thread m_worker;
  mutable bool m_previewAsked = false;
  mutable std::thread m_previewer;
  std::thread m_follower;
};

}  // namespace koordel
