#include "LineStyleDialog.h"

#include "ColourDialog.h"
#include "LineStyle.h"
#include "Messages.h"
#include "TwipsGeometry.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

struct Option {
  const char16_t* caption;
  int top, width;  // twips, inside the frame; every option sits at left 120
};

constexpr std::array<Option, 7> kDrawStyles = {{
    {u"実線(中心線)", 240, 1695},
    {u"鎖線", 600, 1215},
    {u"点線", 960, 1335},
    {u"一点鎖線", 1320, 1575},
    {u"二点鎖線", 1680, 1455},
    {u"透明", 2040, 1935},
    {u"実線(縁取り)", 2400, 1455},
}};

constexpr std::array<Option, 8> kFillStyles = {{
    {u"塗りつぶし", 360, 1455},
    {u"透明", 720, 1335},
    {u"横線", 1080, 1335},
    {u"縦線", 1440, 1215},
    {u"斜線(左上・右下)", 1800, 2055},
    {u"斜線(右上・左下)", 2160, 1815},
    {u"クロス", 2520, 1215},
    {u"網掛け", 2880, 1335},
}};

template <std::size_t N>
QList<QRadioButton*> addOptions(QGroupBox* frame, const std::array<Option, N>& options,
                                int firstNumber, int selected, int& choice) {
  auto* group = new QButtonGroup(frame);
  QList<QRadioButton*> buttons;
  for (int i = 0; i < static_cast<int>(N); ++i) {
    const Option& o = options[static_cast<std::size_t>(i)];
    auto* button = new QRadioButton(QString::fromUtf16(o.caption), frame);
    button->setObjectName(u"Option%1"_s.arg(firstNumber + i));
    // Wide enough for the caption in this font, at least the design width.
    const QRect design = twipsRect(120, o.top, o.width, 375);
    button->setGeometry(
        design.adjusted(0, 0, std::max(0, button->sizeHint().width() - design.width()), 0));
    button->setChecked(i == selected);
    group->addButton(button, i);
    buttons << button;
  }
  QObject::connect(group, &QButtonGroup::idToggled, frame, [&choice](int id, bool on) {
    if (on) {
      choice = id;
    }
  });
  return buttons;
}

}  // namespace

LineStyleDialog::LineStyleDialog(LineStyle& style, QWidget* parent)
    : QDialog(parent), m_style(style), m_colourDialog(std::make_unique<QtColourDialog>(this)) {
  setObjectName(u"Form3"_s);
  setWindowTitle(u"線種線色設定"_s);
  setModal(true);
  setFixedSize(twipsToPixels(7065), twipsToPixels(6615));

  auto* frame1 = new QGroupBox(u"線種"_s, this);
  frame1->setObjectName(u"Frame1"_s);
  frame1->setGeometry(twipsRect(120, 120, 3495, 2895));
  const auto drawOptions = addOptions(frame1, kDrawStyles, 1, m_style.drawStyle, m_style.drawStyle);

  auto* frame2 = new QGroupBox(u"塗りつぶし"_s, this);
  frame2->setObjectName(u"Frame2"_s);
  frame2->setGeometry(twipsRect(120, 3120, 3495, 3375));
  const auto fillOptions = addOptions(frame2, kFillStyles, 8, m_style.fillStyle, m_style.fillStyle);

  auto* frame3 = new QGroupBox(u"その他"_s, this);
  frame3->setObjectName(u"Frame3"_s);
  frame3->setGeometry(twipsRect(3720, 120, 3135, 2895));

  auto* widthLabel = new QLabel(u"線の太さ"_s, frame3);
  widthLabel->setObjectName(u"Label16"_s);
  widthLabel->setGeometry(twipsRect(240, 360, 1095, 255));
  auto* width = new QLineEdit(m_style.widthText, frame3);
  width->setObjectName(u"Text1"_s);
  width->setAccessibleName(u"線の太さ"_s);
  width->setGeometry(twipsRect(1560, 360, 975, 270 + 45));
  widthLabel->setBuddy(width);
  connect(width, &QLineEdit::textEdited, this, [this](const QString& t) { m_style.widthText = t; });

  auto* colour = new QPushButton(u"線色変更"_s, frame3);
  colour->setObjectName(u"Command1"_s);
  colour->setGeometry(twipsRect(120, 840, 1215, 375));
  colour->setAutoDefault(false);
  connect(colour, &QPushButton::clicked, this,
          [this] { guarded(this, [this] { changeColour(); }); });

  m_swatch = new QLineEdit(frame3);
  m_swatch->setObjectName(u"Text2"_s);
  m_swatch->setAccessibleName(u"線色"_s);
  m_swatch->setGeometry(twipsRect(1560, 960, 975, 270 + 45));
  // Only shows the colour: its text is never read.
  m_swatch->setReadOnly(true);
  m_swatch->setFocusPolicy(Qt::NoFocus);

  auto* sizeLabel = new QLabel(u"点の描画時の円の大きさ"_s, frame3);
  sizeLabel->setObjectName(u"Label17"_s);
  sizeLabel->setWordWrap(true);
  sizeLabel->setGeometry(twipsRect(240, 1440, 1275, 375 * 2));
  auto* size = new QLineEdit(m_style.pointSizeText, frame3);
  size->setObjectName(u"Text3"_s);
  size->setAccessibleName(u"点の描画時の円の大きさ"_s);
  size->setGeometry(twipsRect(1560, 1440, 975, 270 + 45));
  sizeLabel->setBuddy(size);
  connect(size, &QLineEdit::textEdited, this,
          [this](const QString& t) { m_style.pointSizeText = t; });

  auto* back = new QPushButton(u"戻る"_s, this);
  back->setObjectName(u"Command2"_s);
  back->setGeometry(twipsRect(3720, 6120, 975, 375));
  back->setAutoDefault(false);
  connect(back, &QPushButton::clicked, this, &QDialog::accept);

  // The design's tab order: the fill option 透明 comes last of all.
  const QList<QWidget*> order = {drawOptions[0], drawOptions[1], drawOptions[2], drawOptions[3],
                                 drawOptions[4], drawOptions[5], drawOptions[6], fillOptions[0],
                                 fillOptions[2], fillOptions[3], fillOptions[4], fillOptions[5],
                                 fillOptions[6], fillOptions[7], width,          colour,
                                 size,           back,           fillOptions[1]};
  for (qsizetype i = 1; i < order.size(); ++i) {
    setTabOrder(order[i - 1], order[i]);
  }
  showSwatch();
}

LineStyleDialog::~LineStyleDialog() = default;

void LineStyleDialog::setColourDialog(std::unique_ptr<ColourDialog> dialog) {
  m_colourDialog = std::move(dialog);
}

void LineStyleDialog::changeColour() {
  m_style.colourChosen(m_colourDialog->choose(m_style.preset));
  showSwatch();
}

void LineStyleDialog::showSwatch() {
  QPalette palette = m_swatch->palette();
  palette.setColor(QPalette::Base, m_style.swatch);
  m_swatch->setPalette(palette);
}

}  // namespace koordel
