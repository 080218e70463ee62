#!/bin/bash
# A DLL planted beside HinmeiInstall.exe under the name of a DLL that the program's
# windows load once it runs (the theme and drawing DLLs the common controls load when the
# window is created, and those the folder browser may load) is never loaded.
#
#   dll_planting.sh WINE_RUN PREFIX PROGRAM PLANTED_DLL PROBE WORK_DIR
#
# Wine prefers its own builtin DLLs to a file it finds first; for the planted names the
# test makes it take the file found first, as Windows does. The folder gets the program,
# a catalogue and the planted DLL under each name. First the probe, which loads those
# names without any restriction, shows that planting works so (its DLLs leave their
# marker files); then the program opens its window and its folder browser and is
# closed, and no planted DLL may have left a marker. (Without the program's restriction,
# msimg32.dll, which the windows' themes load, is found in the program's folder first.)
# uxtheme.dll is left out: Wine's own display driver loads it through the program's
# folder, beyond anything a program can set; on Windows the program loads it from the
# system folder first.
set -u
wine_run=$1 prefix=$2 program=$3 planted=$4 probe=$5 work=$6
root=$(cd "$(dirname "$0")/../.." && pwd)
caption='ケロナV6  品名マスタ　インストール'
# No KnownDLLs of Windows, and none that Wine loads before the program runs.
names=(msimg32.dll dwmapi.dll propsys.dll cryptbase.dll profapi.dll)
overrides=$(printf '%s,' "${names[@]%.dll}")
export WINE_RUN_DLLOVERRIDES="${overrides%,}=n,b"

fail() { echo "dll_planting: $*" >&2; exit 1; }
source "$root/scripts/program-under-test.sh"
trap stop_program EXIT
session=$prefix.session
[[ -s $session/display ]] || fail "no Wine session is running for $prefix"
export DISPLAY=:$(tr -dc 0-9 <"$session/display")

rm -rf "$work"
mkdir -p "$work"
cp "$program" "$work/HinmeiInstall.exe"
cp "$probe" "$work/dll_probe.exe"
for name in "${names[@]}"; do cp "$planted" "$work/$name"; done
printf '%s\r\n' 'Planted,C:\kelo_v6\planted,p1' >"$work/kelo.txt"

(cd "$work" && "$wine_run" --prefix="$prefix" dll_probe.exe "${names[@]}") >"$work/probe.log" 2>&1
markers=$(cd "$work" && ls -- *.loaded 2>/dev/null | wc -l)
((markers == ${#names[@]})) || { cat "$work/probe.log" >&2; fail "the probe loaded $markers planted DLLs of ${#names[@]}"; }
echo "dll_planting: without a restriction, all ${#names[@]} planted DLLs are loaded"
rm -f "$work"/*.loaded

(cd "$work" && exec "$wine_run" --prefix="$prefix" HinmeiInstall.exe) >"$work/run.log" 2>&1 &
pid=$!
frame=$("$root/scripts/grab-window.sh" "$caption" 757 "$work/window.png" "$pid") || fail "the main window did not appear"
read -r left top width height <<<"$frame"
border=$(((width - 757) / 2))
client_left=$((left + border)) client_top=$((top + height - 545 - border))
xdotool mousemove "$((client_left + 708))" "$((client_top + 34))" click 1  # Button3, the folder browser
sleep 3
xdotool key Escape
sleep 1
xdotool mousemove "$((client_left + 704))" "$((client_top + 512))" click 1  # Button2, Cancel
program_ended 100
(($? == 124)) && fail "the program did not end with its Cancel button"

loaded=$(cd "$work" && ls -- *.loaded 2>/dev/null)
[[ -z $loaded ]] || fail "the program loaded planted DLLs: $loaded"
echo "dll_planting: the program loaded none of the ${#names[@]} planted DLLs"
