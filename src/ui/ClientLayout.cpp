#include "ClientLayout.h"

#include "TwipsGeometry.h"

#include <algorithm>

namespace koordel {
namespace {

constexpr int kClientWidth = 15270;
constexpr int kClientHeight = 9990;
constexpr int kStatusBarHeight = 375;
// The status panels need this much left of the comment box.
constexpr int kPanelsWidth = 688;
constexpr int kMinimumCommentWidth = 160;
constexpr int kMinimumPictureHeight = 120;

}  // namespace

QSize ClientLayout::designSize() {
  return {twipsToPixels(kClientWidth), twipsToPixels(kClientHeight)};
}

QSize ClientLayout::minimumSize() {
  const ClientLayout design = forSize(designSize());
  const int rightMargin = designSize().width() - design.commentBox.right() - 1;
  return {kPanelsWidth + kMinimumCommentWidth + rightMargin,
          designSize().height() - design.pictureArea.height() + kMinimumPictureHeight};
}

ClientLayout ClientLayout::forSize(QSize client) {
  const QSize design = designSize();
  const int dw = client.width() - design.width();
  const int dh = client.height() - design.height();
  ClientLayout l;
  l.horizontalBar = twipsRect(0, 9120, 14895, 375).adjusted(0, dh, dw, dh);
  l.verticalBar = twipsRect(14880, 0, 375, 9135).adjusted(dw, 0, dw, dh);
  // The bars overlap the canvas's clip by a pixel at the design size; the
  // picture area is what they leave uncovered, so its last pixel shows.
  l.pictureArea = QRect(0, 0, l.verticalBar.left(), l.horizontalBar.top());
  l.statusBar = QRect(0, twipsToPixels(kClientHeight - kStatusBarHeight) + dh, client.width(),
                      twipsToPixels(kStatusBarHeight));
  const QRect comment = twipsRect(10320, 9600, 4815, 315);
  const int width = std::max(kMinimumCommentWidth, comment.width() + std::min(dw, 0));
  l.commentBox =
      QRect(comment.right() + 1 + dw - width, comment.top() + dh, width, comment.height());
  return l;
}

}  // namespace koordel
