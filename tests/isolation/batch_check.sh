#!/usr/bin/env bash
# doctext batches through installs of the plug-in and server in both modes:
#   same    - the same text in isolated and in-process mode, by path and --stream
#   faults  - marker documents among ordinary ones (test worker): only they
#             fail, the rest is identical, no temporary file or worker is left
#   chaos   - workers killed at random during a batch: the batch finishes, only
#             as many documents fail as workers were killed, the rest identical
# usage: batch_check.sh BIN_DIR FAULT_WORKER DOC_DIR [same|faults|chaos]... 
set -u
bin=$1 faultworker=$2 docs=$3
shift 3
[ -d "$docs" ] || { echo "no documents at $docs: skipped"; exit 77; }
checks=${*:-same faults chaos}
work=$(mktemp -d "${TMPDIR:-/tmp}/wordfilt-batch.XXXXXX")
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

# install NAME MODE WORKER: the plug-in, server and worker in $work/NAME.
install() {
  local d=$work/$1
  mkdir -p "$d" "$d.tmp"
  cp "$bin/docflt.flt" "$bin/wordfilt.so" "$d/"
  cp "$3" "$d/wordfilt-worker"
  printf '[SETTINGS]\r\nTMPDIR=%s\r\nSERVERFILENAME=%s\r\n' "$d.tmp/" "$d/wordfilt.so" > "$d/docflt.ini"
  printf '[WORDFILT]\r\nISOLATION=%s\r\nTIMEOUT=%s\r\n' "$2" "${TIMEOUT:-3}" > "$d/wordfilt.ini"
}
# run NAME OUT [doctext options]: a batch over $input; failures in OUT.err.
run() {
  local d=$work/$1 out=$2
  shift 2
  rm -rf "$out"
  "$bin/doctext" --plugin "$d/docflt.flt" --quiet --out-dir "$out" "$@" "$input" 2> "$out.err"
  [ -z "$(ls -A "$d.tmp")" ] || fail "$d.tmp holds files left behind: $(ls "$d.tmp")"
}
# The documents that failed, each with its reason.
failed() { grep '^doctext: .*: ' "$1.err" | sed "s|^doctext: $input/||" | sort; }

input=$docs
install iso process "$bin/wordfilt-worker"
install inproc inproc "$bin/wordfilt-worker"

for check in $checks; do
  case $check in
  same)
    for route in "" --stream; do
      run iso "$work/a" $route
      run inproc "$work/b" $route
      diff -r "$work/a" "$work/b" > /dev/null || fail "isolated and in-process text differ ($route)"
      [ "$(failed "$work/a")" = "$(failed "$work/b")" ] || fail "different failures ($route)"
      echo "same $route: $(ls "$work/a" | wc -l) outputs"
    done
    ;;
  faults)
    install faulty process "$faultworker"
    input=$work/mixed
    mkdir -p "$input"
    cp -r "$docs"/. "$input/"
    for mode in crash spin garbage exit; do printf 'WORDFILT-FAULT:%s\n' $mode > "$input/zz-$mode.doc"; done
    for route in "" --stream; do
      start=$(date +%s)
      run faulty "$work/f" $route
      run inproc "$work/r" $route
      took=$(($(date +%s) - start))
      extra=$(comm -23 <(failed "$work/f") <(failed "$work/r") | grep -c 'the filter failed')
      others=$(comm -23 <(failed "$work/f") <(failed "$work/r") | grep -vc '^zz-')
      [ "$extra" = 4 ] && [ "$others" = 0 ] ||
        fail "faults ($route): failed beyond the reference: '$extra'"
      for f in "$work/r"/*.txt; do
        # In process the markers are only text (read as such); the faulty worker fails them.
        case $(basename "$f") in zz-*) continue ;; esac
        cmp -s "$f" "$work/f/$(basename "$f")" || fail "faults ($route): $(basename "$f") differs"
      done
      echo "faults $route: $extra marker documents failed, $others others (${took}s for both runs)"
    done
    input=$docs
    ;;
  chaos)
    # Enough documents for the killer to land mid-batch.
    input=$work/many
    mkdir -p "$input"
    for i in $(seq 1 "${COPIES:-12}"); do mkdir -p "$input/$i" && cp -r "$docs"/. "$input/$i/"; done
    run inproc "$work/r"
    rm -rf "$work/c"
    "$bin/doctext" --plugin "$work/iso/docflt.flt" --quiet --out-dir "$work/c" "$input" 2> "$work/c.err" &
    host=$!
    kills=0
    start=$(date +%s.%N)
    while kill -0 $host 2> /dev/null; do
      sleep "${PAUSE:-0.0$((RANDOM % 9 + 1))}"
      # Workers only: the host's other children (a sanitizer's leak checker
      # at exit) are not ours to kill.
      for w in $(pgrep -P $host -x wordfilt-worker); do
        kill -9 "$w" 2> /dev/null && kills=$((kills + 1))
      done
    done
    wait $host
    took=$(echo "$(date +%s.%N) - $start" | bc)
    extra=$(comm -23 <(failed "$work/c") <(failed "$work/r") | wc -l)
    differ=0
    for f in $(cd "$work/r" && find . -name '*.txt'); do
      [ -f "$work/c/$f" ] || continue  # a killed document writes nothing
      cmp -s "$work/r/$f" "$work/c/$f" || differ=$((differ + 1))
    done
    [ "$extra" -le "$kills" ] || fail "chaos: $extra failed but only $kills workers were killed"
    [ $differ -eq 0 ] || fail "chaos: $differ outputs differ"
    [ -z "$(pgrep -P $$ -f wordfilt-worker)" ] || fail "chaos: workers left running"
    echo "chaos: $(find "$work/r" -name '*.txt' | wc -l) documents, $kills workers killed, $extra failed, $differ differ (${took}s)"
    ;;
  esac
done
exit $status
