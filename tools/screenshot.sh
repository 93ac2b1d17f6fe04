#!/usr/bin/env bash
# Takes the README's picture of the real window, inside a private X server
# that ./dev screenshot starts: a window manager for the title bar, a gesture
# on the canvas so the status bar shows a position, and the 取込 menu open.
set -euo pipefail
out=$1
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
./build/src/koordel >/dev/null 2>&1 &
app=$!
trap 'kill $app $wm 2>/dev/null || true' EXIT
wid=$(xdotool search --sync --onlyvisible --name '^Koordel$' | head -1)
sleep 1
xdotool mousemove --window "$wid" 400 300 mousedown 1 mousemove --window "$wid" 450 330 mouseup 1
sleep 0.3
xdotool mousemove --window "$wid" 523 347
sleep 0.3
xdotool mousemove --window "$wid" 98 8 click 1
sleep 0.3
xdotool mousemove --window "$wid" 110 62
sleep 0.8
full=$(mktemp --suffix=.png)
import -window root "$full"
frame=$(xwininfo -id "$wid" -children | awk '/Parent window id/ {print $4}')
eval "$(xdotool getwindowgeometry --shell "$frame")"
convert "$full" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
rm -f "$full"
