#!/usr/bin/env bash
# Installs the build into a throwaway prefix, as `cmake --install` would for a
# user, and asks the installed program whether it finds its spreadsheet
# module and opens a picture, wherever the prefix is.
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cmake --install "$build" --prefix "$root/opt/koordel" >/dev/null
installed="$root/opt/koordel"
for file in bin/koordel lib/koordel/libkoordel_calc.so lib/koordel/libkoordel_pdf.so \
    share/applications/org.koordel.Koordel.desktop \
    share/icons/hicolor/scalable/apps/org.koordel.Koordel.svg \
    share/metainfo/org.koordel.Koordel.metainfo.xml share/man/man1/koordel.1.gz; do
  [ -e "$installed/$file" ] || { echo "not installed: $file"; exit 1; }
done
convert -size 300x200 xc:white -fill black -draw 'line 10,10 290,190' "$root/picture.png"
bash "$(dirname "$0")/../../tools/minimal-pdf.sh" "$root/page.pdf"
out=$(QT_QPA_PLATFORM=offscreen "$installed/bin/koordel" --check "$root/picture.png" "$root/page.pdf")
echo "$out"
grep -q "^表計算モジュール: $installed/lib/koordel/libkoordel_calc.so: 読み込めました$" <<<"$out"
grep -q '開けました（300 × 200 画素' <<<"$out"
grep -q 'page.pdf: PDF を開けました（1 ページ' <<<"$out"
# Moved elsewhere, the tree still finds its own module.
mv "$installed" "$root/moved"
QT_QPA_PLATFORM=offscreen "$root/moved/bin/koordel" --check | grep -q "$root/moved/lib/koordel"
