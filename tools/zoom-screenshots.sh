#!/usr/bin/env bash
# Takes docs/zoom-fit.png and docs/zoom-loupe.png: scan B (an A0 sheet at
# 400 dpi, 1-bit) opened through the file dialog, shown whole with
# 表示 → 全体を表示, then zoomed to 800% over the title block with Ctrl +
# wheel, the loupe on; inside the private X server that ./dev screenshot
# starts.
set -euo pipefail
fit=$1
loupe=$2
sheet=$(mktemp -d)/scan-b.tif
./build/bench/peak_memory make-a0 "$sheet" 2>/dev/null
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
./build/src/koordel >/dev/null 2>&1 &
app=$!
trap 'kill $app $wm 2>/dev/null || true; rm -rf "$(dirname "$sheet")"' EXIT
wid=$(xdotool search --sync --onlyvisible --name '^Koordel$' | head -1)
sleep 1
shot() {
  local full
  full=$(mktemp --suffix=.png)
  import -window root "$full"
  frame=$(xwininfo -id "$wid" -children | awk '/Parent window id/ {print $4}')
  eval "$(xdotool getwindowgeometry --shell "$frame")"
  convert "$full" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$1"
  rm -f "$full"
}
xdotool mousemove --window "$wid" 20 8 click 1; sleep 0.4   # ﾌｧｲﾙ
xdotool mousemove --window "$wid" 50 28 click 1; sleep 1    # 平面画像読込
xdotool type --delay 10 "$sheet"; xdotool key Return; sleep 2
xdotool mousemove --window "$wid" 207 8 click 1; sleep 0.4  # 表示
xdotool key Down Down Down Down Return; sleep 1.5           # 全体を表示
xdotool mousemove --window "$wid" 300 120; sleep 0.5
shot "$fit"
# Over the title block, 32 notches with Ctrl: from 3.2 % to 800 %.
xdotool mousemove --window "$wid" 372 596; sleep 0.3
xdotool keydown ctrl
for i in $(seq 32); do xdotool click 4; sleep 0.1; done
xdotool keyup ctrl; sleep 0.5
xdotool mousemove --window "$wid" 207 8 click 1; sleep 0.4  # 表示
xdotool key Up Return; sleep 0.5                            # ルーペ
xdotool mousemove --window "$wid" 240 170; sleep 0.3
xdotool mousemove --window "$wid" 246 176; sleep 0.8
shot "$loupe"
