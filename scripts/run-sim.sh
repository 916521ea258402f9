#!/usr/bin/env bash
# The built-in instrument simulator for `make run`.
#
# Sourced, it provides two functions for a run script:
#   start_simulator BUILD [options]  starts rostermate-sim in the background (its COM$SIM_COM
#                                    link published, the conversation logged to BUILD/sim.log)
#                                    and sets SIM_PID; returns once the port is published
#   stop_simulator                   stops it; it removes its COM link on the way out
# Run directly as `scripts/run-sim.sh BUILD [program options]`, it starts the simulator and then
# Rostermate from BUILD, and stops the simulator when Rostermate exits. Extra simulator options
# (for example --dongle or --fault bad-checksum --fault-every 5) can be given in $SIM_ARGS.

# The COM number the simulator publishes itself as, and the one Rostermate is told to pick.
SIM_COM=${SIM_COM:-9}

start_simulator() {
    local build=$1
    shift
    local sim="$build/sim/rostermate-sim"
    SIM_LOG="$build/sim.log"
    SIM_PID=""
    if [[ ! -x "$sim" ]]; then
        echo "make run: $sim is not built; starting without the simulator" >&2
        return 0
    fi
    # shellcheck disable=SC2086 # SIM_ARGS is a list of options
    "$sim" --verbose --com "$SIM_COM" --state "$build/sim-registers.txt" ${SIM_ARGS:-} "$@" \
        >"$SIM_LOG" 2>&1 &
    SIM_PID=$!
    local tries
    for ((tries = 0; tries < 100; tries++)); do
        if grep -q ' -> ' "$SIM_LOG" 2>/dev/null; then
            echo "Simulator: $(head -n 1 "$SIM_LOG" | sed 's/^rostermate-sim: //')"
            echo "Simulator conversation: $SIM_LOG"
            return 0
        fi
        if ! kill -0 "$SIM_PID" 2>/dev/null; then
            echo "make run: the simulator did not start:" >&2
            cat "$SIM_LOG" >&2
            SIM_PID=""
            return 0
        fi
        sleep 0.1
    done
    echo "make run: the simulator did not publish its port within 10 s" >&2
}

stop_simulator() {
    [[ -n "${SIM_PID:-}" ]] || return 0
    kill -TERM "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
    SIM_PID=""
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
    set -euo pipefail
    cd "$(dirname "$0")/.."
    build=${1:-build}
    shift || true
    trap stop_simulator EXIT
    trap 'exit 130' INT TERM
    start_simulator "$build"
    app="$build/src/app/rostermate"
    if [[ -x "$app" ]]; then
        "$app" "$@"
    elif [[ -n "$SIM_PID" ]]; then
        echo "Rostermate is not built yet; the simulator serves until Ctrl+C."
        wait "$SIM_PID" || true
    fi
fi
