#!/usr/bin/env bash
# Sets everything up, builds the program and starts it under Wine. Without a display it runs
# under Xvfb, keeps a screenshot of the window and says where it is.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"

if [ -z "${DISPLAY:-}" ] && [ -z "${QWS_UNDER_XVFB:-}" ]; then
  scripts/setup.sh
  scripts/build.sh x64
  export QWS_UNDER_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
if [ -z "${QWS_UNDER_XVFB:-}" ]; then
  scripts/setup.sh
  scripts/build.sh x64
fi

source scripts/wine-env.sh
qws_wine_prefix
program="$root/build/x64/bin/QuellixWebSweep.exe"

if [ -n "${QWS_UNDER_XVFB:-}" ]; then
  wine "$program" "$@" &
  pid=$!
  mkdir -p "$root/shots"
  shot="$root/shots/QuellixWebSweep.png"
  for _ in $(seq 1 60); do
    sleep 1
    if xwininfo -root -tree 2>/dev/null | grep -q '"Quellix WebSweep"'; then
      sleep 2
      import -window root "$shot"
      echo "run: screenshot of the window: $shot"
      break
    fi
  done
  echo "run: the program runs on a virtual display; press Ctrl+C to end it."
  wait $pid || true
else
  exec wine "$program" "$@"
fi
