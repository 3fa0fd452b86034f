#!/usr/bin/env bash
# Builds a normal and a sanitizer (address + undefined) configuration and runs every test of both,
# builds the engine as WebAssembly and tests it under Node.js (scripts/test-wasm.sh), fuzzes the
# protocol front end for a minute (scripts/fuzz.sh; longer runs: scripts/fuzz.sh SECONDS),
# cross-builds the Windows brain and tests it under Wine (scripts/test-windows.sh), then makes
# the release archives from those builds and checks them (scripts/test-release.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" engine test windows release web wasm
jobs=$(nproc)

cd "$root"
# Every C++ file in the project's format: the check names the files that are not.
"$root/scripts/check-format.sh"
# The presets (CMakePresets.json) require every test's dependencies: a missing one stops the
# configuration with its name instead of leaving its tests out.
cmake --preset test
cmake --build --preset test -j "$jobs"
# The Windows end-to-end tests (label windows) run from scripts/test-windows.sh.
ctest --preset test -j "$jobs"
# The WebAssembly engine against the native one just built.
"$root/scripts/test-wasm.sh"

cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"
"$root/scripts/fuzz.sh" 60
"$root/scripts/test-windows.sh"
# The release's .exe is the one just tested, built in the Windows test folder.
QUOLL_WINDOWS_BUILD="$root/build/windows-test" "$root/scripts/test-release.sh"
echo "all tests passed (normal and sanitizer builds, WebAssembly under Node.js, bounded fuzz run," \
  "Windows build under Wine, release archives)"
