#pragma once

namespace koordel {

// One pointer event on the canvas, in plain values: the canvas widget turns
// the toolkit's event into this. Position in twips from the canvas's top-left
// corner, which is an image position whatever the scroll.
struct PointerEvent {
  int buttons = 0;
  int shift = 0;
  float x = 0;
  float y = 0;
  // The release that ends the second click of a double click.
  bool secondClick = false;
};

}  // namespace koordel
