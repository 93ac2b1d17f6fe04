#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <functional>

class QPainter;

namespace koordel {

// What the canvas shows under the drawings: a raster picture, or a PDF page
// drawn on demand. Its size is in image pixels (15 twips each), which is the
// grid every position and drawing lives on. Implementations may prepare
// their pixels on worker threads; they say so through the ready handler, on
// the user-interface thread.
class Picture {
 public:
  virtual ~Picture() = default;

  virtual QSize size() const = 0;

  // Paints the screen pixels `area` of the picture shown `zoom` times
  // magnified (so the whole picture is size() * zoom screen pixels), over
  // whatever `painter` holds. What is not ready yet shows as a plain grey.
  virtual void paint(QPainter& painter, const QRect& area, double zoom) const = 0;

  // Whether parts show what lies beneath (the canvas puts white there).
  virtual bool hasTransparency() const { return false; }

  // The pixels of a raster picture; null for other kinds.
  virtual const QImage& image() const;

  // The picture's own pixels `imageArea` (clipped to the picture), one
  // image pixel each, for looking at the drawing rather than showing it;
  // null when none are there yet. On the user-interface thread.
  virtual QImage pixels(const QRect& imageArea) const;
  // The pixels `imageArea` reduced `factor` (a power of two) times, each the
  // average of the block it covers; the area's corner lies on a multiple of
  // `factor` and of 8. Null when none are there yet.
  virtual QImage reducedPixels(const QRect& imageArea, int factor) const;

  // Blocks until work started in the background is done; for tests and
  // benchmarks.
  virtual void waitUntilReady() {}

  // Called, on the user-interface thread, with an area in image pixels that
  // shows better than before.
  void setReadyHandler(std::function<void(const QRectF&)> handler) { m_ready = std::move(handler); }

  // The grey of what is not ready yet.
  static QColor placeholder() { return QColor(0xe0, 0xe0, 0xe0); }

 protected:
  void becameReady(const QRectF& area) const {
    if (m_ready) {
      m_ready(area);
    }
  }

 private:
  std::function<void(const QRectF&)> m_ready;
};

}  // namespace koordel
