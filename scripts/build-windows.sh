#!/usr/bin/env bash
# Cross-builds the Windows brain with mingw-w64 (installing what is missing) and prints its path:
# build/windows/pbrain-quoll.exe, one self-contained file to copy into a manager's folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" engine windows
cmake -S "$root" -B "$root/build/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DQUOLL_TESTS=OFF -DQUOLL_TOOLS=OFF >&2
cmake --build "$root/build/windows" --target pbrain-quoll >&2
echo "$root/build/windows/pbrain-quoll.exe"
