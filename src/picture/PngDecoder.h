#pragma once

#include "PictureDecoder.h"

#include <QString>

#include <memory>

namespace koordel {

// PNG through libpng, row by row: 8-bit grey as grey, 8-bit RGB at 3 bytes
// a pixel, 8-bit RGBA as 32-bit ARGB, as the toolkit gives them. Interlaced
// files, palettes, 16-bit and other depths, and transparency chunks are
// left to the toolkit.
class PngDecoder : public PictureDecoder {
 public:
  // Reads the header: a decoder, or none (`error` says why, or is empty for
  // a file left to the toolkit).
  static std::unique_ptr<PngDecoder> open(const QString& path, qint64 limitBytes, QString& error);
  ~PngDecoder() override;

  QSize size() const override;
  QString path() const override;
  bool prepare(PixelStore& store) override;
  Result decode(PixelStore& store, const std::function<void(int)>& rows,
                const std::function<bool()>& cancelled) override;

  // Whether the file starts as a PNG does.
  static bool recognises(const QString& path);
  // Whether every chunk the file declares lies within it. The toolkit's
  // reader allocates the length a chunk's header claims before it reads a
  // byte of it, so a file that fails this is not given to it.
  static bool chunksWithinFile(const QString& path);

 private:
  struct State;
  explicit PngDecoder(std::unique_ptr<State> state);
  std::unique_ptr<State> m_state;
};

}  // namespace koordel
