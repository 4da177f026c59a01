#!/usr/bin/env bash
# The host half of a submission test: the latest report stored in a query server's database,
# printed by qws-server's report command, must be byte for byte the text that the Windows test
# left in the server's fixture folder; each COUNT PATTERN pair then says how many stored
# submissions match PATTERN (a line of "qws-server submissions").
#   check_stored_report.sh <qws-server> <fixture folder> <expected file> [COUNT PATTERN]...
set -euo pipefail
server=$1 dir=$2 expected=$dir/$3
shift 3
[ -s "$expected" ] || { echo "the Windows test left no report in $expected" >&2; exit 1; }
"$server" report --db "$dir/query.sqlite" >"$dir/stored-report.txt"
if ! cmp "$expected" "$dir/stored-report.txt"; then
  echo "the stored report differs from $expected:" >&2
  diff <(od -c "$expected") <(od -c "$dir/stored-report.txt") | head -20 >&2 || true
  exit 1
fi
echo "stored report: $(wc -c <"$dir/stored-report.txt") bytes, identical"
rows=$("$server" submissions --db "$dir/query.sqlite")
echo "$rows"
while [ $# -ge 2 ]; do
  found=$(grep -c -- "$2" <<<"$rows" || true)
  if [ "$found" -ne "$1" ]; then
    echo "expected $1 stored submission(s) matching '$2', found $found" >&2
    exit 1
  fi
  shift 2
done
