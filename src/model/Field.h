#pragma once

#include <QString>

// moc cannot read identifiers outside ASCII; it needs only the type's name.
#ifndef Q_MOC_RUN

namespace koordel {

// The 24 fields, the X column in the window's row order, then the Y column in
// the same order; the settings file stores them in this order too.
enum class Field : int {
  down座標x,
  up座標x,
  変換down座標x,
  変換up座標x,
  基準値X,
  指定基準X,
  校正始めX,
  校正終わりX,
  その差X,
  指定校正X,
  x軸係数,
  x軸単位,
  down座標y,
  up座標y,
  変換down座標y,
  変換up座標y,
  基準値Y,
  指定基準Y,
  校正始めY,
  校正終わりY,
  その差Y,
  指定校正Y,
  Y軸係数,
  Y軸単位,
};

inline constexpr int kFieldCount = 24;
inline constexpr int kRowCount = 12;

enum class Axis { X, Y };

constexpr Field fieldAt(int row, Axis axis) {
  return static_cast<Field>(row + (axis == Axis::Y ? kRowCount : 0));
}
constexpr int rowOf(Field f) {
  return static_cast<int>(f) % kRowCount;
}

// The field's own name, as the user sees it in the settings and in messages.
QString fieldName(Field f);

// Fields the user may type into in the value sheet window; the others are
// written only by the program.
bool isEditable(Field f);

}  // namespace koordel

#else
namespace koordel {
enum class Field : int;
}
#endif
