#!/usr/bin/env bash
# The main job on the bundled example: installs what is missing, builds, and runs
# the store demonstration on a fresh store file in build/example/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target store_demo
mkdir -p build/example
rm -f build/example/demo.store
build/bin/store_demo build/example/demo.store
# The drawing layer's demonstration picture, as SVG, PNG and PDF in build/example/.
cmake --build build -j "$jobs" --target drawing_demo
build/bin/drawing_demo build/example
