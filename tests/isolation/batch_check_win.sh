#!/usr/bin/env bash
# doctext.exe batches under Wine through installs of the plug-in and server:
#   same   - the same text in isolated and in-process mode, by path and --stream
#   faults - marker documents among ordinary ones (test worker): only they
#            fail, the rest is identical, no temporary file is left
#   host death - a host killed while its worker spins takes the worker with it
# usage: batch_check_win.sh WINE BIN_DIR FAULT_WORKER DOC_DIR [COUNT]
set -u
wine=$1 bin=$2 faultworker=$3 docs=$4 count=${5:-24}
[ -d "$docs" ] || { echo "no documents at $docs: skipped"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/wordfilt-winbatch.XXXXXX")
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }
win() { echo "Z:${1//\//\\}"; }

# install NAME MODE WORKER: the plug-in, server and worker in $work/NAME.
install() {
  local d=$work/$1
  mkdir -p "$d" "$d.tmp"
  cp "$bin/docflt.dll" "$bin/wordfilt.dll" "$bin/doctext.exe" "$d/"
  cp "$3" "$d/wordfilt-worker.exe"
  printf '[SETTINGS]\r\nTMPDIR=%s\\\r\nSERVERFILENAME=%s\r\n' "$(win "$d.tmp")" \
    "$(win "$d/wordfilt.dll")" > "$d/docflt.ini"
  printf '[WORDFILT]\r\nISOLATION=%s\r\nTIMEOUT=3\r\nMEMORYLIMIT=256\r\n' "$2" > "$d/wordfilt.ini"
}
# run NAME OUT [doctext options]: a batch over $input; failures in OUT.err.
run() {
  local d=$work/$1 out=$2
  shift 2
  rm -rf "$out"
  "$wine" "$d/doctext.exe" --quiet --out-dir "$(win "$out")" "$@" "$(win "$input")" 2> "$out.err"
  [ -z "$(ls -A "$d.tmp")" ] || fail "$d.tmp holds files left behind: $(ls "$d.tmp")"
}
failed() { grep -a '^doctext: .*: ' "$1.err" | sed 's|^doctext: .*\\||' | tr -d '\r' | sort; }

input=$work/docs
mkdir -p "$input"
find "$docs" -maxdepth 1 -type f | sort | head -n "$count" | while read -r f; do cp "$f" "$input/"; done
install iso process "$bin/wordfilt-worker.exe"
install inproc inproc "$bin/wordfilt-worker.exe"
install faulty process "$faultworker"
for route in "" --stream; do
  run iso "$work/a" $route
  run inproc "$work/b" $route
  diff -r "$work/a" "$work/b" > /dev/null || fail "isolated and in-process text differ ($route)"
  [ "$(failed "$work/a")" = "$(failed "$work/b")" ] || fail "different failures ($route)"
  echo "same $route: $(ls "$work/a" | wc -l) outputs"
done
for mode in crash spin garbage exit explode; do
  printf 'WORDFILT-FAULT:%s\n' $mode > "$input/zz-$mode.doc"
done
for route in "" --stream; do
  run faulty "$work/f" $route
  run inproc "$work/r" $route
  markers=$(failed "$work/f" | grep -c '^zz-')
  others=$(comm -23 <(failed "$work/f") <(failed "$work/r") | grep -vc '^zz-')
  [ "$markers" = 5 ] && [ "$others" = 0 ] || fail "faults ($route): $markers markers, $others others failed"
  for f in "$work/r"/*.txt; do
    case $(basename "$f") in zz-*) continue ;; esac
    cmp -s "$f" "$work/f/$(basename "$f")" || fail "faults ($route): $(basename "$f") differs"
  done
  echo "faults $route: $markers marker documents failed, $others others"
done
# The worker's job goes with the host's handles: the spinning worker is killed.
printf '[WORDFILT]\r\nISOLATION=process\r\nTIMEOUT=120\r\n' > "$work/faulty/wordfilt.ini"
"$wine" "$work/faulty/doctext.exe" --quiet --out-dir "$(win "$work/h")" \
  "$(win "$input/zz-spin.doc")" 2> /dev/null &
host=$!
workers() { pgrep -f "$(basename "$work").faulty.wordfilt-worker" | wc -l; }
for _ in $(seq 1 100); do [ "$(workers)" -gt 0 ] && break; sleep 0.1; done
[ "$(workers)" -gt 0 ] || fail "host death: no worker seen"
kill -9 $host
wait $host 2> /dev/null
for _ in $(seq 1 50); do [ "$(workers)" = 0 ] && break; sleep 0.1; done
[ "$(workers)" = 0 ] || fail "host death: the worker outlived its host"
echo "host death: worker gone"
exit $status
