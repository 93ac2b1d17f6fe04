// PDF pages through Poppler's Qt 6 binding. A module of its own, loaded at
// run time, so that the program runs without Poppler; nothing that throws
// leaves this file.
#include "PdfDocument.h"

#include <poppler-qt6.h>

#include <QVariant>

namespace koordel {
namespace {

std::unique_ptr<Poppler::Document> load(const QByteArray& bytes, const QByteArray& password) {
  std::unique_ptr<Poppler::Document> document =
      Poppler::Document::loadFromData(bytes, password, password);
  if (document) {
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    document->setRenderHint(Poppler::Document::TextHinting);
  }
  return document;
}

bool shouldAbort(const QVariant& closure) {
  const auto* abort = reinterpret_cast<const std::function<bool()>*>(closure.value<quintptr>());
  return abort && *abort && (*abort)();
}

class PopplerRenderer : public PdfPageRenderer {
 public:
  PopplerRenderer(std::unique_ptr<Poppler::Document> document, int page)
      : m_document(std::move(document)), m_page(m_document ? m_document->page(page) : nullptr) {}

  QImage render(double dpi, const QRect& region, const std::function<bool()>& abort) override {
    if (!m_page) {
      return {};
    }
    try {
      return m_page->renderToImage(
          dpi, dpi, region.x(), region.y(), region.width(), region.height(), Poppler::Page::Rotate0,
          nullptr, nullptr, shouldAbort, QVariant::fromValue(reinterpret_cast<quintptr>(&abort)));
    } catch (...) {
      return {};
    }
  }

 private:
  std::unique_ptr<Poppler::Document> m_document;
  std::unique_ptr<Poppler::Page> m_page;
};

class PopplerDocument : public PdfDocument {
 public:
  PopplerDocument(QByteArray bytes, QByteArray password,
                  std::unique_ptr<Poppler::Document> document)
      : m_bytes(std::move(bytes)),
        m_password(std::move(password)),
        m_document(std::move(document)) {}

  int pageCount() const override { return m_document->numPages(); }

  QSizeF pageSize(int page) const override {
    const std::unique_ptr<Poppler::Page> p(m_document->page(page));
    return p ? p->pageSizeF() : QSizeF();
  }

  std::unique_ptr<PdfPageRenderer> renderer(int page) const override {
    return std::make_unique<PopplerRenderer>(load(m_bytes, m_password), page);
  }

 private:
  QByteArray m_bytes;  // shared, read-only, by every renderer's document
  QByteArray m_password;
  std::unique_ptr<Poppler::Document> m_document;
};

}  // namespace
}  // namespace koordel

extern "C" __attribute__((visibility("default"))) koordel::PdfDocument* koordel_open_pdf(
    const QByteArray* bytes, const QByteArray* password, int* status) {
  using Status = koordel::PdfDocument::Status;
  const auto say = [status](Status s) {
    if (status) {
      *status = static_cast<int>(s);
    }
  };
  try {
    const QByteArray none;
    const QByteArray& given = password ? *password : none;
    std::unique_ptr<Poppler::Document> document = koordel::load(*bytes, given);
    if (!document) {
      say(Status::Damaged);
      return nullptr;
    }
    if (document->isLocked()) {
      say(given.isEmpty() ? Status::NeedsPassword : Status::WrongPassword);
      return nullptr;
    }
    if (document->numPages() < 1) {
      say(Status::NoPages);
      return nullptr;
    }
    say(Status::Opened);
    return new koordel::PopplerDocument(*bytes, given, std::move(document));
  } catch (...) {
    say(Status::Damaged);
    return nullptr;
  }
}
