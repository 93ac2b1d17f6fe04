#include "LineStyleDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace koordel {

LineStyleDialog::LineStyleDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("線種線色設定"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("線種と線色の設定は、まだ使えません。"), this));
  auto* back = new QPushButton(QStringLiteral("戻る"), this);
  back->setObjectName(QStringLiteral("Command2"));
  connect(back, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(back, 0, Qt::AlignRight);
}

}  // namespace koordel
