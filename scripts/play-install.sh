#!/bin/bash
# Plays a whole install as a user would, on a running Wine session: starts
# HinmeiInstall.exe from the medium's root, ticks every master, ticks the type-table
# replacement, presses Install, closes the error log when it appears, and waits for the
# program to end. Each step is pictured in OUTPUT_DIR:
#
#   1-opened.png  2-all-ticked.png  3-type-table.png  4-error-log.png
#
#   play-install.sh WINE_RUN PREFIX PROGRAM MEDIUM_DIR OUTPUT_DIR
#
# Fails when a window does not appear, is not where it belongs (the main window at the
# centre of the screen, the error log at the centre of the main window), or is pictured
# blank, and when the program does not end by itself after the install.
set -u
wine_run=$1 prefix=$2 program=$3 medium=$4 output=$5
main_caption='ケロナV6  品名マスタ　インストール'
log_caption='インストールエラー'
here=$(cd "$(dirname "$0")" && pwd)

fail() { echo "play-install: $*" >&2; exit 1; }

session=$prefix.session
[[ -s $session/display ]] || fail "no Wine session is running for $prefix"
export DISPLAY=:$(tr -dc 0-9 <"$session/display")
mkdir -p "$output"
pid=

source "$here/program-under-test.sh"
trap stop_program EXIT

(cd "$medium" && exec "$wine_run" --prefix="$prefix" "$program") >"$output/run.log" 2>&1 &
pid=$!

grab() {  # CAPTION MIN_WIDTH NAME: the window's frame "LEFT TOP WIDTH HEIGHT"
    "$here/grab-window.sh" "$1" "$2" "$output/$3" "$pid" || { cat "$output/run.log" >&2; fail "no picture $3"; }
}
# Within 2 pixels of the centre of the given frame.
centred_on() {  # FRAME_OF_WINDOW FRAME_OF_AREA WHAT
    local l t w h al at aw ah
    read -r l t w h <<<"$1"
    read -r al at aw ah <<<"$2"
    local dx=$(((2 * l + w) - (2 * al + aw))) dy=$(((2 * t + h) - (2 * at + ah)))
    ((dx >= -4 && dx <= 4 && dy >= -4 && dy <= 4)) || fail "$3 is not centred: $1 in $2"
}

frame=$(grab "$main_caption" 757 1-opened.png)
read -r left top width height <<<"$frame"
root=$(xwininfo -root | awk '/^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print 0, 0, w, h}')
centred_on "$frame" "$root" "the main window"

# The client area (757 x 545 at 96 DPI) sits at the bottom centre of the frame Wine draws.
border=$(((width - 757) / 2))
client_left=$((left + border))
client_top=$((top + height - 545 - border))
click() { xdotool mousemove "$((client_left + $1))" "$((client_top + $2))" click 1; sleep 0.5; }

click 708 211  # Button4, select all (Panel1 starts at y = 129)
grab "$main_caption" 757 2-all-ticked.png >/dev/null
click 16 66    # CbHsy, the type-table replacement
grab "$main_caption" 757 3-type-table.png >/dev/null
click 616 512  # Button1, Install

# The run ends with the error log when it logged anything, then the program closes.
log_frame=
for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || break
    if xwininfo -root -tree 2>/dev/null | grep -qF "\"$log_caption\""; then
        log_frame=$(grab "$log_caption" 459 4-error-log.png)
        break
    fi
    sleep 0.1
done
if [[ -n $log_frame ]]; then
    centred_on "$log_frame" "$frame" "the error log"
    read -r log_left log_top log_width log_height <<<"$log_frame"
    log_border=$(((log_width - 459) / 2))
    # Button1 of the log, "閉じる(&C)", in Panel1 at the bottom (0, 267).
    xdotool mousemove "$((log_left + log_border + 405))" "$((log_top + log_height - 308 - log_border + 287))" click 1
fi

program_ended 300
rc=$?
((rc == 124)) && fail "the program did not end after the install"
((rc == 0)) || fail "the program ended with exit code $rc"
[[ -n $log_frame ]] && echo "play-install: the error log was shown and closed"
echo "play-install: pictures in $output"
