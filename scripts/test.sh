#!/usr/bin/env bash
# Builds a normal and a sanitizer (address + undefined) configuration and runs every test of both,
# fuzzes the protocol front end for a minute (scripts/fuzz.sh; longer runs: scripts/fuzz.sh SECONDS),
# cross-builds the Windows brain and tests it under Wine (scripts/test-windows.sh), then makes
# the release archives from those builds and checks them (scripts/test-release.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" engine test windows release web
jobs=$(nproc)

cmake -S "$root" -B "$root/build/test" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUOLL_WERROR=ON
cmake --build "$root/build/test" -j "$jobs"
# The Windows end-to-end tests (label windows) run from scripts/test-windows.sh.
ctest --test-dir "$root/build/test" --output-on-failure -j "$jobs" -LE windows

cmake -S "$root" -B "$root/build/sanitize" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUOLL_SANITIZE=ON -DQUOLL_CHECKS=ON -DQUOLL_WERROR=ON -DQUOLL_TOOLS=OFF
cmake --build "$root/build/sanitize" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build/sanitize" --output-on-failure -j "$jobs"
"$root/scripts/fuzz.sh" 60
"$root/scripts/test-windows.sh"
# The release's .exe is the one just tested, built in the Windows test folder.
QUOLL_WINDOWS_BUILD="$root/build/windows-test" "$root/scripts/test-release.sh"
echo "all tests passed (normal and sanitizer builds, bounded fuzz run, Windows build under Wine," \
  "release archives)"
