#!/usr/bin/env bash
# The test command: installs what is missing, then builds and runs the whole suite
# twice, first a normal build and then one under AddressSanitizer with
# UndefinedBehaviorSanitizer, then the browser build's suites under node and
# the plug-in's browser build in headless Chromium, and last a short run of
# every fuzz target when clang is there.
set -euo pipefail
cd "$(dirname "$0")/.."
# The site checks need Chromium, Graphviz's dot and node with the packages of
# tests/tools/site (a node that comes with its own npm keeps it).
bash scripts/install-deps.sh chromium graphviz nodejs
command -v npm >/dev/null || bash scripts/install-deps.sh npm
(cd tests/tools/site && npm ci --no-audit --no-fund --loglevel=error)
export TVX_REQUIRE_BROWSER=1

jobs=$(nproc 2>/dev/null || echo 2)

# Usage inside: run_suite FOLDER "CTEST-ARGS" [CMAKE-ARGS...]
run_suite() {
  local dir=$1 ctest_args=$2; shift 2
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  # shellcheck disable=SC2086
  (cd "$dir" && ctest --output-on-failure -j "$jobs" $ctest_args)
}

echo "== normal build =="
run_suite build ""
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
# At -O1 with line tables only: the sanitizers' reports keep their file and
# line, and the tree builds in far less time than at -O2 with full debug
# information. The site checks run node and Chromium on what tvx wrote, which
# the normal tree has checked already.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite build-asan "-E ^site_" -DTVX_SANITIZE=ON \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
echo "== browser build (WebAssembly) =="
bash scripts/wasm-check.sh
# The plug-in's browser build in headless Chromium: the folder web-build.sh
# gathers (its program was linked by the check above), with the native tvx
# drawing the reference pictures.
bash scripts/web-build.sh build-wasm build/examples/solar-system.tvx
node web/tests/web_modules_test.mjs
node web/tests/web_browser_test.mjs build-wasm/web build/bin/tvx build/examples/solar-system.tvx build-wasm/web-test
echo "== fuzzing smoke run =="
bash scripts/fuzz-smoke.sh 10
