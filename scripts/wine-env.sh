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
  [ -f "$WINEPREFIX/system.reg" ]
}
