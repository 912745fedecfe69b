#!/usr/bin/env bash
# The main job: builds what it needs, starts the private PC/SC sandbox with a
# virtual card in a known reader, lets nimbrel-identify find the reader and
# identify the card through libnimbrel, and stops the sandbox.
#
#   scripts/run.sh [PROFILE.json ...]
#
# Without arguments every card profile of sim/profiles is shown in turn
# (GSM SIM, USIM, R-UIM, PHS). Needs root (pcscd).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SUITE_BUILD_DIR:-$root/build}
export SUITE_BUILD_DIR=$build

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja
fi
cmake --build "$build" --target nimbrel-identify simcard-vpcd pcsc-wait

profiles=("$@")
[ ${#profiles[@]} -gt 0 ] || profiles=(gsm_sim.json usim.json ruim.json phs.json)

status=0
for profile in "${profiles[@]}"; do
    echo "== virtual card: $profile in \"Generic MultiCard reader 1.0 00 00\""
    bash "$root/scripts/pcsc_sandbox.sh" run --card "2:$profile" -- \
        "$build/cardlib/nimbrel-identify" || status=1
done
exit $status
