#!/usr/bin/env bash
# Builds the packages from built trees and tries them where they would land:
#   the Debian package (build/posix): unpacked into a scratch root with dpkg -x;
#     its registration names /usr/lib/docflt/wordfilt.so (what `dpkg -i` makes
#     true), so the scratch copy is rewritten to name the server inside the
#     root; then the unpacked doctext and `python3 -c 'import docflt'` run there;
#   a zip per Windows tree that exists (build/win64, build/win32): unpacked;
#     the win64 one's doctext runs under Wine.
# Usage: scripts/package-check.sh
set -uo pipefail
cd "$(dirname "$0")/.."
status=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "package-check: $*" >&2; status=1; }

# --- Debian package
if ! (cd build/posix && cpack -G DEB >"$scratch/cpack-deb.log" 2>&1); then
  cat "$scratch/cpack-deb.log" >&2
  fail "cpack DEB failed"
  exit 1
fi
deb=$(ls -t build/posix/packages/docflt_*.deb | head -n 1)
echo "package-check: $deb"
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for want in ./usr/bin/doctext ./usr/lib/docflt/docflt.flt ./usr/lib/docflt/wordfilt.so \
            ./usr/lib/docflt/wordfilt-worker ./usr/lib/docflt/docflt.reg ./usr/lib/python3/dist-packages/docflt/__init__.py \
            ./usr/lib/python3/dist-packages/docflt/dask.py ./usr/share/docflt/welcome.doc; do
  grep -qxF "$want" <<<"$contents" || fail "$want missing from the package"
done
# The header, pkg-config file and man page, where the tree has them.
[ ! -e include/docflt/docflt.h ] || grep -qxF ./usr/include/docflt/docflt.h <<<"$contents" ||
  fail "the header is missing from the package"
dpkg-deb --field "$deb" Depends | grep -q libc6 || fail "the package names no dependencies"

root="$scratch/root"
dpkg -x "$deb" "$root"
reg="$root/usr/lib/docflt/docflt.reg"
grep -qF '@="/usr/lib/docflt/wordfilt.so"' "$reg" || fail "the registration does not name /usr/lib/docflt"
sed -i "s|@=\"/usr/lib/docflt/|@=\"$root/usr/lib/docflt/|" "$reg"
# With the default settings the unpacked worker parses the document.
out=$("$root/usr/bin/doctext" samples/welcome.doc) || fail "the unpacked doctext failed"
grep -q "Welcome to docflt" <<<"$out" || fail "the unpacked doctext gave no text"
if ! env -u DOCFLT_PLUGIN PYTHONPATH="$root/usr/lib/python3/dist-packages" /usr/bin/python3 -c '
import sys, docflt
root = sys.argv[1]
assert docflt.__file__.startswith(root), docflt.__file__
assert docflt.default_plugin().path.startswith(root), docflt.default_plugin().path
assert "Welcome to docflt" in docflt.extract(sys.argv[2])
' "$root" samples/welcome.doc; then
  fail "import docflt from the unpacked package failed"
fi

# --- Windows zips
for tree in build/win64 build/win32; do
  [ -f "$tree/CMakeCache.txt" ] || continue
  if ! (cd "$tree" && cpack -G ZIP >"$scratch/cpack-zip.log" 2>&1); then
    cat "$scratch/cpack-zip.log" >&2
    fail "cpack ZIP failed in $tree"
    continue
  fi
  zip=$(ls -t "$tree"/packages/docflt-*.zip | head -n 1)
  echo "package-check: $zip"
  dir="$scratch/$(basename "$tree")"
  mkdir -p "$dir"
  /usr/bin/python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$dir"
  top=$(ls "$dir")
  for want in bin/doctext.exe bin/docflt.dll bin/wordfilt.dll bin/docflt.ini python/docflt/__init__.py; do
    [ -f "$dir/$top/$want" ] || fail "$want missing from $zip"
  done
  grep -q '^SERVERFILENAME=wordfilt.dll' "$dir/$top/bin/docflt.ini" ||
    fail "$zip: the settings do not name the server by its file name"
  if [ "$tree" = build/win64 ]; then
    sample="Z:$PWD/samples/welcome.doc"
    out=$(cd "$dir/$top/bin" && WINEDEBUG=-all /usr/lib/wine/wine64 doctext.exe "$sample" 2>&1)
    grep -q "Welcome to docflt" <<<"$out" || fail "$zip: doctext.exe from the zip gave no text: $out"
  fi
done
[ $status -eq 0 ] && echo "package-check: passed"
exit $status
