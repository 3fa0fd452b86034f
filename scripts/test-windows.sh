#!/usr/bin/env bash
# Cross-builds the Windows brain, its unit tests and tools with mingw-w64, then tests under Wine:
# the unit tests and the self-containment check of the .exe, and a short end-to-end transcript
# driving pbrain-quoll.exe with Windows text lines (CR LF) from the Linux side.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" engine test windows
jobs=$(nproc)
prefix="$root/build/wine-prefix"
windows="$root/build/windows-test"

cd "$root"
cmake --preset windows-test
cmake --build --preset windows-test -j "$jobs"

# The first start under Wine creates its prefix; done once here, not by parallel tests.
WINEDEBUG=-all WINEPREFIX="$prefix" "$(command -v wine64 || echo /usr/lib/wine/wine64)" \
  "$windows/pbrain-quoll.exe" </dev/null >/dev/null 2>&1 || { echo "Wine cannot start pbrain-quoll.exe" >&2; exit 1; }
ctest --preset windows-test -j "$jobs"

cmake --preset test -DQUOLL_WINDOWS_ENGINE="$windows/pbrain-quoll.exe" -DQUOLL_WINE_PREFIX="$prefix"
cmake --build --preset test -j "$jobs" --target quoll_windows_engine_tests
ctest --test-dir "$root/build/test" -L windows --output-on-failure -j "$jobs"
echo "Windows tests passed (unit tests and an end-to-end transcript of pbrain-quoll.exe under Wine)"
