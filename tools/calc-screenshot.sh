#!/usr/bin/env bash
# Takes docs/calc.png: Koordel sending a point, a line and a point to a new
# Calc window, inside the private X server that ./dev screenshot starts, with
# a throwaway HOME so the office starts as on a new machine.
set -uo pipefail
out=$1
home=$(mktemp -d)
export HOME=$home
openbox >/dev/null 2>&1 &
sleep 1
./build/src/koordel >/dev/null 2>&1 &
wid=$(xdotool search --sync --onlyvisible --name '^Koordel$' | head -1)
sleep 1
menu() { xdotool mousemove --window "$wid" "$1" 8 click 1; sleep 0.4; xdotool mousemove --window "$wid" "$(( $1 + 20 ))" "$2" click 1; sleep 0.6; }
menu 60 91   # エクセルに送る
menu 98 49   # 点
xdotool mousemove --window "$wid" 100 118 click 1
for i in $(seq 1 30); do sleep 1; if xdotool search --onlyvisible --name 'Calc' >/dev/null 2>&1; then break; fi; done
echo "calc window after $i s"
sleep 2
xdotool windowactivate "$wid" 2>/dev/null; sleep 0.5
xdotool windowmove "$wid" 250 310 2>/dev/null; sleep 0.5
menu 98 70   # 線
xdotool mousemove --window "$wid" 80 200 mousedown 1; sleep 0.1; xdotool mousemove --window "$wid" 300 150; sleep 0.1; xdotool mouseup 1
sleep 1
menu 98 49
xdotool mousemove --window "$wid" 200 300 click 1
sleep 2
full=$(mktemp --suffix=.png)
import -window root "$full"
cp "$full" "$out"
rm -f "$full"
# End only the office this script started: the one that runs with its HOME.
for env in /proc/[0-9]*/environ; do
  if tr '\0' '\n' < "$env" 2>/dev/null | grep -qx "HOME=$home"; then
    pid=${env#/proc/}; kill -9 "${pid%/environ}" 2>/dev/null || true
  fi
done
rm -rf "$home"
