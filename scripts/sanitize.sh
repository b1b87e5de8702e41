#!/usr/bin/env bash
# Every test under the sanitizers (make test): the AddressSanitizer suite,
# then the ThreadSanitizer one. The ThreadSanitizer build runs beside the
# other suite at the lowest priority: the end-to-end tests leave the
# processors idle while they wait on the programs and readers they start,
# and the build takes that time and no more. Its output is kept in a log
# and shown when it fails.
# Usage: scripts/sanitize.sh BUILD_PREFIX   (folders BUILD_PREFIX-asan, -tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=${1:?usage: sanitize.sh BUILD_PREFIX}
mkdir -p "$prefix-tsan"
log=$prefix-tsan/build.log
# A process group of its own, so that whatever ends this script ends the
# build with every compiler it started. Its session is its own too, and
# where the kernel groups the processor's time by session (autogroups, on by
# default), a nice value counts only within the group: the group itself is
# given the lowest priority, or the build would take half the processors
# from the other suite's build.
setsid bash -c 'echo 19 >/proc/self/autogroup 2>/dev/null; exec nice -n 19 "$@"' tsan-build \
  scripts/sanitizer-tests.sh tsan "$prefix-tsan" --build-only >"$log" 2>&1 &
tsan_build=$!
trap 'kill -- -"$tsan_build" 2>/dev/null || true' EXIT
# Where the time goes, for the figures in docs/testing.md.
phase() { echo "== $1 after $SECONDS s"; }
scripts/sanitizer-tests.sh asan "$prefix-asan"
phase "AddressSanitizer suite done"
if ! wait "$tsan_build"; then
  cat "$log" >&2
  echo "The ThreadSanitizer build failed (log above)." >&2
  exit 1
fi
trap - EXIT
phase "ThreadSanitizer build done"
scripts/sanitizer-tests.sh tsan "$prefix-tsan"
phase "ThreadSanitizer suite done"
