#!/usr/bin/env bash
# The main job: builds the plug-in, the bundled server and doctext, then
# extracts the bundled sample document through the plug-in, which finds the
# server through the registration file beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh posix
cmake --preset posix >/dev/null
cmake --build --preset posix -j"$(nproc)" --target docflt wordfilt doctext >/dev/null
exec build/posix/bin/doctext "${@:-samples/welcome.doc}"
