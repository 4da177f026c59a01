#!/usr/bin/env bash
# Sets everything up, builds the three targets (x64, x86, host) and runs every test:
# the host tests with AddressSanitizer and UndefinedBehaviorSanitizer, the Windows tests under
# Wine (in the project's own prefix, under Xvfb when there is no display).
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"

if [ -z "${DISPLAY:-}" ] && [ -z "${QWS_UNDER_XVFB:-}" ]; then
  scripts/setup.sh
  export QWS_UNDER_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

[ -n "${QWS_UNDER_XVFB:-}" ] || scripts/setup.sh
scripts/build.sh host x64 x86 fuzz

status=0
echo "== host tests (sanitizers)"
(cd build/host && ctest -j"$(nproc)" --output-on-failure) || status=1

echo "== fuzz targets (${QWS_FUZZ_SECONDS:-5} s each)"
(cd build/fuzz && ctest -j"$(nproc)" --output-on-failure) || status=1

echo "== Windows tests under Wine"
source scripts/wine-env.sh
qws_wine_prefix
wineserver -p 2>/dev/null || true  # one may already run for this prefix
# Start Wine's own background processes before CTest does, so that they never hold its pipes.
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
(cd build/x64 && ctest -j2 --output-on-failure) || status=1
wineserver -k || true

if ((status)); then
  echo "test: FAILED"
else
  echo "test: all targets built, every test passed"
fi
exit $status
