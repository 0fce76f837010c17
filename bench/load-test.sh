#!/usr/bin/env bash
# Many exports without a window at once against one company server: a
# throwaway PostgreSQL 15 (max_connections 100) with a PgBouncer in front of
# it (session pooling), or straight (--direct), on 127.0.0.1 only. Loads the
# demo data with a supplier of --articles articles, runs one export alone,
# then --exports exports at once, each to its own file, and prints their exit
# statuses, the files compared with the one written alone, wall time,
# p50/p99 per export, the peak of server connections and peak memory.
#
#   bench/load-test.sh [--exports N] [--articles N] [--direct] [--max-connections N]
#                      [--restart-after SECONDS] [--wait MINUTES] [--time-limit SECONDS]
#                      [--program PATH] [--tolvan-db PATH]
#
# PgBouncer is Debian's, in /usr/sbin (not on a normal user's PATH).
# The programs default to the release build (cmake -S . -B build/release).
# Exit status 0 when every export wrote the right file (with --restart-after:
# or ended with 5 and kept the old one).
set -euo pipefail
cd "$(dirname "$0")/.."

exports=1000 articles=20000 direct=0 max_connections=100 restart_after= wait=15
time_limit=1800
program=build/release/main/tolvan-dravonik-export
tolvan_db=build/release/server/tolvan-db
while [ $# -gt 0 ]; do
    case "$1" in
    --exports) exports=$2; shift ;;
    --articles) articles=$2; shift ;;
    --direct) direct=1 ;;
    --max-connections) max_connections=$2; shift ;;
    --restart-after) restart_after=$2; shift ;;
    --wait) wait=$2; shift ;;
    --time-limit) time_limit=$2; shift ;;
    --program) program=$2; shift ;;
    --tolvan-db) tolvan_db=$2; shift ;;
    *) echo "Unbekannte Option: $1" >&2; exit 2 ;;
    esac
    shift
done
for count in "$exports" "$articles" "$max_connections" "$wait" "$time_limit"; do
    [[ $count =~ ^[0-9]+$ ]] || { echo "Keine Zahl: $count" >&2; exit 2; }
done
[ "$exports" -le 5000 ] || { echo "Höchstens 5000 Exporte." >&2; exit 2; }
for file in "$program" "$tolvan_db"; do
    [ -x "$file" ] || { echo "$file fehlt: erst bauen (cmake --build build/release)." >&2; exit 2; }
done
program=$(realpath "$program") tolvan_db=$(realpath "$tolvan_db")

. scripts/postgres.sh
work=$(mktemp -d /tmp/tolvan-load.XXXXXX)
POOLER_PID=
cleanup() {
    [ -z "$POOLER_PID" ] || kill "$POOLER_PID" 2>/dev/null || true
    stop_postgres
    rm -rf "$work"
}
trap cleanup EXIT

# The server as a company would size it for a few desktops; the pool below
# keeps a margin for the administrators' own sessions.
PG_SETTINGS="max_connections = $max_connections" start_postgres
"$tolvan_db" demo --server 127.0.0.1 --port "$PGPORT" --articles "$articles" >"$work/demo.out"
port=$PGPORT
mode="direkt am Server"
if [ $direct = 0 ]; then
    pool=$((max_connections * 8 / 10))
    clients=$((exports + 100))
    # Every client holds a socket, and so does every server connection.
    files=$((clients + pool + 100))
    for try in 1 2 3 4 5 6 7 8 9 10; do
        port=$((20000 + RANDOM % 30000))
        cat >"$PG_DIR/pgbouncer.ini" <<INI
[databases]
tolvan = host=127.0.0.1 port=$PGPORT dbname=tolvan

[pgbouncer]
listen_addr = 127.0.0.1
listen_port = $port
unix_socket_dir =
auth_type = scram-sha-256
auth_file = $PG_DIR/userlist.txt
; Session pooling: the program's SET statements hold for its whole session.
pool_mode = session
max_client_conn = $clients
default_pool_size = $pool
max_db_connections = $pool
; A client waits in the queue for a free server connection as long as the
; export would wait for a full server itself (--wait 15).
query_wait_timeout = 900
logfile = $PG_DIR/pgbouncer.log
pidfile = $PG_DIR/pgbouncer.pid
INI
        echo '"tolvan" "tolvan"' >"$PG_DIR/userlist.txt"
        [ "$(id -u)" -ne 0 ] || chown postgres: "$PG_DIR/pgbouncer.ini" "$PG_DIR/userlist.txt"
        if as_postgres bash -c "ulimit -n $files && exec /usr/sbin/pgbouncer -d -q '$PG_DIR/pgbouncer.ini'"; then
            for _ in $(seq 50); do
                [ -s "$PG_DIR/pgbouncer.pid" ] && break
                sleep 0.1
            done
            POOLER_PID=$(cat "$PG_DIR/pgbouncer.pid" 2>/dev/null || true)
            [ -n "$POOLER_PID" ] && kill -0 "$POOLER_PID" 2>/dev/null && break
        fi
        POOLER_PID=
    done
    if [ -z "$POOLER_PID" ]; then
        echo "PgBouncer startete nicht:" >&2
        cat "$PG_DIR/pgbouncer.log" >&2 || true
        exit 1
    fi
    mode="über PgBouncer (Sitzungs-Pooling, $pool Serververbindungen, max_client_conn $clients, ulimit -n $files)"
fi

echo "$exports Exporte gleichzeitig $mode; max_connections $max_connections;" \
    "$articles Artikel je Datei; $(nproc) Kerne, Last vorher $(cut -d' ' -f1-3 /proc/loadavg)"
restart=()
if [ -n "$restart_after" ]; then
    restart=(--restart-after "$restart_after" --restart-command
             "$(declare -f as_postgres); PG_DIR='$PG_DIR'; as_postgres $PG_BIN/pg_ctl -D '$PG_DIR/data' -l '$PG_DIR/server.log' -w -m fast restart -o '-p $PGPORT' >/dev/null")
fi
status=0
python3 bench/load_exports.py --program "$program" --exports "$exports" --work "$work" \
    --port "$port" --server-port "$PGPORT" --wait "$wait" --time-limit "$time_limit" \
    ${POOLER_PID:+--pooler-pid "$POOLER_PID"} "${restart[@]}" || status=$?
echo "Vom Server abgewiesene Verbindungen (kein freier Platz, laut Server-Log):" \
    "$(grep -cE 'too many clients|connection slots are reserved' "$PG_DIR/server.log" || true)"
exit $status
