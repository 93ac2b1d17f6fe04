#!/usr/bin/env bash
# Takes docs/shapes.png: the four tools in several line styles, run by hand
# through the menus, the comment box and the line style window, inside the
# private X server that ./dev screenshot starts. The program runs from a
# copy in a temporary folder, so the records land in that folder's 座標.txt,
# which is printed at the end.
set -euo pipefail
out=$1
run=$(mktemp -d)
cp build/src/koordel "$run/"
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
. "$(dirname "$0")/koordel-xdo.sh"
"$run/koordel" >/dev/null 2>&1 &
app=$!
trap 'kill $app $wm 2>/dev/null || true; rm -rf "$run"' EXIT
wid=$(xdotool search --sync --onlyvisible --name '^Koordel$' | head -1)
sleep 1
drag() { xdotool mousemove --window "$wid" "$1" "$2" mousedown 1; sleep 0.1; xdotool mousemove --window "$wid" "$3" "$4"; sleep 0.1; xdotool mouseup 1; sleep 0.3; }
menu 60 70      # 編集 → ﾌｧｲﾙに書き込む
xdotool mousemove --window "$wid" 800 670 click 1; xdotool type 'P1'; sleep 0.2
menu 98 49      # 取込 → 点
drag 100 100 100 100
drag 140 100 140 100
menu 98 70      # 線
xdotool mousemove --window "$wid" 800 670 click 1; xdotool key ctrl+a; xdotool type 'A-1'
drag 80 200 400 120
style "4" 3     # 一点鎖線, 3 pixels
menu 98 91      # 円
drag 300 330 380 330
style "7 12" 9  # 実線(縁取り), 斜線(左上・右下), 9 pixels
menu 98 112     # 四角
drag 500 150 700 350
style "6 8" 1   # 透明 outline, 塗りつぶし
drag 750 400 900 500
style "1 14" 2  # 実線(中心線), クロス
menu 98 91
drag 600 480 600 560
sleep 0.5
full=$(mktemp --suffix=.png)
import -window root "$full"
frame=$(xwininfo -id "$wid" -children | awk '/Parent window id/ {print $4}')
eval "$(xdotool getwindowgeometry --shell "$frame")"
convert "$full" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
rm -f "$full"
echo "座標.txt:"
iconv -f CP932 -t UTF-8 "$run/座標.txt"
