#!/usr/bin/env bash
# The instrumented half of CI, run after the ordinary build and tests:
#  1. every test again, built with AddressSanitizer and UndefinedBehaviorSanitizer (build-sanitize);
#  2. every fuzz harness for a short while on its seed corpus (build-fuzz, clang + libFuzzer).
# Usage: tools/sanitize-and-fuzz.sh [--no-tests] [--no-fuzz]
# TAVIRO_FUZZ_SECONDS sets the time per harness (default 30). Each harness runs on a scratch copy
# of its corpus, so the committed corpus only changes when someone copies a finding into it; a
# finding is saved as build-fuzz/findings/<harness>-crash-... and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

run_tests=1
run_fuzz=1
for argument in "$@"; do
    case "$argument" in
    --no-tests) run_tests=0 ;;
    --no-fuzz) run_fuzz=0 ;;
    *) echo "usage: $0 [--no-tests] [--no-fuzz]" >&2; exit 2 ;;
    esac
done
jobs="$(nproc)"
fuzz_seconds="${TAVIRO_FUZZ_SECONDS:-30}"
# Benchmarks never run under CTest, and the Windows uninstaller is a cross build that the
# ordinary pass already checks under wine: an empty TAVIRO_MINGW_CXX_FOUND leaves both out.
common=(-DTAVIRO_BENCHMARKS=OFF -DTAVIRO_MINGW_CXX_FOUND=)
if [[ -n "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]]; then
    common+=(-DCMAKE_CXX_COMPILER_LAUNCHER="$CMAKE_CXX_COMPILER_LAUNCHER")
fi

if ((run_tests)); then
    start=$SECONDS
    cmake -S . -B build-sanitize -DTAVIRO_SANITIZE=ON "${common[@]}"
    cmake --build build-sanitize -j"$jobs"
    echo "sanitizer build: $((SECONDS - start)) s"
    start=$SECONDS
    ctest --test-dir build-sanitize --output-on-failure
    echo "sanitizer tests: $((SECONDS - start)) s"
fi

if ((run_fuzz)); then
    start=$SECONDS
    cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DTAVIRO_FUZZ=ON "${common[@]}"
    cmake --build build-fuzz -j"$jobs" --target taviro_fuzzers
    echo "fuzz build: $((SECONDS - start)) s"

    findings="$PWD/build-fuzz/findings"
    mkdir -p "$findings"
    scratch="$(mktemp -d)"
    trap 'rm -rf "$scratch"' EXIT
    failed=()
    for corpus in tests/fuzz/corpus/*/; do
        harness="$(basename "$corpus")"
        options=(-max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048
                 -print_final_stats=1 -artifact_prefix="$findings/$harness-")
        case "$harness" in
        compiler | basejson | programfiles) options+=(-dict=tests/fuzz/json.dict) ;;
        deframer) options+=(-max_len=2200) ;; # room for a flood beyond Deframer::kFloodLimit
        statereport) options+=(-max_len=64) ;; # a state packet is 29 bytes
        esac
        # libFuzzer adds to and prunes the corpus it runs on: give it a copy.
        cp -r "$corpus" "$scratch/$harness"
        echo "fuzzing $harness for $fuzz_seconds s"
        if ! "build-fuzz/bin/fuzz_$harness" "${options[@]}" "$scratch/$harness" \
            >"$scratch/$harness.log" 2>&1; then
            failed+=("$harness")
            cat "$scratch/$harness.log"
        fi
        grep -E '^#[0-9]+.*DONE|stat::(number_of_executed_units|average_exec_per_sec)' \
            "$scratch/$harness.log" || true
    done
    if ((${#failed[@]})); then
        echo "fuzzing found problems in: ${failed[*]} (inputs in $findings)" >&2
        exit 1
    fi
fi
