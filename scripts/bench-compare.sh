#!/usr/bin/env bash
# Compares the benchmark of a git revision with that of the working tree (committed or not):
# builds both in temporary folders, runs them alternately, prints each run's wall time, both
# medians, the speed ratio and whether the node lines (every line without its time and speed)
# are identical.
#
#   scripts/bench-compare.sh REV [--runs N] [bench options...]
#
# Bench options go to both builds, e.g. --depth 8 --positions tests/data/games/positions.txt
# (a relative positions path is taken from the working tree) or --hash-log2 23.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [[ $# -lt 1 || $1 == -* ]]; then
  echo "usage: bench-compare.sh REV [--runs N] [bench options...]" >&2
  exit 2
fi
rev=$1
shift
runs=5
bench_args=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --positions) bench_args+=("$1" "$(cd "$root" && realpath "$2")"); shift 2 ;;
    *) bench_args+=("$1"); shift ;;
  esac
done

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/old/src" "$work/new/src"
git -C "$root" archive "$(git -C "$root" rev-parse --verify "$rev^{commit}")" | tar -x -C "$work/old/src"
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
  xargs -0 -I{} find {} -maxdepth 0 -type f -print0 | tar --null -T - -c) | tar -x -C "$work/new/src"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
for side in old new; do
  echo "building $side ..." >&2
  cmake -S "$work/$side/src" -B "$work/$side/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    "${launcher[@]}" >"$work/$side/configure.log" 2>&1 || { cat "$work/$side/configure.log" >&2; exit 1; }
  cmake --build "$work/$side/build" --target bench -j "$(nproc)" >"$work/$side/build.log" 2>&1 ||
    { cat "$work/$side/build.log" >&2; exit 1; }
done

# One run: wall time in seconds on stdout, the node lines into the given file.
run_bench() {
  local bench=$1 lines=$2 start end
  start=$(date +%s%N)
  "$bench" "${bench_args[@]}" >"$lines.raw"
  end=$(date +%s%N)
  sed -E 's/ time [0-9.]+ ms nps [0-9]+$//' "$lines.raw" >"$lines"
  echo "scale=3; ($end - $start) / 1000000000" | bc
}

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

identical=yes
: >"$work/old.times"
: >"$work/new.times"
for ((i = 1; i <= runs; i++)); do
  old=$(run_bench "$work/old/build/tools/bench" "$work/old.$i")
  new=$(run_bench "$work/new/build/tools/bench" "$work/new.$i")
  echo "$old" >>"$work/old.times"
  echo "$new" >>"$work/new.times"
  echo "run $i: $rev $old s, working tree $new s"
  cmp -s "$work/old.1" "$work/old.$i" && cmp -s "$work/old.1" "$work/new.$i" || identical=no
done
old_median=$(median <"$work/old.times")
new_median=$(median <"$work/new.times")
echo "bench ${bench_args[*]:-(defaults)}"
grep '^Nodes searched' "$work/new.1" || true
echo "median $rev: $old_median s"
echo "median working tree: $new_median s"
echo "ratio (old / new): $(echo "scale=2; $old_median / $new_median" | bc)"
if [[ $identical == yes ]]; then
  echo "node lines: identical"
else
  echo "node lines: DIFFERENT"
  diff "$work/old.1" "$work/new.1" | head -20
  exit 1
fi
