#!/usr/bin/env bash
# Checks the 32-bit Windows build: every binary is a 32-bit PE (the record's
# layout is asserted at compile time and tested by module_tests under 32-bit
# Wine), and the plug-in exports its functions under plain undecorated names.
set -uo pipefail
dir=${1:-build/win32}
objdump=i686-w64-mingw32-objdump
ok=0
shopt -s globstar nullglob
bins=("$dir"/**/*.dll "$dir"/**/*.exe)
if [ ${#bins[@]} -eq 0 ]; then
  echo "win32: no binaries under $dir"
  exit 1
fi
for f in "${bins[@]}"; do
  if ! $objdump -f "$f" | grep -q 'file format pei-i386'; then
    echo "win32: not a 32-bit PE: $f"
    ok=1
  fi
done
plugin=$(ls "$dir"/bin/docflt.dll 2>/dev/null || true)
if [ -n "$plugin" ]; then
  exports=$($objdump -p "$plugin" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
  for name in GetFilterExtensions CreateFilteredStream ReadFilteredStream CloseFilteredStream; do
    if ! grep -q -E "\] ${name}\$" <<<"$exports"; then
      echo "win32: $plugin does not export $name undecorated"
      ok=1
    fi
  done
fi
server=$(ls "$dir"/bin/wordfilt.dll 2>/dev/null || true)
if [ -n "$server" ]; then
  sexports=$($objdump -p "$server" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
  for name in DllGetClassObject DllCanUnloadNow DllRegisterServer DllUnregisterServer; do
    if ! grep -q -E "\] ${name}\$" <<<"$sexports"; then
      echo "win32: $server does not export $name undecorated"
      ok=1
    fi
  done
fi
if [ -z "$plugin" ]; then
  echo "win32: no plug-in at $dir/bin/docflt.dll"
  ok=1
elif ! grep -q -E '\] _?_ZN7CFltdll4Init' <<<"$exports"; then
  echo "win32: $plugin does not export the manager class"
  ok=1
fi
[ $ok -eq 0 ] && echo "win32: ${#bins[@]} binaries are 32-bit PE${plugin:+, exports checked}"
exit $ok
