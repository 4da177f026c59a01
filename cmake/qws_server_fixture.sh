#!/usr/bin/env bash
# Starts and stops the loopback servers of the CTest fixtures (cmake/Qws.cmake), each in a folder
# of its own that is made anew at every start:
#   qws_server_fixture.sh start <folder> <qws-server> <content folder|-> [server options...]
#       qws-server on a free port of 127.0.0.1, serving the content folder ("-": the empty
#       <folder>/content, for the tests to fill), its query database in <folder>/query.sqlite
#   qws_server_fixture.sh proxy <folder>
#       tinyproxy on a free port of 127.0.0.1, logging to <folder>/tinyproxy.log
#   qws_server_fixture.sh stop <folder>
# The port is written to <folder>/port once the server accepts connections; the server's output
# goes to <folder>/server.log. Servers run in a session of their own, so that CTest's end of the
# start step never takes them down.
set -euo pipefail
action=${1:-}
dir=${2:-}

usage() {
  echo "usage: $0 start <folder> <qws-server> <content|-> [options...] | proxy <folder> | stop <folder>" >&2
  exit 2
}

stop() {
  if [ -f "$dir/pid" ]; then
    kill "$(cat "$dir/pid")" 2>/dev/null || true
    rm -f "$dir/pid"
  fi
}

fresh_folder() {
  stop
  rm -rf "$dir"
  mkdir -p "$dir"
}

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

[ -n "$dir" ] || usage
case $action in
  start)
    [ $# -ge 4 ] || usage
    server=$3 content=$4
    shift 4
    fresh_folder
    if [ "$content" = - ]; then
      content=$dir/content
      mkdir -p "$content"
    fi
    # qws-server writes the port file itself once it has bound the port.
    setsid "$server" --host 127.0.0.1 --port 0 --port-file "$dir/port.new" --content "$content" \
      --db "$dir/query.sqlite" "$@" >"$dir/server.log" 2>&1 </dev/null &
    echo $! >"$dir/pid"
    for _ in $(seq 100); do
      if [ -s "$dir/port.new" ] && listening "$(cat "$dir/port.new")"; then
        mv "$dir/port.new" "$dir/port"
        echo "qws-server on 127.0.0.1:$(cat "$dir/port"), folder $dir"
        exit 0
      fi
      kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
      sleep 0.1
    done
    echo "qws-server did not start:" >&2
    cat "$dir/server.log" >&2
    stop
    exit 1
    ;;
  proxy)
    fresh_folder
    for _ in $(seq 20); do
      port=$((20000 + RANDOM % 40000))
      listening "$port" && continue  # taken
      cat >"$dir/tinyproxy.conf" <<CONF
Port $port
Listen 127.0.0.1
Timeout 30
MaxClients 20
LogFile "$dir/tinyproxy.log"
LogLevel Info
Allow 127.0.0.1
CONF
      setsid tinyproxy -d -c "$dir/tinyproxy.conf" >"$dir/server.log" 2>&1 </dev/null &
      echo $! >"$dir/pid"
      for _ in $(seq 30); do
        if listening "$port"; then
          echo "$port" >"$dir/port"
          echo "tinyproxy on 127.0.0.1:$port, folder $dir"
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
    usage
    ;;
esac
