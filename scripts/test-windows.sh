#!/usr/bin/env bash
# The Windows build on this machine: installs the MinGW-w64 cross compiler and Wine
# when missing, configures build-win64 with the MinGW-w64 toolchain (the Qt-free core
# and its tests; no user interface, benchmarks or fuzzing), builds it and runs its tests
# under Wine. The last lines are the test runner's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${JOBS:-2}"

bash scripts/install-windows-deps.sh

build=build-win64
# raidmond.exe's transcripts are compared with the Linux raidmond's, when one is built.
linux_raidmond=""
[ -x build/bin/raidmond ] && linux_raidmond="$PWD/build/bin/raidmond"
cmake -S . -B "$build" -G Ninja \
  -DRAIDMON_LINUX_RAIDMOND="$linux_raidmond" \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DRAIDMON_UI=OFF -DRAIDMON_BENCH=OFF -DRAIDMON_FUZZ=OFF
cmake --build "$build" -j"$jobs"

# A Wine prefix of the build's own, made once; Wine's own diagnostics off.
export WINEDEBUG=-all
export WINEPREFIX="$PWD/$build/wineprefix"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  # A 64-bit prefix (it runs 32-bit programs too where the 32-bit Wine is installed).
  WINEARCH=win64 wineboot -i >/dev/null 2>&1
fi
status=0
ctest --test-dir "$build" --output-on-failure -j"$jobs" || status=$?
# Ends the prefix's server, so nothing of Wine outlives the run.
wineserver -k >/dev/null 2>&1 || true
exit "$status"
