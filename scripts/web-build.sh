#!/usr/bin/env bash
# The browser build of the plug-in: links tavix.wasm and its loader tavix.js in
# the browser build's folder (the libraries are those scripts/wasm-check.sh
# builds there), then gathers everything a web server needs into one folder,
# <build-folder>/web/: the program, the page's modules (js/), the viewer and
# demonstration pages, the web font (fonts/) and the example book (books/,
# when the native build has assembled it). Copy the folder to any web server,
# or serve it with "tvx view".
# Usage: scripts/web-build.sh [build-folder] [example-book]
#        (defaults build-wasm and build/examples/solar-system.tvx)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh emscripten

export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
dir=${1:-build-wasm}
book=${2:-build/examples/solar-system.tvx}
jobs=$(nproc 2>/dev/null || echo 2)

emcmake cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$dir" -j "$jobs" --target tavix

out="$dir/web"
rm -rf "$out"
mkdir -p "$out/js" "$out/fonts" "$out/books"
cp "$dir/web-program/tavix.js" "$dir/web-program/tavix.wasm" "$out/"
cp web/js/*.mjs "$out/js/"
cp web/pages/*.html web/pages/*.css "$out/"
for face in Regular Bold; do
  cp "/usr/share/fonts/truetype/liberation/LiberationSans-$face.ttf" "$out/fonts/"
done
if [ -f "$book" ]; then
  cp "$book" "$out/books/"
else
  echo "note: $book is not there (build the native tree first); the demonstration pages need it" >&2
fi
echo "web build in $out/ (tavix.wasm $(stat -c %s "$out/tavix.wasm") bytes)"
