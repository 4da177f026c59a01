#!/usr/bin/env bash
# Starts or stops the qws-server of a CTest fixture on loopback.
#   qws_server_fixture.sh start <server> <content folder> <state folder> [--set ...]
#   qws_server_fixture.sh stop <state folder>
# The chosen port is written to <state folder>/port; tests find that file through the
# environment variable QWS_TEST_SERVER_PORT_FILE.
set -euo pipefail
case ${1:-} in
  start)
    server=$2 content=$3 state=$4
    shift 4
    mkdir -p "$state"
    rm -f "$state/port"
    [ -f "$state/pid" ] && kill "$(cat "$state/pid")" 2>/dev/null || true
    setsid "$server" --host 127.0.0.1 --port 0 --port-file "$state/port" --content "$content" \
      --db "$state/server.sqlite" "$@" >"$state/server.log" 2>&1 </dev/null &
    echo $! >"$state/pid"
    for _ in $(seq 100); do
      if [ -s "$state/port" ]; then
        echo "qws-server on 127.0.0.1:$(cat "$state/port")"
        exit 0
      fi
      sleep 0.1
    done
    echo "qws-server did not start:" >&2
    cat "$state/server.log" >&2
    exit 1
    ;;
  stop)
    state=$2
    [ -f "$state/pid" ] && kill "$(cat "$state/pid")" 2>/dev/null || true
    rm -f "$state/pid" "$state/port"
    ;;
  *)
    echo "usage: $0 start <server> <content> <state> [options] | stop <state>" >&2
    exit 2
    ;;
esac
