#pragma once

#include <QRect>
#include <QSize>

namespace koordel {

// Where the main window's controls sit in a client area of a given size. At
// the design size (15270 x 9990 twips) everything is where the design puts
// it; a larger window gives the room to the picture area, with the scroll
// bars along its right and bottom edges and the status bar and comment box
// along the bottom. Below the design width the comment box narrows.
struct ClientLayout {
  QRect pictureArea;  // what the scroll bars leave of the canvas's clip
  QRect horizontalBar;
  QRect verticalBar;
  QRect statusBar;
  QRect commentBox;

  static QSize designSize();
  static QSize minimumSize();
  static ClientLayout forSize(QSize client);
};

}  // namespace koordel
