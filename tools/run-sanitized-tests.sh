#!/usr/bin/env bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer
# in Debug and runs every registered test under them.
#
# Usage: tools/run-sanitized-tests.sh [build-dir]     (default: build-asan)
# Environment: VENTARO_JOBS (parallel compile jobs, default 2),
#              VENTARO_CTEST_ARGS (extra ctest arguments, e.g. "-R weather").
#
# Fails on a failing test and on any sanitizer report, even one printed by a
# process whose exit status did not carry it (a helper process, or a report
# written while a test harness swallowed the abort).
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$repo/build-asan}"
jobs="${VENTARO_JOBS:-2}"

cmake -S "$repo" -B "$build" -G Ninja \
    -DVENTARO_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=Debug
cmake --build "$build" -j "$jobs"

# AddressSanitizer (leaks included) writes each process's report to a file
# of its own, so that a report from a program a test starts, whose output
# the test keeps to itself, is still seen. UndefinedBehaviorSanitizer cannot
# do the same next to AddressSanitizer and reports on standard error.
reports="$build/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:log_path=$reports/asan${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
# Leaks are only worth a failure when they are ours; the suppressions name
# the few that live inside Qt's or the system's own libraries.
supp="$repo/tools/sanitizer/lsan.supp"
if [ -f "$supp" ]; then
    export LSAN_OPTIONS="suppressions=$supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
fi

status=0
# shellcheck disable=SC2086  # VENTARO_CTEST_ARGS is a list of words on purpose
ctest --test-dir "$build" --output-on-failure ${VENTARO_CTEST_ARGS:-} || status=$?

for report in "$reports"/*; do
    [ -e "$report" ] || continue
    echo "==== sanitizer report $report ====" >&2
    cat "$report" >&2
    status=1
done

# ctest keeps the output of passing tests here too, where a report that did
# not fail its test would otherwise go unseen.
log="$build/Testing/Temporary/LastTest.log"
if grep -E -n 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:|SUMMARY: (AddressSanitizer|UndefinedBehaviorSanitizer|LeakSanitizer)' "$log"; then
    echo "run-sanitized-tests: sanitizer reports found (full output: $log)" >&2
    status=1
fi

if [ "$status" -ne 0 ]; then
    echo "run-sanitized-tests: FAILED" >&2
else
    echo "run-sanitized-tests: all tests passed with no sanitizer report"
fi
exit "$status"
