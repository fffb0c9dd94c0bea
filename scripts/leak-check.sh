#!/usr/bin/env bash
# Start, a few poll cycles with a drive pulled, and an exit, under LeakSanitizer (the
# address-sanitizer build of scripts/test.sh): any leak fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build-asan/bin/raidmon ] || { echo "build-asan/bin/raidmon is missing: run scripts/test.sh first"; exit 2; }
scenario=$(mktemp --suffix=.scn)
trap 'rm -f "$scenario"' EXIT
{ cat emulator/scenarios/default.scn; echo "at 4 pull 1.2"; echo "at 8 insert 1.2"; } > "$scenario"
ASAN_OPTIONS=detect_leaks=1:exitcode=23 QT_QPA_PLATFORM=offscreen \
  build-asan/bin/raidmon --emulate="$scenario" --answer-dialogs --loop-time=50 --quit-after=1500
echo "leak check: no leaks"
