#!/usr/bin/env bash
# Installs what is missing (Debian 12), then configures and builds into build/.
#   scripts/setup.sh demo   what building and rendering need; the plain plug-ins
#   scripts/setup.sh test   also the test tools; the sanitizer copies and test
#                           plug-ins too
#   scripts/setup.sh cross PLATFORM
#                           the cross compiler and emulator for linux-arm64,
#                           linux-armv7 or windows-amd64, that platform's Pd
#                           (scripts/pd-host.sh), and its plug-ins and test
#                           plug-ins in build/cross/PLATFORM/
# Installing needs root; without it, missing packages are only listed.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make puredata-core puredata-dev puredata-extra)
apt_options=()
case "${1:-test}" in
  demo)  # no editor, no X libraries; python3 draws the spectrogram
    apt_options=(--no-install-recommends)
    packages+=(python3) ;;
  test) packages+=(xz-utils python3 python3-pytest libgtest-dev valgrind binutils puredata-gui xvfb xdotool) ;;
  cross)
    apt_options=(--no-install-recommends)
    packages+=(xz-utils python3 python3-pytest)
    case "${2:-}" in
      linux-arm64) packages+=(g++-aarch64-linux-gnu qemu-user) ;;
      linux-armv7) packages+=(g++-arm-linux-gnueabihf qemu-user) ;;
      windows-amd64) packages+=(g++-mingw-w64-x86-64 wine64) ;;
      *) echo "usage: $0 cross linux-arm64|linux-armv7|windows-amd64" >&2; exit 2 ;;
    esac ;;
  *) echo "usage: $0 demo|test|cross PLATFORM" >&2; exit 2 ;;
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
if [ "${1:-test}" = cross ]; then
  platform=$2
  pd=$(scripts/pd-host.sh "$platform")
  options=()
  if [ "$platform" = windows-amd64 ]; then
    # The plug-ins link against the Windows host's import library.
    options=(-DPD_IMPORT_LIB="$(dirname "${pd##* }")/../src/pd.a")
  fi
  cmake -S . -B "build/cross/$platform" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$platform.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON "${options[@]}" >/dev/null
  cmake --build "build/cross/$platform" -j"$jobs"
elif [ "${1:-test}" = test ]; then
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
