#!/usr/bin/env bash
# The sandbox beside a pcscd of the machine: that daemon keeps running and
# answering on the default socket while sandboxes come and go, and a sandbox
# killed mid-run leaves no process and no mount behind.
#
# The "machine's" pcscd is started here on the default socket inside a mount
# namespace of this test, so the host's own /run/pcscd is never touched. The
# sandboxes use ports and a lock of their own, apart from the test fixture's.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${SUITE_BUILD_DIR:-$root/build}
sandbox=$root/scripts/pcsc_sandbox.sh
wait_program=$build/sim/card/pcsc-wait
export SUITE_BUILD_DIR=$build
export SANDBOX_PORT=${SANDBOX_TEST_PORT:-36990}
export SANDBOX_LOCK=/tmp/pcsc-sandbox-selftest.lock

failures=0
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok   $what"
    else
        echo "FAIL $what"
        failures=$((failures + 1))
    fi
}

alive() {
    local run_state
    run_state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
    [ -n "$run_state" ] && [ "$run_state" != Z ] && [ "$run_state" != X ]
}

none_alive() {
    local pid
    for pid in "$@"; do
        alive "$pid" && return 1
    done
    return 0
}

# Waits up to 5 s for every PID to end.
all_end() {
    for _ in $(seq 100); do
        none_alive "$@" && return 0
        sleep 0.05
    done
    return 1
}

no_sandbox_mount() { ! grep -q pcsc-sandbox /proc/self/mountinfo; }

if [ "${1:-}" != --inside ]; then
    [ "$(id -u)" -eq 0 ] || { echo "needs root"; exit 77; }
    status=0
    unshare --mount --propagation private -- bash "$0" --inside || status=$?
    # Nothing of the sandboxes may show in the host's mount table either.
    check "host: no sandbox mount left" no_sandbox_mount || status=1
    exit $status
fi

# --- the machine's pcscd on the default socket, without readers ---------------
# Its driver folder is emptied so that it claims no USB reader of the host;
# the sandboxes get their vpcd driver from a copy.
scratch=$(mktemp -d /tmp/pcsc-selftest.XXXXXX)
cp "${VPCD_DRIVER:-/usr/lib/pcsc/drivers/serial/libifdvpcd.so}" "$scratch/libifdvpcd.so"
export VPCD_DRIVER=$scratch/libifdvpcd.so
: >"$scratch/reader.conf"
mkdir -p /run/pcscd
mount -t tmpfs -o mode=0755,size=1m machine-pcscd /run/pcscd
if [ -d /usr/lib/pcsc/drivers ]; then
    mount -t tmpfs -o mode=0755,size=1m machine-drivers /usr/lib/pcsc/drivers
fi
pcscd -f -c "$scratch/reader.conf" </dev/null >"$scratch/machine.log" 2>&1 &
machine=$!
state=$scratch/state
finish() {
    [ $failures -eq 0 ] || sed 's/^/machine pcscd: /' "$scratch/machine.log"
    # A step that failed half-way may have left its sandbox running.
    "$sandbox" stop "$state" 2>/dev/null || true
    kill -TERM $machine 2>/dev/null
    rm -rf "$scratch"
}
trap finish EXIT
for _ in $(seq 100); do
    [ -S /run/pcscd/pcscd.comm ] && break
    sleep 0.05
done
machine_answers() { "$wait_program" --readers 0 --cards 0 --timeout 2 >/dev/null; }
# It answers, and with its own list: no reader at all.
machine_has_no_readers() {
    machine_answers && ! "$wait_program" --readers 1 --cards 0 --timeout 1 >/dev/null 2>&1
}
check "machine's pcscd answers before any sandbox" machine_answers

# --- run: the command sees the sandbox's readers on the default socket ---------
sees_sandbox() { "$sandbox" run -- "$wait_program" --readers 4 --cards 2 --timeout 5 >/dev/null; }
check "run: the command sees four readers and two cards" sees_sandbox
check "run: afterwards the machine's pcscd still runs" alive "$machine"
check "run: its socket still answers, with its own (no) readers" machine_has_no_readers
check "run: no sandbox mount left" no_sandbox_mount

# --- start/stop: clients outside reach it through the state folder -------------
"$sandbox" start "$state" >/dev/null
holder=$(cat "$state/holder.pid")
through_link() {
    PCSCLITE_CSOCK_NAME=$state/pcscd.comm "$wait_program" --readers 4 --cards 2 --timeout 5 >/dev/null
}
not_through_link() {
    ! PCSCLITE_CSOCK_NAME=$state/pcscd.comm "$wait_program" --readers 1 --cards 0 --timeout 1 \
        >/dev/null 2>&1
}
check "start: a client through STATE/pcscd.comm sees the sandbox" through_link
check "start: the default socket is still the machine's" machine_has_no_readers
"$sandbox" pcscd-stop "$state"
check "pcscd-stop: the sandbox's daemon no longer answers" not_through_link
"$sandbox" pcscd-start "$state"
check "pcscd-start: readers and cards are back" through_link
children=$(cat /proc/"$holder"/task/*/children)
"$sandbox" stop "$state"
# shellcheck disable=SC2086
check "stop: holder, pcscd and cards have ended" all_end "$holder" $children
check "stop: no socket link left" test ! -e "$state/pcscd.comm" -a ! -L "$state/pcscd.comm"

# --- a run killed outright ------------------------------------------------------
out=$scratch/run.out
"$sandbox" run -- sleep 60 >"$out" 2>&1 &
runner=$!
for _ in $(seq 200); do
    grep -qs ready "$out" && break
    sleep 0.05
done
check "killed run: it came up" grep -q ready "$out"
pids=()
for pid in $(cat /proc/"$runner"/task/*/children); do
    pids+=("$pid")
    for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do pids+=("$child"); done
done
check "killed run: holder, daemon, card and command were seen" test ${#pids[@]} -ge 4
kill -KILL "$runner"
wait "$runner" 2>/dev/null || true
check "killed run: every process of the sandbox ends" all_end "${pids[@]}"
check "killed run: no sandbox mount left" no_sandbox_mount
check "killed run: no temporary file left" test -z "$(find /tmp -maxdepth 1 -name 'pcsc-sandbox-run.*' -newer "$out")"
check "at the end the machine's pcscd still runs" alive "$machine"
check "and still answers" machine_answers

[ $failures -eq 0 ]
