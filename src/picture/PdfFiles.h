#pragma once

#include "PdfDocument.h"

#include <QString>

#include <memory>
#include <optional>

namespace koordel {

// Whether the file is a PDF, by what it holds rather than by its name.
bool looksLikePdf(const QString& path);

struct OpenedPdf {
  std::shared_ptr<const PdfDocument> document;
  PdfDocument::Status status = PdfDocument::Status::Damaged;
  QString error;  // what the user is told when there is no document
};

// Reads the file and opens it with the PDF module, with the `password` the
// user gave (no value when none was asked for).
OpenedPdf openPdf(const QString& path, const std::optional<QByteArray>& password = std::nullopt);

// Whether PDF files can be opened here: the module and Poppler are found.
bool pdfAvailable();

// Takes the PDF module from `path` instead of the program's folders; for
// tests, which run from a folder of their own. Only before the first PDF.
void usePdfModule(const QString& path);

}  // namespace koordel
