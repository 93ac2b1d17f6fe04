#pragma once

#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QString>

// Pictures for the benchmarks, made on first use and kept in the temporary
// folder: a line drawing much like a scanned sheet.
inline QImage drawingLike(QSize size, QImage::Format format) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setPen(QPen(Qt::black, 3));
  for (int x = 0; x < size.width(); x += 97) {
    painter.drawLine(x, 0, size.width() - x, size.height());
  }
  for (int y = 0; y < size.height(); y += 131) {
    painter.drawLine(0, y, size.width(), y + 40);
    painter.drawEllipse(QPoint((y * 7) % size.width(), y), 60, 60);
  }
  painter.end();
  return format == QImage::Format_RGB32 ? image : image.convertToFormat(format);
}

inline QString benchPicture(const QString& name, QSize size, QImage::Format format) {
  const QString path = QDir::temp().filePath(QStringLiteral("koordel-bench-") + name);
  if (!QFile::exists(path)) {
    QImageWriter writer(path);
    writer.setCompression(1);
    writer.setQuality(90);
    if (!writer.write(drawingLike(size, format))) {
      qFatal("cannot write %s", qPrintable(path));
    }
  }
  return path;
}
