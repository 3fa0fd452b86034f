#!/usr/bin/env bash
# Measures this tree against an earlier commit (the previous release, say): the benchmark's speed
# of both through scripts/bench-compare.sh (alternate runs, medians, ratio, node lines), then a
# match of the two engines. The earlier commit's sources are exported with git archive into
# build/compare/COMMIT/ and built there; nothing else is touched.
#
#   scripts/compare.sh COMMIT [GAMES] [TURN_MS]     # defaults: 20 games, 1000 ms per move
#
# In the match engine 0 is this tree and engine 1 the earlier commit; they take turns to begin.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 1 ]; then
  echo "usage: compare.sh COMMIT [GAMES] [TURN_MS]" >&2
  exit 2
fi
commit=$(git -C "$root" rev-parse --short=7 "$1^{commit}")
games=${2:-20}
turn_ms=${3:-1000}
"$root/scripts/setup.sh" engine
"$root/scripts/bench-compare.sh" "$commit"

old="$root/build/compare/$commit"
new="$root/build/test"
if [ ! -d "$old/src" ]; then
  mkdir -p "$old/src"
  git -C "$root" archive "$commit" | tar -x -C "$old/src"
fi
cmake -S "$old/src" -B "$old/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUOLL_TESTS=OFF >/dev/null
cmake --build "$old/build" -j "$(nproc)" --target pbrain-quoll >/dev/null
cmake -S "$root" -B "$new" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUOLL_WERROR=ON >/dev/null
cmake --build "$new" -j "$(nproc)" --target pbrain-quoll match >/dev/null
"$new/tools/match" --engine "$new/pbrain-quoll" --opponent "$old/build/pbrain-quoll" \
  --games "$games" --turn-ms "$turn_ms" | tail -3
echo "match: engine 0 is this tree, engine 1 is $commit"
