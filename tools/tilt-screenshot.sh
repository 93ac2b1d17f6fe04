#!/usr/bin/env bash
# Takes docs/tilt.png: a plan scanned 1.8° askew, its tilt corrected along
# one of its printed grid lines (校正 → 傾き補正), calibrated on two of its
# crossings, and 表示 → 座標格子 over it, inside the private X server that
# ./dev screenshot starts. The grid's lines then lie on the plan's own.
set -euo pipefail
out=$1
run=$(mktemp -d)
cp build/src/koordel "$run/"
# A plan on a printed grid of 100 pixels (10 m), with lots and a road on it,
# turned 1.8° counterclockwise as a sheet put askew on a scanner.
lines=()
for x in $(seq 100 100 1100); do lines+=(-draw "line $x,50 $x,650"); done
for y in $(seq 100 100 600); do lines+=(-draw "line 50,$y 1150,$y"); done
convert -size 1200x700 xc:white -stroke '#bbb' -strokewidth 1 "${lines[@]}" \
  -fill none -stroke '#333' -strokewidth 2 \
  -draw 'polygon 200,200 500,200 500,400 200,400' -draw 'polygon 500,200 800,150 850,400 500,400' \
  -draw 'line 100,480 1100,480' -draw 'line 100,520 1100,520' \
  -virtual-pixel white -distort SRT -1.8 "$run/plan.png"
# Where a point of the printed plan lies on the scan, in window pixels.
at() {
  python3 -c "import math;a=math.radians(1.8);dx=$1-600;dy=$2-350
print(round(600+dx*math.cos(a)+dy*math.sin(a)), round(350-dx*math.sin(a)+dy*math.cos(a)+16))"
}
if command -v openbox >/dev/null; then openbox >/dev/null 2>&1 & fi
"$run/koordel" "$run/plan.png" >/dev/null 2>&1 &
app=$!
trap 'kill $app 2>/dev/null || true; pkill -P $$ openbox 2>/dev/null || true; rm -rf "$run"' EXIT
wid=$(xdotool search --sync --onlyvisible --name '^Koordel$' | head -1)
xdotool windowsize "$wid" 1240 800; sleep 1
# The nth item of the menu at x (separators are passed over).
pick() { xdotool mousemove --window "$wid" "$1" 8 click 1; sleep 0.4; for _ in $(seq "$2"); do xdotool key Down; done; xdotool key Return; sleep 0.4; }
drag() {
  xdotool mousemove --window "$wid" $(at "$1" "$2") mousedown 1; sleep 0.1
  xdotool mousemove --window "$wid" $(at "$3" "$4"); sleep 0.1; xdotool mouseup 1; sleep 0.3
}
# Along the printed line at 600, then 傾き補正, and はい.
drag 100 600 1100 600
pick 173 3
xdotool key shift+Tab space; sleep 0.5
# 係数 from the crossing (100, 100) to (1100, 600): 100 m by 50 m.
drag 100 100 1100 600
pick 173 2
for size in 100 50; do xdotool type "$size"; xdotool key Return; sleep 0.5; done
# 基準値 at the crossing (100, 600): (0, 0).
drag 100 600 100 600
pick 173 1
xdotool key Return; sleep 0.4
for v in 0 0; do xdotool type "$v"; xdotool key Return; sleep 0.5; done
xdotool mousemove --window "$wid" 207 8 click 1; sleep 0.4; xdotool key Up Return; sleep 0.5  # 表示 → 座標格子
xdotool mousemove --window "$wid" $(at 700 300); sleep 0.6
import -window "$wid" "$out"
