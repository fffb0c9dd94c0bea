#!/usr/bin/env bash
# The whole program's figures: raidmon --emulate under a virtual X server, from start to
# the status window shown and to the first poll, its resident memory once started, and
# its CPU while nothing happens (status window and Monitor dialog shown), under the X
# server and offscreen. Usage: bash bench/program_bench.sh [BIN_DIR] [IDLE_SECONDS]
set -euo pipefail
bin=${1:-build/bin}
idle=${2:-60}
for tool in Xvfb xwininfo; do
  command -v "$tool" >/dev/null || { echo "needs $tool (apt packages xvfb and x11-utils)"; exit 2; }
done
work=$(mktemp -d)
trap 'kill "${xpid:-}" "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# CPU time of every thread of process $1, in nanoseconds (the scheduler's own count).
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {print s + 0}'; }
# Idle CPU of process $1 over $idle seconds, as a share of one core.
idle_share() {
  local a b
  a=$(cpu_ns "$1"); sleep "$idle"; b=$(cpu_ns "$1")
  awk -v d=$((b - a)) -v s="$idle" 'BEGIN {printf "%.3f %% of a core (%d ms in %d s)", d / 1e7 / s, d / 1e6, s}'
}

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xpid=$!
for _ in $(seq 100); do DISPLAY=$display xwininfo -root >/dev/null 2>&1 && break; sleep 0.05; done

start=$(now_ms)
DISPLAY=$display QT_QPA_PLATFORM=xcb "$bin/raidmon" --emulate --answer-dialogs \
  --transcript="$work/t.txt" --quit-after=$(( (idle + 20) * 1000 )) 2>/dev/null &
pid=$!
shown=""; polled=""
while [ -z "$polled" ] && kill -0 "$pid" 2>/dev/null; do
  if [ -z "$shown" ] && DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -q '"Graphics User Interface": ("raidmon"'; then
    shown=$(now_ms)
  fi
  if [ -s "$work/t.txt" ] && grep -q $'\trow\t' "$work/t.txt"; then polled=$(now_ms); fi
  sleep 0.005
done
sleep 3
rss=$(awk '/VmRSS/ {print $2}' /proc/"$pid"/status)
echo "start to status window shown: $(( ${shown:-$polled} - start )) ms"
echo "start to first poll:          $(( polled - start )) ms (the first poll comes one poll period after monitoring starts)"
echo "resident memory after start:  $(( rss / 1024 )) MiB"
echo "idle CPU under Xvfb:          $(idle_share "$pid")"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true

QT_QPA_PLATFORM=offscreen "$bin/raidmon" --emulate --answer-dialogs --quit-after=$(( (idle + 20) * 1000 )) 2>/dev/null &
pid=$!
sleep 5
echo "idle CPU offscreen:           $(idle_share "$pid")"
