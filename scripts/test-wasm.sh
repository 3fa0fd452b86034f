#!/usr/bin/env bash
# Builds the engine as WebAssembly with Emscripten (the wasm preset: the Web Worker and the
# benchmark) and tests it under Node.js against the native pbrain-quoll and benchmark of the test
# build, which are built first (nothing to do when they are up to date).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The test build's configuration requires the test and web groups as well.
"$root/scripts/setup.sh" engine test web wasm
jobs=$(nproc)

cd "$root"
cmake --preset test >/dev/null
cmake --build --preset test -j "$jobs" --target pbrain-quoll bench
cmake --preset wasm
cmake --build --preset wasm -j "$jobs"
ctest --preset wasm -j "$jobs"
echo "WebAssembly tests passed (the worker's replies and the benchmark's nodes as native)"
