#include "RasterPicture.h"

#include "Halvings.h"
#include "PictureLoader.h"

#include <QCoreApplication>
#include <QPainter>
#include <QThread>

#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <system_error>
#include <vector>

namespace koordel {
namespace {

// Formats QPainter blends straight from the source; any other is converted,
// and converting only the exposed piece keeps a paint from touching the
// whole picture.
bool paintsDirectly(QImage::Format format) {
  return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
}

// How often the screen hears of newly decoded rows: often enough to look
// continuous, seldom enough to cost the decode nothing.
constexpr auto kNewsInterval = std::chrono::milliseconds(30);

// Rows a window shows at 100 % before a preview is made unasked.
constexpr int kRowsBeforePreview = 1024;

// Rows the reduced copy waits for before it takes in the rows arrived from
// the top: a strip of its own at a time.
constexpr int kRowsToFollow = 64;

// A picture of a few hundred megabytes is written once, page after page:
// in pages of 2 MiB rather than 4 KiB the system is interrupted to hand
// out memory 512 times less often (a tenth of an A0 scan's decode, measured
// here). Only the whole large pages inside the block are asked for; where
// the system has none, nothing changes.
void preferLargePages(uchar* bits, qsizetype bytes) {
#ifdef MADV_HUGEPAGE
  constexpr quintptr kLarge = 2 * 1024 * 1024;
  const quintptr from = (reinterpret_cast<quintptr>(bits) + kLarge - 1) & ~(kLarge - 1);
  const quintptr to = (reinterpret_cast<quintptr>(bits) + quintptr(bytes)) & ~(kLarge - 1);
  if (to > from) {
    madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
  }
#else
  Q_UNUSED(bits);
  Q_UNUSED(bytes);
#endif
}

}  // namespace

RasterPicture::RasterPicture(QImage image) : m_size(image.size()) {
  m_store.image = std::move(image);
  if (m_store.image.isNull()) {
    return;
  }
  m_rows = m_size.height();
  m_rowsShown = m_size.height();
  m_decoded = true;
  m_worker = std::thread([this] {
    try {
      publish(Pyramid::build(m_store.image, &m_cancel));
    } catch (...) {
      // The picture is whole already; zoomed out, it shows grey.
    }
  });
}

RasterPicture::RasterPicture(std::unique_ptr<PictureDecoder> decoder, PixelStore store)
    : m_size(decoder->size()), m_store(std::move(store)), m_decoder(std::move(decoder)) {
  if (!m_store.planes.isNull() || !m_store.image.isNull()) {
    const bool grey = m_store.planes.isNull() && Pyramid::isGrey(m_store.image);
    m_growing = std::make_unique<GrowingLevel>(m_size, grey, Pyramid::firstKeptFor(m_size, grey));
  }
  if (m_growing && m_growing->isNull()) {
    m_growing.reset();  // no room for it: made whole at the end instead
  }
  if (m_growing) {
    m_decoder->setBandHandler([this](int first, int end) {
      {
        const std::lock_guard<std::mutex> lock(m_wakeMutex);
        m_arrived.add(first, end);
        ++m_arrivals;
      }
      m_wake.notify_one();
    });
    m_follower = std::thread([this] { follow(); });
  }
  m_worker = std::thread([this] { decode(); });
}

// A worker stopped by an exception (most likely memory running out for a
// file that asks for more than it holds): the others stop, and the user is
// told the file is damaged, as of any file that cannot be read through.
void RasterPicture::broke() {
  {
    const std::lock_guard<std::mutex> lock(m_wakeMutex);
    m_broken = true;
  }
  m_wake.notify_all();
  if (m_cancel.load()) {
    return;
  }
  QMetaObject::invokeMethod(
      &m_relay, [this] { finish(damagedMessage(m_decoder->path())); }, Qt::QueuedConnection);
}

// On the user-interface thread: the end of the decode, told once.
void RasterPicture::finish(const std::optional<QString>& problem) {
  if (m_endTold) {
    return;
  }
  m_endTold = true;
  if (!problem) {
    m_decoded = true;
    m_rowsShown = m_size.height();
    becameReady(QRectF(QPointF(0, 0), QSizeF(m_size)));
  }
  if (m_finished) {
    m_finished(problem);
  }
}

// On a machine of one core, only a view zoomed out asks for it: at 100 %
// the rows come fast enough, and the preview's decode would take the
// processor from theirs. With more, it starts beside the decode once the
// first screenful is there, so that 全体を表示 soon after opening finds it
// made or nearly.
void RasterPicture::startPreview() const {
  if (m_previewAsked || !m_decoder || decodedRows() >= m_size.height()) {
    return;
  }
  m_previewAsked = true;
  {
    const std::lock_guard<std::mutex> lock(m_wakeMutex);
    m_previewing = true;
  }
  const auto made = [this] {
    {
      const std::lock_guard<std::mutex> lock(m_wakeMutex);
      m_previewing = false;
    }
    m_wake.notify_all();
  };
  try {
    m_previewer = std::thread([this, made] {
      try {
        makePreview();
      } catch (...) {
        // Its news not sent: the picture comes without.
      }
      made();
    });
  } catch (...) {
    made();  // no thread for it: the picture comes without
  }
}

// On a worker of its own.
void RasterPicture::makePreview() const {
  QImage preview;
  try {
    preview = m_decoder->preview(
        [this] { return m_cancel.load() || m_broken.load() || decodedRows() >= m_size.height(); });
  } catch (...) {
    // Only a stand-in while the rows come: the decode says whether the
    // file can be read.
    return;
  }
  if (preview.isNull() || m_cancel.load()) {
    return;
  }
  QMetaObject::invokeMethod(
      &m_relay,
      [this, preview] {
        if (!hasPyramid()) {
          m_preview = preview;
          becameReady(QRectF(QPointF(0, 0), QSizeF(m_size)));
        }
      },
      Qt::QueuedConnection);
}

std::shared_ptr<RasterPicture> RasterPicture::decoding(std::unique_ptr<PictureDecoder> decoder) {
  PixelStore store;
  if (!decoder || !decoder->prepare(store)) {
    return nullptr;
  }
  if (!store.image.isNull()) {
    store.bits = store.image.bits();
    store.stride = store.image.bytesPerLine();
    preferLargePages(store.bits, store.image.sizeInBytes());
  }
  for (int plane = 0; plane < 3 && !store.planes.isNull(); ++plane) {
    preferLargePages(store.planes.row(plane, 0), store.planes.planeBytes(plane));
  }
  return std::shared_ptr<RasterPicture>(new RasterPicture(std::move(decoder), std::move(store)));
}

RasterPicture::~RasterPicture() {
  {
    const std::lock_guard<std::mutex> lock(m_wakeMutex);
    m_cancel = true;
  }
  m_wake.notify_all();
  joinWorkers();
}

void RasterPicture::joinWorkers() {
  for (std::thread* worker : {&m_previewer, &m_worker, &m_follower}) {
    if (worker->joinable()) {
      worker->join();
    }
  }
}

const QImage& RasterPicture::image() const {
  static const QImage none;
  return m_decoded ? m_store.image : none;
}

qsizetype RasterPicture::bytes() const {
  return m_store.image.sizeInBytes() + m_store.planes.bytes() + m_preview.sizeInBytes() +
         reducedBytes();
}

void RasterPicture::waitUntilReady() {
  joinWorkers();
  QCoreApplication::sendPostedEvents(&m_relay);
}

// On the worker, between rows: while a view zoomed out waits for the
// preview, the decode waits too. The two share processors (two cores of
// this kind of machine give far less than twice one), and the preview is
// what shows the whole picture.
void RasterPicture::yieldToPreview() {
  if (!m_previewWanted.load()) {
    return;
  }
  std::unique_lock<std::mutex> lock(m_wakeMutex);
  m_wake.wait(lock, [this] { return !m_previewing || m_cancel.load() || m_broken.load(); });
}

// On the worker.
void RasterPicture::decode() {
  PictureDecoder::Result result;
  try {
    result = m_decoder->decode(
        m_store, [this](int rows) { rowsDone(rows); },
        [this] {
          yieldToPreview();
          return m_cancel.load() || m_broken.load();
        });
  } catch (...) {
    broke();
  }
  {
    const std::lock_guard<std::mutex> lock(m_wakeMutex);
    m_decodeEnd = result.error || m_cancel.load() || m_broken ? DecodeEnd::Failed : DecodeEnd::Done;
  }
  m_wake.notify_all();
  if (m_cancel.load() || m_broken.load()) {
    return;
  }
  QMetaObject::invokeMethod(
      &m_relay,
      [this, problem = result.error, whole = result.whole] {
        if (!whole.isNull() && !m_endTold) {
          m_store.image = whole;
          m_rows = m_size.height();
        }
        finish(problem);
      },
      Qt::QueuedConnection);
  if (!result.error && !m_growing) {
    try {
      publish(Pyramid::build(result.whole.isNull() ? m_store.image : result.whole, &m_cancel));
    } catch (...) {
      broke();
    }
  }
}

// On a worker of its own: the first kept level, a strip at a time right
// behind the decode, then the finer ones. A view zoomed out shows the
// picture as it arrives.
void RasterPicture::follow() {
  try {
    growAndPublish();
  } catch (...) {
    broke();
  }
}

void RasterPicture::growAndPublish() {
  const auto reduced = [this](const QRect& area, int factor) { return reducedBy(area, factor); };
  const auto tell = [this](std::pair<int, int> rows) {
    if (rows.first >= rows.second) {
      return;
    }
    QMetaObject::invokeMethod(
        &m_relay,
        [this, rows] {
          becameReady(QRectF(0, rows.first, m_size.width(), rows.second - rows.first));
        },
        Qt::QueuedConnection);
  };
  auto last = std::chrono::steady_clock::now();
  int seenArrivals = 0;
  int seenRows = 0;
  std::pair<int, int> untold{INT_MAX, 0};
  for (;;) {
    DecodeEnd end = DecodeEnd::Running;
    RowRuns arrived;
    {
      std::unique_lock<std::mutex> lock(m_wakeMutex);
      m_wake.wait(lock, [&] {
        return m_cancel.load() || m_broken || m_decodeEnd == DecodeEnd::Failed ||
               (!m_previewing && (m_decodeEnd != DecodeEnd::Running || m_arrivals != seenArrivals ||
                                  decodedRows() >= seenRows + kRowsToFollow));
      });
      end = m_decodeEnd;
      arrived = m_arrived;
      seenArrivals = m_arrivals;
    }
    if (m_cancel.load() || m_broken.load() || end == DecodeEnd::Failed) {
      return;
    }
    seenRows = end == DecodeEnd::Done ? m_size.height() : decodedRows();
    arrived.add(0, seenRows);
    if (!m_growing->grow(arrived, reduced, &m_cancel)) {
      return;
    }
    const auto news = m_growing->takeNews();
    if (news.first < news.second) {
      untold = {std::min(untold.first, news.first), std::max(untold.second, news.second)};
    }
    const auto now = std::chrono::steady_clock::now();
    if (m_growing->isComplete() || now - last >= kNewsInterval) {
      tell(untold);
      untold = {INT_MAX, 0};
      last = now;
    }
    if (m_growing->isComplete()) {
      break;
    }
  }
  publish(Pyramid::fromLevel(m_growing->image(), m_growing->first(), &m_cancel));
}

// On the worker: publishes the rows, and now and then tells the screen.
void RasterPicture::rowsDone(int rows) {
  m_rows.store(rows, std::memory_order_release);
  if (m_growing) {
    // Through the lock, so that the follower, between looking at the rows
    // and waiting, cannot miss them.
    { const std::lock_guard<std::mutex> lock(m_wakeMutex); }
    m_wake.notify_one();
  }
  const auto now = std::chrono::steady_clock::now();
  if (rows < m_size.height() && now - m_told < kNewsInterval) {
    return;
  }
  m_told = now;
  // One piece of news waiting at a time: it reads the rows when it runs.
  if (m_newsPosted.exchange(true)) {
    return;
  }
  QMetaObject::invokeMethod(
      &m_relay,
      [this] {
        m_newsPosted = false;
        const int complete = decodedRows();
        // The first screenful has the processors to itself; then, with more
        // than one, the preview starts beside the decode.
        if (complete >= kRowsBeforePreview && QThread::idealThreadCount() > 1) {
          startPreview();
        }
        if (complete > m_rowsShown) {
          becameReady(QRectF(0, m_rowsShown, m_size.width(), complete - m_rowsShown));
          m_rowsShown = complete;
        }
        if (m_progress) {
          m_progress(complete);
        }
      },
      Qt::QueuedConnection);
}

// On a worker: the reduced copies take over from the preview.
void RasterPicture::publish(Pyramid pyramid) {
  if (m_cancel.load()) {
    return;
  }
  QMetaObject::invokeMethod(
      &m_relay,
      [this, shared = std::make_shared<const Pyramid>(std::move(pyramid))] {
        m_pyramid = shared;
        m_preview = QImage();
        becameReady(QRectF(QPointF(0, 0), QSizeF(m_size)));
      },
      Qt::QueuedConnection);
}

QImage RasterPicture::pixels(const QRect& area) const {
  const QRect part = area & QRect(0, 0, m_size.width(), decodedRows());
  if (part.isEmpty()) {
    return {};  // a null rectangle would copy the whole image
  }
  if (!m_store.planes.isNull()) {
    return m_store.planes.rgb(part);
  }
  return m_store.image.copy(part);
}

QImage RasterPicture::reducedPixels(const QRect& area, int factor) const {
  if (factor <= 1) {
    return pixels(area);
  }
  const int level = static_cast<int>(std::lround(std::log2(factor)));
  const QRect inLevel(area.left() / factor, area.top() / factor,
                      (area.width() + factor - 1) / factor, (area.height() + factor - 1) / factor);
  if (hasPyramid() && level >= m_pyramid->first() && level <= m_pyramid->deepest()) {
    const QImage& kept = m_pyramid->level(level);
    return kept.copy(inLevel & kept.rect());
  }
  // Until the reduced copies are made: from the pixels, whole blocks of the
  // decoded rows only.
  QRect part = area & QRect(0, 0, m_size.width(), decodedRows());
  if (part.isEmpty() || part.topLeft() != area.topLeft()) {
    return {};
  }
  if (part.bottom() + 1 < m_size.height()) {
    part.setHeight(part.height() / factor * factor);
  }
  if (part.isEmpty()) {
    return {};
  }
  if (!m_store.planes.isNull()) {
    return m_store.planes.reduced(part, factor);
  }
  if (factor <= 4) {
    return Pyramid::reducedPart(m_store.image, part, factor);
  }
  const QImage quarter = Pyramid::reducedPart(m_store.image, part, 4);
  const QSize size((part.width() + factor - 1) / factor, (part.height() + factor - 1) / factor);
  return quarter.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void RasterPicture::paint(QPainter& painter, const QRect& area, double zoom) const {
  const int rows = decodedRows();
  // Zoomed out far enough, the reduced copy shows what has arrived wherever
  // it lies, and says itself what waits.
  const bool fromGrowing =
      m_growing && !hasPyramid() && zoom::halvings(zoom) >= Pyramid::kFirstKept;
  if (rows >= m_size.height() || fromGrowing) {
    paintDecoded(painter, area, zoom, rows);
    return;
  }
  // Screen rows whose image rows are all there; the rest waits.
  const int ready = static_cast<int>(std::floor(rows * zoom));
  const QRect above = area & QRect(area.left(), 0, area.width(), ready);
  const QRect below = area & QRect(area.left(), ready, area.width(), area.bottom() + 1 - ready);
  if (!below.isEmpty()) {
    paintPending(painter, below, zoom);
  }
  if (!above.isEmpty()) {
    painter.save();
    painter.setClipRect(above, Qt::IntersectClip);
    paintDecoded(painter, above, zoom, rows);
    painter.restore();
  }
}

void RasterPicture::paintPending(QPainter& painter, const QRect& area, double zoom) const {
  if (zoom <= 0.5) {
    startPreview();
    m_previewWanted = true;
  }
  if (m_preview.isNull()) {
    painter.fillRect(area, placeholder());
    return;
  }
  const double perPreview = m_size.width() / static_cast<double>(m_preview.width());
  const double scale = zoom * perPreview;  // screen pixels per preview pixel
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  const QRect source = QRectF(QPointF(area.topLeft()) / scale, QSizeF(area.size()) / scale)
                           .toAlignedRect()
                           .adjusted(-1, -1, 1, 1) &
                       m_preview.rect();
  painter.drawImage(QRectF(QPointF(source.topLeft()) * scale, QSizeF(source.size()) * scale),
                    m_preview.copy(source));
  painter.restore();
}

void RasterPicture::paintDecoded(QPainter& painter, const QRect& area, double zoom,
                                 int rows) const {
  if (zoom == 1) {
    const QRect part = area & QRect(0, 0, m_size.width(), rows);
    if (m_store.planes.isNull() && paintsDirectly(m_store.image.format())) {
      painter.drawImage(part.topLeft(), m_store.image, part);
    } else {
      painter.drawImage(part.topLeft(), pixels(part));
    }
    return;
  }
  // Zoomed out, a band of the screen needs many picture pixels: in bands,
  // what is converted for drawing stays a few megabytes whatever the view.
  const int band = zoom < 1 ? 128 : area.height();
  painter.save();
  for (int y = area.top(); y <= area.bottom(); y += band) {
    const QRect part(area.left(), y, area.width(), std::min(band, area.bottom() - y + 1));
    painter.setClipRect(part, Qt::IntersectClip);
    paintScaled(painter, QRectF(QPointF(part.topLeft()) / zoom, QSizeF(part.size()) / zoom), zoom,
                rows);
    painter.restore();
    painter.save();
  }
  painter.restore();
}

// The picture pixels `area` reduced `factor` times, made now: the corner
// lies on a multiple of the factor.
QImage RasterPicture::reducedBy(const QRect& area, int factor) const {
  return m_store.planes.isNull() ? Pyramid::reducedPart(m_store.image, area, factor)
                                 : m_store.planes.reduced(area, factor);
}

// Each screen pixel samples the image at its own position over the whole
// picture, whatever piece is drawn: two paints of neighbouring areas meet
// without a seam. Pieces take a margin so samples at their edges have their
// neighbours.
void RasterPicture::paintScaled(QPainter& painter, const QRectF& image, double zoom,
                                int rows) const {
  const QRect decoded(0, 0, m_size.width(), rows);
  const auto piece = [&](const QRect& sourceRect, double pixelsPerSource) {
    const QRect part = sourceRect & decoded;
    if (part.isEmpty()) {
      return;
    }
    painter.drawImage(
        QRectF(QPointF(part.topLeft()) * pixelsPerSource, QSizeF(part.size()) * pixelsPerSource),
        pixels(part));
  };
  if (zoom > 1) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    piece(image.toAlignedRect(), zoom);
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  const int level = zoom::halvings(zoom);
  if (level == 0) {
    piece(image.toAlignedRect().adjusted(-2, -2, 2, 2), zoom);
    return;
  }
  const int firstKept = hasPyramid() ? m_pyramid->first() : Pyramid::kFirstKept;
  if (level < firstKept) {
    // Corners on multiples of the factor, so every reduced pixel covers the
    // same block whatever is painted (and on a byte, so a 1-bit scan is read
    // a byte at a time).
    const int factor = 1 << level;
    QRect aligned =
        image.toAlignedRect().adjusted(-2 * factor, -2 * factor, 2 * factor, 2 * factor) & decoded;
    aligned.setLeft(aligned.left() & ~(std::max(8, factor) - 1));
    aligned.setTop(aligned.top() & ~(factor - 1));
    if (rows < m_size.height()) {
      // Only whole blocks of what is decoded.
      aligned.setBottom(aligned.top() + aligned.height() / factor * factor - 1);
    }
    if (aligned.isEmpty()) {
      return;
    }
    const QImage reduced = reducedBy(aligned, factor);
    painter.drawImage(
        QRectF(QPointF(aligned.topLeft()) * zoom, QSizeF(reduced.size()) * (factor * zoom)),
        reduced);
    return;
  }
  if (!hasPyramid()) {
    paintGrowing(painter, image, zoom);
    return;
  }
  const int kept = std::min(level, m_pyramid->deepest());
  const double factor = std::ldexp(1.0, kept);  // picture pixels per level pixel
  const QRectF inLevel(image.topLeft() / factor, image.size() / factor);
  const QImage& source = m_pyramid->level(kept);
  const QRect part = inLevel.toAlignedRect().adjusted(-2, -2, 2, 2) & source.rect();
  if (!part.isEmpty()) {
    const double scale = zoom * factor;
    painter.drawImage(QRectF(QPointF(part.topLeft()) * scale, QSizeF(part.size()) * scale),
                      source.copy(part));
  }
}

}  // namespace koordel
