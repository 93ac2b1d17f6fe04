#pragma once

#include "PictureDecoder.h"

#include <QSemaphore>
#include <QSize>

#include <algorithm>
#include <atomic>
#include <new>
#include <stdexcept>

// A decoder whose rows come when the test lets them: the first `early` at
// once, the rest when released, or a failure instead.
struct HeldDecoder : koordel::PictureDecoder {
  QSize picture;
  int early;
  QSemaphore* release;
  std::atomic<bool>* sawCancel;
  // How the rows after `early` end: they come, or the file turns out
  // damaged, or the decode throws (as when memory runs out).
  enum class End { Rows, Damaged, OutOfMemory, Throws };
  End end = End::Rows;

  HeldDecoder(QSize s, int e, QSemaphore* r, std::atomic<bool>* c)
      : picture(s), early(e), release(r), sawCancel(c) {}
  QSize size() const override { return picture; }
  bool prepare(koordel::PixelStore& store) override {
    store.image = QImage(picture, QImage::Format_Grayscale8);
    return true;
  }
  Result decode(koordel::PixelStore& store, const std::function<void(int)>& rows,
                const std::function<bool()>& cancelled) override {
    const auto fill = [&](int from, int to) {
      for (int y = from; y < to; ++y) {
        std::fill_n(store.row(y), picture.width(), uchar(40));
      }
      rows(to);
    };
    fill(0, early);
    while (!release->tryAcquire(1, 5)) {
      if (cancelled()) {
        *sawCancel = true;
        return {};
      }
    }
    switch (end) {
      case End::Rows:
        break;
      case End::Damaged:
        return {QStringLiteral("画像データが途中で切れているか、壊れています。"), {}};
      case End::OutOfMemory:
        throw std::bad_alloc();
      case End::Throws:
        throw std::runtime_error("unexpected");
    }
    fill(early, picture.height());
    return {};
  }
};
