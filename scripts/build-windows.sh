#!/usr/bin/env bash
# Cross-builds the Windows brain with mingw-w64 (installing what is missing) and prints its path:
# build/windows/pbrain-quoll.exe, one self-contained file to copy into a manager's folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" engine windows
cd "$root"
cmake --preset windows >&2
cmake --build --preset windows >&2
echo "$root/build/windows/pbrain-quoll.exe"
