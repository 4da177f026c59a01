#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's packages.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps"

packages=(
  cmake make g++ clang libclang-rt-14-dev dpkg-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  libz-mingw-w64-dev libgcrypt-mingw-w64-dev
  wine wine64 xvfb xauth x11-utils imagemagick fonts-dejavu-core
  zlib1g-dev libpng-dev libgcrypt20-dev googletest libgtest-dev
  libcpp-httplib-dev libsqlite3-dev pkgconf
  tinyproxy zip ccache librsvg2-bin icoutils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# libpng for the Windows targets: Debian ships no MinGW build, so build its
# own source package once per compiler.
src_list=/etc/apt/sources.list.d/qws-deb-src.sources
need_png=0
for triple in x86_64-w64-mingw32 i686-w64-mingw32; do
  [ -f "$deps/$triple/lib/libpng16.a" ] || need_png=1
done
if ((need_png)); then
  if ! ls "$deps"/src/libpng1.6-*/CMakeLists.txt >/dev/null 2>&1; then
    if ! apt-get source --print-uris -q libpng1.6 >/dev/null 2>&1; then
      # Mirror the binary package sources as source entries.
      if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$src_list"
      else
        grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >"${src_list%.sources}.list"
      fi
      apt-get update -q
    fi
    mkdir -p "$deps/src"
    if ! (cd "$deps/src" && apt-get source -q libpng1.6); then
      # A mirror may list a source version whose files it no longer holds (a security update
      # replaced on the server): take the newest of the other versions it offers, the newest
      # of all being the one that just failed.
      fetched=0
      for version in $(apt-cache showsrc libpng1.6 | awk '/^Version:/ {print $2}' | sort -u -r -V | tail -n +2); do
        rm -rf "$deps"/src/libpng1.6-*/
        if (cd "$deps/src" && apt-get source -q "libpng1.6=$version"); then fetched=1; break; fi
      done
      ((fetched)) || { echo "setup: no source of libpng1.6 could be fetched" >&2; exit 1; }
    fi
  fi
  png_src=$(ls -d "$deps"/src/libpng1.6-*/ | head -n 1)
  for triple in x86_64-w64-mingw32 i686-w64-mingw32; do
    [ -f "$deps/$triple/lib/libpng16.a" ] && continue
    echo "setup: building libpng for $triple"
    case $triple in x86_64*) tc=toolchain-mingw-x64.cmake ;; *) tc=toolchain-mingw-x86.cmake ;; esac
    cmake -S "$png_src" -B "$deps/build-png-$triple" -G "Unix Makefiles" \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$tc" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$deps/$triple" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
      -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON >/dev/null
    cmake --build "$deps/build-png-$triple" -j"$(nproc)" >/dev/null
    cmake --install "$deps/build-png-$triple" >/dev/null
  done
fi
echo "setup: ready"
