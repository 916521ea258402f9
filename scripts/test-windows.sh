#!/usr/bin/env bash
# Builds the serial library and its tests for 64-bit Windows with mingw-w64 and runs them under
# wine, headless, in a wine prefix of their own inside the build tree. The com port tests talk to
# pseudo-terminals that a Linux program (tests/serial/win/peer/PtyPeer.cpp) publishes to wine as
# COM ports; it is built here with the host's compiler and runs for the length of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${WINDOWS_BUILD:-build-windows}
jobs=${JOBS:-$(nproc)}

scripts/install-deps.sh cmake ninja-build g++ g++-mingw-w64-x86-64-posix googletest wine64 wine

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROSTERMATE_SERIAL_ONLY=ON
cmake --build "$build" -j "$jobs"
peer=tests/serial/win/peer/PtyPeer.cpp
if [[ ! "$build/pty-peer" -nt "$peer" || tests/serial/win/PeerProtocol.h -nt "$build/pty-peer" ]]; then
  g++ -std=c++20 -O2 -Wall -Wextra -Wpedantic -Werror -o "$build/pty-peer" "$peer"
fi

# No display, no dialogs (a missing Mono or Gecko would offer to install itself), no debug
# chatter, and a prefix nobody else uses.
export WINEPREFIX="$PWD/$build/wineprefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=""
unset WAYLAND_DISPLAY

peer_pid=""
cleanup() {
  [[ -z "$peer_pid" ]] || kill "$peer_pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

# One wine server for all the test programs, and the prefix set up (and its services started)
# before the first test: otherwise those services inherit the test runner's output and hold it
# open after the test has ended.
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1

port_file="$build/pty-peer.port"
rm -f "$port_file"
"$build/pty-peer" "$WINEPREFIX/dosdevices" "$port_file" &
peer_pid=$!
for _ in $(seq 100); do [[ -s "$port_file" ]] && break; sleep 0.1; done
[[ -s "$port_file" ]] || { echo "the pseudo-terminal peer did not start" >&2; exit 1; }
export ROSTERMATE_PTY_PEER_PORT=$(<"$port_file")

# One after the other: the com port tests measure the CPU the process uses while idle.
ctest --test-dir "$build" --output-on-failure --no-tests=error --timeout 600
