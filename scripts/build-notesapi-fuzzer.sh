#!/usr/bin/env bash
# Builds a libFuzzer target over the Notes layer's sources (and the base
# library they use) with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer. The Notes layer is compiled
# once into an archive beside OUTPUT's folder (rebuilt when a source is newer)
# and shared by the fuzz targets; a lock keeps two builds from racing.
# Usage: scripts/build-notesapi-fuzzer.sh FUZZER_SOURCE OUTPUT
set -euo pipefail
cd "$(dirname "$0")/.."
flags=(-std=c++20 -O1 -g -fsanitize=address,undefined -fno-sanitize-recover=undefined
       -Iplatform/base/include -Iplatform/notesapi/include -Iplatform/notesapi/src)
lib_dir="$(dirname "$2")/../fuzz-notesapi-lib"
mkdir -p "$lib_dir"
archive="$lib_dir/libnotesapi_fuzz.a"
(
  flock 9
  stale=0
  [ -f "$archive" ] || stale=1
  for src in platform/base/src/*.cpp platform/base/include/base/*.h platform/notesapi/src/*.cpp platform/notesapi/src/*.h platform/notesapi/include/notesapi/*.h; do
    [ "$src" -nt "$archive" ] && stale=1
  done
  if [ "$stale" = 1 ]; then
    rm -f "$lib_dir"/*.o "$archive"
    for src in platform/base/src/*.cpp platform/notesapi/src/*.cpp; do
      clang++ "${flags[@]}" -fsanitize=fuzzer-no-link -c "$src" -o "$lib_dir/$(basename "$(dirname "$(dirname "$src")")")_$(basename "$src" .cpp).o" &
      # two compilers at a time
      while [ "$(jobs -r | wc -l)" -ge 2 ]; do wait -n; done
    done
    wait
    ar rcs "$archive" "$lib_dir"/*.o
  fi
) 9>"$lib_dir/lock"
clang++ "${flags[@]}" -fsanitize=fuzzer "$1" "$archive" -lexpat -o "$2"
