#!/usr/bin/env bash
# The main job on the bundled example: installs what is missing, builds everything
# (the libraries, tvx, blkpack and the example books, which the build assembles
# from their map-text sources with "tvx import"), then checks the example book
# and lists its pages and links, lists its types, draws every page of it as SVG,
# PNG and PDF (as the page window paints it) into build/example/pages/, writes
# it as a web site into build/example/site/, draws the shape gallery (every glyph shape in each line mask and colour set,
# its join points marked, the bevelled boxes and the text blocks) and drives the
# plug-in with npbrowse; last it builds the plug-in for the browser
# (WebAssembly, into build-wasm/web/) and shows the book in the web browser with
# "tvx view", which serves until Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh graphviz
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
book=build/examples/solar-system.tvx
echo "== tvx check $book"
build/bin/tvx check "$book"
echo "== tvx ls $book"
build/bin/tvx ls "$book"
echo "== tvx types $book"
build/bin/tvx types "$book"
mkdir -p build/example
echo "== every page of $book in build/example/pages/"
written=$(build/bin/tvx render --all -o build/example/pages "$book" | wc -l)
echo "$written files (the home page: build/example/pages/1-the-solar-system.png)"
echo "== the book as a web site in build/example/site/"
build/bin/tvx html --force "$book" build/example/site
echo "(open build/example/site/index.html)"
# The shape gallery, as SVG, PNG and PDF in build/example/.
echo "== shape gallery in build/example/"
build/bin/gallery build/example
# The book in the plug-in, as a web page's tag shows it, driven by npbrowse: the
# home page, Jupiter's page, Back, and the Sun's web address.
echo "== the plug-in showing $book (npbrowse), pictures in build/example/plugin/"
rm -rf build/example/plugin
build/bin/npbrowse "$book" --shots build/example/plugin \
  --script "dblclick 146,328; back; yes; dblclick 598,243" | grep -v '^status: $'
# The plug-in in the web browser: the browser build, then "tvx view" serves it
# and the book on 127.0.0.1 and prints the address (Ctrl-C ends it).
echo "== the plug-in in the web browser (build-wasm/web/, tvx view)"
bash scripts/web-build.sh build-wasm "$book"
build/bin/tvx view "$book"
