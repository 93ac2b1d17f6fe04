#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>

#include <optional>

class QWidget;

namespace koordel {

class PdfDocument;

// Which page, at which resolution: the page becomes a picture of
// (page size x dpi / 72) pixels.
struct PdfChoice {
  int page = 0;  // from 0
  int dpi = 200;
};

// What opening a PDF asks the user.
class PdfPrompts {
 public:
  static constexpr int kMinimumDpi = 36;
  static constexpr int kMaximumDpi = 2400;
  static constexpr int kDefaultDpi = 200;

  virtual ~PdfPrompts() = default;
  // The resolution the page dialog starts with.
  int startingDpi() const { return m_startingDpi; }
  void setStartingDpi(int dpi) { m_startingDpi = dpi; }
  // The page and the resolution; no value when the user cancels.
  virtual std::optional<PdfChoice> choose(const QString& file, const PdfDocument& document) = 0;
  // The password of a protected file; no value when the user cancels.
  virtual std::optional<QByteArray> password(const QString& file) = 0;

 private:
  int m_startingDpi = kDefaultDpi;
};

class QtPdfPrompts : public PdfPrompts {
 public:
  explicit QtPdfPrompts(QWidget* parent) : m_parent(parent) {}
  std::optional<PdfChoice> choose(const QString& file, const PdfDocument& document) override;
  std::optional<QByteArray> password(const QString& file) override;

 private:
  QWidget* m_parent;
};

}  // namespace koordel
