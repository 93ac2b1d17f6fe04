#include "ColourDialog.h"
#include "LineStyle.h"
#include "LineStyleDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <deque>

using namespace koordel;
using namespace Qt::StringLiterals;

namespace {

struct ScriptedColours : ColourDialog {
  std::deque<std::optional<QColor>> answers;
  QList<QColor> offered;
  std::optional<QColor> choose(const QColor& preset) override {
    offered << preset;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
};

}  // namespace

// On the button's circle, where a user clicks.
void choose(QRadioButton* option) {
  QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

class TestLineStyleDialog : public QObject {
  Q_OBJECT

 private slots:
  void layoutAndCaptions();
  void optionsEditTheStyleInPlace();
  void textsEditTheStyleInPlace();
  void colourChangeFollowsTheDialog();
  void backHidesAndKeepsEverything();
};

void TestLineStyleDialog::layoutAndCaptions() {
  LineStyle style;
  LineStyleDialog dialog(style);
  QCOMPARE(dialog.objectName(), u"Form3"_s);
  QCOMPARE(dialog.windowTitle(), u"線種線色設定"_s);
  QCOMPARE(dialog.size(), QSize(471, 441));
  const std::pair<const char16_t*, const char16_t*> frames[] = {
      {u"Frame1", u"線種"}, {u"Frame2", u"塗りつぶし"}, {u"Frame3", u"その他"}};
  for (const auto& [name, title] : frames) {
    QCOMPARE(dialog.findChild<QGroupBox*>(QString::fromUtf16(name))->title(),
             QString::fromUtf16(title));
  }
  const QStringList captions = {u"実線(中心線)"_s,
                                u"鎖線"_s,
                                u"点線"_s,
                                u"一点鎖線"_s,
                                u"二点鎖線"_s,
                                u"透明"_s,
                                u"実線(縁取り)"_s,
                                u"塗りつぶし"_s,
                                u"透明"_s,
                                u"横線"_s,
                                u"縦線"_s,
                                u"斜線(左上・右下)"_s,
                                u"斜線(右上・左下)"_s,
                                u"クロス"_s,
                                u"網掛け"_s};
  for (int i = 1; i <= 15; ++i) {
    auto* option = dialog.findChild<QRadioButton*>(u"Option%1"_s.arg(i));
    QVERIFY(option);
    QCOMPARE(option->text(), captions.at(i - 1));
    QCOMPARE(option->parentWidget()->objectName(), i <= 7 ? u"Frame1"_s : u"Frame2"_s);
    QCOMPARE(option->x(), 8);
    QCOMPARE(option->isChecked(), i == 1 || i == 9);
  }
  QCOMPARE(dialog.findChild<QRadioButton*>(u"Option12"_s)->y(), 1800 / 15);
  QCOMPARE(dialog.findChild<QLabel*>(u"Label16"_s)->text(), u"線の太さ"_s);
  QCOMPARE(dialog.findChild<QLabel*>(u"Label17"_s)->text(), u"点の描画時の円の大きさ"_s);
  QCOMPARE(dialog.findChild<QLineEdit*>(u"Text1"_s)->text(), u"1"_s);
  QCOMPARE(dialog.findChild<QLineEdit*>(u"Text3"_s)->text(), u"3"_s);
  QCOMPARE(dialog.findChild<QPushButton*>(u"Command1"_s)->text(), u"線色変更"_s);
  QCOMPARE(dialog.findChild<QPushButton*>(u"Command2"_s)->text(), u"戻る"_s);
  QCOMPARE(dialog.findChild<QPushButton*>(u"Command2"_s)->geometry(), QRect(248, 408, 65, 25));
  QCOMPARE(dialog.findChild<QLineEdit*>(u"Text2"_s)->palette().color(QPalette::Base),
           QColor(Qt::black));
}

void TestLineStyleDialog::optionsEditTheStyleInPlace() {
  LineStyle style;
  LineStyleDialog dialog(style);
  dialog.show();
  choose(dialog.findChild<QRadioButton*>(u"Option6"_s));
  QCOMPARE(style.drawStyle, 5);
  choose(dialog.findChild<QRadioButton*>(u"Option8"_s));
  QCOMPARE(style.fillStyle, 0);
  // Each frame is its own group.
  QVERIFY(dialog.findChild<QRadioButton*>(u"Option6"_s)->isChecked());
  QVERIFY(!dialog.findChild<QRadioButton*>(u"Option1"_s)->isChecked());
  QVERIFY(!dialog.findChild<QRadioButton*>(u"Option9"_s)->isChecked());
  choose(dialog.findChild<QRadioButton*>(u"Option15"_s));
  choose(dialog.findChild<QRadioButton*>(u"Option7"_s));
  QCOMPARE(style.fillStyle, 7);
  QCOMPARE(style.drawStyle, 6);
}

void TestLineStyleDialog::textsEditTheStyleInPlace() {
  LineStyle style;
  LineStyleDialog dialog(style);
  dialog.show();
  auto* width = dialog.findChild<QLineEdit*>(u"Text1"_s);
  width->selectAll();
  QTest::keyClicks(width, u"3.5"_s);
  QCOMPARE(style.widthText, u"3.5"_s);
  QCOMPARE(style.drawWidth().value_or(0), 4);
  auto* size = dialog.findChild<QLineEdit*>(u"Text3"_s);
  size->selectAll();
  QTest::keyClicks(size, u"45"_s);
  QCOMPARE(style.pointSize(), 45.0);
  // The swatch is not for typing.
  QVERIFY(dialog.findChild<QLineEdit*>(u"Text2"_s)->isReadOnly());
}

void TestLineStyleDialog::colourChangeFollowsTheDialog() {
  LineStyle style;
  style.preset = Qt::darkBlue;  // as if it were the system's button text colour
  LineStyleDialog dialog(style);
  auto colours = std::make_unique<ScriptedColours>();
  ScriptedColours* script = colours.get();
  script->answers = {std::nullopt, QColor(Qt::red), std::nullopt};
  dialog.setColourDialog(std::move(colours));
  auto* swatch = dialog.findChild<QLineEdit*>(u"Text2"_s);

  dialog.findChild<QPushButton*>(u"Command1"_s)->click();  // cancelled
  QCOMPARE(style.lineColour, QColor(Qt::darkBlue));
  QCOMPARE(swatch->palette().color(QPalette::Base), QColor(Qt::darkBlue));
  dialog.findChild<QPushButton*>(u"Command1"_s)->click();  // red
  dialog.findChild<QPushButton*>(u"Command1"_s)->click();  // cancelled
  QCOMPARE(style.lineColour, QColor(Qt::red));
  QCOMPARE(swatch->palette().color(QPalette::Base), QColor(Qt::red));
  QCOMPARE(script->offered,
           (QList<QColor>{QColor(Qt::darkBlue), QColor(Qt::darkBlue), QColor(Qt::red)}));
}

void TestLineStyleDialog::backHidesAndKeepsEverything() {
  LineStyle style;
  LineStyleDialog dialog(style);
  dialog.show();
  choose(dialog.findChild<QRadioButton*>(u"Option3"_s));
  QTest::keyClicks(dialog.findChild<QLineEdit*>(u"Text1"_s), u"2"_s);
  dialog.findChild<QPushButton*>(u"Command2"_s)->click();
  QVERIFY(!dialog.isVisible());
  dialog.show();
  QVERIFY(dialog.findChild<QRadioButton*>(u"Option3"_s)->isChecked());
  QCOMPARE(dialog.findChild<QLineEdit*>(u"Text1"_s)->text(), u"12"_s);
  QCOMPARE(style.widthText, u"12"_s);
  QCOMPARE(style.drawStyle, 2);
}

QTEST_MAIN(TestLineStyleDialog)
#include "tst_linestyledialog.moc"
