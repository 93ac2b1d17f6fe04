#pragma once

#include "PictureDecoder.h"

#include <QString>

#include <memory>

namespace koordel {

// JPEG through libjpeg-turbo, row by row: grey pictures as 8-bit grey,
// colour ones as their YCbCr planes (4:4:4, 4:2:2, 4:2:0, 4:4:0), other
// colour ones as 24-bit RGB. A file that ends early is damaged.
class JpegDecoder : public PictureDecoder {
 public:
  // Reads the header. No decoder (and `error` says why, or is empty for a
  // file this decoder leaves to the toolkit: CMYK, turned by its EXIF tag).
  static std::unique_ptr<JpegDecoder> open(const QString& path, qint64 limitBytes, QString& error);
  ~JpegDecoder() override;

  QSize size() const override;
  QString path() const override;
  bool prepare(PixelStore& store) override;
  Result decode(PixelStore& store, const std::function<void(int)>& rows,
                const std::function<bool()>& cancelled) override;
  QImage preview(const std::function<bool()>& cancelled) override;

  // Whether the file looks like a JPEG (by its first bytes).
  static bool recognises(const QString& path);

 private:
  struct State;
  explicit JpegDecoder(std::unique_ptr<State> state);
  std::unique_ptr<State> m_state;
};

}  // namespace koordel
