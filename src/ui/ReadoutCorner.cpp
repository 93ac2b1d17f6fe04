#include "ReadoutCorner.h"

#include "CanvasWidget.h"
#include "PictureView.h"
#include "TiltReadout.h"
#include "ValueSheet.h"
#include "ZoomReadout.h"

#include <QHBoxLayout>
#include <QMenuBar>

namespace koordel {

CornerReadouts addReadoutCorner(QMenuBar* bar, const ValueSheet& sheet, const PictureView* view) {
  auto* corner = new QWidget(bar);
  auto* row = new QHBoxLayout(corner);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  auto* tilt = new TiltReadout(sheet, corner);
  auto* zoom = new ZoomReadout(corner);
  row->addWidget(tilt);
  row->addWidget(zoom);
  bar->setCornerWidget(corner, Qt::TopRightCorner);
  // A menu bar sizes its corner only when the corner is set, shown or hidden.
  QObject::connect(&sheet, &ValueSheet::tiltChanged, corner,
                   [bar, corner] { bar->setCornerWidget(corner, Qt::TopRightCorner); });
  QObject::connect(view, &PictureView::zoomChanged, zoom, &ZoomReadout::showZoom);
  zoom->showZoom(view->canvas()->zoom());
  return {tilt, zoom};
}

}  // namespace koordel
