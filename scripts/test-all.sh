#!/usr/bin/env bash
# Builds every target and runs every test: posix and posix-asan natively, win64
# under Wine, win32 under 32-bit Wine (its binaries and exports checked as well,
# and its doctext.exe compared with the Linux one over the corpus).
# Usage: scripts/test-all.sh [preset...]   (default: all of them)
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh all

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(posix posix-asan win64 win32)
jobs=$(nproc 2>/dev/null || echo 2)
export WINEDEBUG=-all
passed=0
failed=0
status=0

count_ctest() {  # adds the counts of a ctest log to the totals
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$1" | tail -n 1)
  if [ -n "$line" ]; then
    local total fails
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    fails=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - fails))
    failed=$((failed + fails))
  fi
}

for preset in "${presets[@]}"; do
  leg=$SECONDS
  echo "=== ${preset}: configure and build"
  if ! cmake --preset "$preset" >"build-${preset}.log" 2>&1 ||
     ! cmake --build --preset "$preset" -j"$jobs" >>"build-${preset}.log" 2>&1; then
    tail -n 60 "build-${preset}.log"
    echo "=== ${preset}: BUILD FAILED"
    failed=$((failed + 1))
    status=1
    continue
  fi
  if [ "$preset" = win32 ]; then
    for check in "scripts/check-win32.sh build/win32" "scripts/compare-doctext.sh win32"; do
      if $check; then
        passed=$((passed + 1))
      else
        failed=$((failed + 1))
        status=1
      fi
    done
  fi
  echo "=== ${preset}: test"
  log=$(mktemp)
  start=$SECONDS
  ctest --preset "$preset" -j"$jobs" --timeout 600 2>&1 | tee "$log" | grep -v -E '^ *([0-9]+\/[0-9]+ Test +#[0-9]+: .* Passed|Start +[0-9]+:)'
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  echo "=== ${preset}: tests took $((SECONDS - start)) s"
  count_ctest "$log"
  rm -f "$log"
  rm -f "build-${preset}.log"
  echo "=== ${preset}: $((SECONDS - leg)) s in all"
done

echo "all targets: ${passed} passed, ${failed} failed"
exit $status
