#pragma once

#include "PictureDecoder.h"

#include <QString>

#include <memory>

namespace koordel {

// TIFF through libtiff, in the depth the toolkit would give it: 1-bit scans
// as 1-bit, 8-bit grey as grey, palettes as indexed colour, 8-bit RGB at 3
// bytes a pixel. Other kinds (16-bit, alpha, CMYK, YCbCr, turned by their
// orientation tag) are left to the toolkit.
//
// Strips and tiles are compressed each on its own, so they are decoded side
// by side, one thread a core, each with the file open on its own: bands of
// rows (a strip or a row of tiles, or a few of them), in the order of
// BandOrder.h, each straight into the picture's rows. The rows complete from
// the top are told as they grow; every band as it comes.
class TiffDecoder : public PictureDecoder {
 public:
  // Reads the header: a decoder, or none (`error` says why, or is empty for
  // a file left to the toolkit).
  static std::unique_ptr<TiffDecoder> open(const QString& path, qint64 limitBytes, QString& error);
  ~TiffDecoder() override;

  QSize size() const override;
  QString path() const override;
  bool prepare(PixelStore& store) override;
  Result decode(PixelStore& store, const std::function<void(int)>& rows,
                const std::function<bool()>& cancelled) override;

  // Whether the file starts as a TIFF does.
  static bool recognises(const QString& path);

  // Threads that decode (at least one; the machine's cores unless set), and
  // whether the bands come interleaved or simply top to bottom.
  void setThreads(int threads);
  void setInterleaved(bool interleaved);

 private:
  struct State;
  explicit TiffDecoder(std::unique_ptr<State> state);
  std::unique_ptr<State> m_state;
};

}  // namespace koordel
