#!/bin/bash
# make demo: builds the program, writes a demo install medium and the estimating
# application's data folders into a private Wine prefix, and starts HinmeiInstall.exe
# from the medium's root, as a support engineer would on Windows.
#
# With a usable X display ($DISPLAY) the program opens there and the script returns when
# it is closed. Without one, the script plays a whole install on a virtual display as a
# user would (every master ticked, the type table replaced, Install pressed, the error log
# closed), saves a picture of each step, and prints what the install wrote.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

echo "demo: building (the first build takes a few minutes)"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j "$jobs" --target demo_medium pdxtool >/dev/null
cmake -S . -B build/win -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build/win -j "$jobs" --target HinmeiInstall >/dev/null

demo=$root/build/demo
prefix=$demo/wineprefix
wine_run=(cmake/wine-run.sh --prefix="$prefix")
"${wine_run[@]}" --init

# C:\hinmei_medium is the medium; C:\kelo_v6\data0_v6 and C:\kelo_v6\data1_v6 are the
# folders the program's window names by default. Every demo starts from scratch.
drive_c=$prefix/drive_c
medium=$drive_c/hinmei_medium
rm -rf "$medium" "$drive_c/kelo_v6"
build/native/tools/demo/demo_medium "$medium" "$drive_c/kelo_v6/data0_v6" "$drive_c/kelo_v6/data1_v6"
cp build/win/app/HinmeiInstall.exe "$medium/"

echo "demo: the medium is C:\\hinmei_medium (on Linux: $medium)"

if [[ -n ${DISPLAY-} ]] && xdpyinfo >/dev/null 2>&1; then
  cat <<EOF
demo: after an install, check what was written with
        build/native/tools/pdxtool/pdxtool check $drive_c/kelo_v6/data0_v6/M6hink.DB
        build/native/tools/pdxtool/pdxtool dump $drive_c/kelo_v6/data0_v6/M6hink.DB
EOF
  echo "demo: starting HinmeiInstall.exe on display $DISPLAY"
  cd "$medium"
  WINE_RUN_DISPLAY=$DISPLAY "$root/cmake/wine-run.sh" --prefix="$prefix" HinmeiInstall.exe
  exit $?
fi

echo "demo: no display: playing an install on a virtual one"
"${wine_run[@]}" --start
trap '"${wine_run[@]}" --stop' EXIT
pictures=$demo/pictures
rm -rf "$pictures"
scripts/play-install.sh "$root/cmake/wine-run.sh" "$prefix" HinmeiInstall.exe "$medium" "$pictures"
for picture in "$pictures"/*.png; do echo "demo: $(basename "$picture" .png): $picture"; done
scripts/show-install.sh build/native/tools/pdxtool/pdxtool "$drive_c/kelo_v6/data0_v6" "$drive_c/kelo_v6/data1_v6" \
  10 "$drive_c"/kelo_v6/hinmei[0-9]*
