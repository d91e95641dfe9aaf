#!/usr/bin/env bash
# The benchmark command: installs what the benchmarks need (Google Benchmark,
# SQLite, RapidJSON) when missing, builds Release with the benchmarks on, and
# runs the programs. Their summary tables are what bench/README.md shows.
# Usage: scripts/bench.sh [build-dir]   (default build-bench)
# Never part of the test command or of CI.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh libbenchmark-dev libsqlite3-dev rapidjson-dev

dir=${1:-build-bench}
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DTVX_BENCH=ON >/dev/null
cmake --build "$dir" -j 2 --target store_bench maptext_bench edit_check_bench salvage_bench graphics_bench label_bench page_bench plugin_bench site_bench find_bench
# blkpack, when the tree has it, gives the fragmentation index after defragmenting.
cmake --build "$dir" -j 2 --target blkpack 2>/dev/null || true

echo "== machine =="
echo "cores: $(nproc)"
grep -m1 "model name" /proc/cpuinfo | sed 's/.*: /cpu: /'
awk '/MemTotal/ {printf "memory: %.1f GB\n", $2 / 1048576}' /proc/meminfo
echo "== store: the book against SQLite =="
"$dir/bin/store_bench"
echo "== map text against RapidJSON =="
"$dir/bin/maptext_bench"
echo "== the check before an edit =="
"$dir/bin/edit_check_bench"
echo "== salvage of a book whose ID table is destroyed =="
"$dir/bin/salvage_bench"
echo "== a page of 1,000 graphics =="
"$dir/bin/graphics_bench"
echo "== label layout and shape fitting =="
"$dir/bin/label_bench"
echo "== a page from its map text to a display list =="
"$dir/bin/page_bench"
echo "== the example book opened in the plug-in, to its home page painted =="
"$dir/bin/plugin_bench"
echo "== a 10,000-page book written as a web site =="
"$dir/bin/site_bench"
echo "== a word found in a 10,000-page book =="
"$dir/bin/find_bench"
