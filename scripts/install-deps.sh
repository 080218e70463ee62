#!/bin/bash
# Installs the Debian packages that building, testing and the demo need, and only those
# that are missing. Runs apt-get as root, or through sudo when not root.
set -eu
packages=(
  cmake make g++ googletest libgtest-dev
  g++-mingw-w64-x86-64-posix
  wine64 fonts-wine libxcursor1 libxrender1 libxrandr2 libxi6 libxcomposite1 libxinerama1
  xvfb x11-utils imagemagick xdotool fonts-ipafont-gothic locales
  pxlib-dev python3 clang
)
[[ ${1-} == --fuzz ]] && packages+=(libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
