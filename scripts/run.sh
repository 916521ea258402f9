#!/usr/bin/env bash
# `make run`: starts Rostermate (built in the folder given as $1). With a display it simply runs
# the program. Without one it starts a private X server (Xvfb), runs the program there, writes
# a screenshot of the window and prints the screenshot's path.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
app="$build/src/app/rostermate"
shift || true

background_pids=()
cleanup() {
    for pid in "${background_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${background_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

start_display() {
    # Xvfb picks a free display number itself and writes it to the descriptor we hand it.
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    background_pids+=($!)
    local number
    if ! read -r -t 10 number <"$fifo"; then
        rm -f "$fifo"
        echo "make run: Xvfb did not start" >&2
        exit 1
    fi
    rm -f "$fifo"
    export DISPLAY=":$number"
}

headless=0
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    headless=1
    start_display
    export QT_QPA_PLATFORM=xcb
fi

# --- Background services the program talks to start here. ---------------------------------------

if [[ $headless -eq 1 ]]; then
    screenshot="$PWD/$build/screenshots/rostermate.png"
    echo "No display: running Rostermate under Xvfb ($DISPLAY) for a screenshot."
    "$app" --screenshot "$screenshot" "$@" >/dev/null
    echo "Screenshot: $screenshot"
else
    "$app" "$@"
fi
