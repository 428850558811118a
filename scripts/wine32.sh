#!/usr/bin/env bash
# Runs a 32-bit Windows program under Wine in a 32-bit prefix of its own (never
# the 64-bit one), made on first use. The prefix: $DOCFLT_WINE32_PREFIX, else
# ~/.wine-docflt32.
# Usage: scripts/wine32.sh PROGRAM [ARGS...]   or   scripts/wine32.sh --prepare
set -euo pipefail
export WINEPREFIX=${DOCFLT_WINE32_PREFIX:-${HOME:-/root}/.wine-docflt32}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
wine=/usr/lib/wine/wine
if [ ! -x "$wine" ]; then
  echo "wine32.sh: $wine is missing (apt-get install wine32:i386)" >&2
  exit 127
fi
if [ ! -f "$WINEPREFIX/.docflt-ready" ]; then
  # Test programs start in parallel: one of them makes the prefix, the others
  # wait for it. The registry is only on disk once the server has stopped.
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.docflt-ready" ]; then
    echo "wine32.sh: making the 32-bit Wine prefix $WINEPREFIX" >&2
    "$wine" wineboot --init >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] && touch "$WINEPREFIX/.docflt-ready"
  fi
  flock -u 9
  exec 9>&-
fi
[ "${1:-}" = --prepare ] && exit 0
exec "$wine" "$@"
