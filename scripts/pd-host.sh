#!/usr/bin/env bash
# Builds the second test host, Pd 0.56-5, from its source tarball into
# build/hosts/ once per machine, and prints the path of its pd binary.
#
# The tarball is looked for in VESH_PD_TARBALL, else in ../shared/hosts/ beside
# the repository (where the workplace and its CI keep it). Its checksum is
# checked, and a build whose stamp matches is reused.
set -euo pipefail
cd "$(dirname "$0")/.."

version=0.56-5
sha256=4c91ada0583d3fa982a21d74a32437e53d00e089a0be8670c3662c631f573cdf
tarball=${VESH_PD_TARBALL:-}
if [ -z "$tarball" ]; then
  # A worktree also looks beside its main repository.
  main=$(dirname "$(git rev-parse --path-format=absolute --git-common-dir 2>/dev/null || echo .git)")
  tarball=../shared/hosts/pd-$version.tar.xz
  [ -f "$tarball" ] || tarball=$main/../shared/hosts/pd-$version.tar.xz
fi
dest=build/hosts
tree=$dest/pd-$version
stamp=$tree/.built-$sha256

if [ ! -f "$stamp" ]; then
  if [ ! -f "$tarball" ]; then
    echo "pd-host: no $tarball (set VESH_PD_TARBALL to the Pd $version source tarball)" >&2
    exit 1
  fi
  echo "$sha256  $tarball" | sha256sum --check --quiet >&2
  rm -rf "$tree"
  mkdir -p "$dest"
  tar xJf "$tarball" -C "$dest"
  # Linked with -ffast-math like the host's own release build: that puts the
  # processor in flush-to-zero mode, so denormals read 0 as in released hosts.
  make -C "$tree/src" -f makefile.gnu ALSA=false OSS=false MORELDFLAGS=-ffast-math \
    -j"$(nproc 2>/dev/null || echo 2)" >"$dest/pd-$version.log" 2>&1 ||
    { tail -20 "$dest/pd-$version.log" >&2; exit 1; }
  touch "$stamp"
fi
echo "$(pwd)/$tree/bin/pd"
