#include "Picture.h"

namespace koordel {

const QImage& Picture::image() const {
  static const QImage none;
  return none;
}

}  // namespace koordel
