#include "Calibration.h"

#include "Conversion.h"
#include "NumberText.h"
#include "Twips.h"
#include "UserPrompts.h"
#include "ValueSheet.h"

#include <QStringList>

#include <cmath>
#include <numbers>

using namespace Qt::StringLiterals;

namespace koordel {
namespace {

// What the user typed, as the leading number of the text. A number beyond
// the double range is no number at all: it would only turn every later
// position into an overflow.
double typed(const QString& answer) {
  const double value = lenientParse(answer);
  return std::isfinite(value) ? value : 0;
}

QString plainOf(const ValueSheet& sheet, Field f) {
  return plainNumberText(sheet.number(f));
}

}  // namespace

void setReferencePoint(ValueSheet& sheet, UserPrompts& prompts) {
  prompts.message(u"基準とする点を入力します。最後にマウスを離した点が使用されます。"_s);
  const QString x = prompts.input(u"基準とする点のX座標を入力してください"_s, u"基準値X"_s);
  sheet.setText(Field::指定基準X, plainNumberText(typed(x)));
  const QString y = prompts.input(u"基準とする点のY座標を入力してください"_s, u"基準値Y"_s);
  sheet.setText(Field::指定基準Y, plainNumberText(typed(y)));
  sheet.setText(Field::基準値X, sheet.text(Field::up座標x));
  sheet.setText(Field::基準値Y, sheet.text(Field::up座標y));
}

void setCoefficients(ValueSheet& sheet, UserPrompts& prompts) {
  sheet.setText(Field::校正始めX, plainOf(sheet, Field::down座標x));
  sheet.setText(Field::校正始めY, plainOf(sheet, Field::down座標y));
  sheet.setText(Field::校正終わりX, plainOf(sheet, Field::up座標x));
  sheet.setText(Field::校正終わりY, plainOf(sheet, Field::up座標y));
  // On a tilted scan the extents are those of the drawing's own axes.
  const QPointF between = straightenedAboutCorner(
      sheet, {sheet.number(Field::校正始めX) - sheet.number(Field::校正終わりX),
              sheet.number(Field::校正始めY) - sheet.number(Field::校正終わりY)});
  const auto extent = [](double d) { return plainNumberText(std::sqrt(d * d)); };
  sheet.setText(Field::その差X, extent(between.x()));
  sheet.setText(Field::その差Y, extent(between.y()));

  const QString x =
      prompts.input(u"その両端のx寸法を入力してください。単位は要りません。"_s, u"X校正値"_s);
  sheet.setText(Field::指定校正X, plainNumberText(typed(x)));
  const QString y =
      prompts.input(u"その両端のy寸法を入力してください。単位は要りません。"_s, u"Y校正値"_s);
  sheet.setText(Field::指定校正Y, plainNumberText(typed(y)));
  // A size of 0 would make every converted position the reference point.
  for (Field size : {Field::指定校正X, Field::指定校正Y}) {
    if (strictParse(sheet.text(size)).value_or(0) == 0) {
      sheet.setText(size, u"1"_s);
    }
  }

  // An axis whose coefficient has no value keeps its previous one; the user
  // is told which, and why: no extent, or a quotient beyond the double range.
  // One too small for the five decimals is stored as 0.00000, which puts
  // every converted position on the reference point: the user is told that
  // too, since nothing else would show it.
  QStringList flat, overflowed, vanished;
  const auto coefficient = [&](Field size, Field extentField, Field target, const QString& axis) {
    const double span = sheet.number(extentField);
    const double value = sheet.number(size) / span;
    if (span == 0) {
      flat << axis;
    } else if (!std::isfinite(value)) {
      overflowed << axis;
    } else {
      sheet.setText(target, fiveDecimalText(value));
      if (value != 0 && sheet.number(target) == 0) {
        vanished << axis;
      }
    }
  };
  coefficient(Field::指定校正X, Field::その差X, Field::x軸係数, u"X"_s);
  coefficient(Field::指定校正Y, Field::その差Y, Field::Y軸係数, u"Y"_s);
  const auto names = [](const QStringList& axes) {
    QStringList fields;
    for (const QString& axis : axes) {
      fields << (axis == u"X"_s ? u"x軸係数"_s : u"Y軸係数"_s);
    }
    return fields.join(u"と "_s);
  };
  QStringList told;
  if (!flat.isEmpty()) {
    told << u"%1方向の長さが 0 のため、%2は変えていません。\n"
            u"長さの分かっている両端をドラッグしてから、もう一度「係数」を選んでください。"_s.arg(
                flat.join(u"・"_s), names(flat));
  }
  if (!overflowed.isEmpty()) {
    told << u"%1方向の係数が数値の範囲を超えるため（オーバーフロー）、%2は変えていません。\n"
            u"入力した寸法がその差に比べて大きすぎます。寸法を確かめてください。"_s.arg(
                overflowed.join(u"・"_s), names(overflowed));
  }
  if (!vanished.isEmpty()) {
    told << u"%1方向の係数は小数点以下 5 桁に丸めると 0 になるため、%2は 0.00000 になりました。\n"
            u"このままでは、その方向の変換した位置がすべて基準点と同じ値になります。"
            u"寸法をもっと小さな単位で入力してください（m ではなく mm など）。"_s.arg(
                vanished.join(u"・"_s), names(vanished));
  }
  if (!told.isEmpty()) {
    prompts.message(told.join(u"\n\n"_s));
  }
}

void setTiltCorrection(ValueSheet& sheet, UserPrompts& prompts) {
  const QPointF from(sheet.number(Field::down座標x), sheet.number(Field::down座標y));
  const QPointF to(sheet.number(Field::up座標x), sheet.number(Field::up座標y));
  const std::optional<double> found = tilt::ofDrag(from, to);
  if (!found) {
    prompts.message(
        u"傾きを測るドラッグがないか、短すぎます（%1 ピクセル未満）。\n"
        u"図面で水平か垂直な線に沿ってドラッグしてから、もう一度「傾き補正」を選んでください。"_s
            .arg(tilt::kShortestDragPixels));
    return;
  }
  if (!prompts.ask(u"傾き %1 を補正しますか？"_s.arg(tilt::degreesText(*found)), u"傾き補正"_s)) {
    return;
  }
  sheet.setTilt(*found);
}

void clearTiltCorrection(ValueSheet& sheet, UserPrompts& prompts) {
  if (sheet.tilt() == 0) {
    prompts.message(u"傾き補正はしていません。"_s);
    return;
  }
  sheet.setTilt(0);
}

namespace tilt {

std::optional<double> ofDrag(QPointF from, QPointF to) {
  const double across = to.x() - from.x();
  const double up = from.y() - to.y();  // canvas y grows downwards
  const double length = std::hypot(across, up);
  if (!std::isfinite(length) || length < kShortestDragPixels * kTwipsPerPixel) {
    return std::nullopt;
  }
  double degrees = std::atan2(up, across) * 180 / std::numbers::pi;
  // Either way along the line is the same line.
  if (degrees > 90) {
    degrees -= 180;
  } else if (degrees <= -90) {
    degrees += 180;
  }
  // Mostly vertical: a line that is vertical in the drawing.
  if (degrees > kMostDegrees) {
    degrees -= 90;
  } else if (degrees < -kMostDegrees) {
    degrees += 90;
  }
  return degrees;
}

QString degreesText(double degrees) {
  return twoDecimalText(degrees) + u"°"_s;
}

}  // namespace tilt
}  // namespace koordel
