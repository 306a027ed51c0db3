#!/usr/bin/env bash
# Installs what building and rendering need, builds the plain plug-ins, and
# renders the demo (examples/demo.pd, through scripts/render-demo.pd) to
# demo.wav: 52 s, stereo, 44.1 kHz. Then draws its spectrogram, demo.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh demo
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
timeout 300 pd -nogui -noprefs -nosound -nomidi -batch -stderr -r 44100 \
  -path build/vesh -path build/vesh/examples -open scripts/render-demo.pd \
  -send "render-demo symbol $out/demo.wav"
test -s "$out/demo.wav"
mv "$out/demo.wav" demo.wav
python3 scripts/sonogram.py demo.wav demo.png
echo "rendered $(pwd)/demo.wav and its spectrogram $(pwd)/demo.png"
