#!/usr/bin/env bash
# Longer fuzzing than the test command does: every fuzz target (or those named) for N seconds.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-300}
shift || true
"$root/scripts/setup.sh" >/dev/null
"$root/scripts/build.sh" fuzz
cd "$root/build/fuzz"
targets=("$@")
if ((${#targets[@]} == 0)); then
  mapfile -t targets < <(ctest -N -L fuzz | sed -n 's/^ *Test *#[0-9]*: //p')
fi
for target in "${targets[@]}"; do
  echo "== $target for $seconds s"
  corpus="$root/build/fuzz/fuzz-corpus/$target"
  mkdir -p "$corpus"
  # New inputs go to the first folder; the seeds kept with the tests are read as well.
  seeds=()
  for folder in "$root"/tests/*/corpus/"$target"; do
    [ -d "$folder" ] && seeds+=("$folder")
  done
  find "$root/build/fuzz" -name "$target" -type f -executable \
    -exec {} -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "$corpus" "${seeds[@]}" \;
done
