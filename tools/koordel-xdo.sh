# Sourced by the screenshot scripts: menus and the line style window of the
# Koordel window $wid, worked with xdotool.
menu() { xdotool mousemove --window "$wid" "$1" 8 click 1; sleep 0.4; xdotool mousemove --window "$wid" "$(( $1 + 20 ))" "$2" click 1; sleep 0.4; }
style() {  # option numbers to click in Form3, then width text
  menu 98 133
  f3=$(xdotool search --sync --onlyvisible --name '線種線色設定' | head -1)
  sleep 0.5
  for o in $1; do
    if [ "$o" -le 7 ]; then
      tops=(0 240 600 960 1320 1680 2040 2400); y=$(( 8 + ${tops[$o]} / 15 + 12 )); x=20
    else
      tops=(0 0 0 0 0 0 0 0 360 720 1080 1440 1800 2160 2520 2880); y=$(( 208 + ${tops[$o]} / 15 + 12 )); x=20
    fi
    xdotool mousemove --window "$f3" $x $y click 1; sleep 0.2
  done
  xdotool mousemove --window "$f3" 360 40 click 1 click 1 click 1; sleep 0.1
  xdotool key ctrl+a; xdotool type "$2"; sleep 0.2
  xdotool mousemove --window "$f3" 280 420 click 1; sleep 0.4
}
