#!/usr/bin/env bash
# Builds the engine (installing what is missing) and starts it on this terminal.
# Extra arguments are ignored by the engine; it speaks the brain protocol on stdin/stdout.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" engine
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUOLL_TESTS=OFF -DQUOLL_TOOLS=OFF >&2
cmake --build "$root/build/release" --target pbrain-quoll >&2
exec "$root/build/release/pbrain-quoll"
