#!/usr/bin/env bash
# Installs what building and testing need (Debian 12), then configures and
# builds into build/. Installing needs root; without it, missing packages are
# only listed.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make xz-utils puredata-core puredata-dev python3 python3-pytest libgtest-dev valgrind binutils puredata-gui xvfb xdotool)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then
    echo "installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  else
    echo "missing packages (install them as root): ${missing[*]}" >&2
    exit 1
  fi
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
