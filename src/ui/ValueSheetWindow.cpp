#include "ValueSheetWindow.h"

#include "Readout.h"
#include "TwipsGeometry.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace koordel {
namespace {

struct Row {
  int top;  // twips
  const char16_t* caption;
};

constexpr std::array<Row, kRowCount> kRows = {{
    {480, u"mouse down 座標(Twip)"},
    {840, u"mouse up    座標(Twip)"},
    {1200, u"mouse down 座標(変換後)"},
    {1560, u"mouse up    座標(変換後)"},
    {2160, u"基準値座標(Twip)"},
    {2520, u"基準値座標(指定座標)"},
    {3120, u"校正に用いる始めの座標(Twip)"},
    {3480, u"校正に用いる終わりの座標(Twip)"},
    {3840, u"その差(Twip)"},
    {4200, u"その差を、次の指定する長さにしたい"},
    {4560, u"以上から得た軸係数"},
    {4920, u"指定したい単位"},
}};

constexpr int kXLeft = 3360;
constexpr int kYLeft = 4800;
constexpr int kFieldWidth = 1335;
constexpr int kFieldHeight = 315;
// The longest captions need more room than a column starting at 1080 twips
// leaves before the X fields, so the caption column starts further left.
constexpr int kCaptionLeft = 120;
constexpr int kCaptionWidth = kXLeft - 60 - kCaptionLeft;

}  // namespace

QString ValueSheetWindow::rowCaption(int row) {
  return QString::fromUtf16(kRows[static_cast<std::size_t>(row)].caption);
}

ValueSheetWindow::ValueSheetWindow(ValueSheet& sheet, QWidget* parent)
    : QDialog(parent), m_sheet(sheet) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("設定"));
  setModal(true);

  auto* xHeading = new QLabel(QStringLiteral("X"), this);
  xHeading->setGeometry(twipsRect(kXLeft, 120, kFieldWidth, kFieldHeight));
  xHeading->setAlignment(Qt::AlignCenter);
  auto* yHeading = new QLabel(QStringLiteral("Y"), this);
  yHeading->setGeometry(twipsRect(kYLeft, 120, kFieldWidth, kFieldHeight));
  yHeading->setAlignment(Qt::AlignCenter);

  for (int row = 0; row < kRowCount; ++row) {
    const Row& r = kRows[static_cast<std::size_t>(row)];
    const QString caption = rowCaption(row);
    auto* captionLabel = new QLabel(caption, this);
    captionLabel->setGeometry(twipsRect(kCaptionLeft, r.top, kCaptionWidth, kFieldHeight));

    for (Axis axis : {Axis::X, Axis::Y}) {
      const Field field = fieldAt(row, axis);
      const QRect rect =
          twipsRect(axis == Axis::X ? kXLeft : kYLeft, r.top, kFieldWidth, kFieldHeight);
      const QString name =
          caption.simplified() + (axis == Axis::X ? QStringLiteral(" X") : QStringLiteral(" Y"));
      QWidget* widget = nullptr;
      if (isEditable(field)) {
        auto* edit = new QLineEdit(this);
        connect(edit, &QLineEdit::textEdited, this,
                [this, field](const QString& text) { m_sheet.setText(field, text); });
        edit->setAccessibleName(name);
        widget = edit;
      } else {
        auto* label = new Readout(name, this);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // Values are often copied into other programs by hand.
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        widget = label;
      }
      widget->setObjectName(fieldName(field));
      widget->setGeometry(rect);
      m_fields[static_cast<std::size_t>(field)] = widget;
      showField(field);
    }
    captionLabel->setBuddy(m_fields[static_cast<std::size_t>(fieldAt(row, Axis::X))]);
  }

  auto* back = new QPushButton(QStringLiteral("戻る"), this);
  back->setObjectName(QStringLiteral("Command1"));
  back->setGeometry(twipsRect(kYLeft, 5400, kFieldWidth, 495));
  back->setAutoDefault(false);
  // Hidden, never destroyed: the fields live in the sheet anyway, and the
  // window comes back as it was left.
  connect(back, &QPushButton::clicked, this, &QDialog::accept);

  setFixedSize(twipsToPixels(kYLeft + kFieldWidth + 240), twipsToPixels(5400 + 495 + 240));

  connect(&m_sheet, &ValueSheet::changed, this, &ValueSheetWindow::showField);
}

QWidget* ValueSheetWindow::fieldWidget(Field field) const {
  return m_fields[static_cast<std::size_t>(field)];
}

void ValueSheetWindow::showField(Field field) {
  const QString& text = m_sheet.text(field);
  QWidget* widget = fieldWidget(field);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    // Only a change made elsewhere is shown; re-setting the text the user is
    // typing would move the cursor.
    if (edit->text() != text) {
      edit->setText(text);
    }
  } else if (auto* label = qobject_cast<Readout*>(widget)) {
    label->setValue(text);
  }
}

}  // namespace koordel
