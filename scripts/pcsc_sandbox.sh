#!/usr/bin/env bash
# A private PC/SC stack for tests and demos: pcscd with two virtual vpcd
# readers, and virtual cards in their slots.
#
#   pcsc_sandbox.sh start STATE_DIR [--card SLOT:PROFILE ...]
#   pcsc_sandbox.sh stop  STATE_DIR
#   pcsc_sandbox.sh run   [--card SLOT:PROFILE ...] -- COMMAND [ARGS...]
#
# Readers, in the order pcscd lists them (PORT = $SANDBOX_PORT, default 35990);
# their names are in sim/testing/sandbox_readers.txt, which start checks:
#   slot 0  Acme Card Terminal, first slot        TCP PORT      (a reader the library does not know)
#   slot 1  Acme Card Terminal, second slot       TCP PORT+1
#   slot 2  Generic MultiCard reader, first slot  TCP PORT+2
#   slot 3  Generic MultiCard reader, second slot TCP PORT+3
# Without --card: a GSM SIM in slot 0 and a USIM in slot 3; slots 1 and 2 stay empty.
#
# Only one pcscd can run on a machine (its socket is /run/pcscd/pcscd.comm):
# start stops any other pcscd first, and a lock keeps two sandboxes apart.
# Both processes are stopped by the PIDs recorded in STATE_DIR. Needs root.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
port=${SANDBOX_PORT:-35990}
build=${SUITE_BUILD_DIR:-$root/build}
card_program=${SIMCARD_VPCD:-$build/sim/card/simcard-vpcd}
wait_program=${PCSC_WAIT:-$build/sim/card/pcsc-wait}
profiles=$root/sim/profiles
reader_names=$root/sim/testing/sandbox_readers.txt
driver=${VPCD_DRIVER:-/usr/lib/pcsc/drivers/serial/libifdvpcd.so}
lock_file=${SANDBOX_LOCK:-/tmp/pcsc-sandbox.lock}

die() { echo "pcsc_sandbox: $*" >&2; exit 1; }

# True while PID names a live process (an unreaped zombie has ended).
alive() {
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}

# Ends one process by PID: TERM, then KILL when it does not go.
end_pid() {
    local pid=$1
    alive "$pid" || return 0
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 100); do
        alive "$pid" || return 0
        sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null || true
}

stop_other_pcscd() {
    if command -v systemctl >/dev/null 2>&1 && [ -d /run/systemd/system ]; then
        systemctl stop pcscd.socket pcscd.service >/dev/null 2>&1 || true
    fi
    local pid
    if [ -r /run/pcscd/pcscd.pid ]; then
        pid=$(cat /run/pcscd/pcscd.pid 2>/dev/null || true)
        [ -n "$pid" ] && end_pid "$pid"
    fi
    for pid in $(pgrep -x pcscd || true); do
        end_pid "$pid"
    done
    rm -f /run/pcscd/pcscd.comm /run/pcscd/pcscd.pid
}

write_reader_conf() {
    local state=$1
    # The vpcd driver keeps its slots in globals shared by every reader that
    # uses the same library image; a private copy gives the second reader
    # slots of its own.
    cp "$driver" "$state/libifdvpcd-second.so"
    cat >"$state/reader.conf" <<CONF
FRIENDLYNAME "Acme Card Terminal"
DEVICENAME   /dev/null:$port
LIBPATH      $state/libifdvpcd-second.so
CHANNELID    $port

FRIENDLYNAME "Generic MultiCard reader 1.0"
DEVICENAME   /dev/null:$((port + 2))
LIBPATH      $driver
CHANNELID    $((port + 2))
CONF
}

start() {
    local state=$1
    shift
    local cards=()
    while [ $# -gt 0 ]; do
        case $1 in
        --card) cards+=("$2"); shift 2 ;;
        *) die "unknown option $1" ;;
        esac
    done
    [ ${#cards[@]} -gt 0 ] || cards=("0:$profiles/gsm_sim.json" "3:$profiles/usim.json")
    [ "$(id -u)" -eq 0 ] || die "pcscd needs root"
    [ -x "$card_program" ] || die "no virtual card program at $card_program (build target simcard-vpcd)"
    [ -x "$wait_program" ] || die "no pcsc-wait at $wait_program (build target pcsc-wait)"
    [ -r "$driver" ] || die "no vpcd driver at $driver (package vsmartcard-vpcd)"

    local card_args=() entry slot profile
    for entry in "${cards[@]}"; do
        slot=${entry%%:*}
        profile=${entry#*:}
        [[ $slot =~ ^[0-3]$ ]] || die "slot must be 0..3 in --card $entry"
        [[ $profile = /* ]] || profile=$profiles/$profile
        card_args+=(--card "$((port + slot)):$profile")
    done

    mkdir -p "$state"
    # The lock travels with the open descriptor into pcscd and the card
    # program, so it is held until both have ended.
    exec 9<>"$lock_file"
    if ! flock -n 9; then
        local holder
        holder=$(cat "$lock_file" 2>/dev/null || true)
        # A sandbox of this same state directory left over by an interrupted
        # run is ours to stop; any other one is waited for.
        [ "$holder" = "$state" ] && stop "$state"
        flock -w 300 9 || die "the sandbox in ${holder:-?} still runs (pcsc_sandbox.sh stop ${holder:-DIR})"
    fi
    echo "$state" >"$lock_file"

    stop_other_pcscd
    write_reader_conf "$state"

    pcscd -f -c "$state/reader.conf" </dev/null >"$state/pcscd.log" 2>&1 &
    echo $! >"$state/pcscd.pid"
    "$card_program" "${card_args[@]}" </dev/null >"$state/card.log" 2>&1 &
    echo $! >"$state/card.pid"
    exec 9>&-

    if ! "$wait_program" --readers 4 --cards ${#cards[@]} --timeout 30 >"$state/readers.txt"; then
        cat "$state/pcscd.log" >&2 || true
        cat "$state/card.log" >&2 || true
        stop "$state"
        die "readers or cards did not appear"
    fi
    if ! grep -v '^#' "$reader_names" | cmp -s - "$state/readers.txt"; then
        stop "$state"
        die "pcscd names the readers $(tr '\n' ';' <"$state/readers.txt"), not as $reader_names lists them"
    fi
    echo "pcsc_sandbox: ready ($(tr '\n' ';' <"$state/readers.txt"))"
}

stop() {
    local state=$1 name
    for name in card pcscd; do
        if [ -r "$state/$name.pid" ]; then
            end_pid "$(cat "$state/$name.pid")"
            rm -f "$state/$name.pid"
        fi
    done
}

command=${1:-}
shift || true
case $command in
start)
    [ $# -ge 1 ] || die "start needs a state directory"
    start "$@"
    ;;
stop)
    [ $# -ge 1 ] || die "stop needs a state directory"
    stop "$1"
    ;;
run)
    options=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        options+=("$1")
        shift
    done
    [ "${1:-}" = "--" ] || die "run needs -- COMMAND"
    shift
    state=$(mktemp -d /tmp/pcsc-sandbox.XXXXXX)
    trap 'stop "$state"; rm -rf "$state"' EXIT
    start "$state" "${options[@]}"
    status=0
    "$@" || status=$?
    exit $status
    ;;
*)
    sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
