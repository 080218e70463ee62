#!/bin/bash
# Starts HinmeiInstall.exe in the Wine session from a folder holding a catalogue of
# Japanese names, waits for its main window, saves a picture of it as opened and one with
# a row selected, and ends the program with its Cancel button.
#
#   screenshot.sh WINE_RUN PREFIX PROGRAM OUTPUT.png
set -u
wine_run=$1 prefix=$2 program=$3 output=$4
caption='ケロナV6  品名マスタ　インストール'

fail() { echo "screenshot: $*" >&2; exit 1; }

session=$prefix.session
[[ -s $session/display ]] || fail "no Wine session is running for $prefix"
export DISPLAY=:$(tr -dc 0-9 <"$session/display")

work=$(mktemp -d "$(dirname "$output")/screenshot.XXXXXX")
pid=

source "$(dirname "$0")/../../scripts/program-under-test.sh"
cleanup() {
    stop_program
    rm -rf "$work"
}
trap cleanup EXIT

# Quoted names hold ASCII spaces; 表, ソ and 能 end in the byte 0x5C; one row has no
# destination.
{
    printf '%s\r\n' \
        '標準品名マスタ,C:\kelo_v6\data\hinmei01,std01' \
        '電気設備品名マスタ,C:\kelo_v6\data\hinmei02,elec' \
        '"空調 衛生設備",C:\kelo_v6\data\空調衛生,kucho' \
        'ｶﾀｶﾅ品名（半角）,D:\ﾃﾞｰﾀ\表示,kana' \
        '"①～⑩ 記号付き",,kigou' \
        'ソフトウェア能力表,C:\kelo_v6\data\ソフト,soft' \
        '土木　舗装,E:\土木,doboku'
} | iconv -f UTF-8 -t CP932 >"$work/kelo.txt" || fail "cannot write the catalogue"

(cd "$work" && exec "$wine_run" --prefix="$prefix" "$program") >"$work/run.log" 2>&1 &
pid=$!

grabber=$(cd "$(dirname "$0")/../.." && pwd)/scripts/grab-window.sh
frame_of_window=$("$grabber" "$caption" 757 "$output" "$pid") || { cat "$work/run.log" >&2; fail "the main window did not appear"; }
read -r left top width height <<<"$frame_of_window"
grab() {
    import -window root "$work/screen.png" &&
        convert "$work/screen.png" -crop "${width}x${height}+${left}+${top}" +repage "$1"
}

# The client area (757 x 545 at 96 DPI) sits at the bottom centre of the frame Wine draws.
frame=$(((width - 757) / 2))
client_left=$((left + frame))
client_top=$((top + height - 545 - frame))
click() { xdotool mousemove "$((client_left + $1))" "$((client_top + $2))" click 1; }

click 120 172  # the second row of the list
sleep 0.5
grab "${output%.png}_selected.png" || fail "cannot grab the screen"

click 704 512  # Button2, Cancel
program_ended 50
rc=$?
((rc == 124)) && fail "the program did not end with its Cancel button"
((rc == 0)) || fail "the program ended with exit code $rc"
echo "screenshot: $output"
