# A throwaway PostgreSQL 15 server on 127.0.0.1 in a temporary folder, for the tests.
# start_postgres exports PGHOST, PGPORT, PGUSER, PGPASSWORD and TOLVAN_TEST_POSTGRES=1;
# stop_postgres stops it and removes the folder. Sourced by ./test and
# bench/load-test.sh; PG_SETTINGS adds lines to the server's configuration.

PG_BIN=/usr/lib/postgresql/15/bin
PG_DIR=

# PostgreSQL refuses to run as root: as root, run it as the postgres user.
as_postgres() {
    if [ "$(id -u)" -eq 0 ]; then
        (cd "$PG_DIR" && runuser -u postgres -- "$@")
    else
        (cd "$PG_DIR" && "$@")
    fi
}

start_postgres() {
    PG_DIR=$(mktemp -d /tmp/tolvan-pg.XXXXXX)
    [ "$(id -u)" -eq 0 ] && chown postgres: "$PG_DIR"
    as_postgres "$PG_BIN/initdb" -D "$PG_DIR/data" -E UTF8 --locale=C.UTF-8 -N -U postgres \
        -A trust >"$PG_DIR/initdb.out" 2>&1 || { cat "$PG_DIR/initdb.out" >&2; return 1; }
    cat >>"$PG_DIR/data/postgresql.conf" <<CONF
listen_addresses = '127.0.0.1'
unix_socket_directories = '$PG_DIR'
fsync = off
${PG_SETTINGS:-}
CONF
    echo "host all all 127.0.0.1/32 trust" >"$PG_DIR/data/pg_hba.conf"
    local try port
    for try in 1 2 3 4 5 6 7 8 9 10; do
        port=$((20000 + RANDOM % 30000))
        if as_postgres "$PG_BIN/pg_ctl" -D "$PG_DIR/data" -l "$PG_DIR/server.log" -w -t 60 \
            -o "-p $port" start >/dev/null 2>&1; then
            break
        fi
        port=
    done
    if [ -z "$port" ]; then
        echo "PostgreSQL did not start:" >&2
        cat "$PG_DIR/server.log" >&2
        return 1
    fi
    psql -X -q -U postgres -h 127.0.0.1 -p "$port" -d postgres \
        -c "CREATE ROLE tolvan LOGIN CREATEDB PASSWORD 'tolvan'" \
        -c "CREATE DATABASE tolvan OWNER tolvan" >/dev/null
    export PGHOST=127.0.0.1 PGPORT=$port PGUSER=tolvan PGPASSWORD=tolvan PGDATABASE=tolvan
    export TOLVAN_TEST_POSTGRES=1
}

stop_postgres() {
    [ -n "$PG_DIR" ] || return 0
    as_postgres "$PG_BIN/pg_ctl" -D "$PG_DIR/data" -m fast -w stop >/dev/null 2>&1 || true
    rm -rf "$PG_DIR"
    PG_DIR=
}
