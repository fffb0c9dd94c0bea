#!/usr/bin/env bash
# Installs what is missing, builds, and runs raidmon against the built-in emulated
# controller. Extra arguments go to raidmon (e.g. --emulate=my.scn, --os-family=nt).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
args=("$@")
[ "${#args[@]}" -eq 0 ] && args=(--emulate)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running under a virtual X server (xvfb-run)."
  exec xvfb-run -a build/bin/raidmon "${args[@]}"
fi
exec build/bin/raidmon "${args[@]}"
