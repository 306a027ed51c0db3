#!/usr/bin/env bash
# Installs what building and testing need, builds the plug-ins with their
# sanitizer copies and the test tools, and runs every test: unit tests,
# real-host tests, the editor tests, the demo render and the quality gates
# that belong in every run.
#
#   scripts/test.sh                   # against the system's pd
#   scripts/test.sh --pd /path/to/pd  # against another host (or set VESH_PD)
#   scripts/test.sh --pd 0.56         # against Pd 0.56-5, built by scripts/pd-host.sh
# Other arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --pd ]; then
  VESH_PD=$2
  shift 2
fi
scripts/setup.sh test
if [ "${VESH_PD:-}" = 0.56 ]; then
  VESH_PD=$(scripts/pd-host.sh)
fi
export VESH_PD=${VESH_PD:-pd}
echo "testing against $VESH_PD"
cd build
ctest -j"$(nproc 2>/dev/null || echo 2)" --output-on-failure "$@"
