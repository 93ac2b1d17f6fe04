#include "PdfPrompts.h"

#include "CaptionedComboBox.h"

#include "PdfDocument.h"
#include "PdfPicture.h"
#include "Readout.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

using namespace Qt::StringLiterals;

namespace koordel {

std::optional<PdfChoice> QtPdfPrompts::choose(const QString& file, const PdfDocument& document) {
  QDialog dialog(m_parent);
  dialog.setObjectName(u"PdfOptions"_s);
  dialog.setWindowTitle(u"PDF を開く"_s);
  auto* form = new QFormLayout(&dialog);
  form->addRow(u"ファイル:"_s, new QLabel(QFileInfo(file).fileName(), &dialog));

  auto* page = new QSpinBox(&dialog);
  page->setObjectName(u"ページ"_s);
  page->setRange(1, document.pageCount());
  page->setValue(1);
  page->setAccessibleName(u"ページ"_s);
  if (document.pageCount() > 1) {
    form->addRow(u"ページ（全 %1 ページ）:"_s.arg(document.pageCount()), page);
  } else {
    page->hide();
  }

  nameComboBoxesByCaption();
  auto* dpi = new QComboBox(&dialog);
  dpi->setObjectName(u"解像度"_s);
  dpi->setAccessibleName(u"解像度（dpi）"_s);
  dpi->setEditable(true);
  dpi->lineEdit()->setAccessibleName(dpi->accessibleName());
  for (int d : {96, 150, 200, 300, 400, 600}) {
    dpi->addItem(QString::number(d));
  }
  // What is typed is what is used: no completion from the list (40 must
  // not become 400), no fixing up, nothing added to the list on Return. A
  // number out of range is told beside the box and keeps 開く disabled.
  dpi->setCompleter(nullptr);
  dpi->setInsertPolicy(QComboBox::NoInsert);
  dpi->setCurrentText(QString::number(startingDpi()));
  form->addRow(u"解像度（dpi、%1〜%2）:"_s.arg(kMinimumDpi).arg(kMaximumDpi), dpi);

  auto* size = new Readout(u"画像の大きさ"_s, &dialog);
  size->setObjectName(u"画像の大きさ"_s);
  form->addRow(u"画像の大きさ:"_s, size);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(u"開く"_s);
  buttons->button(QDialogButtonBox::Cancel)->setText(u"キャンセル"_s);
  form->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

  const auto dpiValue = [dpi] {
    bool ok = false;
    const int d = dpi->currentText().toInt(&ok);
    return ok && d >= kMinimumDpi && d <= kMaximumDpi ? d : 0;
  };
  const auto update = [&] {
    const int d = dpiValue();
    buttons->button(QDialogButtonBox::Ok)->setEnabled(d > 0);
    if (d == 0) {
      size->setValue(u"%1 から %2 までの整数を入れてください"_s.arg(kMinimumDpi).arg(kMaximumDpi));
      return;
    }
    const QSize pixels = PdfPicture::sizeFor(document.pageSize(page->value() - 1), d);
    size->setValue(u"%1 × %2 画素"_s.arg(pixels.width()).arg(pixels.height()));
  };
  QObject::connect(dpi, &QComboBox::currentTextChanged, &dialog, update);
  QObject::connect(page, &QSpinBox::valueChanged, &dialog, update);
  update();

  if (dialog.exec() != QDialog::Accepted || dpiValue() == 0) {
    return std::nullopt;
  }
  return PdfChoice{page->value() - 1, dpiValue()};
}

std::optional<QByteArray> QtPdfPrompts::password(const QString& file) {
  bool ok = false;
  const QString answer = QInputDialog::getText(
      m_parent, u"パスワード"_s,
      u"%1 はパスワードで保護されています。パスワードを入力してください。"_s.arg(
          QFileInfo(file).fileName()),
      QLineEdit::Password, QString(), &ok);
  if (!ok) {
    return std::nullopt;
  }
  return answer.toUtf8();
}

}  // namespace koordel
