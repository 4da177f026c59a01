#!/usr/bin/env bash
# Configures and builds the given targets (x64, x86, host; all three by default) under build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")
((${#targets[@]})) || targets=(x64 x86 host)
jobs=$(nproc)
werror=${QWS_WERROR:-ON}

for target in "${targets[@]}"; do
  dir="$root/build/$target"
  args=(-S "$root" -B "$dir" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQWS_WERROR="$werror")
  case $target in
    x64) args+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x64.cmake") ;;
    # 32-bit Wine is optional: the x86 tests are built, and run only where it is installed.
    x86) args+=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86.cmake"
                -DQWS_RUN_TESTS="${QWS_RUN_X86_TESTS:-OFF}") ;;
    host) args+=(-DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
                 "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
                 "-DCMAKE_C_FLAGS=-fsanitize=address,undefined -fno-omit-frame-pointer"
                 "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined") ;;
    *) echo "build: unknown target $target (x64, x86, host)" >&2; exit 2 ;;
  esac
  echo "== build $target"
  cmake "${args[@]}" >"$root/build/configure-$target.log" 2>&1 || { cat "$root/build/configure-$target.log"; exit 1; }
  cmake --build "$dir" -j"$jobs"
done
