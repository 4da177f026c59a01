# Sourced by the scripts: the project's private Wine prefix, never the user's.
qws_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="$qws_root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

# Creates the prefix once, without prompts; safe when several callers race.
qws_wine_prefix() {
  if [ ! -f "$WINEPREFIX/.qws-ready" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
      flock 9
      if [ ! -f "$WINEPREFIX/.qws-ready" ]; then
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
          echo "wine: creating prefix $WINEPREFIX" >&2
          wineboot -i >/dev/null 2>&1 </dev/null || true
        fi
        # The registry files are written when the server that wineboot started ends.
        wineserver -w
        # The program asks for "Segoe UI", which Wine lacks: show it in a Debian font instead.
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Segoe UI' /d 'DejaVu Sans' /f \
          >/dev/null 2>&1 </dev/null || true
        wineserver -w
        [ -f "$WINEPREFIX/system.reg" ] && touch "$WINEPREFIX/.qws-ready"
      fi
    ) 9>"$WINEPREFIX.lock"
  fi
  qws_wine_drives
  [ -f "$WINEPREFIX/system.reg" ]
}

# Drives of the tests' own beside C: and Z:: D: a fixed drive on a fixture folder, E: a
# removable one. Links only, made once; nothing else in the prefix changes.
qws_wine_drives() {
  local drives="$qws_root/build/wine-drives"
  mkdir -p "$drives/d" "$drives/e" "$WINEPREFIX/dosdevices"
  [ -e "$WINEPREFIX/dosdevices/d:" ] || ln -sfn "$drives/d" "$WINEPREFIX/dosdevices/d:"
  [ -e "$WINEPREFIX/dosdevices/e:" ] || ln -sfn "$drives/e" "$WINEPREFIX/dosdevices/e:"
  if [ ! -f "$WINEPREFIX/.qws-drives" ]; then
    (
      flock 9
      if [ ! -f "$WINEPREFIX/.qws-drives" ]; then
        wine reg add 'HKLM\Software\Wine\Drives' /v 'd:' /d 'hd' /f >/dev/null 2>&1 </dev/null || true
        wine reg add 'HKLM\Software\Wine\Drives' /v 'e:' /d 'floppy' /f >/dev/null 2>&1 </dev/null || true
        touch "$WINEPREFIX/.qws-drives"
      fi
    ) 9>"$WINEPREFIX.drives.lock"
  fi
}
