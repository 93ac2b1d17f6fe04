#include "ValueSheetWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace koordel;
using namespace Qt::StringLiterals;

class TestValueSheetWindow : public QObject {
  Q_OBJECT

 private slots:
  void gridOfCaptionsAndFields();
  void typingEditsTheSheetInPlace();
  void programWritesShowAtOnce();
  void backHidesAndKeepsEverything();
};

void TestValueSheetWindow::gridOfCaptionsAndFields() {
  ValueSheet sheet;
  ValueSheetWindow window(sheet);
  QCOMPARE(window.objectName(), u"Form2"_s);
  QCOMPARE(window.windowTitle(), u"設定"_s);
  const int tops[kRowCount] = {480,  840,  1200, 1560, 2160, 2520,
                               3120, 3480, 3840, 4200, 4560, 4920};
  QCOMPARE(ValueSheetWindow::rowCaption(1), u"mouse up    座標(Twip)"_s);
  QCOMPARE(ValueSheetWindow::rowCaption(9), u"その差を、次の指定する長さにしたい"_s);
  for (int row = 0; row < kRowCount; ++row) {
    for (Axis axis : {Axis::X, Axis::Y}) {
      const Field f = fieldAt(row, axis);
      QWidget* w = window.fieldWidget(f);
      QCOMPARE(w->objectName(), fieldName(f));
      QCOMPARE(w->geometry(),
               QRect(axis == Axis::X ? 224 : 320, tops[row] / 15, 1335 / 15, 315 / 15));
      QCOMPARE(qobject_cast<QLineEdit*>(w) != nullptr, isEditable(f));
      QCOMPARE(qobject_cast<QLabel*>(w) != nullptr, !isEditable(f));
      QVERIFY(w->accessibleName().endsWith(axis == Axis::X ? u" X"_s : u" Y"_s));
      QVERIFY(w->accessibleName().startsWith(ValueSheetWindow::rowCaption(row).simplified()));
    }
  }
  // Every caption fits on its line.
  for (int row = 0; row < kRowCount; ++row) {
    const QString text = ValueSheetWindow::rowCaption(row);
    QLabel* caption = nullptr;
    for (QLabel* l : window.findChildren<QLabel*>()) {
      if (l->text() == text) {
        caption = l;
      }
    }
    QVERIFY2(caption, qPrintable(text));
    QVERIFY2(caption->fontMetrics().horizontalAdvance(text) <= caption->width(), qPrintable(text));
    QVERIFY(caption->geometry().right() < 224);
  }
  auto* back = window.findChild<QPushButton*>();
  QCOMPARE(back->text(), u"戻る"_s);
  QCOMPARE(back->geometry(), QRect(320, 360, 89, 33));
  QCOMPARE(qobject_cast<QLineEdit*>(window.fieldWidget(Field::x軸単位))->text(), QString());
  QCOMPARE(qobject_cast<QLabel*>(window.fieldWidget(Field::up座標y))->text(), u"1"_s);
}

void TestValueSheetWindow::typingEditsTheSheetInPlace() {
  ValueSheet sheet;
  ValueSheetWindow window(sheet);
  window.show();
  auto* edit = qobject_cast<QLineEdit*>(window.fieldWidget(Field::指定基準Y));
  edit->selectAll();
  QTest::keyClicks(edit, u"-3 0"_s);
  // Each keystroke is in the sheet at once, with nothing else to press.
  QCOMPARE(sheet.text(Field::指定基準Y), u"-3 0"_s);
  QCOMPARE(sheet.number(Field::指定基準Y), -30.0);
  QTest::keyClick(edit, Qt::Key_Backspace);
  QCOMPARE(sheet.text(Field::指定基準Y), u"-3 "_s);
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QCOMPARE(sheet.text(Field::指定基準Y), QString());
}

void TestValueSheetWindow::programWritesShowAtOnce() {
  ValueSheet sheet;
  ValueSheetWindow window(sheet);
  sheet.setText(Field::変換up座標x, u"<i>199.99</i>"_s);
  auto* label = qobject_cast<QLabel*>(window.fieldWidget(Field::変換up座標x));
  QCOMPARE(label->text(), u"<i>199.99</i>"_s);
  QCOMPARE(label->textFormat(), Qt::PlainText);
  sheet.setText(Field::x軸係数, u"0.06944"_s);
  auto* edit = qobject_cast<QLineEdit*>(window.fieldWidget(Field::x軸係数));
  QCOMPARE(edit->text(), u"0.06944"_s);
}

void TestValueSheetWindow::backHidesAndKeepsEverything() {
  ValueSheet sheet;
  ValueSheetWindow window(sheet);
  window.show();
  auto* edit = qobject_cast<QLineEdit*>(window.fieldWidget(Field::x軸単位));
  QTest::keyClicks(edit, u"mm"_s);
  QTest::mouseClick(window.findChild<QPushButton*>(), Qt::LeftButton);
  QVERIFY(!window.isVisible());
  window.show();
  QCOMPARE(edit->text(), u"mm"_s);
  QCOMPARE(sheet.text(Field::x軸単位), u"mm"_s);
}

QTEST_MAIN(TestValueSheetWindow)
#include "tst_valuesheetwindow.moc"
