#!/usr/bin/env bash
# Installs Debian packages by group when they are missing; idempotent, so when everything is
# present it only checks and returns.
#
#   scripts/setup.sh engine                        # what building the engine needs (run.sh)
#   scripts/setup.sh engine test windows release web   # everything the test command needs
#
# Groups:
#   engine   compiler, CMake, Ninja, fmt, spdlog
#   test     GoogleTest, Google Benchmark, clang, clang-format, clang's run-time libraries (fuzzer, sanitizers),
#            and the tools the release checks use
#   windows  the mingw-w64 cross compiler for the Windows brain, and Wine to run it
#   release  what scripts/release.sh needs beyond the engine and windows groups
#   web      the board in the browser (cpp-httplib, nlohmann-json) and its tests in Chromium
#   wasm     Emscripten, which builds the engine as WebAssembly (the worker and the benchmark run
#            under Node.js, which Emscripten brings unless a node is already installed)
set -euo pipefail

packages=()
for group in "$@"; do
  case "$group" in
    engine) packages+=(cmake ninja-build g++ libfmt-dev libspdlog-dev) ;;
    test) packages+=(libgtest-dev libbenchmark-dev clang clang-format libclang-rt-14-dev file unzip) ;;
    windows) packages+=(g++-mingw-w64-x86-64 wine64) ;;
    release) packages+=(zip git) ;;
    web) packages+=(libcpp-httplib-dev nlohmann-json3-dev chromium chromium-driver python3-selenium) ;;
    wasm) packages+=(emscripten) ;;
    *) echo "setup: unknown group '$group' (engine, test, windows, release, web, wasm)" >&2; exit 2 ;;
  esac
done
if [ ${#packages[@]} -eq 0 ]; then
  echo "usage: setup.sh GROUP... (engine, test, windows, release, web, wasm)" >&2
  exit 2
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
if ! "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}" >&2; then
  "${sudo_cmd[@]}" apt-get update >&2
  "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}" >&2
fi
