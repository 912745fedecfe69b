#!/usr/bin/env bash
# The main job: the card editor beside a virtual phone card that holds a
# lived-in phone book, last-dialled list and SMS book.
#
#   scripts/run.sh [PROFILE.json]      (default: demo_gsm_sim.json)
#
# PROFILE is a file name in sim/profiles or a path; demo_gsm_sim_pin.json is
# the same card with PIN 1234 enabled, demo_usim.json a USIM. The card sits in
# the "Generic MultiCard reader" slot of a private PC/SC sandbox.
#
# With a display ($DISPLAY set) the editor opens; closing it stops the sandbox.
# Without one, the demo driver opens the editor's window under Xvfb, presses
# Load, waits until the window is idle again and prints the path of the
# screenshot (in $SUITE_BUILD_DIR/demo, or $DEMO_OUT; $DEMO_LANGUAGE picks the
# interface language by its index in the language list, 3 = English, 5 =
# German, 9 = Japanese; DEMO_TOUR=yes goes on through editing and every PIN
# action, which needs a card with PIN 1234 and PUK 12345678, as the demo
# cards have). After it, against the same card, the command-line tool shows
# `brisken-cli info` and `brisken-cli export phonebook --format csv` (the PIN,
# $DEMO_PIN or 1234, handed over on a descriptor). Needs root (pcscd).
#
#   scripts/run.sh tester [all]
#
# The tester instead: orrick on a simulated two-slot reader with card images
# (with "all": a seven-slot reader, every column of the result table), a
# scenario that plays the operator, and a GSM SIM in the sandbox's first
# reader for the smart-card slot. With a display the window opens and stays
# until it is closed; without one it runs under Xvfb and the paths of its
# screenshots (idle, running, setup) are printed. Files go to
# $SUITE_BUILD_DIR/demo/tester (or $DEMO_OUT).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SUITE_BUILD_DIR:-$root/build}
export SUITE_BUILD_DIR=$build

die() { echo "run: $*" >&2; exit 1; }

tester_job() {
    [ $# -le 1 ] || die "usage: scripts/run.sh tester [all]"
    local profile=reader_twoslot.json line=tester_twoslot verdicts=3
    if [ "${1:-}" = all ]; then
        profile=reader_sevenslot.json line=tester_all_slots verdicts=6
    elif [ -n "${1:-}" ]; then
        die "usage: scripts/run.sh tester [all]"
    fi
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S "$root" -B "$build" -G Ninja
    fi
    cmake --build "$build" --target orrick orrick-demo simcard-vpcd pcsc-wait
    local out=${DEMO_OUT:-$build/demo/tester}
    mkdir -p "$out"
    # The card images are made beside the scenario: in the output folder.
    cp "$root/sim/scenarios/$line.json" "$out/scenario.json"
    local args=(--simulate "$root/sim/profiles/$profile" --scenario "$out/scenario.json"
                --settings "$root/sim/scenarios/$line.ini" --log-file "$out/session.log")
    echo "== orrick on $profile, scenario $line.json; log in $out/session.log"
    if [ -n "${DISPLAY:-}" ]; then
        bash "$root/scripts/pcsc_sandbox.sh" run -- "$build/tester/ui/orrick" "${args[@]}"
    else
        command -v xvfb-run >/dev/null || die "no display and no xvfb-run (bash scripts/setup.sh)"
        bash "$root/scripts/pcsc_sandbox.sh" run -- \
            xvfb-run -a -s "-screen 0 1024x768x24" \
            "$build/tester/ui/orrick-demo" --out "$out" --verdicts "$verdicts" "${args[@]}"
    fi
}

if [ "${1:-}" = tester ]; then
    shift
    tester_job "$@"
    exit 0
fi

[ $# -le 1 ] || die "usage: scripts/run.sh [PROFILE.json]"
profile=${1:-demo_gsm_sim.json}
if [ -f "$profile" ]; then
    profile=$(cd "$(dirname "$profile")" && pwd)/$(basename "$profile")
elif [ -f "$root/sim/profiles/$profile" ]; then
    profile=$root/sim/profiles/$profile
else
    die "no card profile '$profile' (neither a file nor in sim/profiles)"
fi

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja
fi
cmake --build "$build" --target brisken brisken_demo brisken-cli simcard-vpcd pcsc-wait

# Slot 2: the first "Generic MultiCard reader", the first reader the library knows.
card_slot=2

# The editor relocates itself and runs on as "Tolvane" in its run directory;
# the launcher returns at once. Waits for that running copy to end.
editor_session() {
    local run_dir="${XDG_CACHE_HOME:-$HOME/.cache}/brisken"
    case $run_dir in /*) ;; *) run_dir=$HOME/.cache/brisken ;; esac
    local worker=$run_dir/Tolvane pid="" exe p
    "$SUITE_BUILD_DIR/editor/brisken"
    for _ in $(seq 100); do
        for p in /proc/[0-9]*; do
            exe=$(readlink "$p/exe" 2>/dev/null) || continue
            if [ "$exe" = "$worker" ] || [ "$exe" = "$worker (deleted)" ]; then
                pid=${p#/proc/}
                break
            fi
        done
        [ -n "$pid" ] && break
        sleep 0.1
    done
    [ -n "$pid" ] || { echo "run: the editor did not start ($worker)" >&2; return 1; }
    echo "== the editor is open (process $pid); close it to stop the card"
    while kill -0 "$pid" 2>/dev/null; do sleep 0.5; done
}
export -f editor_session

echo "== virtual card: $(basename "$profile") in the \"Generic MultiCard reader\" slot"
if [ -n "${DISPLAY:-}" ]; then
    bash "$root/scripts/pcsc_sandbox.sh" run --card "$card_slot:$profile" -- \
        bash -c editor_session
else
    out=${DEMO_OUT:-$build/demo}
    command -v xvfb-run >/dev/null || die "no display and no xvfb-run (bash scripts/setup.sh)"
    # The window's job, then the command-line tool on the same card.
    demo_session() {
        xvfb-run -a "$SUITE_BUILD_DIR/editor/tools/brisken_demo" --out "$1" \
            --pin "${DEMO_PIN:-1234}" --language "${DEMO_LANGUAGE:-3}" --tour "${DEMO_TOUR:-no}"
        local cli=$SUITE_BUILD_DIR/editor/brisken-cli
        echo "== brisken-cli info"
        "$cli" info
        echo "== brisken-cli export phonebook --format csv"
        "$cli" export phonebook --format csv --pin-fd 3 3<<<"${DEMO_PIN:-1234}"
    }
    export -f demo_session
    bash "$root/scripts/pcsc_sandbox.sh" run --card "$card_slot:$profile" -- \
        bash -c 'demo_session "$1"' demo_session "$out"
fi
