#!/usr/bin/env bash
# Builds the engine and quoll-web (installing what is missing) and starts the board in the
# browser; it prints the address to open. Arguments go to quoll-web, for instance
# `--port 8080`, `--engine /path/to/pbrain-other` or `--host 0.0.0.0` to be reached from other
# machines (then anyone who can reach the port can play).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" engine web
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQUOLL_TESTS=OFF >&2
cmake --build "$root/build/release" --target quoll-web >&2
exec "$root/build/release/web/quoll-web" "$@"
