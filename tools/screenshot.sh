#!/usr/bin/env bash
# Takes the README's picture of the real window, inside a private X server
# that ./dev screenshot starts: a scanned site plan (a grid every 10 m and a
# scale bar) opened from the command line, calibrated on the grid with
# 係数 and 基準値, a building's edge, a building, a tree and a corner
# captured into 座標.txt, and the pointer on another corner so the status
# bar shows its position in metres. The program runs from a copy in a
# temporary folder, whose 座標.txt is printed at the end.
set -euo pipefail
out=$1
run=$(mktemp -d)
cp build/src/koordel "$run/"
./build/bench/peak_memory make-plan "$run/plan.png" 2>/dev/null
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
"$run/koordel" "$run/plan.png" >/dev/null 2>&1 &
app=$!
trap 'kill $app $wm 2>/dev/null || true; rm -rf "$run"' EXIT
wid=$(xdotool search --sync --onlyvisible --name '^Koordel$' | head -1)
sleep 1.5
top=21  # the menu bar: image pixel (x, y) is at (x, y + top) in the window
at() { echo "$1 $(( $2 + top ))"; }
menu() { xdotool mousemove --window "$wid" "$1" 8 click 1; sleep 0.4; xdotool mousemove --window "$wid" "$(( $1 + 20 ))" "$2" click 1; sleep 0.6; }
drag() {
  xdotool mousemove --window "$wid" $(at "$1" "$2") mousedown 1; sleep 0.1
  xdotool mousemove --window "$wid" $(at "$3" "$4"); sleep 0.1
  xdotool mouseup 1; sleep 0.3
}
answer() { xdotool type --delay 30 "$1"; xdotool key Return; sleep 0.5; }
width() {  # 取込 → 線種設定: the line width, then 戻る
  menu 98 133
  f3=$(xdotool search --sync --onlyvisible --name '線種線色設定' | head -1)
  sleep 0.5
  xdotool mousemove --window "$f3" 360 40 click 1 click 1 click 1; sleep 0.1
  xdotool key ctrl+a; xdotool type "$1"; sleep 0.2
  xdotool mousemove --window "$f3" 280 420 click 1; sleep 0.4
}
# A 30 m square of the grid, then the grid point (10 m, 30 m).
drag 100 500 400 200
menu 170 49     # 校正 → 係数
answer 30
answer 30
drag 100 500 100 500
menu 170 28     # 校正 → 基準値
xdotool key Return; sleep 0.5
answer 10
answer 30
width 3
menu 60 70      # 編集 → ﾌｧｲﾙに書き込む
xdotool mousemove --window "$wid" 800 668 click 1; xdotool type 'A-1'; sleep 0.2
menu 98 70      # 取込 → 線: the building's north edge
drag 150 180 390 180
menu 98 112     # 四角: the building beside it
drag 470 140 640 360
xdotool mousemove --window "$wid" 800 668 click 1; xdotool key ctrl+a; xdotool type 'T-3'; sleep 0.2
menu 98 91      # 円: a tree, from its centre to its crown
drag 700 80 726 80
xdotool mousemove --window "$wid" 800 668 click 1; xdotool key ctrl+a; xdotool type 'C-2'; sleep 0.2
menu 98 49      # 点: a corner
drag 720 200 720 200
xdotool mousemove --window "$wid" $(at 920 330)
sleep 0.8
full=$(mktemp --suffix=.png)
import -window root "$full"
frame=$(xwininfo -id "$wid" -children | awk '/Parent window id/ {print $4}')
eval "$(xdotool getwindowgeometry --shell "$frame")"
convert "$full" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
rm -f "$full"
echo "座標.txt:"
iconv -f CP932 -t UTF-8 "$run/座標.txt"
