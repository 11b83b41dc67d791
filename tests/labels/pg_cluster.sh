#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the label database tests, on a loopback port, in a folder
# of its own under /tmp.
#
#   pg_cluster.sh start STATE   starts it and writes where it is (BIN, DIR, PORT, USER,
#                               PASSWORD) into the file STATE
#   pg_cluster.sh stop STATE    stops the cluster STATE names and removes its folder
#
# The server refuses to run as root, so as root it runs as the user nobody.
set -euo pipefail

usage() { echo "usage: $0 start|stop STATE" >&2; exit 2; }
[[ $# -eq 2 ]] || usage
action=$1
state=$2

as_owner() {
    if [[ $(id -u) -eq 0 ]]; then
        runuser -u nobody -- "$@"
    else
        "$@"
    fi
}

stop_cluster() {
    [[ -f $state ]] || return 0
    local BIN DIR
    BIN=$(sed -n 's/^BIN=//p' "$state")
    DIR=$(sed -n 's/^DIR=//p' "$state")
    if [[ -n $DIR && -d $DIR ]]; then
        if [[ -n $BIN && -f $DIR/data/postmaster.pid ]]; then
            as_owner "$BIN/pg_ctl" -D "$DIR/data" -m immediate -w -t 60 stop >/dev/null 2>&1 ||
                echo "pg_cluster.sh: the server in $DIR did not stop cleanly" >&2
        fi
        case $DIR in /tmp/qm-pgtest.*) rm -rf "$DIR" ;; esac
    fi
    rm -f "$state"
}

find_server() {
    local dir
    for dir in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
        if [[ -x $dir/pg_ctl && -x $dir/initdb ]]; then
            echo "$dir"
            return 0
        fi
    done
    return 1
}

start_cluster() {
    # Whatever a killed run left behind goes first.
    stop_cluster
    local BIN
    if ! BIN=$(find_server); then
        echo "pg_cluster.sh: no PostgreSQL server under /usr/lib/postgresql; install the" \
             "postgresql package (scripts/setup.sh does)" >&2
        exit 1
    fi
    local DIR
    DIR=$(mktemp -d /tmp/qm-pgtest.XXXXXX)
    chmod 700 "$DIR"
    [[ $(id -u) -eq 0 ]] && chown nobody "$DIR"
    local password
    password=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
    printf '%s\n' "$password" >"$DIR/pwfile"
    [[ $(id -u) -eq 0 ]] && chown nobody "$DIR/pwfile"
    {
        echo "BIN=$BIN"
        echo "DIR=$DIR"
    } >"$state"

    if ! as_owner "$BIN/initdb" -D "$DIR/data" -U qmtest --pwfile="$DIR/pwfile" \
        --auth=scram-sha-256 -E UTF8 --locale=C --no-sync >"$DIR/initdb.log" 2>&1; then
        cat "$DIR/initdb.log" >&2
        stop_cluster
        exit 1
    fi
    local port attempt
    for attempt in $(seq 1 20); do
        port=$((20000 + RANDOM % 40000))
        # Something already answers there: try another port.
        if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then continue; fi
        if as_owner "$BIN/pg_ctl" -D "$DIR/data" -l "$DIR/server.log" -w -t 60 \
            -o "-p $port -k $DIR -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null; then
            {
                echo "BIN=$BIN"
                echo "DIR=$DIR"
                echo "PORT=$port"
                echo "USER=qmtest"
                echo "PASSWORD=$password"
            } >"$state"
            echo "PostgreSQL $("$BIN/postgres" --version | awk '{print $3}') listening on 127.0.0.1:$port"
            return 0
        fi
    done
    echo "pg_cluster.sh: the server would not start:" >&2
    cat "$DIR/server.log" >&2 || true
    stop_cluster
    exit 1
}

case $action in
start) start_cluster ;;
stop) stop_cluster ;;
*) usage ;;
esac
