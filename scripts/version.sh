#!/usr/bin/env bash
# Prints the version of a build from its ABOUT line and its benchmark's signature:
#   scripts/version.sh ABOUT_LINE SIGNATURE     e.g. 9-13342351-115bbb6
# the ABOUT version, the signature and the short commit (with -dirty appended when tracked files
# differ from the commit). Fails when either is unreadable or when the README does not carry the
# signature, which it tells users to check a build with: a stale one must not ship.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
about_version=$(sed -n 's/.* version="\([0-9]*\)".*/\1/p' <<<"$1")
signature=$2
if [ -z "$about_version" ] || ! [[ $signature =~ ^[0-9]+$ ]]; then
  echo "version: cannot read the ABOUT version or the bench signature" >&2
  exit 1
fi
if ! grep -q "^Bench signature: \*\*$signature\*\*" "$root/README.md"; then
  echo "version: README.md does not carry the bench signature $signature" >&2
  exit 1
fi
commit=$(git -C "$root" rev-parse --short=7 HEAD)
git -C "$root" diff --quiet HEAD -- || commit="$commit-dirty"
echo "$about_version-$signature-$commit"
