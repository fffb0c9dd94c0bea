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

# Address and undefined-behaviour sanitizers over the core, the widgets and the program.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRAIDMON_BENCH=OFF \
  -DRAIDMON_SANITIZE=address,undefined >/dev/null
cmake --build build-asan -j"$(nproc)"
echo "== address and undefined-behaviour sanitizers"
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen \
  ctest --output-on-failure --no-label-summary -j"$(nproc)" | tail -n 3)

# LeakSanitizer over a start, a few poll cycles with a drive pulled and back, and an exit.
bash scripts/leak-check.sh 2>/dev/null | tail -n 1

# Thread sanitizer over the rebuild worker, its cancel and the bridge it talks through.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRAIDMON_UI=OFF -DRAIDMON_BENCH=OFF \
  -DRAIDMON_SANITIZE=thread >/dev/null
cmake --build build-tsan -j"$(nproc)" --target rebuild_tests flash_tests aspilink_korvane aspi32_standin
echo "== thread sanitizer"
TSAN_OPTIONS=halt_on_error=1 build-tsan/bin/rebuild_tests --gtest_brief=1 | tail -n 3

cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-label-summary -j"$(nproc)"
