#!/usr/bin/env bash
# Installs what is missing, builds, and runs raidmon against the built-in emulated
# controller. Extra arguments go to raidmon (e.g. --emulate=my.scn, --os-family=nt).
# RAIDMON_BIN_DIR=DIR runs the raidmon already built in DIR instead of building.
#
# Without a display the program runs under a virtual X server (or Qt's offscreen
# platform when there is none) where nobody sees its windows: its transcript then goes
# to this terminal and its dialogs are answered with their defaults, so the monitor
# can be watched at work all the same.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -n "${RAIDMON_BIN_DIR:-}" ]; then
  bin="$RAIDMON_BIN_DIR"
else
  bash scripts/build.sh
  bin=build/bin
fi
args=("$@")
[ "${#args[@]}" -eq 0 ] && args=(--emulate)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  has_transcript=0 has_answers=0
  for a in "${args[@]}"; do
    case "$a" in
      --transcript=*) has_transcript=1 ;;
      --answer-dialogs) has_answers=1 ;;
    esac
  done
  [ "$has_transcript" -eq 0 ] && args+=(--transcript=-)
  [ "$has_answers" -eq 0 ] && args+=(--answer-dialogs)
  if command -v xvfb-run >/dev/null 2>&1; then
    echo "No display: running under a virtual X server (xvfb-run); the transcript follows."
    exec xvfb-run -a "$bin/raidmon" "${args[@]}"
  fi
  echo "No display: running offscreen; the transcript follows."
  export QT_QPA_PLATFORM=offscreen
  exec "$bin/raidmon" "${args[@]}"
fi
exec "$bin/raidmon" "${args[@]}"
