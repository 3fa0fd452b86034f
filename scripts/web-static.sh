#!/usr/bin/env bash
# Builds the board as static files with the engine in the page (installing what is missing):
#   dist/quoll-web-VERSION/   index.html, the page's scripts and style, quoll-worker.js and its
#                             .wasm: the engine compiled to WebAssembly, run in a Web Worker
# and prints that folder. Any static web server can serve it, for instance
#   cd dist/quoll-web-VERSION && python3 -m http.server
# (browsers start no worker on a page opened from a file). VERSION is read from what was built,
# as scripts/release.sh reads it: the worker's ABOUT version, the benchmark's signature under
# Node.js and the short commit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" engine wasm
build="$root/build/wasm"
(cd "$root" && cmake --preset wasm >&2 && cmake --build --preset wasm -j "$(nproc)" >&2)

node=$(sed -n 's/^QUOLL_NODE:FILEPATH=//p' "$build/CMakeCache.txt")
about=$("$node" --no-experimental-fetch -e '
  const engine = new (require("worker_threads").Worker)(process.argv[1]);
  engine.on("message", (line) => { console.log(line); engine.terminate(); });
  engine.postMessage("ABOUT");' "$build/wasm/quoll-worker.js")
signature=$("$node" --no-experimental-fetch "$build/wasm/bench.js" | sed -n 's/^Nodes searched: //p')
version=$("$root/scripts/version.sh" "$about" "$signature")

folder="$root/dist/quoll-web-$version"
rm -rf "$folder"
mkdir -p "$root/dist"
cp -r "$build/web-static" "$folder"
echo "web-static: $folder" >&2
echo "$folder"
