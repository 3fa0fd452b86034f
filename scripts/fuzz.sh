#!/usr/bin/env bash
# Builds the protocol fuzzer (clang, libFuzzer, address + undefined sanitizers) in build/fuzz
# and runs it for the given number of seconds (default 60) on a copy of fuzz/corpus kept in
# build/fuzz/corpus, so that longer runs go on from what earlier runs found.
# Exits non-zero on any finding; the input that broke the engine is left in build/fuzz/findings.
#
#   scripts/fuzz.sh          # one minute, as the test run does
#   scripts/fuzz.sh 3600     # an hour
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$root/build/fuzz"

if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is missing (scripts/setup.sh test installs it)" >&2
  exit 1
fi
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

mkdir -p "$build/corpus" "$build/findings"
cp -n "$root"/fuzz/corpus/* "$build/corpus/"
# -timeout: a single input that runs for seconds means a search that stopped watching the clock.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$build/fuzz/protocol_fuzzer" "$build/corpus" \
  -dict="$root/fuzz/protocol.dict" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
  -artifact_prefix="$build/findings/" -print_final_stats=1
echo "fuzz: no finding in $seconds s"
