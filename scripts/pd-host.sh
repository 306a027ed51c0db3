#!/usr/bin/env bash
# Builds Pd 0.56-5 from its source tarball once per machine and prints the
# command that runs it:
#
#   scripts/pd-host.sh                 # for this machine, into build/hosts/
#   scripts/pd-host.sh PLATFORM        # cross-built, into build/hosts/PLATFORM/,
#                                      # run under emulation
#
# PLATFORM is linux-arm64 (run by qemu-aarch64), linux-armv7 (qemu-arm) or
# windows-amd64 (Wine); the printed command then starts with the emulator.
# The cross compilers and emulators come from Debian (scripts/setup.sh cross
# PLATFORM installs them).
#
# The tarball is looked for in VESH_PD_TARBALL, else in ../shared/hosts/ beside
# the repository (where the workplace and its CI keep it). Its checksum is
# checked, and a build whose stamp matches is reused.
set -euo pipefail
cd "$(dirname "$0")/.."

version=0.56-5
sha256=4c91ada0583d3fa982a21d74a32437e53d00e089a0be8670c3662c631f573cdf
platform=${1:-}
tarball=${VESH_PD_TARBALL:-}
if [ -z "$tarball" ]; then
  # A worktree also looks beside its main repository.
  main=$(dirname "$(git rev-parse --path-format=absolute --git-common-dir 2>/dev/null || echo .git)")
  tarball=../shared/hosts/pd-$version.tar.xz
  [ -f "$tarball" ] || tarball=$main/../shared/hosts/pd-$version.tar.xz
fi
dest=build/hosts${platform:+/$platform}
tree=$dest/pd-$version
root=$(pwd)/$tree

# Every host is linked with -ffast-math like Pd's own release build: that puts
# the processor in flush-to-zero mode, so denormals read 0 on every platform
# alike.
gnu=(make -C "$tree/src" -f makefile.gnu ALSA=false OSS=false MORELDFLAGS=-ffast-math)
targets=(pd)
case "$platform" in
  "") build=("${gnu[@]}")
    command=("$root/bin/pd") ;;
  linux-arm64) build=("${gnu[@]}" CC=aarch64-linux-gnu-gcc)
    command=(qemu-aarch64 -L /usr/aarch64-linux-gnu "$root/bin/pd") ;;
  linux-armv7) build=("${gnu[@]}" CC=arm-linux-gnueabihf-gcc)
    command=(qemu-arm -L /usr/arm-linux-gnueabihf "$root/bin/pd") ;;
  windows-amd64)
    build=(make -C "$tree/src" -f makefile.mingw CC=x86_64-w64-mingw32-gcc
           CXX=x86_64-w64-mingw32-c++ WINDRES=x86_64-w64-mingw32-windres
           STRIP=x86_64-w64-mingw32-strip LDFLAGS=-ffast-math)
    # pd.com links against pd.a, which the link of pd.dll writes: one after
    # the other.
    targets=(../bin/pd.dll ../bin/pd.com)
    # pd.com is the console host; Wine keeps its own state in a prefix of ours.
    # The host starts the sound system even with -nosound: a null sound
    # device for Wine's ALSA driver keeps its complaints off the console.
    command=(env WINEDEBUG=-all "WINEPREFIX=$root/wine" "ALSA_CONFIG_PATH=$root/asound.conf"
             /usr/lib/wine/wine64 "$root/bin/pd.com") ;;
  *) echo "pd-host: unknown platform '$platform' (linux-arm64, linux-armv7, windows-amd64)" >&2
    exit 2 ;;
esac
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
  if [ "$platform" = windows-amd64 ]; then
    # The ASIO SDK is not free to redistribute and not in the tarball: build
    # without it.
    sed -i 's/-DPA_USE_ASIO //; s/^OBJC = $(OBJ) $(PAOBJ) $(ASIOOBJ) $(PMOBJ)/OBJC = $(OBJ) $(PAOBJ) $(PMOBJ)/' \
      "$tree/src/makefile.mingw"
  fi
  for target in "${targets[@]}"; do
    "${build[@]}" -j"$(nproc 2>/dev/null || echo 2)" "$target" >>"$dest/pd-$version.log" 2>&1 ||
      { tail -20 "$dest/pd-$version.log" >&2; exit 1; }
  done
  if [ "$platform" = windows-amd64 ]; then
    cp /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$tree/bin/"
    echo 'pcm.!default { type null }' >"$tree/asound.conf"
    # The first start makes the prefix (half a minute); do it here, once.
    WINEDEBUG=-all WINEPREFIX=$root/wine /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
  fi
  touch "$stamp"
fi
printf '%q ' "${command[@]}" | sed 's/ $/\n/'
