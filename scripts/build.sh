#!/usr/bin/env bash
# Configures and builds the given targets under build/: host, x64, x86 (the default set, host
# first: the Windows builds use its tools), fuzz (clang, libFuzzer) and bench (optimised).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")
((${#targets[@]})) || targets=(host x64 x86)
jobs=$(nproc)
werror=${QWS_WERROR:-ON}
launcher=()
# Worktrees of the same commit share compiled objects: paths are hashed relative to the tree.
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

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
    fuzz) args=(-S "$root" -B "$dir" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQWS_FUZZ=ON
                -DQWS_WERROR="$werror" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
                "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
                "-DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link,address,undefined"
                "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined") ;;
    bench) args=(-S "$root" -B "$dir" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DQWS_BENCH=ON
                 -DQWS_WERROR="$werror" -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++) ;;
    *) echo "build: unknown target $target (host, x64, x86, fuzz, bench)" >&2; exit 2 ;;
  esac
  args+=("${launcher[@]}")
  echo "== build $target"
  cmake "${args[@]}" >"$root/build/configure-$target.log" 2>&1 || { cat "$root/build/configure-$target.log"; exit 1; }
  cmake --build "$dir" -j"$jobs"
done
