#!/usr/bin/env bash
# Installs what is missing (Debian 12), then configures and builds into build/.
#   scripts/setup.sh demo   what building and rendering need; the plain plug-ins
#   scripts/setup.sh test   also the test tools; the sanitizer copies and test
#                           plug-ins too
# Installing needs root; without it, missing packages are only listed.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make puredata-core puredata-dev puredata-extra)
apt_options=()
case "${1:-test}" in
  demo) apt_options=(--no-install-recommends) ;;  # no editor, no X libraries
  test) packages+=(xz-utils python3 python3-pytest libgtest-dev valgrind binutils puredata-gui xvfb xdotool) ;;
  *) echo "usage: $0 demo|test" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then
    echo "installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${apt_options[@]}" "${missing[@]}" >/dev/null
  else
    echo "missing packages (install them as root): ${missing[*]}" >&2
    exit 1
  fi
fi

jobs=$(nproc 2>/dev/null || echo 2)
if [ "${1:-test}" = test ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVESH_FUZZ_BUILD=ON -DBUILD_TESTING=ON >/dev/null
  cmake --build build -j"$jobs"
else
  # A build folder set up for testing keeps its settings; a new one gets none
  # of the test builds.
  options=()
  [ -f build/CMakeCache.txt ] || options=(-DVESH_FUZZ_BUILD=OFF -DBUILD_TESTING=OFF)
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release "${options[@]}" >/dev/null
  cmake --build build -j"$jobs" --target library
fi
