#!/bin/bash
# Waits for a top-level window of the X display $DISPLAY to be shown at full size, and
# saves a picture of it.
#
#   grab-window.sh CAPTION MIN_WIDTH OUTPUT.png [PID]
#
# Gives up when PID (the program that opens the window) ends first, or after 15 s.
# Fails when the window does not lie wholly on the screen or its picture is blank (a
# window not yet drawn shows one or two colours). Prints the window's frame as
# "LEFT TOP WIDTH HEIGHT" on success.
set -u
caption=$1 min_width=$2 output=$3 pid=${4-}

window=
for _ in $(seq 150); do
    line=$(xwininfo -root -tree 2>/dev/null | grep -F "\"$caption\"" | head -n1)
    window=$(awk '{print $1}' <<<"$line")
    if [[ -n $window ]]; then
        info=$(xwininfo -id "$window" 2>/dev/null)
        width=$(awk '/^ *Width:/ {print $2}' <<<"$info")
        if grep -q 'Map State: IsViewable' <<<"$info" && ((${width:-0} >= min_width)); then break; fi
    fi
    window=
    [[ -n $pid ]] && ! kill -0 "$pid" 2>/dev/null && break
    sleep 0.1
done
[[ -n $window ]] || { echo "grab-window: no window \"$caption\" appeared" >&2; exit 1; }
height=$(awk '/^ *Height:/ {print $2}' <<<"$info")
left=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
top=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
read -r screen_width screen_height < <(xwininfo -root | awk '/^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print w, h}')
if ((left < 0 || top < 0 || left + width > screen_width || top + height > screen_height)); then
    echo "grab-window: \"$caption\" at $left,$top ($width x $height) is not wholly on the screen" >&2
    exit 1
fi

sleep 1  # let the window finish drawing
screen=$(mktemp --suffix=.png)
import -window root "$screen" && convert "$screen" -crop "${width}x${height}+${left}+${top}" +repage "$output"
status=$?
rm -f "$screen"
((status == 0)) || { echo "grab-window: cannot grab the screen" >&2; exit 1; }
colours=$(identify -format '%k' "$output" 2>/dev/null)
if ((${colours:-0} < 16)); then
    echo "grab-window: the picture of \"$caption\" is blank ($colours colours)" >&2
    exit 1
fi
echo "$left $top $width $height"
