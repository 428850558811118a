#!/usr/bin/env bash
# The batch figures in one run, interleaved (this machine's speed drifts by tens
# of per cent over minutes, so separate runs are not comparable): doctext over
# four copies of a folder's .doc files against cat of the same files, -j 2
# against -j 1, and parsing in worker processes against in process; then one
# document against antiword, when it is installed.
#   scripts/bars.sh [DIR] [ROUNDS] [ONE.doc]
#   default: ../shared/corpus/docs, 15 rounds, poi_47304.doc from DIR
# doctext runs from an installed layout (program in bin/, plug-in, server and
# worker in lib/docflt/, stripped), as a host would find it.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-../shared/corpus/docs}
rounds=${2:-15}
one=${3:-$dir/poi_47304.doc}
[ -d "$dir" ] || { echo "bars.sh: no folder $dir" >&2; exit 2; }
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$(nproc)" --target doctext docflt wordfilt wordfilt-worker >/dev/null
bin=build/bench/bin

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for mode in inproc process; do
  mkdir -p "$work/$mode/bin" "$work/$mode/lib/docflt"
  cp "$bin/doctext" "$work/$mode/bin/"
  cp "$bin/docflt.flt" "$bin/wordfilt.so" "$bin/wordfilt-worker" "$bin/docflt.reg" \
    "$work/$mode/lib/docflt/"
  strip "$work/$mode/bin/doctext" "$work/$mode/lib/docflt/docflt.flt" \
    "$work/$mode/lib/docflt/wordfilt.so" "$work/$mode/lib/docflt/wordfilt-worker"
  printf '[SETTINGS]\r\nTMPDIR=\r\nSERVERFILENAME=%s\r\n' "$work/$mode/lib/docflt/wordfilt.so" \
    >"$work/$mode/lib/docflt/docflt.ini"
  printf '[WORDFILT]\r\nISOLATION=%s\r\nTIMEOUT=30\r\nMEMORYLIMIT=1024\r\n' "$mode" \
    >"$work/$mode/lib/docflt/wordfilt.ini"
done
for c in 1 2 3 4; do
  mkdir -p "$work/docs/$c"
  find "$dir" -maxdepth 1 -type f -iname '*.doc' -exec cp {} "$work/docs/$c/" \;
done
find "$work/docs" -type f | sort >"$work/list"
mapfile -t files <"$work/list"
[ "${#files[@]}" -gt 0 ] || { echo "bars.sh: no .doc files in $dir" >&2; exit 2; }
echo "${#files[@]} documents (four copies of $dir), $rounds rounds"

source scripts/timing.sh

in=$work/inproc/bin/doctext
pr=$work/process/bin/doctext
have_antiword=$(command -v antiword || true)
for ((r = 0; r < rounds; r++)); do
  run cat cat "${files[@]}"
  run j1 "$in" --quiet --files-from "$work/list"
  run j2 "$in" --quiet -j 2 --files-from "$work/list"
  run isolated "$pr" --quiet --files-from "$work/list"
  if [ -n "$have_antiword" ] && [ -f "$one" ]; then
    for i in 1 2 3 4 5; do
      run one_doctext "$in" "$one"
      run one_antiword antiword "$one"
    done
  fi
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
c=$(median cat) j1=$(median j1) j2=$(median j2) iso=$(median isolated)
printf 'median ms: cat %.1f  doctext %.1f  doctext -j 2 %.1f  isolated %.1f\n' \
  "$(ratio "$c" 1000)" "$(ratio "$j1" 1000)" "$(ratio "$j2" 1000)" "$(ratio "$iso" 1000)"
echo "batch against cat: $(ratio "$j1" "$c")   (bar <= 1.2)"
echo "-j 2 speed-up:     $(ratio "$j1" "$j2")   (bar >= 1.7)"
echo "isolated against in process: $(ratio "$iso" "$j1")   (bar <= 1.3)"
if [ -n "${times[one_doctext]:-}" ]; then
  echo "one document ($(basename "$one")) against antiword: $(ratio "$(median one_doctext)" \
    "$(median one_antiword)")   (bar <= 1.0)"
fi
