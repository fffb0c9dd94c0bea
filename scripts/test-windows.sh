#!/usr/bin/env bash
# The Windows builds on this machine: installs the MinGW-w64 cross compilers and Wine
# when missing, then
#   build-win64: the 64-bit build (cmake/mingw-w64-x86_64.cmake): the Qt-free core, the
#                ASPI layer stand-in and the bridge DLLs, and their tests;
#   build-win32: the 32-bit bridge build (cmake/mingw-w64-i686.cmake,
#                RAIDMON_BRIDGE_ONLY): the stand-in, both bridge DLLs and their tests,
#                with the request blocks' pointers in their 32-bit slots;
# no user interface, benchmarks or fuzzing. Each build's tests run under Wine in a
# prefix of the build's own. The last lines are the test runners' summaries, 32-bit
# after 64-bit; the exit status is non-zero when either run failed.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${JOBS:-2}"

bash scripts/install-windows-deps.sh

configure_and_build() {  # build-dir toolchain-file [cmake options...]
  local build="$1" toolchain="$2"
  shift 2
  cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DRAIDMON_UI=OFF -DRAIDMON_BENCH=OFF -DRAIDMON_FUZZ=OFF "$@"
  cmake --build "$build" -j"$jobs"
}

# Runs a build's tests under Wine; its prefix is made once (WINEARCH: win64 or win32),
# and its server is ended afterwards so nothing of Wine outlives the run.
run_tests() {  # build-dir wine-arch log
  local build="$1" arch="$2" log="$3" status=0
  export WINEDEBUG=-all
  export WINEPREFIX="$PWD/$build/wineprefix"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    WINEARCH="$arch" wineboot -i >/dev/null 2>&1
  fi
  ctest --test-dir "$build" --output-on-failure -j"$jobs" 2>&1 | tee "$log" || true
  grep -q '^100% tests passed' "$log" || status=1
  wineserver -k >/dev/null 2>&1 || true
  return "$status"
}

# raidmond.exe's transcripts are compared with the Linux raidmond's, when one is built.
linux_raidmond=""
[ -x build/bin/raidmond ] && linux_raidmond="$PWD/build/bin/raidmond"
configure_and_build build-win64 cmake/mingw-w64-x86_64.cmake -DRAIDMON_LINUX_RAIDMOND="$linux_raidmond"
configure_and_build build-win32 cmake/mingw-w64-i686.cmake -DRAIDMON_BRIDGE_ONLY=ON

status=0
run_tests build-win64 win64 build-win64/ctest.log || status=1
run_tests build-win32 win32 build-win32/ctest.log || status=1

# Both summaries together at the end.
for build in build-win64 build-win32; do
  echo "== $build"
  sed -n '/tests passed, /,$p' "$build/ctest.log"
done
exit "$status"
