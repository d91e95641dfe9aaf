#!/usr/bin/env bash
# The browser build's check: builds the five libraries and the platform layer
# with Emscripten (static, exceptions on, the cairo renderers, tools and
# examples left out), the plug-in's browser program (web/, gathered into a web
# folder by scripts/web-build.sh), with the store, map text, core and plug-in
# test suites, and runs the suites under node on the real file system. Tests of what a
# browser cannot have are skipped there, each with its reason; the skips are
# listed at the end.
# Usage: scripts/wasm-check.sh [build-folder]   (default build-wasm)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh emscripten

# The compiler's JavaScript passes load Debian's node modules (acorn) from here.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
dir=${1:-build-wasm}
jobs=$(nproc 2>/dev/null || echo 2)

emcmake cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$dir" -j "$jobs"
status=0
(cd "$dir" && ctest --output-on-failure) || status=$?

# Each suite is one CTest test; the cases it skipped, with their reasons, are in
# its output (GoogleTest prints "FILE:LINE: Skipped" and the reason below it).
echo "Skipped in the browser build:"
awk '/^\[ RUN      \] / { name = $4 }
     /: Skipped$/ { getline reason; print "  " name ": " reason }' \
  "$dir/Testing/Temporary/LastTest.log"
echo "wasm check: ${SECONDS}s"
exit "$status"
