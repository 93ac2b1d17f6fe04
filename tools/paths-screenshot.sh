#!/usr/bin/env bash
# Takes docs/paths.png: a plan of lots with 多角形, 折れ線 and 角度 measured
# on it by hand through the menus, the comment box and the keyboard, and a
# 折れ線 still being built with its measure shown, inside the private X
# server that ./dev screenshot starts. The records land in a temporary
# 座標.txt, printed at the end.
set -euo pipefail
out=$1
run=$(mktemp -d)
cp build/src/koordel "$run/"
# A plan: two lots along a road, drawn in grey.
convert -size 1000x620 xc:white -fill none -stroke '#555' -strokewidth 2 \
  -draw 'polygon 120,120 430,90 470,330 160,380' \
  -draw 'polygon 470,330 430,90 700,80 760,300' \
  -draw 'line 80,450 900,420' -draw 'line 80,480 900,450' \
  -stroke '#999' -strokewidth 1 -draw 'line 100,560 300,560' -draw 'line 100,552 100,568' \
  -draw 'line 300,552 300,568' "$run/plan.png"
if command -v openbox >/dev/null; then openbox >/dev/null 2>&1 & fi
"$run/koordel" "$run/plan.png" >/dev/null 2>&1 &
app=$!
trap 'kill $app 2>/dev/null || true; pkill -P $$ openbox 2>/dev/null || true; rm -rf "$run"' EXIT
wid=$(xdotool search --sync --onlyvisible --name '^Koordel$' | head -1)
sleep 1
. "$(dirname "$0")/koordel-xdo.sh"
click() { xdotool mousemove --window "$wid" "$1" "$(( $2 + 16 ))" click 1; sleep 0.3; }
comment() { xdotool mousemove --window "$wid" 800 670 click 1; xdotool key ctrl+a; xdotool type "$1"; sleep 0.2; }
# 200 pixels of the scale bar are 20 m: a drag along it, then 校正 → 係数.
xdotool mousemove --window "$wid" 100 $(( 560 + 16 )) mousedown 1; sleep 0.1
xdotool mousemove --window "$wid" 300 $(( 760 + 16 )); sleep 0.1; xdotool mouseup 1; sleep 0.3
menu 173 49
for size in 20 20; do xdotool type "$size"; xdotool key Return; sleep 0.5; done
menu 60 70      # 編集 → ﾌｧｲﾙに書き込む
style "1 13" 3  # 実線(中心線), hatched, 3 pixels
menu 98 177     # 取込 → 多角形
comment '区画A'
for p in "120 120" "430 90" "470 330" "160 380"; do click $p; done
xdotool key Return; sleep 0.3
comment '区画B'
for p in "470 330" "430 90" "700 80" "760 300"; do click $p; done
click 472 332   # on the first vertex: closes it
menu 98 198     # 角度
comment '角A'
click 160 380; click 120 120; click 430 90
menu 98 156     # 折れ線, left half-built
comment '道路'
click 80 450; click 500 435
xdotool mousemove --window "$wid" 880 $(( 421 + 16 )); sleep 0.6
import -window "$wid" "$out"
echo "座標.txt:"
iconv -f CP932 -t UTF-8 "$run/座標.txt"
