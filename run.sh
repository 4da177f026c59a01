#!/usr/bin/env bash
# Sets everything up, builds the program and starts it under Wine.
# Without a display the wizard runs under Xvfb long enough for a screenshot of its window
# (shots/QuellixWebSweep.png), and then qwscan.exe shows a whole run on the command line:
# qws-server on loopback, a demo folder with the EICAR test file and a ZIP holding it, an update,
# a scan that cleans, and a restore from the quarantine.
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

if [ -z "${QWS_UNDER_XVFB:-}" ]; then
  exec wine "$bin/QuellixWebSweep.exe" "$@"
fi

# The wizard on the virtual display, for its picture.
wine "$bin/QuellixWebSweep.exe" "$@" &
wizard=$!
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
kill "$wizard" 2>/dev/null || true
wineserver -k 2>/dev/null || true

# The maker's server on loopback.
state=$(mktemp -d)
"$root/build/host/bin/qws-server" --port 0 --port-file "$state/port" --content "$root/build/host/content" \
  --db "$state/reports.sqlite" >"$state/server.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true; rm -rf "$state"' EXIT
for _ in $(seq 50); do [ -s "$state/port" ] && break; sleep 0.1; done
port=$(cat "$state/port")
echo "run: qws-server on 127.0.0.1:$port"

# A demo folder: the EICAR test file (put together here, so that the repository holds no copy),
# the same in a subfolder and inside a ZIP, and a clean file.
demo="$WINEPREFIX/drive_c/QuellixDemo"
rm -rf "$demo"
mkdir -p "$demo/documents"
printf '%s%s' 'X5O!P%@AP[4\PZX54(P^)7CC)7}$EICAR-STA' 'NDARD-ANTIVIRUS-TEST-FILE!$H+H*' >"$demo/eicar.com"
cp "$demo/eicar.com" "$demo/documents/copy.com"
(cd "$demo/documents" && cp copy.com packed.com && zip -q ../archive.zip packed.com && rm packed.com)
echo "A clean letter." >"$demo/documents/letter.txt"

qwscan() { wine "$bin/qwscan.exe" "$@" | tr "\r" "\n" | awk "NF" | grep -v -E "^(Updating the engine modules|Scanning:)" ; }
echo "run: qwscan --archives --clean --report --submit C:\\QuellixDemo"
qwscan --update-url "http://127.0.0.1:$port/download/engineqws3/" --archives --clean --report \
  --submit "127.0.0.1:$port" 'C:\QuellixDemo' || true
echo "run: qwscan --no-update --quarantine --restore 1"
qwscan --no-update --quarantine --restore 1 || true
echo "run: the query server stored:"
"$root/build/host/bin/qws-server" --db "$state/reports.sqlite" submissions
