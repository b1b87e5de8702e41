#!/usr/bin/env bash
# Builds tests with sanitizers in a build folder of their own and runs them;
# any sanitizer report fails the run.
#   asan  every unit test under AddressSanitizer and UndefinedBehaviorSanitizer,
#         then a short run of each fuzz target (tests labelled "fuzz")
#   fuzz  the fuzz runs alone (make fuzz: FUZZ_SECONDS each)
#   tsan  the threaded tests (the desktop program, its workers and the list
#         fill and analysis of the Notes layer) under ThreadSanitizer
# Usage: scripts/sanitizer-tests.sh asan|fuzz|tsan BUILD_FOLDER [--build-only]
# asan and fuzz share a build folder (scripts/sanitizer-build.sh).
# --build-only builds what the kind's tests need and runs none.
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:?usage: sanitizer-tests.sh asan|fuzz|tsan BUILD_FOLDER}
build=${2:?usage: sanitizer-tests.sh asan|fuzz|tsan BUILD_FOLDER [--build-only]}
build_only=${3:-}
jobs=${JOBS:-2}
supp=$PWD/scripts/sanitizers

case $kind in
  asan)
    # What the tests run, and the fuzz targets. install_tree checks the
    # installed files, which this build does not make.
    targets=(unit_tests fuzz_targets)
    runs=("-LE fuzz -E ^install_tree\$" "-L fuzz")
    ;;
  fuzz)
    targets=(fuzz_targets)
    runs=("-L fuzz")
    ;;
  tsan)
    # The desktop program's tests (label "threaded"), the list fill and
    # analysis of the Notes layer, which run on worker threads, PDF
    # renderers on several threads at once, exports whose readers run
    # ahead of the writer (stopped part way too), files scanned in pieces
    # side by side, a large view sorted in two halves at once, and a
    # folder's items read on several threads.
    targets=(threaded_tests notes_concurrent_tests store_pdf_tests export_concurrent_tests notesapi_concurrent_tests
             base_concurrent_tests pst_concurrent_tests)
    runs=("-L threaded"
          "-R ^((ListFill|Analysis)\.|Pdf\.(RenderersOnSeveralThreadsAtOnce|WorkerThreads)|ReadAhead\.|ExportTest\.AStop|IndexPieces\.|Views\.(ALarge|SeveralThreads)|OrderedWindow\.|NotesErrors\.|IndexCache\.|PstThreadReads\.)")
    ;;
  *) echo "unknown kind: $kind" >&2; exit 2 ;;
esac
scripts/sanitizer-build.sh "${kind/fuzz/asan}" "$build" "${targets[@]}"
[ "$build_only" = --build-only ] && exit 0
echo "== $kind build done after $SECONDS s"

# Any report ends the program with an error, which fails its test.
# Returned stack frames are not kept to catch their later use: that makes
# every call take a frame of the heap, and the tests a good part slower.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:detect_stack_use_after_return=0"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# die_after_fork=0: the desktop program starts the command-line tool and the
# companion as child processes; ThreadSanitizer cannot follow threads in a
# forked child and would otherwise end it before it runs the new program.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:suppressions=$supp/tsan.supp"
cd "$build"
# Qt makes a runtime folder in the system's temporary folder when none is
# set (/tmp/runtime-$USER); the tests' goes in the build folder instead.
export XDG_RUNTIME_DIR=$PWD/runtime
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
# Indexes of the databases tests open are kept there too, not in ~/.cache.
export XDG_CACHE_HOME=$PWD/test-cache
# One test more than cores: the end-to-end tests wait on the programs they
# start and on outside readers, time another test can use.
for run in "${runs[@]}"; do
  # shellcheck disable=SC2086 # each run is an option and its pattern
  ctest --output-on-failure -j"$((jobs + 1))" --timeout 900 $run
done
