#!/usr/bin/env bash
# Installs what building and testing need, builds the plug-ins with their
# sanitizer copies and the test tools, and runs every test: unit tests,
# real-host tests, the editor tests, the demo render and the quality gates
# that belong in every run.
#
#   scripts/test.sh                   # against the system's pd
#   scripts/test.sh --pd /path/to/pd  # against another host (or set VESH_PD)
#   scripts/test.sh --pd 0.56         # against Pd 0.56-5, built by scripts/pd-host.sh
#   scripts/test.sh --platform linux-arm64|linux-armv7|windows-amd64 [--subset]
#       # the plug-ins cross-built for that platform, against its Pd 0.56-5
#       # under qemu-user or Wine: every host test that makes sense there, or
#       # with --subset only the cases marked for every platform (as CI does)
# Other arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
platform=
while [ $# -gt 0 ]; do
  case "$1" in
    --pd) VESH_PD=$2; shift 2 ;;
    --platform) platform=$2; shift 2 ;;
    --subset) export VESH_SUBSET=1; shift ;;
    *) break ;;
  esac
done
jobs=$(nproc 2>/dev/null || echo 2)

if [ -n "$platform" ]; then
  scripts/setup.sh cross "$platform"
  VESH_PD=$(scripts/pd-host.sh "$platform")
  export VESH_PD
  echo "testing build/cross/$platform against $VESH_PD"
  if [ "$platform" = windows-amd64 ]; then
    # One Wine server for the whole run rather than one per host start (it
    # may be running already).
    prefix=$(pwd)/build/hosts/$platform/pd-0.56-5/wine
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -p || true
    # Its service processes live as long as the server: start them here,
    # with no pipe of a test's for them to hold.
    WINEPREFIX=$prefix WINEDEBUG=-all /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1 || true
    trap 'WINEPREFIX=$prefix /usr/lib/wine/wineserver -k || true' EXIT
  fi
  cd "build/cross/$platform"
  ctest -j"$jobs" --output-on-failure "$@"
  exit
fi

scripts/setup.sh test
if [ "${VESH_PD:-}" = 0.56 ]; then
  VESH_PD=$(scripts/pd-host.sh)
fi
export VESH_PD=${VESH_PD:-pd}
echo "testing against $VESH_PD"
cd build
ctest -j"$jobs" --output-on-failure "$@"
