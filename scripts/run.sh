#!/usr/bin/env bash
# `make run`: starts Rostermate (built in the folder given as $1; further arguments go to the
# program). With a display it simply runs the program. Without one it starts a private X server
# (Xvfb), runs the program there connected to the simulator, writes a screenshot of the window
# and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
app="$build/src/app/rostermate"

# shellcheck source=run-sim.sh
source scripts/run-sim.sh

xvfb_pid=""
cleanup() {
    stop_simulator
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display number itself and writes it to the descriptor it is handed.
start_xvfb() {
    local fifo number
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    if ! read -r -t 10 number <"$fifo"; then
        rm -f "$fifo"
        echo "make run: Xvfb did not start" >&2
        exit 1
    fi
    rm -f "$fifo"
    export DISPLAY=":$number"
    export QT_QPA_PLATFORM=xcb
}

headless=0
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    headless=1
    start_xvfb
fi

# Background services the program talks to start here, before the program.
start_simulator "$build"

if [[ $headless -eq 1 ]]; then
    screenshot="$PWD/$build/screenshots/rostermate.png"
    echo "No display: running Rostermate under Xvfb (display $DISPLAY) for a screenshot."
    # The picture shows the window connected to the simulator with its first list read.
    connect=()
    if [[ -n "$SIM_PID" ]]; then connect=(--connect "$SIM_COM"); fi
    "$app" "${connect[@]}" --screenshot "$screenshot" "$@" >/dev/null
    echo "Screenshot: $screenshot"
else
    "$app" "$@"
fi
