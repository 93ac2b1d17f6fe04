#include "JapaneseFont.h"

#include <QStringList>

namespace koordel {
namespace {

const QStringList& japaneseFallbacks() {
  static const QStringList families = {
      QStringLiteral("IPAexGothic"),      QStringLiteral("IPAPGothic"),
      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("VL PGothic"),
      QStringLiteral("TakaoPGothic"),
  };
  return families;
}

}  // namespace

QFont commentFont() {
  QFont font;
  font.setFamilies(QStringList{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic")} +
                   japaneseFallbacks());
  font.setPointSize(9);
  return font;
}

QFont interfaceFont() {
  QFont font;
  font.setFamilies(QStringList{QStringLiteral("MS UI Gothic")} + japaneseFallbacks());
  font.setPointSize(9);
  return font;
}

}  // namespace koordel
