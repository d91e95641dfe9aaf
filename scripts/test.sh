#!/usr/bin/env bash
# The test command: installs what is missing, then builds and runs the whole suite
# twice, first a normal build and then one under AddressSanitizer with
# UndefinedBehaviorSanitizer, then the browser build's suites under node, and
# last a short run of every fuzz target when clang is there.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

echo "== normal build =="
run_suite build
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite build-asan -DTVX_SANITIZE=ON
echo "== browser build (WebAssembly) =="
bash scripts/wasm-check.sh
echo "== fuzzing smoke run =="
bash scripts/fuzz-smoke.sh 20
