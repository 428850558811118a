#!/usr/bin/env bash
# Times doctext over a folder of documents against the Debian-packaged
# extractors, in the same run and interleaved (this machine's speed drifts by
# tens of per cent over minutes, so separate runs are not comparable).
#   scripts/peers.sh [DIR] [ROUNDS]      default: ../shared/corpus/docs, 5
# For each round: doctext over the whole folder in one process; antiword and
# catdoc once per file (how a host without a library runs them) and once with
# every file on one command line. Prints the median wall time of each and the
# ratio per document against the fastest peer of each kind.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-../shared/corpus/docs}
rounds=${2:-5}
[ -d "$dir" ] || { echo "peers.sh: no folder $dir" >&2; exit 2; }
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$(nproc)" --target doctext docflt wordfilt >/dev/null
doctext=build/bench/bin/doctext
mapfile -t files < <(find "$dir" -maxdepth 1 -type f -name '*.doc' | sort)
[ "${#files[@]}" -gt 0 ] || { echo "peers.sh: no .doc files in $dir" >&2; exit 2; }

peers=()
for p in antiword catdoc; do command -v "$p" >/dev/null && peers+=("$p"); done
[ "${#peers[@]}" -gt 0 ] || echo "peers.sh: neither antiword nor catdoc is installed" >&2

source scripts/timing.sh
per_file() { for f in "${files[@]}"; do "$1" "$f" || true; done; }

for ((r = 0; r < rounds; r++)); do
  run doctext "$doctext" --quiet "$dir"
  for p in "${peers[@]}"; do
    run "$p/file" per_file "$p"
    run "$p/batch" "$p" "${files[@]}"
  done
done

ours=$(median doctext)
n=${#files[@]}
printf '%-16s %10s %12s\n' "extractor" "median ms" "docs/s"
show() { printf '%-16s %10.1f %12.0f\n' "$1" "$(echo "$2/1000" | bc -l)" "$(echo "$n*1000000/$2" | bc -l)"; }
show doctext "$ours"
best_file="" best_batch=""
for p in "${peers[@]}"; do
  f=$(median "$p/file")
  b=$(median "$p/batch")
  show "$p (per file)" "$f"
  show "$p (one run)" "$b"
  [ -z "$best_file" ] || [ "$f" -lt "$best_file" ] && best_file=$f
  [ -z "$best_batch" ] || [ "$b" -lt "$best_batch" ] && best_batch=$b
done
if [ -n "$best_file" ]; then
  printf 'doctext is %.1fx the fastest peer run per file, %.1fx the fastest peer given every file at once\n' \
    "$(echo "$best_file/$ours" | bc -l)" "$(echo "$best_batch/$ours" | bc -l)"
fi
