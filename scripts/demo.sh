#!/usr/bin/env bash
# Installs what building and rendering need, builds the plain plug-ins, and
# renders examples/demo.pd to demo.wav (14 s, 44.1 kHz): each section of
# examples/sections/ plays in turn.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh demo
rm -f demo.wav
timeout 120 pd -nogui -noprefs -nosound -nomidi -batch -stderr -nrt -r 44100 \
  -path build/vesh -open examples/demo.pd
test -s demo.wav
echo "rendered $(pwd)/demo.wav"
