#!/usr/bin/env bash
# Measures this tree against an earlier commit (the previous release, say): the benchmark's speed
# of both, then a match of the two engines. The earlier commit's sources are exported with
# git archive into build/compare/COMMIT/ and built there; nothing else is touched.
#
#   scripts/compare.sh COMMIT [GAMES] [TURN_MS]     # defaults: 20 games, 1000 ms per move
#
# Speed is the benchmark's total nodes per second, the median of five runs of each, taken in
# turns so that a busy machine slows both alike. In the match engine 0 is this tree and engine 1
# the earlier commit; they take turns to begin.
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
old="$root/build/compare/$commit"
new="$root/build/test"

if [ ! -d "$old/src" ]; then
  mkdir -p "$old/src"
  git -C "$root" archive "$commit" | tar -x -C "$old/src"
fi
cmake -S "$old/src" -B "$old/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUOLL_TESTS=OFF >/dev/null
cmake --build "$old/build" -j "$(nproc)" --target pbrain-quoll bench >/dev/null
cmake -S "$root" -B "$new" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUOLL_WERROR=ON >/dev/null
cmake --build "$new" -j "$(nproc)" --target pbrain-quoll bench match >/dev/null

# One benchmark run: its nodes per second and its signature.
bench() { "$1" | sed -n -e 's/^total .* nps \([0-9]*\)$/\1/p' -e 's/^Nodes searched: //p' | paste -sd' '; }
median() { printf '%s\n' "$@" | sort -n | sed -n 3p; }
new_runs=()
old_runs=()
for _ in 1 2 3 4 5; do
  read -r speed new_signature < <(bench "$new/tools/bench")
  new_runs+=("$speed")
  read -r speed old_signature < <(bench "$old/build/tools/bench")
  old_runs+=("$speed")
done
new_nps=$(median "${new_runs[@]}")
old_nps=$(median "${old_runs[@]}")
echo "bench: this tree $new_nps nodes/s, $commit $old_nps nodes/s" \
  "($(awk -v a="$new_nps" -v b="$old_nps" 'BEGIN { printf "%+.1f%%", (a / b - 1) * 100 }'))"
echo "bench signatures: this tree $new_signature, $commit $old_signature"

"$new/tools/match" --engine "$new/pbrain-quoll" --opponent "$old/build/pbrain-quoll" \
  --games "$games" --turn-ms "$turn_ms" | tail -3
echo "match: engine 0 is this tree, engine 1 is $commit"
