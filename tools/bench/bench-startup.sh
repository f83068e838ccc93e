#!/usr/bin/env bash
# Runs bench_startup on a private X server: start-up time to the first
# painted main window and peak memory, ventaro beside the minimal program.
#
# usage: tools/bench/bench-startup.sh [BUILD_DIR] [--runs N]
# BUILD_DIR defaults to build-bench (configure it with
# -DCMAKE_BUILD_TYPE=Release and build bench_startup).
set -euo pipefail
cd "$(dirname "$0")/../.."

build=build-bench
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
  build=$1
  shift
fi
bench="$build/tools/bench/bench_startup"
if [ ! -x "$bench" ]; then
  echo "bench-startup: $bench not built (ninja -C $build bench_startup)" >&2
  exit 2
fi
# No window manager: every top-level window is the root's own child, which
# the benchmark relies on to see it mapped.
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$bench" "$@"
