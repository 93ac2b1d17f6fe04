#pragma once

#include "Field.h"

#include <QObject>
#include <QString>

#include <array>

namespace koordel {

// The single store of measurement state. Every value is kept as the text it
// was written as; readers parse the current text at the moment of use, so a
// value typed by the user takes effect at the very next reader.
class ValueSheet : public QObject {
  Q_OBJECT

 public:
  explicit ValueSheet(QObject* parent = nullptr);

  const QString& text(Field f) const { return m_texts[static_cast<std::size_t>(f)]; }

  // Any text may be stored; nothing is validated here.
  void setText(Field f, const QString& text);

  // The lenient parse of the current text.
  double number(Field f) const;

  // How far the drawing's axes are turned against the picture's edges, in
  // degrees, counterclockwise as seen; 0 when no tilt is corrected. Part of
  // the calibration but not one of the 24 texts: a sheet without a tilt
  // converts, saves and shows exactly as one that never heard of it.
  double tilt() const { return m_tilt; }
  // The tilt's cosine and sine, worked out once rather than at every move.
  double tiltCos() const { return m_tiltCos; }
  double tiltSin() const { return m_tiltSin; }
  // A value that is not finite is taken as no tilt.
  void setTilt(double degrees);

 signals:
  void changed(koordel::Field field);
  void tiltChanged();

 private:
  std::array<QString, kFieldCount> m_texts;
  double m_tilt = 0;
  double m_tiltCos = 1;
  double m_tiltSin = 0;
};

}  // namespace koordel
