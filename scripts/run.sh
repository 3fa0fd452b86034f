#!/usr/bin/env bash
# Builds the engine (installing what is missing) and starts it on this terminal.
# Extra arguments are ignored by the engine; it speaks the brain protocol on stdin/stdout.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" engine
# In a subshell: the engine runs in the caller's folder.
(cd "$root" && cmake --preset release >&2 && cmake --build --preset release --target pbrain-quoll >&2)
exec "$root/build/release/pbrain-quoll"
