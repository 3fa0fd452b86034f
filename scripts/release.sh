#!/usr/bin/env bash
# Builds the two release binaries and writes dist/ (installing what is missing):
#   quoll-VERSION-linux-x86_64.tar.gz   a static pbrain-quoll (no shared library at all), README, LICENSE
#   quoll-VERSION-windows-x86_64.zip    pbrain-quoll.exe (Windows' own DLLs only), README, LICENSE
#   quoll-VERSION-web.zip               the folder quoll-web-VERSION/ of scripts/web-static.sh:
#                                       the board as static files, the engine in the page
#   SHA256SUMS                          the checksums of the three archives
# VERSION is the ABOUT version, the bench signature and the short commit, e.g. 9-13342351-115bbb6
# (with -dirty appended when tracked files differ from the commit; scripts/version.sh), read
# from the Linux build and again from the WebAssembly one, which must agree. Both binaries are built for
# the x86-64 baseline: the build adds no -march, so only the C library's own run-time dispatch
# uses newer instructions.
#
# QUOLL_WINDOWS_BUILD names a build folder already configured with the mingw-w64 toolchain to
# build pbrain-quoll.exe in (the test command passes its own); default build/windows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" engine windows release wasm
linux="$root/build/static"
windows="${QUOLL_WINDOWS_BUILD:-$root/build/windows}"
dist="$root/dist"
stage="$root/build/dist-stage"

(cd "$root" && cmake --preset static >&2 && cmake --build --preset static -j "$(nproc)" >&2)
if [ ! -f "$windows/CMakeCache.txt" ]; then
  "$root/scripts/build-windows.sh" >/dev/null
fi
cmake --build "$windows" -j "$(nproc)" --target pbrain-quoll >&2

# The version, read from what was built: the engine's ABOUT line and the benchmark's signature.
version=$("$root/scripts/version.sh" "$(printf 'ABOUT\nEND\n' | "$linux/pbrain-quoll")" \
  "$("$linux/tools/bench" | sed -n 's/^Nodes searched: //p')")

# Archives with fixed owners, order and times, so the same binaries give the same bytes.
stamp=$(git -C "$root" log -1 --format=%ct)
linux_name="quoll-$version-linux-x86_64"
windows_name="quoll-$version-windows-x86_64"
rm -rf "$stage" "$dist"
mkdir -p "$stage/$linux_name" "$stage/$windows_name" "$dist"
web_folder=$("$root/scripts/web-static.sh")
web_name="quoll-web-$version"
if [ "$(basename "$web_folder")" != "$web_name" ]; then
  echo "release: the WebAssembly build is $(basename "$web_folder"), the Linux one $version" >&2
  exit 1
fi
mv "$web_folder" "$stage/$web_name"
for folder in "$linux_name" "$windows_name"; do
  cp "$root/README.md" "$root/LICENSE" "$stage/$folder/"
done
strip -o "$stage/$linux_name/pbrain-quoll" "$linux/pbrain-quoll"
x86_64-w64-mingw32-strip -o "$stage/$windows_name/pbrain-quoll.exe" "$windows/pbrain-quoll.exe"
touch -d "@$stamp" "$stage/$linux_name" "$stage/$linux_name"/* "$stage/$windows_name"/* \
  "$stage/$web_name" "$stage/$web_name"/*
tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner -cf - "$linux_name" |
  gzip -n -9 >"$dist/$linux_name.tar.gz"
(cd "$stage/$windows_name" && TZ=UTC zip -q -X -9 "$dist/$windows_name.zip" pbrain-quoll.exe README.md LICENSE)
(cd "$stage" && find "$web_name" | LC_ALL=C sort | TZ=UTC zip -q -X -9 -@ "$dist/quoll-$version-web.zip")
(cd "$dist" && sha256sum "$linux_name.tar.gz" "$windows_name.zip" "quoll-$version-web.zip" >SHA256SUMS)
echo "release: $version" >&2
ls -l "$dist" >&2
