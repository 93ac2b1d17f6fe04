#pragma once

#include <QFont>

namespace koordel {

// The comment box's font: "ＭＳ Ｐゴシック" where the machine has it, else the
// nearest proportional Japanese gothic that is installed.
QFont commentFont();

// The font for the rest of the interface, preferring a Japanese gothic so
// that kana and kanji match the Latin text around them.
QFont interfaceFont();

}  // namespace koordel
