#!/usr/bin/env bash
# Installs what is missing, builds everything, runs the libFuzzer targets for a
# bounded time each under address and undefined-behaviour sanitizers, then the whole
# test suite. The last line is the test runner's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh

fuzz_seconds="${FUZZ_SECONDS:-20}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRAIDMON_UI=OFF -DRAIDMON_TESTS=OFF -DRAIDMON_BENCH=OFF -DRAIDMON_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)"
for fuzzer in build-fuzz/bin/fuzz_*; do
  name=$(basename "$fuzzer")
  work=$(mktemp -d)
  seeds="tests/fuzz/corpus/$name"
  [ -d "$seeds" ] && cp -r "$seeds/." "$work/"
  echo "== $name: ${fuzz_seconds}s"
  if ! "$fuzzer" -max_total_time="$fuzz_seconds" "$work" >"$work.log" 2>&1; then
    tail -n 80 "$work.log"
    echo "$name found a fault"
    exit 1
  fi
  grep -E '^Done|#[0-9]+.*DONE' "$work.log" | tail -n 1 || true
  rm -rf "$work" "$work.log"
done

cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-label-summary -j"$(nproc)"
