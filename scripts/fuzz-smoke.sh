#!/usr/bin/env bash
# A short fuzzing run of every reader target: builds the libFuzzer targets with
# clang in build-fuzz and runs each for about 20 seconds from its seed corpus,
# failing on the first finding (crash, sanitizer report, leak, timeout or a
# round trip that does not hold). Without clang it says so and succeeds.
# Usage: scripts/fuzz-smoke.sh [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-20}
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz-smoke: clang++ not found; skipping the fuzzing run"
  exit 0
fi

targets=(book_image hash_stream map_read map_round_trip map_tokens component_ref nxl_file salvage
         type_page page_window pen_text ole_object)
jobs=$(nproc 2>/dev/null || echo 2)

# -O1 with line tables, as the sanitizer tree: findings keep file and line.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" \
  -DTVX_FUZZ=ON -DTVX_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$jobs" --target "${targets[@]/#/fuzz_}"

# New inputs go to a scratch corpus; the seed corpus is only read.
work=$(mktemp -d "${TMPDIR:-/tmp}/tvx-fuzz-smoke-XXXXXX")
trap 'rm -rf "$work"' EXIT
export TAVIX_LOG_DIR=/dev/null/tavix TAVIX_PROFILE=/dev/null/tavix.ini TMPDIR="$work"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for t in "${targets[@]}"; do
  mkdir -p "$work/$t"
  echo "== fuzz_$t (${seconds}s)"
  if ! (cd "$work/$t" && "$root/build-fuzz/bin/fuzz_$t" -max_total_time="$seconds" \
          -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
          -dict="$root/fuzz/$t.dict" . "$root/fuzz/corpus/$t" > log 2>&1); then
    tail -n 60 "$work/$t/log"
    # Keep the input that failed where the developer can replay it.
    mkdir -p build-fuzz/findings
    cp "$work/$t"/crash-* "$work/$t"/leak-* "$work/$t"/timeout-* "$work/$t"/oom-* \
      build-fuzz/findings/ 2>/dev/null || true
    failed+=("$t")
  else
    grep -E "^stat::(number_of_executed_units|average_exec_per_sec)|cov:" "$work/$t/log" | tail -n 3
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz-smoke: findings in ${failed[*]} (inputs in build-fuzz/findings/)"
  exit 1
fi
echo "fuzz-smoke: every target ran ${seconds}s without a finding"
