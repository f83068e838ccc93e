#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, then fuzzes each for a bounded time.
#
# Usage: tools/run-fuzz.sh [build-dir]        (default: build-fuzz)
# Environment: VENTARO_FUZZ_SECONDS (per target, default 60),
#              VENTARO_FUZZ_TARGETS (space-separated subset),
#              VENTARO_JOBS (parallel compile jobs, default 2).
#
# Each target starts from a scratch copy of its seed corpus under the build
# directory, so the corpus in the repository never grows by itself. Fails
# on a crash, a sanitizer report, a broken invariant, or an input that takes
# more than a second; the input that did it is kept under
# <build-dir>/fuzz-artifacts.
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$repo/build-fuzz}"
seconds="${VENTARO_FUZZ_SECONDS:-60}"
jobs="${VENTARO_JOBS:-2}"
read -r -a targets <<<"${VENTARO_FUZZ_TARGETS:-fuzz_stripmarkup fuzz_conditions fuzz_forecast fuzz_numberform fuzz_picturecost}"

# Debug keeps Qt's inline bounds assertions (QString::at and friends), which
# catch an index past the end that still lands inside the allocation where
# AddressSanitizer cannot see it; -O1 keeps the rate of runs usable.
CC=clang CXX=clang++ cmake -S "$repo" -B "$build" -G Ninja \
    -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
    -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
    -DVENTARO_FUZZ=ON \
    -DVENTARO_SANITIZE=ON \
    -DVENTARO_BUILD_TESTS=OFF \
    -DVENTARO_BUILD_TOOLS=ON
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

work="$build/fuzz-work"
artifacts="$build/fuzz-artifacts"
logs="$build/fuzz-logs"
rm -rf "$work" "$artifacts"
mkdir -p "$work" "$artifacts" "$logs"

export ASAN_OPTIONS="detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
supp="$repo/tools/sanitizer/lsan.supp"
if [ -f "$supp" ]; then
    export LSAN_OPTIONS="suppressions=$supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
fi

failed=()
for target in "${targets[@]}"; do
    corpus="$work/$target"
    mkdir -p "$corpus"
    seeds="$repo/tools/fuzz/corpus/$target"
    if [ -d "$seeds" ]; then
        cp -R "$seeds/." "$corpus/"
    fi
    # The test fixtures seed the targets that read whole pages, with LF
    # line ends as stored and with the CR LF the weather service sends.
    case "$target" in
        fuzz_conditions) fixtures=("$repo/tests/data/conditions_kden.html") ;;
        fuzz_forecast) fixtures=("$repo/tests/data/state_co.html") ;;
        fuzz_stripmarkup) fixtures=("$repo"/tests/data/*.html) ;;
        *) fixtures=() ;;
    esac
    for fixture in "${fixtures[@]}"; do
        name="$(basename "$fixture" .html)"
        cp "$fixture" "$corpus/$name.html"
        sed 's/$/\r/' "$fixture" >"$corpus/$name-crlf.html"
    done
    # Long lines, so that text the window would stall on shows up as a
    # time-out: a forecast of one 512 KiB line, a location line as long.
    case "$target" in
        fuzz_forecast)
            { printf '<PRE>\n'; head -c 524288 /dev/zero | tr '\0' 'x'; printf '\n$$\n</PRE>\n'; } \
                >"$corpus/long-line.html" ;;
        fuzz_conditions)
            page="$repo/tests/data/conditions_kden.html"
            at=$(grep -n '^DENVER INTERNATIONAL AIRPORT' "$page" | cut -d: -f1)
            { head -n $((at - 1)) "$page"; head -c 524288 /dev/zero | tr '\0' 'D'; echo
              tail -n +$((at + 1)) "$page"; } >"$corpus/long-location.html" ;;
    esac
    seedCount=$(find "$corpus" -type f | wc -l)
    log="$logs/$target.log"

    status=0
    started=$SECONDS
    "$build/tools/fuzz/$target" "$corpus" \
        -max_total_time="$seconds" -timeout=1 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
        >"$log" 2>&1 || status=$?
    elapsed=$((SECONDS - started))

    # libFuzzer's exit status covers crashes, timeouts and running out of
    # memory; the log is searched as well so that a report from a sanitizer
    # set to carry on cannot slip through.
    if grep -q -E 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|invariant failed|^SUMMARY: ' "$log"; then
        [ "$status" -ne 0 ] || status=1
    fi

    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -n 1)
    last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    features=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    corpusSize=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")

    if [ "$status" -eq 0 ]; then
        verdict="ok"
    else
        verdict="FAILED (exit $status, log $log)"
        failed+=("$target")
    fi
    echo "$target: $verdict; ${runs:-?} runs in ${elapsed}s (${rate:-?}/s), cov ${cov:-?}, ft ${features:-?}, corpus ${seedCount} -> ${corpusSize:-?}, peak rss ${rss:-?} MB"

    if [ "$status" -ne 0 ]; then
        echo "---- $target: end of log ----" >&2
        tail -n 60 "$log" >&2
        echo "---- inputs kept: ----" >&2
        for input in "$artifacts/$target-"*; do
            if [ -e "$input" ]; then
                echo "  rerun: $build/tools/fuzz/$target $input" >&2
            fi
        done
    fi
done

if [ "${#failed[@]}" -ne 0 ]; then
    echo "run-fuzz: FAILED: ${failed[*]}" >&2
    exit 1
fi
echo "run-fuzz: all targets ran ${seconds}s without a finding"
