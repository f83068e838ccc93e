#!/usr/bin/env bash
# Counts the wake-ups of the idle program: ventaro started and left alone
# (its window shown, the one-minute timer running), beside the minimal Qt
# program as the floor. A wake-up is counted as a voluntary context switch:
# each time a thread that slept in the event loop wakes, it sleeps again
# once done. Counters come from /proc/<pid>/task/*/status, per thread.
#
# usage: tools/bench/bench-idle.sh [BUILD_DIR] [--seconds N] [--offscreen]
# BUILD_DIR defaults to build-bench. Without --offscreen the programs run
# on xcb under a private X server (xvfb-run), as on a desktop.
set -euo pipefail
cd "$(dirname "$0")/../.."

build=build-bench
seconds=60
platform=xcb
settle=5
while [ $# -gt 0 ]; do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --offscreen) platform=offscreen; shift ;;
    --*) echo "bench-idle: unknown option $1" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done

ventaro="$build/app/ventaro"
minimal="$build/tools/bench/minimal_window"
for program in "$ventaro" "$minimal"; do
  if [ ! -x "$program" ]; then
    echo "bench-idle: $program not built (ninja -C $build ventaro minimal_window)" >&2
    exit 2
  fi
done

if [ "$platform" = xcb ] && [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" --seconds "$seconds"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/run"
chmod 700 "$work/run"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=$platform
export QT_LOGGING_RULES="qt.qpa.*=false;qt.core.qobject.connect=false"
# Nothing listens there; an idle program fetches nothing anyway.
export VENTARO_CONDITIONS_HOST=127.0.0.1:9 VENTARO_FORECAST_HOST=127.0.0.1:9

# Prints "tid name voluntary nonvoluntary" for every thread of a process.
sample() {
  local pid=$1 task
  for task in /proc/"$pid"/task/*; do
    printf '%s %s %s %s\n' "${task##*/}" "$(tr ' ' '_' < "$task/comm")" \
      "$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status")" \
      "$(awk '/^nonvoluntary_ctxt_switches/ {print $2}' "$task/status")"
  done
}

measure() {
  local label=$1 program=$2
  "$program" >/dev/null 2>&1 &
  local pid=$!
  # Let start-up finish: loading, first paint, store writes.
  sleep "$settle"
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "bench-idle: $label ended during start-up" >&2
    exit 1
  fi
  sample "$pid" > "$work/before"
  sleep "$seconds"
  sample "$pid" > "$work/after"
  kill -TERM "$pid"
  wait "$pid" || true

  echo "$label (pid $pid), ${seconds} s idle on $platform:"
  awk -v seconds="$seconds" '
    NR == FNR { vol[$1] = $3; inv[$1] = $4; next }
    {
      dv = $3 - (($1 in vol) ? vol[$1] : 0); di = $4 - (($1 in inv) ? inv[$1] : 0)
      total += dv
      printf "  thread %-8s %-18s %6d wake-ups (%8.1f per minute), %d preempted\n", $1, $2, dv, dv * 60 / seconds, di
    }
    END { printf "  total %43d wake-ups (%8.1f per minute)\n", total, total * 60 / seconds }
  ' "$work/before" "$work/after"
}

measure ventaro "$ventaro"
measure "minimal window" "$minimal"
