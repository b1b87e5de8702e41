#!/usr/bin/env bash
# Builds a libFuzzer target over the Notes layer's sources with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer.
# Usage: scripts/build-notesapi-fuzzer.sh FUZZER_SOURCE OUTPUT
set -euo pipefail
cd "$(dirname "$0")/.."
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -Iplatform/base/include -Iplatform/notesapi/include -Iplatform/notesapi/src \
  platform/base/src/*.cpp platform/notesapi/src/*.cpp "$1" -lexpat -o "$2"
