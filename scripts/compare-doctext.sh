#!/usr/bin/env bash
# Runs the Windows doctext.exe of a build (under Wine) and the Linux doctext over
# the public corpus, by path and with --stream, and compares the UTF-8 texts
# byte for byte, and the exit statuses. Skips when the corpus is absent.
# Usage: scripts/compare-doctext.sh [win32|win64] [CORPUS_DIR]
set -uo pipefail
cd "$(dirname "$0")/.."
preset=${1:-win32}
corpus=${2:-${DOCFLT_CORPUS:-../shared/corpus/docs}}
if [ ! -d "$corpus" ]; then
  echo "compare-doctext: no corpus at $corpus, skipped"
  exit 0
fi
corpus=$(cd "$corpus" && pwd)
case "$preset" in
  win32) run=(scripts/wine32.sh) ;;
  win64) run=(/usr/lib/wine/wine64) ;;
  *) echo "compare-doctext: unknown preset $preset" >&2; exit 2 ;;
esac
export WINEDEBUG=-all
win=build/$preset/bin
if [ ! -f "$win/doctext.exe" ] || [ ! -f "$win/docflt.dll" ] || [ ! -f "$win/wordfilt.dll" ]; then
  echo "compare-doctext: build $preset first (doctext.exe, docflt.dll, wordfilt.dll)" >&2
  exit 2
fi
if [ ! -x build/posix/bin/doctext ]; then
  { cmake --preset posix && cmake --build --preset posix -j2 --target doctext docflt wordfilt; } \
    >/dev/null || { echo "compare-doctext: posix build failed" >&2; exit 2; }
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The plug-in as a user installs it: beside its settings, which name the server.
mkdir "$work/plugin"
cp "$win/docflt.dll" "$win/wordfilt.dll" "$work/plugin/"
printf '[SETTINGS]\r\nTMPDIR=\r\nSERVERFILENAME=%s\r\n' "$work/plugin/wordfilt.dll" \
  >"$work/plugin/docflt.ini"

status=0
for mode in path stream; do
  flags=(--quiet)
  [ "$mode" = stream ] && flags+=(--stream)
  build/posix/bin/doctext "${flags[@]}" --out-dir "$work/linux-$mode" "$corpus" \
    >/dev/null 2>"$work/linux-$mode.err"
  linux_rc=$?
  "${run[@]}" "$win/doctext.exe" --plugin "$work/plugin/docflt.dll" "${flags[@]}" \
    --out-dir "$work/$preset-$mode" "$corpus" >/dev/null 2>"$work/$preset-$mode.err"
  win_rc=$?
  count=$(find "$work/linux-$mode" -type f | wc -l)
  if [ "$count" -eq 0 ]; then
    echo "compare-doctext: $mode: Linux doctext wrote nothing (status $linux_rc)"
    head -n 5 "$work/linux-$mode.err"
    status=1
  elif ! diff -rq "$work/linux-$mode" "$work/$preset-$mode" >"$work/diff" 2>&1; then
    echo "compare-doctext: $mode: $preset texts differ from Linux in $(wc -l <"$work/diff") of $count files:"
    head -n 20 "$work/diff"
    head -n 5 "$work/$preset-$mode.err"
    status=1
  elif [ "$linux_rc" -ne "$win_rc" ]; then
    echo "compare-doctext: $mode: exit status $win_rc on $preset, $linux_rc on Linux"
    head -n 5 "$work/$preset-$mode.err"
    status=1
  else
    echo "compare-doctext: $mode: $count texts from $preset doctext.exe equal Linux byte for byte (status $win_rc)"
  fi
done
exit $status
