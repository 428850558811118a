#!/usr/bin/env bash
# Builds the release benchmarks and runs them all: scripts/bench.sh [benchmark filter]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$(nproc)" >/dev/null
for b in build/bench/bench/*_bench; do
  echo "== $(basename "$b")"
  "$b" ${1:+--benchmark_filter="$1"}
done
