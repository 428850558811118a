#!/usr/bin/env bash
# Extracts the whole public corpus in every code-page mode and by both the
# path and the stream routes, to compare outputs byte for byte before and
# after a change that must not alter them.
#   scripts/golden.sh save DIR [DOCTEXT] [CORPUS]   writes DIR/<mode>-<route>/*.txt
#   scripts/golden.sh check DIR [DOCTEXT] [CORPUS]  extracts again and diffs with DIR
# DOCTEXT defaults to build/posix/bin/doctext, CORPUS to ../shared/corpus/docs.
set -euo pipefail
cd "$(dirname "$0")/.."
action=${1:-}
dir=${2:-}
doctext=${3:-build/posix/bin/doctext}
corpus=${4:-../shared/corpus/docs}
if [ -z "$action" ] || [ -z "$dir" ]; then
  sed -n '2,8p' "$0"
  exit 2
fi
[ -d "$corpus" ] || { echo "no corpus at $corpus"; exit 2; }

extract() {  # extract OUTDIR: every mode and route into OUTDIR
  local out=$1 mode route flags
  for mode in utf8 unicode ansi default; do
    for route in path stream; do
      flags=(--quiet --codepage "$mode" --out-dir "$out/$mode-$route")
      [ "$route" = stream ] && flags+=(--stream)
      # Failed documents leave no file; their absence is compared too.
      "$doctext" "${flags[@]}" "$corpus" >/dev/null 2>"$out/$mode-$route.errors" || true
    done
  done
}

case "$action" in
  save)
    rm -rf "$dir"
    mkdir -p "$dir"
    extract "$dir"
    echo "saved $(find "$dir" -name '*.txt' | wc -l) outputs in $dir"
    ;;
  check)
    [ -d "$dir" ] || { echo "nothing saved in $dir"; exit 2; }
    now=$(mktemp -d)
    trap 'rm -rf "$now"' EXIT
    extract "$now"
    if diff -r "$dir" "$now" >/dev/null; then
      echo "identical: $(find "$now" -name '*.txt' | wc -l) outputs"
    else
      diff -rq "$dir" "$now" | head -n 40
      echo "DIFFERENT"
      exit 1
    fi
    ;;
  *)
    sed -n '2,8p' "$0"
    exit 2
    ;;
esac
