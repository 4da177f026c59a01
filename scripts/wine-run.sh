#!/usr/bin/env bash
# Runs a Windows program in the project's Wine prefix (the tests' emulator).
source "$(dirname "$0")/wine-env.sh"
qws_wine_prefix || { echo "wine-run: no Wine prefix" >&2; exit 125; }
exec wine "$@"
