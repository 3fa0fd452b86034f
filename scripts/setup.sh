#!/usr/bin/env bash
# Installs the build dependencies from Debian's packages when they are missing.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(cmake ninja-build g++ libfmt-dev libspdlog-dev libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64 wine64  # the Windows brain: cross compiler, and Wine to test it
  # web: the board in the browser (scripts/web.sh) and its tests in Chromium
  libcpp-httplib-dev nlohmann-json3-dev chromium chromium-driver python3-selenium)
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
