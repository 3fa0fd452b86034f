#!/usr/bin/env bash
# Names every tracked C++ file that clang-format (with .clang-format) would change, and exits 1
# when there is one. Files may be given as arguments instead. `clang-format -i FILE` formats one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if ! command -v clang-format >/dev/null; then
  echo "check-format: clang-format is missing (Debian: clang-format)" >&2
  exit 1
fi
if [ $# -eq 0 ]; then
  mapfile -t files < <(git ls-files '*.cpp' '*.hpp')
else
  files=("$@")
fi
out_of_format=()
for file in "${files[@]}"; do
  if ! clang-format --style=file "$file" | cmp -s "$file" -; then
    out_of_format+=("$file")
  fi
done
if [ ${#out_of_format[@]} -gt 0 ]; then
  echo "check-format: ${#out_of_format[@]} of ${#files[@]} files are out of format:" >&2
  printf '  %s\n' "${out_of_format[@]}" >&2
  exit 1
fi
echo "check-format: all ${#files[@]} files in format"
