#!/usr/bin/env bash
# Builds the engine and quoll-web (installing what is missing) and starts the board in the
# browser; it prints the address to open. Arguments go to quoll-web, for instance
# `--port 8080`, `--engine /path/to/pbrain-other` or `--host 0.0.0.0` to be reached from other
# machines (then anyone who can reach the port can play).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" engine web
# In a subshell: a relative path among the arguments stays relative to the caller's folder.
(cd "$root" && cmake --preset release >&2 && cmake --build --preset release --target quoll-web >&2)
exec "$root/build/release/web/quoll-web" "$@"
