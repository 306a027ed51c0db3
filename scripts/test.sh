#!/usr/bin/env bash
# Installs what building and testing need, builds the plug-ins with their
# sanitizer copies and the test tools, and runs every test: unit tests,
# real-host tests and the quality gates that belong in every run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
cd build
ctest -j"$(nproc 2>/dev/null || echo 2)" --output-on-failure "$@"
