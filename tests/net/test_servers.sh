#!/usr/bin/env bash
# Loopback servers for the Windows tests, each in a folder of its own, started and stopped by
# CTest fixtures (test_servers.cmake):
#   test_servers.sh start <folder> <qws-server> [server options...]
#       qws-server on a free port; writes <folder>/port, serves <folder>/content, stores the
#       submissions in <folder>/query.sqlite
#   test_servers.sh proxy <folder>     tinyproxy on a free port (<folder>/port), log in <folder>
#   test_servers.sh stop <folder>
set -euo pipefail
action=$1
dir=$2
shift 2

stop() {
  if [ -f "$dir/pid" ]; then
    kill "$(cat "$dir/pid")" 2>/dev/null || true
    rm -f "$dir/pid"
  fi
}

case $action in
  start)
    stop
    rm -rf "$dir"
    mkdir -p "$dir/content"
    server=$1
    shift
    "$server" --host 127.0.0.1 --port 0 --port-file "$dir/port" --content "$dir/content" \
      --db "$dir/query.sqlite" "$@" >"$dir/server.log" 2>&1 </dev/null &
    echo $! >"$dir/pid"
    for _ in $(seq 100); do
      [ -s "$dir/port" ] && exit 0
      sleep 0.1
    done
    echo "qws-server did not start:" >&2
    cat "$dir/server.log" >&2
    exit 1
    ;;
  proxy)
    stop
    rm -rf "$dir"
    mkdir -p "$dir"
    for _ in $(seq 20); do
      port=$((20000 + RANDOM % 40000))
      (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && continue  # taken
      cat >"$dir/tinyproxy.conf" <<CONF
Port $port
Listen 127.0.0.1
Timeout 30
MaxClients 20
LogFile "$dir/tinyproxy.log"
LogLevel Info
Allow 127.0.0.1
CONF
      tinyproxy -d -c "$dir/tinyproxy.conf" >"$dir/stdout.log" 2>&1 </dev/null &
      echo $! >"$dir/pid"
      for _ in $(seq 30); do
        if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
          echo "$port" >"$dir/port"
          exit 0
        fi
        kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
        sleep 0.1
      done
      stop
    done
    echo "tinyproxy did not start:" >&2
    cat "$dir"/*.log >&2 || true
    exit 1
    ;;
  stop)
    stop
    ;;
  *)
    echo "usage: test_servers.sh start|proxy|stop <folder> ..." >&2
    exit 2
    ;;
esac
