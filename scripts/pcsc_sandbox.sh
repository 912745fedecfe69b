#!/usr/bin/env bash
# A private PC/SC stack for tests and demos: pcscd with two virtual vpcd
# readers, and virtual cards in their slots.
#
#   pcsc_sandbox.sh start STATE_DIR [--card SLOT:PROFILE ...]
#   pcsc_sandbox.sh stop  STATE_DIR
#   pcsc_sandbox.sh run   [--card SLOT:PROFILE ...] -- COMMAND [ARGS...]
#   pcsc_sandbox.sh pcscd-stop  STATE_DIR     (the daemon only; cards stay)
#   pcsc_sandbox.sh pcscd-start STATE_DIR     (the daemon again, after pcscd-stop)
#
# Readers, in the order pcscd lists them (PORT = $SANDBOX_PORT, default 35990);
# their names are in sim/testing/sandbox_readers.txt, which start checks:
#   slot 0  Acme Card Terminal, first slot        TCP PORT      (a reader the library does not know)
#   slot 1  Acme Card Terminal, second slot       TCP PORT+1
#   slot 2  Generic MultiCard reader, first slot  TCP PORT+2
#   slot 3  Generic MultiCard reader, second slot TCP PORT+3
# Without --card: a GSM SIM in slot 0 and a USIM in slot 3; slots 1 and 2 stay empty.
#
# The sandbox's pcscd lives in a private mount namespace with its own tmpfs on
# /run/pcscd (and an empty driver folder, so it never claims a USB reader), so
# a pcscd of the machine keeps running beside it. `run` runs COMMAND in that
# namespace, where the default socket is the sandbox's. After `start`,
# clients outside reach it with PCSCLITE_CSOCK_NAME=STATE_DIR/pcscd.comm.
# The vpcd ports are shared by the whole machine: a lock keeps two sandboxes
# apart. Needs root.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
self=$root/scripts/pcsc_sandbox.sh
port=${SANDBOX_PORT:-35990}
build=${SUITE_BUILD_DIR:-$root/build}
card_program=${SIMCARD_VPCD:-$build/sim/card/simcard-vpcd}
wait_program=${PCSC_WAIT:-$build/sim/card/pcsc-wait}
profiles=$root/sim/profiles
reader_names=$root/sim/testing/sandbox_readers.txt
driver=${VPCD_DRIVER:-/usr/lib/pcsc/drivers/serial/libifdvpcd.so}
lock_file=${SANDBOX_LOCK:-/tmp/pcsc-sandbox.lock}
# Inside the namespace: the daemon's folder, and the sandbox's own files on
# the same tmpfs, so they vanish with the namespace however it ends.
ipc_dir=/run/pcscd
private=$ipc_dir/sandbox
usb_drivers=/usr/lib/pcsc/drivers

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

# ---- inside the namespace: the holder -------------------------------------
# The holder keeps the namespace, owns pcscd and the card program (both die
# with it: parent-death signal), and on USR1/USR2 stops/starts the daemon.

write_reader_conf() {
    # The vpcd driver keeps its slots in globals shared by every reader that
    # uses the same library image: each reader gets a private copy.
    cp "$driver" "$private/libifdvpcd-first.so"
    cp "$driver" "$private/libifdvpcd-second.so"
    cat >"$private/reader.conf" <<CONF
FRIENDLYNAME "Acme Card Terminal"
DEVICENAME   /dev/null:$port
LIBPATH      $private/libifdvpcd-second.so
CHANNELID    $port

FRIENDLYNAME "Generic MultiCard reader 1.0"
DEVICENAME   /dev/null:$((port + 2))
LIBPATH      $private/libifdvpcd-first.so
CHANNELID    $((port + 2))
CONF
}

holder_pcscd=""
holder_card=""
holder_sleep=""

holder_start_pcscd() {
    alive "${holder_pcscd:-0}" && return 0
    rm -f "$ipc_dir/pcscd.comm" "$ipc_dir/pcscd.pid"
    setpriv --pdeathsig KILL pcscd -f -c "$private/reader.conf" </dev/null >>"$private/pcscd.log" 2>&1 &
    holder_pcscd=$!
}

holder_stop_pcscd() {
    [ -n "$holder_pcscd" ] && end_pid "$holder_pcscd"
    holder_pcscd=""
    # A daemon that had to be killed leaves its socket behind.
    rm -f "$ipc_dir/pcscd.comm" "$ipc_dir/pcscd.pid"
    : >"$private/pcscd-stopped"
}

holder_end() {
    [ -n "$holder_card" ] && end_pid "$holder_card"
    [ -n "$holder_pcscd" ] && end_pid "$holder_pcscd"
    [ -n "$holder_sleep" ] && kill -KILL "$holder_sleep" 2>/dev/null
    exit 0
}

hold() {
    mkdir -p "$ipc_dir"
    mount -t tmpfs -o mode=0755,size=16m pcsc-sandbox "$ipc_dir"
    mkdir "$private"
    write_reader_conf
    # pcscd claims every USB reader whose driver it finds; the sandbox's
    # readers use the private copies above.
    if [ -d "$usb_drivers" ]; then
        mount -t tmpfs -o mode=0755,size=1m pcsc-sandbox-drivers "$usb_drivers"
    fi

    trap holder_end TERM INT HUP
    trap holder_stop_pcscd USR1
    trap 'rm -f "$private/pcscd-stopped"; holder_start_pcscd' USR2
    holder_start_pcscd
    setpriv --pdeathsig KILL "$card_program" "$@" </dev/null >"$private/card.log" 2>&1 &
    holder_card=$!
    : >"$private/started"
    while :; do
        setpriv --pdeathsig KILL sleep 86400 &
        holder_sleep=$!
        wait "$holder_sleep" || true
    done
}

# ---- outside: starting and stopping the holder ------------------------------

card_args=()
card_count=0

parse_cards() {
    local cards=() entry slot profile
    while [ $# -gt 0 ]; do
        case $1 in
        --card) [ $# -ge 2 ] || die "--card needs SLOT:PROFILE"; cards+=("$2"); shift 2 ;;
        *) die "unknown option $1" ;;
        esac
    done
    [ ${#cards[@]} -gt 0 ] || cards=("0:$profiles/gsm_sim.json" "3:$profiles/usim.json")
    for entry in "${cards[@]}"; do
        slot=${entry%%:*}
        profile=${entry#*:}
        [[ $slot =~ ^[0-3]$ ]] || die "slot must be 0..3 in --card $entry"
        [[ $profile = /* ]] || profile=$profiles/$profile
        [ -r "$profile" ] || die "no card profile $profile"
        card_args+=(--card "$((port + slot)):$profile")
    done
    card_count=${#cards[@]}
}

check_tools() {
    [ "$(id -u)" -eq 0 ] || die "pcscd and a mount namespace need root"
    [ -x "$card_program" ] || die "no virtual card program at $card_program (build target simcard-vpcd)"
    [ -x "$wait_program" ] || die "no pcsc-wait at $wait_program (build target pcsc-wait)"
    [ -r "$driver" ] || die "no vpcd driver at $driver (package vsmartcard-vpcd)"
    command -v unshare >/dev/null && command -v setpriv >/dev/null && command -v nsenter >/dev/null ||
        die "needs unshare, setpriv and nsenter (package util-linux)"
}

# Takes the lock on descriptor 9; STATE names the holder in the lock file.
take_lock() {
    local state=$1 owner
    exec 9<>"$lock_file"
    if ! flock -n 9; then
        owner=$(cat "$lock_file" 2>/dev/null || true)
        # A sandbox of this same state directory left over by an interrupted
        # run is ours to stop; any other one is waited for.
        [ -n "$state" ] && [ "$owner" = "$state" ] && stop "$state"
        flock -w 300 9 || die "the sandbox in ${owner:-?} still runs (pcsc_sandbox.sh stop ${owner:-DIR})"
    fi
    echo "${state:-run $$}" >"$lock_file"
}

# Starts the holder in a new mount namespace, its PID in $holder. With
# "orphan" the holder outlives this script; otherwise it dies with it. (Not
# in a subshell: the parent-death signal follows the parent process.)
holder=""
spawn_holder() {
    local mode=$1 log=${2:-}
    local command=(unshare --mount --propagation private -- bash "$self" _hold "${card_args[@]}")
    # unshare runs the holder in its own process: its PID is the holder's.
    if [ "$mode" = orphan ]; then
        "${command[@]}" </dev/null >"$log" 2>&1 &
    else
        # Messages of a run's holder go to the run's own error output.
        setpriv --pdeathsig KILL "${command[@]}" </dev/null >&2 &
    fi
    holder=$!
}

# Waits until the holder's readers and cards are seen through its socket.
await_ready() {
    local pid=$1 cards=$2 what=$3
    local socket=/proc/$pid/root$ipc_dir/pcscd.comm
    for _ in $(seq 200); do
        [ -e "/proc/$pid/root$private/started" ] && break
        alive "$pid" || break
        sleep 0.05
    done
    # A holder that could not set up its namespace has ended with a message.
    alive "$pid" || return 1
    if ! PCSCLITE_CSOCK_NAME=$socket "$wait_program" --readers 4 --cards "$cards" --timeout 30 \
        >"$what"; then
        cat "/proc/$pid/root$private/pcscd.log" >&2 2>/dev/null || true
        cat "/proc/$pid/root$private/card.log" >&2 2>/dev/null || true
        return 1
    fi
}

start() {
    local state=$1
    shift
    parse_cards "$@"
    check_tools
    mkdir -p "$state"
    state=$(cd "$state" && pwd)
    take_lock "$state"
    rm -f "$state/pcscd.comm" "$state/holder.pid"
    spawn_holder orphan "$state/holder.log"
    local pid=$holder
    exec 9>&-
    echo "$pid" >"$state/holder.pid"
    echo "$card_count" >"$state/cards"
    ln -s "/proc/$pid/root$ipc_dir/pcscd.comm" "$state/pcscd.comm"
    if ! await_ready "$pid" "$card_count" "$state/readers.txt"; then
        stop "$state"
        die "readers or cards did not appear"
    fi
    if ! grep -v '^#' "$reader_names" | cmp -s - "$state/readers.txt"; then
        stop "$state"
        die "pcscd names the readers $(tr '\n' ';' <"$state/readers.txt"), not as $reader_names lists them"
    fi
    echo "pcsc_sandbox: ready ($(tr '\n' ';' <"$state/readers.txt"))"
}

# True when PID is a sandbox holder (a recorded PID may have been reused
# since by an unrelated process, which must not be touched).
is_holder() {
    tr '\0' ' ' <"/proc/$1/cmdline" 2>/dev/null | grep -q "pcsc_sandbox.sh _hold"
}

stop() {
    local state=$1 pid
    pid=$(cat "$state/holder.pid" 2>/dev/null || true)
    if [ -n "$pid" ] && is_holder "$pid"; then
        end_pid "$pid"
    fi
    rm -f "$state/holder.pid" "$state/pcscd.comm" "$state/cards"
}

holder_of() {
    local state=$1 pid
    pid=$(cat "$state/holder.pid" 2>/dev/null) || die "no sandbox in $state"
    alive "$pid" && is_holder "$pid" || die "the sandbox in $state has ended"
    echo "$pid"
}

pcscd_stop() {
    local pid
    pid=$(holder_of "$1")
    rm -f "/proc/$pid/root$private/pcscd-stopped"
    kill -USR1 "$pid"
    for _ in $(seq 200); do
        [ -e "/proc/$pid/root$private/pcscd-stopped" ] && return 0
        sleep 0.05
    done
    die "pcscd of $1 did not stop"
}

# Back when the readers and the sandbox's own cards (which reconnect by
# themselves) are seen again.
pcscd_start() {
    local pid cards
    pid=$(holder_of "$1")
    cards=$(cat "$1/cards" 2>/dev/null || echo 0)
    kill -USR2 "$pid"
    PCSCLITE_CSOCK_NAME=/proc/$pid/root$ipc_dir/pcscd.comm \
        "$wait_program" --readers 4 --cards "$cards" --timeout 30 >/dev/null ||
        die "pcscd of $1 did not come back"
}

run() {
    local options=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        options+=("$1")
        shift
    done
    [ "${1:-}" = "--" ] || die "run needs -- COMMAND"
    shift
    [ $# -gt 0 ] || die "run needs -- COMMAND"
    parse_cards "${options[@]}"
    check_tools
    take_lock ""
    local pid readers
    # Nothing of a run lives outside the namespace but this list of readers,
    # until the sandbox is ready.
    readers=$(mktemp /tmp/pcsc-sandbox-run.XXXXXX)
    spawn_holder tied
    pid=$holder
    exec 9>&-
    trap 'end_pid "$pid"; rm -f "$readers"' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    await_ready "$pid" "$card_count" "$readers" || die "readers or cards did not appear"
    echo "pcsc_sandbox: ready ($(tr '\n' ';' <"$readers"))"
    rm -f "$readers"
    local status=0
    setpriv --pdeathsig KILL nsenter --mount="/proc/$pid/ns/mnt" --wd="$PWD" -- "$@" || status=$?
    exit $status
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
pcscd-stop)
    [ $# -ge 1 ] || die "pcscd-stop needs a state directory"
    pcscd_stop "$1"
    ;;
pcscd-start)
    [ $# -ge 1 ] || die "pcscd-start needs a state directory"
    pcscd_start "$1"
    ;;
run)
    run "$@"
    ;;
_hold)
    hold "$@"
    ;;
*)
    sed -n '2,25p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
