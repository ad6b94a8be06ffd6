#!/usr/bin/env bash
# The instrumented half of CI, run after the ordinary build and tests:
#  1. every test again, built with AddressSanitizer and UndefinedBehaviorSanitizer (build-sanitize);
#  2. every fuzz harness for a short while on its seed corpus (build-fuzz, clang + libFuzzer).
# Usage: tools/sanitize-and-fuzz.sh [--no-tests] [--no-fuzz] [--harness NAME]...
# TAVIRO_FUZZ_SECONDS sets the time per harness (default 30); TAVIRO_FUZZ_RUNS, when set, runs
# each harness for that many executions instead. Each harness runs on a scratch copy of its
# corpus, so the committed corpus only changes when someone copies a finding into it; a finding is
# saved as build-fuzz/findings/<harness>-crash-... and fails the run. The random seed is fixed
# (TAVIRO_FUZZ_SEED, default 1) and the harnesses fix Qt's hash seed, so a run starts with the
# same mutations as the last one and a local run of the same build begins where CI does. (Runs
# drift apart after some thousand inputs: timers and addresses end up in libFuzzer's choices.)
set -euo pipefail
cd "$(dirname "$0")/.."

run_tests=1
run_fuzz=1
harnesses=()
while (($#)); do
    case "$1" in
    --no-tests) run_tests=0 ;;
    --no-fuzz) run_fuzz=0 ;;
    --harness) harnesses+=("${2:?--harness needs a name}"); shift ;;
    *) echo "usage: $0 [--no-tests] [--no-fuzz] [--harness NAME]..." >&2; exit 2 ;;
    esac
    shift
done
jobs="$(nproc)"
fuzz_seconds="${TAVIRO_FUZZ_SECONDS:-30}"
fuzz_runs="${TAVIRO_FUZZ_RUNS:-}"
fuzz_seed="${TAVIRO_FUZZ_SEED:-1}"
# Benchmarks never run under CTest, and the Windows uninstaller is a cross build that the
# ordinary pass already checks under wine: an empty TAVIRO_MINGW_CXX_FOUND leaves both out.
common=(-DTAVIRO_BENCHMARKS=OFF -DTAVIRO_MINGW_CXX_FOUND=)
if [[ -n "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]]; then
    common+=(-DCMAKE_CXX_COMPILER_LAUNCHER="$CMAKE_CXX_COMPILER_LAUNCHER")
fi

if ((run_tests)); then
    start=$SECONDS
    # -O1 and line tables only compile faster than the ordinary -O2 -g; a report still names
    # file and line.
    cmake -S . -B build-sanitize -DTAVIRO_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" "${common[@]}"
    cmake --build build-sanitize -j"$jobs"
    echo "sanitizer build: $((SECONDS - start)) s"
    start=$SECONDS
    # Two at a time: most tests wait on timers and sockets. The package holds no code of ours
    # that runs: the ordinary pass has built and checked it.
    ctest --test-dir build-sanitize --output-on-failure -j"$jobs" -E '^package_deb$'
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
    if ((${#harnesses[@]} == 0)); then
        for corpus in tests/fuzz/corpus/*/; do harnesses+=("$(basename "$corpus")"); done
    fi
    for harness in "${harnesses[@]}"; do
        corpus="tests/fuzz/corpus/$harness"
        [[ -d "$corpus" ]] || { echo "no corpus for harness $harness" >&2; exit 2; }
        if [[ -n "$fuzz_runs" ]]; then
            options=(-runs="$fuzz_runs")
            echo "fuzzing $harness for $fuzz_runs executions"
        else
            options=(-max_total_time="$fuzz_seconds")
            echo "fuzzing $harness for $fuzz_seconds s"
        fi
        options+=(-seed="$fuzz_seed" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
                  -artifact_prefix="$findings/$harness-")
        case "$harness" in
        compiler | basejson | programfiles) options+=(-dict=tests/fuzz/json.dict) ;;
        deframer) options+=(-max_len=2200) ;; # room for a flood beyond Deframer::kFloodLimit
        statereport) options+=(-max_len=64) ;; # a state packet is 29 bytes
        esac
        # libFuzzer adds to and prunes the corpus it runs on: give it a copy.
        cp -r "$corpus" "$scratch/$harness"
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
