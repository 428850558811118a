# Interleaved timing for the benchmark scripts (sourced): run NAME COMMAND...
# adds one wall time in microseconds, from bash's own clock (no process is
# started to read it), to times[NAME]; median NAME prints the median of them.
declare -A times
run() {  # name, command...
  local name=$1 t0 t1
  shift
  t0=${EPOCHREALTIME/./}
  "$@" >/dev/null 2>&1 || true
  t1=${EPOCHREALTIME/./}
  times[$name]+="$((10#$t1 - 10#$t0)) "
}
median() { tr ' ' '\n' <<<"${times[$1]}" | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
