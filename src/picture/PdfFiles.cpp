#include "PdfFiles.h"

#include "AboutFile.h"
#include "PrivateModule.h"

#include <QFile>
#include <QLibrary>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

// Read whole, and kept while the page is shown: a vector drawing is rarely
// more than tens of megabytes.
constexpr qint64 kLargestFile = qint64(1) << 30;

QString& modulePathOverride() {
  static QString path;
  return path;
}

KoordelOpenPdf moduleEntry() {
  static const KoordelOpenPdf entry = []() -> KoordelOpenPdf {
    const QString path = modulePathOverride().isEmpty() ? privateModulePath(u"libkoordel_pdf.so"_s)
                                                        : modulePathOverride();
    if (path.isEmpty()) {
      return nullptr;
    }
    // Never unloaded: the documents' code lives in it.
    QLibrary module(path);
    if (!module.load()) {
      return nullptr;
    }
    return reinterpret_cast<KoordelOpenPdf>(module.resolve("koordel_open_pdf"));
  }();
  return entry;
}

}  // namespace

bool looksLikePdf(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return false;
  }
  // Readers accept the header anywhere in the first kilobyte.
  return file.read(1024).contains("%PDF-");
}

void usePdfModule(const QString& path) {
  modulePathOverride() = path;
}

bool pdfAvailable() {
  return moduleEntry() != nullptr;
}

OpenedPdf openPdf(const QString& path, const std::optional<QByteArray>& password) {
  OpenedPdf result;
  const KoordelOpenPdf open = moduleEntry();
  if (!open) {
    result.error = aboutFile(
        u"PDF を開くには Poppler（Debian のパッケージ libpoppler-qt6-3）が必要です。"
        u"画像ファイルは今のままで開けます。"_s,
        path);
    return result;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    result.error = aboutFile(u"ファイルを読めません。"_s, path);
    return result;
  }
  if (file.size() > kLargestFile) {
    result.error = aboutFile(u"PDF ファイルが大きすぎて開けません（1 GB まで）。"_s, path);
    return result;
  }
  const QByteArray bytes = file.readAll();
  int status = static_cast<int>(PdfDocument::Status::Damaged);
  const QByteArray given = password.value_or(QByteArray());
  result.document.reset(open(&bytes, &given, &status));
  result.status = static_cast<PdfDocument::Status>(status);
  if (!result.document) {
    switch (result.status) {
      case PdfDocument::Status::NeedsPassword:
        // After the user was asked, this is the answer left empty.
        result.error = aboutFile(password ? u"パスワードが空です。PDF は開いていません。"_s
                                          : u"この PDF はパスワードで保護されています。"_s,
                                 path);
        break;
      case PdfDocument::Status::WrongPassword:
        result.error = aboutFile(u"パスワードが違います。PDF は開いていません。"_s, path);
        break;
      case PdfDocument::Status::NoPages:
        result.error = aboutFile(u"この PDF にはページがありません。"_s, path);
        break;
      default:
        result.error = aboutFile(u"PDF ファイルが壊れているため開けません。"_s, path);
        break;
    }
  }
  return result;
}

}  // namespace koordel
