# Sourced by the tests that print to a label printer's queue: the print scheduler started when
# none runs, a listener in the printer's place on a free local port keeping each job it
# receives in a file, and a queue of a driver sending to it. The test removes the queue and
# stops the listener when it ends.

scheduler_running() {
    local pid
    pid=$(cat /run/cups/cupsd.pid 2>/dev/null) && kill -0 "$pid" 2>/dev/null
}

start_scheduler() {
    scheduler_running || cupsd >/dev/null 2>&1
    local _
    for _ in $(seq 40); do
        lpstat -r >/dev/null 2>&1 && scheduler_running && return 0
        sleep 0.25
    done
}

# Starts the listener; sets $listener (its process) and $port. Each connection's bytes go to
# WORK/job-N.bin, and WORK/jobs gets a line when one ends.
start_listener() { # work
    local work=$1
    python3 - "$work" >"$work/port" <<'PY' &
import socket, sys
work = sys.argv[1]
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(4)
print(server.getsockname()[1], flush=True)
n = 0
while True:
    connection, _ = server.accept()
    n += 1
    with open(f"{work}/job-{n}.bin", "wb") as out:
        while chunk := connection.recv(65536):
            out.write(chunk)
    connection.close()
    with open(f"{work}/jobs", "a") as jobs:
        jobs.write(f"{work}/job-{n}.bin\n")
PY
    listener=$!
    touch "$work/jobs"
    local _
    for _ in $(seq 40); do
        port=$(cat "$work/port" 2>/dev/null)
        [[ -n $port ]] && return 0
        sleep 0.1
    done
    echo "FAIL: the listener did not start"
    return 1
}

add_label_queue() { # name, work, driver
    local _
    for _ in $(seq 60); do
        if lpadmin -p "$1" -E -v "socket://127.0.0.1:$port" -m "$3" 2>"$2/lpadmin.err"; then
            return 0
        fi
        scheduler_running || cupsd >/dev/null 2>&1
        sleep 0.25
    done
    echo "FAIL: cannot add a queue: $(cat "$2/lpadmin.err")"
    return 1
}

# A label printer's queue for a test: $work (a fresh folder, the test's home), $queue (NAME and
# the shell's number) with the print system's driver whose description holds PATTERN, sending to
# a listener of the test's own; all of it removed when the test ends. Exits 77 (skipped) when no
# print system or no such driver is installed.
open_label_queue() { # name, pattern, what the driver is called
    queue=$1$$
    work=$(mktemp -d)
    export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
    export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
    unset DISPLAY WAYLAND_DISPLAY PRINTER LPDEST
    listener=
    trap 'lpadmin -x "$queue" 2>/dev/null; [[ -n $listener ]] && kill "$listener" 2>/dev/null
          rm -rf "$work"' EXIT
    command -v cupsd >/dev/null || { echo "no print scheduler installed"; exit 77; }
    start_scheduler
    driver=$(lpinfo -m 2>/dev/null | awk -v pattern="$2" 'index($0, pattern) {print $1; exit}')
    [[ -n $driver ]] || { echo "no $3 driver installed"; exit 77; }
    start_listener "$work" || exit 1
    add_label_queue "$queue" "$work" "$driver" || exit 1
}

# Prints with COMMAND (PRINTER naming the queue) and prints the file the listener kept of the
# job, once the queue has sent it whole.
print_to_listener() { # work, queue, command...
    local work=$1 queue=$2
    shift 2
    local before
    before=$(wc -l <"$work/jobs" 2>/dev/null || echo 0)
    PRINTER=$queue "$@" >"$work/print.log" 2>&1 || { cat "$work/print.log"; return 1; }
    local _
    for _ in $(seq 300); do
        if [[ $(wc -l <"$work/jobs" 2>/dev/null || echo 0) -gt $before ]] &&
            [[ -z $(lpstat -o "$queue" 2>/dev/null) ]]; then
            tail -1 "$work/jobs"
            return 0
        fi
        sleep 0.2
    done
    echo "the queue sent nothing in a minute"
    return 1
}
