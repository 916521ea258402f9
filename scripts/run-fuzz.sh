#!/usr/bin/env bash
# Builds the fuzz targets in their own tree (clang, libFuzzer, AddressSanitizer +
# UndefinedBehaviorSanitizer) and runs each for FUZZ_SECONDS seconds, starting from its checked-in
# seeds and the corpus earlier runs left in the tree. Prints one line per target with its
# executions and coverage; fails when a target finds a crash or a broken property, whose input is
# kept in <tree>/findings.
#   scripts/run-fuzz.sh [tree] [target...]     FUZZ_SECONDS (default 60), FUZZ_JOBS, and
#   FUZZ_RUNS to stop a target sooner once it has run that many inputs
set -euo pipefail
cd "$(dirname "$0")/.."
tree="${1:-build-fuzz}"
shift || true
seconds="${FUZZ_SECONDS:-60}"

if [[ ! -f "$tree/build.ninja" ]]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DROSTERMATE_FUZZ=ON >/dev/null
fi
cmake --build "$tree" -j "${FUZZ_JOBS:-$(nproc)}" >/dev/null

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for seeds in tests/fuzz/seeds/*/; do targets+=("$(basename "$seeds")"); done
fi

mkdir -p "$tree/findings"
# The sanitizers' malloc filling and a large quarantine cost most of the time of targets that
# allocate many small texts; both only make faults more reproducible, not more visible.
export ASAN_OPTIONS="${ASAN_OPTIONS:-max_malloc_fill_size=0:quarantine_size_mb=16}"
# The targets that write files make and remove many per second: memory is faster than a disk.
[[ -n "${TMPDIR:-}" || ! -w /dev/shm ]] || export TMPDIR=/dev/shm
failed=0
for name in "${targets[@]}"; do
  corpus="$tree/corpus/$name"
  log="$tree/fuzz-$name.log"
  mkdir -p "$corpus"
  status=0
  # Up to 2 GiB per input: the sanitizers' shadow memory is not counted.
  "$tree/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -runs="${FUZZ_RUNS:--1}" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$tree/findings/$name-" "$corpus" "tests/fuzz/seeds/$name" >"$log" 2>&1 ||
    status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  progress=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$progress")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$progress")
  inputs=$(find "$corpus" -type f | wc -l)
  if [[ $status -eq 0 ]]; then
    printf '%-16s %12s executions  cov %5s  ft %6s  corpus %5s  0 crashes\n' \
      "$name" "${runs:-0}" "${cov:-?}" "${ft:-?}" "$inputs"
  else
    printf '%-16s FAILED (exit %d) after %s executions: see %s\n' "$name" "$status" "${runs:-?}" "$log"
    grep -E 'property broken|ERROR: |runtime error' "$log" | head -n 3 || true
    failed=1
  fi
done
exit $failed
