#!/usr/bin/env bash
# The scan throughput of the whole pipeline beside the engine's own: builds what it needs, makes
# the corpus and its signatures (build/bench/bin/scan_bench), signs those signatures as a module
# set, and scans the same corpus with qwscan.exe under Wine, once on the plain library (the
# bridge's own folder walk, one library call per file) and once on the anti-stealth library (its
# folder scan with callbacks), each the best of QWS_BENCH_RUNS runs (2). Prints files/s and MB/s
# of each, side by side, and the same without the fixed cost of a run (qwscan.exe over an empty
# folder: Wine, the library written out, the engine set up, the modules loaded).
#
#   scripts/bench.sh [megabytes]    (default 64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
megabytes=${1:-64}
work=${QWS_BENCH_WORK:-/tmp/qws-pipeline-bench}

scripts/build.sh host bench >/dev/null
if [ -f build/x64/CMakeCache.txt ]; then
  cmake --build build/x64 --target qwscan -j"$(nproc)" >/dev/null
else
  scripts/build.sh x64 >/dev/null
fi

rm -rf "$work"
mkdir -p "$work"
echo "== engine (in process, native)"
engine_out=$(build/bench/bin/scan_bench "$work" "$megabytes")
echo "$engine_out"
files=$(sed -n 's/^corpus: \([0-9]*\) files.*/\1/p' <<<"$engine_out")
bytes=$(sed -n 's/^corpus: .*(\([0-9]*\) bytes).*/\1/p' <<<"$engine_out")
engine_seconds=$(sed -n 's/^engine  *[0-9].*(\([0-9.]*\) s)$/\1/p' <<<"$engine_out")
engine_scan_seconds=$(sed -n 's/^engine scan alone .*(\([0-9.]*\) s)$/\1/p' <<<"$engine_out")
engine_found=$(sed -n 's/^engine .* \([0-9]*\) found .*/\1/p' <<<"$engine_out")

# The bench's signatures as a module set signed with the development key the build embeds.
build/host/bin/module_set build --key build/host/keys/modules.key --build 23001 \
  --out "$work/qwscan/Modules" "$work"/db/* >/dev/null

source scripts/wine-env.sh
qws_wine_prefix
wine cmd /c exit >/dev/null 2>&1 </dev/null || true  # Wine's own processes up before timing
qwscan="$root/build/x64/bin/qwscan.exe"
winpath() { echo "Z:${1//\//\\}"; }

now() { date +%s.%N; }
calc() { awk "BEGIN { print $* }"; }
# Runs qwscan over a folder and prints "<seconds> <objects> <threats>".
run_qwscan() {
  local folder=$1 start end out
  shift
  start=$(now)
  out=$(wine "$qwscan" --no-update --work "$(winpath "$work/qwscan")" --archives --unwanted --unsafe \
    --suspicious "$@" "$(winpath "$folder")" 2>&1 | tr '\r' '\n' || true)
  end=$(now)
  local objects threats
  objects=$(sed -n 's/^Scanned \([0-9]*\) objects\.$/\1/p' <<<"$out")
  threats=$(sed -n 's/^\([0-9]*\) threat(s) found.*/\1/p' <<<"$out")
  [ -n "$objects" ] || { echo "bench: qwscan did not scan:" >&2; echo "$out" >&2; exit 1; }
  echo "$(calc "$end - $start") $objects ${threats:-0}"
}

start=$(now)
wine "$qwscan" --help >/dev/null
startup=$(calc "$(now) - $start")
echo "== qwscan.exe under Wine (process start, library extraction, engine set-up and module loading included)"
mkdir -p "$work/empty"
# The fixed cost of a run: Wine, the library written out, the engine set up, the modules loaded.
# The best of a few runs: the machine is shared, and a run can only be slowed down by others.
runs=${QWS_BENCH_RUNS:-2}
best_qwscan() {
  local best="" line
  for _ in $(seq "$runs"); do
    line=$(run_qwscan "$@")
    if [ -z "$best" ] || awk -v a="${line%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then best=$line; fi
  done
  echo "$best"
}
read -r empty_seconds _ _ < <(best_qwscan "$work/empty")
read -r plain_seconds plain_objects plain_threats < <(best_qwscan "$work/corpus")
read -r stealth_seconds stealth_objects stealth_threats < <(best_qwscan "$work/corpus" --anti-stealth)

mb=$(calc "$bytes / 1048576")
row() {  # name seconds found objects
  printf '%-40s %8.1f %9.1f %8.2f %6s %8s\n' "$1" "$(calc "$mb / $2")" \
    "$(calc "$files / $2")" "$2" "$3" "$4"
}
echo
printf 'corpus: %s files, %.1f MB\n' "$files" "$mb"
printf '%-40s %8s %9s %8s %6s %8s\n' "scanner" "MB/s" "files/s" "seconds" "found" "objects"
row "engine (native, in process)" "$engine_seconds" "$engine_found" "-"
row "engine scan alone (signatures loaded)" "$engine_scan_seconds" "$engine_found" "-"
row "qwscan.exe, own folder walk" "$plain_seconds" "$plain_threats" "$plain_objects"
row "qwscan.exe --anti-stealth" "$stealth_seconds" "$stealth_threats" "$stealth_objects"
printf 'fixed cost of a qwscan.exe run: %.2f s (of which Wine start-up, --help: %.2f s)\n' "$empty_seconds" "$startup"
row "qwscan.exe, own walk, fixed cost off" "$(calc "$plain_seconds - $empty_seconds")" "$plain_threats" "$plain_objects"
row "qwscan.exe --anti-stealth, fixed cost off" "$(calc "$stealth_seconds - $empty_seconds")" "$stealth_threats" "$stealth_objects"
printf 'pipeline cost over the engine: own walk %.1fx, anti-stealth %.1fx the engine'"'"'s time\n' \
  "$(calc "$plain_seconds / $engine_seconds")" "$(calc "$stealth_seconds / $engine_seconds")"
