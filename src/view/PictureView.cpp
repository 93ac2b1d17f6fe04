#include "PictureView.h"

#include "CanvasWidget.h"
#include "CoordinateGrid.h"
#include "Loupe.h"
#include "PictureArea.h"
#include "Readout.h"
#include "ScrollSteps.h"
#include "ShapeSketch.h"
#include "Twips.h"
#include "Zoom.h"

#include <QLineF>
#include <QProgressBar>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace koordel {

PictureView::PictureView(const ValueSheet& sheet, Guard guard, QWidget* parent)
    : QWidget(parent), m_guard(std::move(guard)) {
  // The canvas moves as a whole inside this clip when scrolled, so every
  // position it reports stays an image position.
  m_viewport = new PictureArea(this, [this](const QWheelEvent& event) {
    m_guard([&] { wheel(event.angleDelta(), event.modifiers(), event.position()); });
  });
  m_viewport->setObjectName(u"viewport"_s);
  m_canvas = new CanvasWidget(m_viewport);
  // Over the canvas, under everything else the area shows.
  m_grid = new CoordinateGrid(sheet, *m_canvas, m_viewport);
  // A zoom need not move or resize a canvas only a few pixels wide.
  connect(this, &PictureView::zoomChanged, m_grid, &CoordinateGrid::refresh);

  m_hScroll = new QScrollBar(Qt::Horizontal, this);
  m_hScroll->setObjectName(u"HScroll1"_s);
  m_vScroll = new QScrollBar(Qt::Vertical, this);
  m_vScroll->setObjectName(u"VScroll1"_s);
  for (QScrollBar* bar : {m_hScroll, m_vScroll}) {
    bar->setRange(0, 0);
    // Like the bars' change event: the canvas follows a dragged thumb when it
    // is let go, not on every step of the drag.
    bar->setTracking(false);
    connect(bar, &QScrollBar::valueChanged, this, &PictureView::placeCanvas);
  }

  // A thin bar in the area's corner while a picture is decoded; what is not
  // there yet shows grey (or coarse) on the canvas itself.
  m_loading = new QProgressBar(m_viewport);
  m_loading->setObjectName(u"loading"_s);
  m_loading->setAccessibleName(u"画像の読み込み"_s);
  m_loading->setFormat(u"読み込み中 %p%"_s);
  m_loading->hide();

  m_loupe = new Loupe(m_canvas->surface(), sheet, this);

  // The measure of a shape being built, in the area's corner, where the eye
  // is while clicking; the pointer goes through it to the picture.
  m_measure = new Readout(u"計測"_s, m_viewport);
  m_measure->setObjectName(u"measure"_s);
  m_measure->setAutoFillBackground(true);
  m_measure->setFrameStyle(QFrame::Panel | QFrame::Raised);
  m_measure->setMargin(2);
  m_measure->setAttribute(Qt::WA_TransparentForMouseEvents);
  m_measure->move(4, 4);
  m_measure->hide();
  m_sketch = std::make_unique<ShapeSketch>(
      *m_canvas, [this] { return m_canvas->zoom(); }, *m_measure);
  m_canvas->setSketch(m_sketch.get());

  connect(m_canvas, &CanvasWidget::wheeled, this,
          [this](QPoint angleDelta, Qt::KeyboardModifiers modifiers, QPointF at) {
            m_guard([&] { wheel(angleDelta, modifiers, m_canvas->mapTo(m_viewport, at)); });
          });
  connect(m_canvas, &CanvasWidget::left, m_loupe, &QWidget::hide);
  connect(m_canvas, &CanvasWidget::pictureReady, m_loupe, [this] { m_loupe->update(); });
}

PictureView::~PictureView() {
  m_canvas->setSketch(nullptr);
}

Sketch& PictureView::sketch() {
  return *m_sketch;
}

void PictureView::arrange(const QRect& area, const QRect& horizontalBar, const QRect& verticalBar) {
  const QRect all = area.united(horizontalBar).united(verticalBar);
  setGeometry(all);
  const QPoint origin = -all.topLeft();
  m_viewport->setGeometry(area.translated(origin));
  m_loading->setGeometry(4, std::max(0, area.height() - 22), 200, 18);
  m_hScroll->setGeometry(horizontalBar.translated(origin));
  m_vScroll->setGeometry(verticalBar.translated(origin));
  m_loupe->hide();
  setUpScrollBars();
}

void PictureView::setLoupeOn(bool on) {
  m_loupeOn = on;
  if (!on) {
    m_loupe->hide();
  }
}

void PictureView::setGridOn(bool on) {
  m_grid->setVisible(on);
  m_grid->refresh();
}

void PictureView::showProgress(std::optional<int> percent) {
  if (!percent) {
    m_loading->hide();
    return;
  }
  // In per cent, which is also what assistive technology reads out.
  m_loading->setRange(0, 100);
  m_loading->setValue(*percent);
  m_loading->show();
  m_loading->raise();
}

PictureView::Place PictureView::place() const {
  return {m_canvas->zoom(), m_padding, m_anchor, m_hScroll->value(), m_vScroll->value()};
}

PictureCanvas::Kept PictureView::showPicture(std::shared_ptr<Picture> picture) {
  m_padding = QMargins();
  m_anchor.reset();
  PictureCanvas::Kept kept = m_canvas->replacePicture(std::move(picture));
  emit pictureShown();
  m_canvas->setZoom(1);
  emit zoomChanged(m_canvas->zoom());
  setUpScrollBars();
  return kept;
}

void PictureView::bringBack(PictureCanvas::Kept kept, const Place& at) {
  // The zoom after the picture: how far it may go depends on the picture.
  m_canvas->bringBack(std::move(kept));
  moveTo(at);
}

void PictureView::moveTo(const Place& at) {
  m_canvas->setZoom(at.zoom);
  m_padding = at.padding;
  m_anchor = at.anchor;
  emit zoomChanged(m_canvas->zoom());
  setUpScrollBars();
  m_hScroll->setValue(at.scrolledAcross);
  m_vScroll->setValue(at.scrolledDown);
  placeCanvas();
}

void PictureView::setUpScrollBars() {
  // The bars scroll over the canvas as the picture area shows it.
  // In 64 bits: the canvas alone may be 16 million pixels, 250 million
  // twips, before the blank room beside it.
  const auto setUp = [](QScrollBar* bar, qint64 canvasPixels, int areaPixels) {
    const ScrollSteps steps =
        scrollSteps(canvasPixels * kTwipsPerPixel, areaPixels * kTwipsPerPixel, bar->pageStep(),
                    bar->singleStep());
    // The value is kept across loads, as far as the new range allows.
    const QSignalBlocker quiet(bar);
    bar->setRange(0, std::max(0, steps.maximum));
    bar->setPageStep(steps.largeStep);
    bar->setSingleStep(steps.smallStep);
  };
  setUp(m_hScroll, qint64(m_canvas->width()) + m_padding.left() + m_padding.right(),
        m_viewport->width());
  setUp(m_vScroll, qint64(m_canvas->height()) + m_padding.top() + m_padding.bottom(),
        m_viewport->height());
  placeCanvas();
}

void PictureView::placeCanvas() {
  m_canvas->move(m_padding.left() - qRound(m_hScroll->value() / double(kTwipsPerPixel)),
                 m_padding.top() - qRound(m_vScroll->value() / double(kTwipsPerPixel)));
}

void PictureView::wheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers, QPointF inArea) {
  if (modifiers.testFlag(Qt::ControlModifier)) {
    // Whole notches are steps; a touchpad's small turns add up to them.
    m_zoomWheel = std::clamp(m_zoomWheel + angleDelta.y(), -120 * 1000, 120 * 1000);
    const int steps = m_zoomWheel / 120;
    if (steps != 0) {
      m_zoomWheel -= steps * 120;
      zoomAbout(zoom::stepped(m_canvas->zoom(), steps), inArea);
    }
    return;
  }
  // One notch moves 60 pixels, whatever the bars' own steps (the small step
  // of a big scan is a single twip).
  constexpr qint64 kTwipsPerNotch = 60 * kTwipsPerPixel;
  QPoint delta = angleDelta;
  if (modifiers.testFlag(Qt::ShiftModifier) && delta.x() == 0) {
    delta = QPoint(delta.y(), 0);
  }
  // angleDelta counts 120 to a notch.
  const auto moved = [](QScrollBar* bar, int by) {
    const qint64 value = bar->value() - qint64(by) * kTwipsPerNotch / 120;
    bar->setValue(static_cast<int>(std::clamp<qint64>(value, bar->minimum(), bar->maximum())));
  };
  moved(m_hScroll, delta.x());
  moved(m_vScroll, delta.y());
}

void PictureView::zoomAbout(double zoom, QPointF inArea) {
  const double from = m_canvas->zoom();
  const bool samePlace = m_anchor && m_anchor->canvasAt == m_canvas->pos() &&
                         QLineF(m_anchor->inArea, inArea).length() < 0.5;
  const QPointF image = samePlace ? m_anchor->image : (inArea - QPointF(m_canvas->pos())) / from;
  // The canvas stops the zoom where the picture would be larger than a
  // widget can be.
  m_canvas->setZoom(zoom::clamped(zoom));
  const double to = m_canvas->zoom();
  // Where the area's corner must lie on the canvas, and the blank room that
  // takes before or after the canvas. The blank room is bounded (by the
  // widest a widget can be) so that the sums and twips below stay within
  // int whatever zoom and point a caller passes; zooming about a point of
  // the area never comes near that bound.
  const QPointF wanted = zoom::offsetKeeping(image, inArea, to);
  const auto within = [](double at, int canvas) {
    return qRound(
        std::clamp(at, -double(zoom::kMostScreenPixels), double(canvas) + zoom::kMostScreenPixels));
  };
  const QPoint corner(within(wanted.x(), m_canvas->width()),
                      within(wanted.y(), m_canvas->height()));
  const QSize beyond = m_viewport->size() - m_canvas->size();
  m_padding =
      QMargins(std::max(0, -corner.x()), std::max(0, -corner.y()),
               std::max(0, corner.x() + beyond.width()), std::max(0, corner.y() + beyond.height()));
  setUpScrollBars();
  for (const auto& [bar, value] : {std::pair{m_hScroll, corner.x() + m_padding.left()},
                                   std::pair{m_vScroll, corner.y() + m_padding.top()}}) {
    const QSignalBlocker quiet(bar);
    bar->setValue(static_cast<int>(
        std::clamp<qint64>(qint64(value) * kTwipsPerPixel, bar->minimum(), bar->maximum())));
  }
  placeCanvas();
  m_anchor = Anchor{inArea, image, m_canvas->pos()};
  emit zoomChanged(m_canvas->zoom());
}

void PictureView::zoomIn() {
  zoomAbout(zoom::stepped(m_canvas->zoom(), 1), QRectF(m_viewport->rect()).center());
}

void PictureView::zoomOut() {
  zoomAbout(zoom::stepped(m_canvas->zoom(), -1), QRectF(m_viewport->rect()).center());
}

void PictureView::zoomToActualSize() {
  zoomAbout(1, QRectF(m_viewport->rect()).center());
}

void PictureView::zoomToFit() {
  m_canvas->setZoom(zoom::fitting(m_canvas->surface().size(), m_viewport->size()));
  m_padding = QMargins();
  setUpScrollBars();
  for (QScrollBar* bar : {m_hScroll, m_vScroll}) {
    const QSignalBlocker quiet(bar);
    bar->setValue(0);
  }
  placeCanvas();
  emit zoomChanged(m_canvas->zoom());
}

void PictureView::refreshLoupe() {
  m_loupe->update();
}

void PictureView::followPointer(const PointerEvent& e) {
  if (!m_loupeOn) {
    return;
  }
  const QPointF onCanvas = QPointF(e.x, e.y) / kTwipsPerPixel * m_canvas->zoom();
  const QPoint pointer = m_canvas->mapTo(this, onCanvas).toPoint();
  m_loupe->follow(QPointF(e.x, e.y), pointer, m_viewport->geometry(), m_canvas->zoom());
}

}  // namespace koordel
