#!/usr/bin/env bash
# After submission_client_test: the report stored in the query server's database, printed by
# qws-server's report command, is the one the test sent, byte for byte (without its final NUL).
#   check_stored_report.sh <qws-server> <fixture folder>
set -euo pipefail
server=$1
dir=$2
[ -f "$dir/sent-report.bin" ] || { echo "the Windows test stored no sent report" >&2; exit 1; }
head -c -1 "$dir/sent-report.bin" >"$dir/sent-report.txt"
"$server" report --db "$dir/query.sqlite" >"$dir/stored-report.txt"
cmp "$dir/sent-report.txt" "$dir/stored-report.txt"
rows=$("$server" submissions --db "$dir/query.sqlite")
echo "$rows"
# Two exchanges of the first submission and two of the report: metadata only, then with data.
[ "$(echo "$rows" | grep -c 'mode=0 session=0 ')" -eq 2 ]
[ "$(echo "$rows" | grep -c 'mode=1 session=77 ')" -eq 2 ]
