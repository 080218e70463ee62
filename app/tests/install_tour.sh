#!/bin/bash
# The whole install as a user plays it, under Wine: writes the demo medium and the data
# folders into the Wine session's C: drive, plays the install from the medium's root
# (scripts/play-install.sh, which pictures each step), and checks what it wrote: the five
# sound masters installed and registered, the last one (its classification table is
# missing) logged and not registered, and the type table replaced.
#
#   install_tour.sh WINE_RUN PREFIX PROGRAM DEMO_MEDIUM PDXTOOL OUTPUT_DIR
set -u
wine_run=$1 prefix=$2 program=$3 demo_medium=$4 pdxtool=$5 output=$6
root=$(cd "$(dirname "$0")/../.." && pwd)

fail() { echo "install_tour: $*" >&2; exit 1; }
run() { "$wine_run" --prefix="$prefix" "$@"; }

# The medium lies on the C: drive, as C:\hinmei_medium, so that the pictures show the
# paths a user sees.
drive_c=$prefix/drive_c
medium=$drive_c/hinmei_medium
rm -rf "$drive_c/kelo_v6" "$medium" "$output/pictures"
mkdir -p "$medium"
run "$demo_medium" 'C:\hinmei_medium' 'C:\kelo_v6\data0_v6' 'C:\kelo_v6\data1_v6' || fail "no demo medium"
cp "$program" "$medium/HinmeiInstall.exe"

"$root/scripts/play-install.sh" "$wine_run" "$prefix" HinmeiInstall.exe "$medium" "$output/pictures" || exit 1
[[ -e $output/pictures/4-error-log.png ]] || fail "the error log was not shown"

for code in 11 12 13 14 15; do
    for name in M8HINMEI.DB M8HINMEI.PX M7HIMST.PX M6HINSET.PX TANITBL.DB TANITBL.PX hinload_KB.dat hinload_SK.dat; do
        [[ -e $drive_c/kelo_v6/hinmei$code/$name ]] || fail "hinmei$code lacks $name"
    done
done
[[ -e $drive_c/kelo_v6/hinmei16/M8HINMEI.PX ]] || fail "the last master's item table was not indexed"
[[ -e $drive_c/kelo_v6/hinmei16/TANITBL.DB ]] && fail "the last master got its unit table despite the logged lines"

rows=$(run "$pdxtool" dump 'C:\kelo_v6\data0_v6\M6hink.DB') || fail "cannot dump M6hink.DB"
for code in 11 12 13 14 15; do
    grep -q "fCD=$code | fPath=C:\\\\kelo_v6\\\\hinmei$code\\\\ " <<<"$rows" || fail "master $code is not registered: $rows"
done
grep -q 'fCD=16 ' <<<"$rows" && fail "the logged master was registered"
types=$(run "$pdxtool" dump 'C:\kelo_v6\data1_v6\M7HINCD.DB') || fail "cannot dump M7HINCD.DB"
grep -q '^40:' <<<"$types" || fail "the type table was not replaced by the medium's 40 rows"
echo "install_tour: five masters registered, the sixth logged, the type table replaced"
