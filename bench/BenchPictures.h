#pragma once

#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include <jpeglib.h>

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

// Much like a scanned engineering sheet: border and zone marks, a title
// block with Japanese text, parts with centre lines, dimensions, a road,
// contour lines, hatching and scan specks. Drawn in grey, then thresholded
// for 1-bit; `size` is the whole sheet (13244 x 18724 is A0 at 400 dpi).
// Antialiased, the strokes have the soft edges a grey scan gives them.
inline QImage sheetLike(QSize size, QImage::Format format, bool antialiased = false) {
  QImage grey(size, QImage::Format_Grayscale8);
  grey.fill(255);
  const double mm = size.height() / 1189.0;  // pixels per millimetre of an A0 sheet
  QPainter p(&grey);
  p.setRenderHint(QPainter::Antialiasing, antialiased);
  const auto pen = [&](double widthMm, Qt::PenStyle style = Qt::SolidLine) {
    p.setPen(QPen(Qt::black, std::max(1.0, widthMm * mm), style, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
  };
  QFont font(QStringLiteral("IPAexGothic"));
  const auto text = [&](QPointF at, double heightMm, const QString& t) {
    font.setPixelSize(std::max(6, static_cast<int>(heightMm * mm)));
    p.setFont(font);
    p.drawText(at * mm, t);
  };
  const double w = size.width() / mm;
  const double h = size.height() / mm;
  pen(1.0);
  p.drawRect(QRectF(10 * mm, 10 * mm, (w - 20) * mm, (h - 20) * mm));
  pen(0.35);
  for (int i = 0; i * 100 + 10 < w - 10; ++i) {
    text(QPointF(55 + i * 100, 8), 5, QString::number(i + 1));
    p.drawLine(QPointF((10 + i * 100) * mm, 5 * mm), QPointF((10 + i * 100) * mm, 10 * mm));
  }
  for (int i = 0; i * 100 + 10 < h - 10; ++i) {
    text(QPointF(3, 65 + i * 100), 5, QString(QChar(u'A' + i)));
  }
  // Title block.
  const QRectF title((w - 200) * mm, (h - 80) * mm, 190 * mm, 70 * mm);
  pen(0.7);
  p.drawRect(title);
  p.drawLine(title.topLeft() + QPointF(0, 25 * mm), title.topRight() + QPointF(0, 25 * mm));
  p.drawLine(title.topLeft() + QPointF(90 * mm, 25 * mm), title.bottomLeft() + QPointF(90 * mm, 0));
  text(QPointF(w - 195, h - 62), 9, QStringLiteral("Koordel 試験図面 第1号"));
  text(QPointF(w - 195, h - 40), 6, QStringLiteral("縮尺 1:200"));
  text(QPointF(w - 105, h - 40), 6, QStringLiteral("図面番号 K-0001"));
  text(QPointF(w - 195, h - 22), 6, QStringLiteral("単位 mm"));
  text(QPointF(w - 105, h - 22), 6, QStringLiteral("2026-12-08 作成"));
  std::uint32_t seed = 12345;
  const auto random = [&](double lo, double hi) {
    seed = seed * 1664525u + 1013904223u;
    return lo + (hi - lo) * (seed >> 8) / double(1u << 24);
  };
  // Contour lines of a hill.
  pen(0.25);
  for (int c = 1; c <= 14; ++c) {
    QPainterPath path;
    for (int a = 0; a <= 360; a += 3) {
      const double r = c * 14 * (1 + 0.15 * std::sin(a * 3.14159 / 60 + c));
      const QPointF pt((w * 0.3 + r * std::cos(a * 3.14159 / 180)) * mm,
                       (h * 0.25 + 0.8 * r * std::sin(a * 3.14159 / 180)) * mm);
      a == 0 ? path.moveTo(pt) : path.lineTo(pt);
    }
    p.drawPath(path);
  }
  // A road across the sheet.
  pen(0.5);
  for (double off : {0.0, 12.0}) {
    QPainterPath road;
    for (double x = 10; x <= w - 10; x += 5) {
      const QPointF pt(x * mm, (h * 0.55 + 60 * std::sin(x / 140) + off) * mm);
      x == 10 ? road.moveTo(pt) : road.lineTo(pt);
    }
    p.drawPath(road);
  }
  // Buildings with hatching, holes with centre lines, and dimensions.
  for (int i = 0; i < 60; ++i) {
    const QRectF box(random(30, w - 120) * mm, random(h * 0.6, h - 120) * mm, random(15, 70) * mm,
                     random(10, 50) * mm);
    pen(0.5);
    p.drawRect(box);
    if (i % 4 == 0) {
      p.setBrush(QBrush(Qt::black, Qt::BDiagPattern));
      p.setPen(Qt::NoPen);
      p.drawRect(box);
    }
    pen(0.25);
    p.drawLine(box.bottomLeft() + QPointF(0, 5 * mm), box.bottomRight() + QPointF(0, 5 * mm));
    text(QPointF(box.center().x() / mm - 4, box.bottom() / mm + 4), 3,
         QString::number(qRound(box.width() / mm * 200)));
  }
  for (int i = 0; i < 40; ++i) {
    const QPointF c(random(w * 0.55, w - 60) * mm, random(40, h * 0.5) * mm);
    const double r = random(3, 25) * mm;
    pen(0.5);
    p.drawEllipse(c, r, r);
    pen(0.18, Qt::DashDotLine);
    p.drawLine(c - QPointF(r + 3 * mm, 0), c + QPointF(r + 3 * mm, 0));
    p.drawLine(c - QPointF(0, r + 3 * mm), c + QPointF(0, r + 3 * mm));
    text(c / mm + QPointF(r / mm + 2, -r / mm - 1), 3,
         QStringLiteral("φ%1").arg(qRound(2 * r / mm)));
  }
  // Specks of dust on the scanner glass.
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  for (int i = 0; i < 3000; ++i) {
    p.drawEllipse(QPointF(random(0, size.width()), random(0, size.height())), 0.8, 0.8);
  }
  p.end();
  if (format == QImage::Format_Grayscale8) {
    return grey;
  }
  if (format == QImage::Format_Mono || format == QImage::Format_MonoLSB) {
    return grey.convertToFormat(format, Qt::ThresholdDither);
  }
  return grey.convertToFormat(format);
}

// A site plan as a surveyor might scan it: a coordinate grid every 10 m
// (100 pixels) with its labels in metres, a scale bar, buildings, a road and
// trees.
inline QImage planLike() {
  const QSize size(1200, 800);
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(0xfb, 0xfa, 0xf5));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font(QStringLiteral("IPAexGothic"));
  font.setPixelSize(14);
  p.setFont(font);
  p.setPen(QPen(QColor(0x9d, 0xb8, 0xd3), 1));
  for (int x = 100; x < size.width(); x += 100) {
    p.drawLine(x, 0, x, size.height());
    p.drawText(x + 3, 14, QString::number(x / 10));
  }
  for (int y = 100; y < size.height(); y += 100) {
    p.drawLine(0, y, size.width(), y);
    p.drawText(3, y - 3, QString::number((size.height() - y) / 10));
  }
  p.setPen(QPen(QColor(0x55, 0x55, 0x55), 2));
  QPainterPath road;
  road.moveTo(0, 470);
  road.cubicTo(300, 420, 700, 560, 1200, 450);
  p.drawPath(road);
  p.drawPath(road.translated(0, 36));
  p.setPen(QPen(QColor(0x70, 0x60, 0x50), 1));
  p.setBrush(QColor(0xe8, 0xd9, 0xc4));
  for (const QRect& r :
       {QRect(150, 180, 240, 160), QRect(470, 140, 170, 220), QRect(720, 200, 200, 130),
        QRect(180, 560, 260, 120), QRect(620, 580, 200, 110)}) {
    p.drawRect(r);
  }
  p.setBrush(QColor(0xa8, 0xd5, 0x9a));
  p.setPen(QPen(QColor(0x2e, 0x6b, 0x2e), 1));
  for (const QPoint& c : {QPoint(90, 90), QPoint(700, 80), QPoint(890, 110), QPoint(880, 600)}) {
    p.drawEllipse(c, 26, 26);
  }
  // The scale bar: 0 to 30 m, 100 pixels to 10 m.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::black, 2));
  p.fillRect(QRect(500, 740, 100, 10), Qt::black);
  p.fillRect(QRect(700, 740, 100, 10), Qt::black);
  p.drawRect(QRect(500, 740, 300, 10));
  for (int m = 0; m <= 30; m += 10) {
    p.drawText(500 + m * 10 - 4, 735, QString::number(m));
  }
  p.drawText(810, 751, QStringLiteral("m"));
  font.setPixelSize(20);
  p.setFont(font);
  p.drawText(930, 780, QStringLiteral("配置図  縮尺 1:500"));
  return image;
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

// Scan B: an A0 sheet at 400 dpi, 1-bit, Group 4, as a scanner writes it.
inline QString scanB() {
  const QString path = QDir::temp().filePath(QStringLiteral("koordel-bench-scan-b.tif"));
  if (!QFile::exists(path)) {
    QImageWriter writer(path);
    writer.setCompression(1);  // CCITT Group 4 for 1-bit pictures
    if (!writer.write(sheetLike(QSize(13244, 18724), QImage::Format_Mono))) {
      qFatal("cannot write %s", qPrintable(path));
    }
  }
  return path;
}

// A colour map scanned at 400 dpi: the sheet's line work over tinted areas,
// with a scanner's noise, as a 4:2:0 JPEG at quality 90 (libjpeg's usual).
inline bool writeColourSheet(const QString& path) {
  const QSize a0(13244, 18724);
  const QImage lines = sheetLike(a0, QImage::Format_Grayscale8);
  std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
  if (!file) {
    return false;
  }
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = JDIMENSION(a0.width());
  info.image_height = JDIMENSION(a0.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::minstd_rand noise(7);
  std::vector<uchar> row(std::size_t(a0.width()) * 3);
  static const QRgb tints[] = {qRgb(0xf4, 0xee, 0xd8), qRgb(0xd8, 0xec, 0xc8),
                               qRgb(0xc8, 0xde, 0xf0), qRgb(0xf6, 0xd8, 0xc8),
                               qRgb(0xe8, 0xe8, 0xe8)};
  while (info.next_scanline < info.image_height) {
    const int y = int(info.next_scanline);
    const uchar* grey = lines.constScanLine(y);
    for (int x = 0; x < a0.width(); ++x) {
      const QRgb tint = tints[((x / 1400) * 3 + (y / 1100) * 7 + (x / 700 + y / 900) % 2) % 5];
      const int n = int(noise() % 9) - 4;
      const auto channel = [&](int c) { return uchar(std::clamp(c * grey[x] / 255 + n, 0, 255)); };
      row[std::size_t(x) * 3] = channel(qRed(tint));
      row[std::size_t(x) * 3 + 1] = channel(qGreen(tint));
      row[std::size_t(x) * 3 + 2] = channel(qBlue(tint));
    }
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(file) == 0;
}

// Scan C: that colour sheet, A0 at 400 dpi, as a scanner's JPEG.
inline QString scanC() {
  const QString path = QDir::temp().filePath(QStringLiteral("koordel-bench-scan-c.jpg"));
  if (!QFile::exists(path) && !writeColourSheet(path)) {
    qFatal("cannot write %s", qPrintable(path));
  }
  return path;
}
