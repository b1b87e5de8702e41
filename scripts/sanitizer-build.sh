#!/usr/bin/env bash
# Configures a sanitizer build in a build folder of its own (once) and builds
# the given targets in it.
#   asan  clang with AddressSanitizer and UndefinedBehaviorSanitizer; the fuzz
#         targets are built here too (FERRYWELL_FUZZ), so they and the unit
#         tests share one instrumented copy of the libraries
#   tsan  gcc with ThreadSanitizer (clang 14's loses track of a thread
#         when the desktop program starts a child process)
# Usage: scripts/sanitizer-build.sh asan|tsan BUILD_FOLDER TARGET...
# ccache is used when installed, never required.
set -euo pipefail
cd "$(dirname "$0")/.."
usage="usage: sanitizer-build.sh asan|tsan BUILD_FOLDER TARGET..."
kind=${1:?$usage}
build=${2:?$usage}
shift 2

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
case $kind in
  asan) compilers=(CC=clang CXX=clang++) options=(-DFERRYWELL_FUZZ=ON) ;;
  tsan) compilers=(CC=gcc CXX=g++) options=(-DFERRYWELL_SANITIZE=thread) ;;
  *) echo "unknown kind: $kind" >&2; exit 2 ;;
esac

mkdir -p "$build"
# One configure and build at a time in a folder (the fuzz runs call this too).
(
  flock 9
  if [ ! -f "$build/build.ninja" ]; then
    # -O1 and small debug info: reports keep function names and lines, the
    # build costs much less than the optimised one.
    env "${compilers[@]}" cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" "${launcher[@]}" \
      -DFERRYWELL_BENCH=OFF "${options[@]}" >/dev/null
  fi
  cmake --build "$build" -j"${JOBS:-2}" --target "$@"
) 9>"$build/.build-lock"
