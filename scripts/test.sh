#!/usr/bin/env bash
# Installs what is missing, builds everything, runs the libFuzzer targets for a
# bounded time each, every test again under address and undefined-behaviour
# sanitizers, a leak check, the rebuild and bridge tests under the thread sanitizer, and then the
# Windows build with its tests under Wine, and then the whole test suite. The last lines are the test runner's summary.
#
# --quick builds and runs the plain test suite only: no fuzzing, no sanitizers and no
# soak test, for a developer between changes. CI runs this script without options.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"

case "${1:-}" in
  "") ;;
  --quick)
    bash scripts/build.sh
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure --no-label-summary -j"$jobs" \
      -E '^SoakTest\.'
    exit
    ;;
  *)
    echo "usage: bash scripts/test.sh [--quick]" >&2
    exit 2
    ;;
esac

# Runs a step quietly: its last line on success, its tail and a failure otherwise.
quietly() {
  local label=$1 log
  shift
  log=$(mktemp)
  echo "== $label"
  if "$@" >"$log" 2>&1; then
    tail -n 1 "$log"
    rm -f "$log"
  else
    tail -n 80 "$log"
    echo "$label: FAILED"
    exit 1
  fi
}

bash scripts/build.sh

# libFuzzer targets (clang, address and undefined-behaviour sanitizers), seeds copied
# so the committed corpora stay as they are.
fuzz_seconds="${FUZZ_SECONDS:-20}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRAIDMON_UI=OFF -DRAIDMON_TESTS=OFF -DRAIDMON_BENCH=OFF -DRAIDMON_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$jobs" >/dev/null
for fuzzer in build-fuzz/bin/fuzz_*; do
  name=$(basename "$fuzzer")
  work=$(mktemp -d)
  seeds="tests/fuzz/corpus/$name"
  [ -d "$seeds" ] && cp -r "$seeds/." "$work/"
  quietly "$name, ${fuzz_seconds}s" "$fuzzer" -max_total_time="$fuzz_seconds" "$work"
  rm -rf "$work"
done

# Hostile input (beside the fuzz corpora above): special files in every reader's place,
# the readers' limits, the socket server's, and the worst accepted mask and skin within
# their time ceilings.
quietly "hostile input: special files, limits, the worst mask and skin" \
  env QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure --no-label-summary -j"$jobs" \
  -R 'HostileInput|SkinLimits|InputFile|UntrustedText|SkinLoader|SkinFileTest.Extreme|SocketServer.(Silent|HandlesPerClient)'

# Address and undefined-behaviour sanitizers over the core, the widgets and the program.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRAIDMON_BENCH=OFF \
  -DRAIDMON_SANITIZE=address,undefined >/dev/null
cmake --build build-asan -j"$jobs" >/dev/null
quietly "every test under address and undefined-behaviour sanitizers" \
  env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen \
  ctest --test-dir build-asan --output-on-failure --no-label-summary -j"$jobs"
quietly "leak check: start, poll cycles, exit" bash scripts/leak-check.sh

# Thread sanitizer over the rebuild worker, its cancel and the bridge it talks through.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRAIDMON_UI=OFF -DRAIDMON_BENCH=OFF \
  -DRAIDMON_SANITIZE=thread >/dev/null
cmake --build build-tsan -j"$jobs" --target rebuild_tests fault_matrix_tests aspilink_tests \
  aspilink_korvane aspilink_pobek aspi32_standin >/dev/null
quietly "rebuild and cancel under the thread sanitizer" \
  env TSAN_OPTIONS=halt_on_error=1 build-tsan/bin/rebuild_tests --gtest_brief=1
quietly "the bridge library and the ASPI layer's hand-off under the thread sanitizer" \
  env TSAN_OPTIONS=halt_on_error=1 build-tsan/bin/aspilink_tests --gtest_brief=1
quietly "the rebuild rows of the fault matrix under the thread sanitizer" \
  env TSAN_OPTIONS=halt_on_error=1 build-tsan/bin/fault_matrix_tests --gtest_brief=1 \
  --gtest_filter='*RebuildFaultMatrix*'

# The Windows build (MinGW-w64) and its tests under Wine, raidmond.exe's transcripts
# compared with the Linux raidmond's built above.
quietly "the Windows build under Wine" bash scripts/test-windows.sh

echo "== the whole suite"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure --no-label-summary -j"$jobs"
