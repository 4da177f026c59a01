#!/usr/bin/env bash
# Sets everything up, builds the program and starts it under Wine against qws-server, the
# maker's server embedded in the build (updates, banners, the query path), on loopback.
# With a display the wizard opens for you to walk. Without one it runs under Xvfb and is walked
# from the terms to the final page by the normal-run test program (tests/wizard), which keeps a
# picture of every page; those land in shots/ as PNG files. Then qwscan.exe shows a whole run on
# the command line: a demo folder with the EICAR test file and a ZIP holding it, an update, a
# scan that cleans, and a restore from the quarantine.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"

if [ -z "${QWS_UNDER_XVFB:-}" ]; then
  scripts/setup.sh
  scripts/build.sh host x64
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${QWS_UNDER_XVFB:-}" ]; then
  export QWS_UNDER_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

source scripts/wine-env.sh
qws_wine_prefix
bin="$root/build/x64/bin"

# The maker's server on loopback, in the folder layout of the tests' fixtures.
servers="$root/build/run-servers"
state="$servers/wizard_run"
cmake/qws_server_fixture.sh start "$state" "$root/build/host/bin/qws-server" "$root/build/host/content" >/dev/null
trap 'cmake/qws_server_fixture.sh stop "$state"' EXIT
port=$(cat "$state/port")
export QWS_SERVER="127.0.0.1:$port"
echo "run: qws-server on $QWS_SERVER"

if [ -z "${QWS_UNDER_XVFB:-}" ]; then
  wine "$bin/QuellixWebSweep.exe" "$@"
  exit 0
fi

# No display: the wizard walked from the terms to the final page, a picture of every page.
shots="$root/shots"
output="$root/build/x64/test-output"
mkdir -p "$shots"
rm -f "$output"/wizard_run_*.bmp "$shots"/wizard_*.png "$shots/QuellixWebSweep.png"
echo "run: the wizard, walked page by page"
QWS_TEST_SERVERS="$servers" wine "$bin/wizard_normal_run_test.exe" 2>&1 | tr -d "\r" |
  grep -E "^\[( +OK|  FAILED|  PASSED) |Failure|Expected|Which is|error" || true
for bmp in "$output"/wizard_run_*.bmp; do
  [ -f "$bmp" ] || continue
  png="$shots/$(basename "${bmp%.bmp}").png"
  # The picture of the screen cut to the window on its black background.
  convert "$bmp" -trim +repage "$png"
  echo "run: $png"
done
wineserver -k 2>/dev/null || true

# A demo folder: the EICAR test file (put together here, so that the repository holds no copy),
# the same in a subfolder and inside a ZIP, and a clean file.
demo="$WINEPREFIX/drive_c/QuellixDemo"
rm -rf "$demo"
mkdir -p "$demo/documents"
printf '%s%s' 'X5O!P%@AP[4\PZX54(P^)7CC)7}$EICAR-STA' 'NDARD-ANTIVIRUS-TEST-FILE!$H+H*' >"$demo/eicar.com"
cp "$demo/eicar.com" "$demo/documents/copy.com"
(cd "$demo/documents" && cp copy.com packed.com && zip -q ../archive.zip packed.com && rm packed.com)
echo "A clean letter." >"$demo/documents/letter.txt"
# A work folder of the demo's own: the wizard's quarantine is not the demo's.
rm -rf "$WINEPREFIX/drive_c/QuellixDemoWork"

qwscan() { wine "$bin/qwscan.exe" "$@" | tr "\r" "\n" | awk "NF" | grep -v -E "^(Updating the engine modules|Scanning:)" ; }
echo "run: qwscan --archives --clean --report --submit C:\\QuellixDemo"
qwscan --work 'C:\QuellixDemoWork' --update-url "http://127.0.0.1:$port/download/engineqws3/" --archives --clean --report \
  --submit "127.0.0.1:$port" 'C:\QuellixDemo' || true
echo "run: qwscan --no-update --quarantine --restore 1"
qwscan --work 'C:\QuellixDemoWork' --no-update --quarantine --restore 1 || true
echo "run: the query server stored:"
"$root/build/host/bin/qws-server" --db "$state/query.sqlite" submissions
