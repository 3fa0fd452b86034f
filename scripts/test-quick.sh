#!/usr/bin/env bash
# The unit suites alone, in a few seconds once built: the board, search, platform and protocol
# tests of the test build (build/test), without the sanitizer build, the fuzzer, Wine, the
# browser or the release. Arguments go to ctest, for instance `-R Transcript` or `-V`.
# The full test command is scripts/test.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" engine test web
cd "$root"
cmake --preset test >/dev/null
cmake --build --preset quick -j "$(nproc)"
ctest --preset quick -j "$(nproc)" "$@"
