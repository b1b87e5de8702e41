#!/usr/bin/env bash
# Builds tests with sanitizers in a build folder of their own and runs them;
# any sanitizer report fails the run.
#   asan  every unit test under AddressSanitizer and UndefinedBehaviorSanitizer
#   tsan  the threaded tests (the desktop program, its workers and the list
#         fill and analysis of the Notes layer) under ThreadSanitizer
# Usage: scripts/sanitizer-tests.sh asan|tsan BUILD_FOLDER
# ccache is used when installed, never required.
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:?usage: sanitizer-tests.sh asan|tsan BUILD_FOLDER}
build=${2:?usage: sanitizer-tests.sh asan|tsan BUILD_FOLDER}
jobs=${JOBS:-2}
supp=$PWD/scripts/sanitizers

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

case $kind in
  asan)
    sanitize=address,undefined
    targets=(all)
    # Short fuzz runs have sanitizers of their own; benchmarks measure nothing here.
    runs=("-E _short\$")
    ;;
  tsan)
    sanitize=thread
    # The desktop program's tests (label "threaded"), the list fill and
    # analysis of the Notes layer, which run on worker threads, and PDF
    # renderers on several threads at once.
    targets=(threaded_tests notes_tests store_pdf_tests)
    runs=("-L threaded" "-R ^(ListFill|Analysis)\." "-R ^Pdf\.(RenderersOnSeveralThreadsAtOnce|WorkerThreads)")
    ;;
  *) echo "unknown kind: $kind" >&2; exit 2 ;;
esac

# -O1 and small debug info: reports keep function names and lines, the build
# costs much less than the optimised one.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" "${launcher[@]}" \
  -DFERRYWELL_SANITIZE="$sanitize" -DFERRYWELL_FUZZ_TESTS=OFF -DFERRYWELL_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]}"

# Any report ends the program with an error, which fails its test.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# die_after_fork=0: the desktop program starts the command-line tool and the
# companion as child processes; ThreadSanitizer cannot follow threads in a
# forked child and would otherwise end it before it runs the new program.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:suppressions=$supp/tsan.supp"
cd "$build"
for run in "${runs[@]}"; do
  # shellcheck disable=SC2086 # each run is an option and its pattern
  ctest --output-on-failure -j"$jobs" --timeout 900 $run
done
