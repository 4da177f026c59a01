#!/usr/bin/env bash
# Runs a Windows program in the project's Wine prefix (the tests' emulator).
#
# Wine hands its own standard error to every process it starts, the background ones included:
# the desktop process that a first window (or a GetDesktopWindow call) starts outlives the
# program while other tests keep the desktop busy. Holding CTest's pipe, it would keep a test
# that has passed waiting for the end of its output until the timeout. So the program writes to
# a file of its own, and its output reaches the pipe through tail, which ends with the program.
source "$(dirname "$0")/wine-env.sh"
qws_wine_prefix || { echo "wine-run: no Wine prefix" >&2; exit 125; }

output=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$output"' EXIT
wine "$@" >"$output" 2>&1 &
program=$!
tail -n +1 -s 0.2 --pid="$program" -f "$output" &
follower=$!
status=0
wait "$program" || status=$?
wait "$follower" || true
exit "$status"
