#!/usr/bin/env bash
# Checks the release as a user gets it: runs release.sh, checks the checksums, unpacks the
# archives into empty folders, plays a short session with each binary (the static Linux one with
# an empty environment from a fresh folder, and in a root holding nothing but the binary where
# the machine allows it; the .exe under Wine with CR LF lines), serves the unpacked board with
# Python's static file server and plays a game on it in Chromium, and checks that the archive
# names carry the ABOUT version and the signature of the test build's benchmark.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" engine test windows release web wasm
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "release test: $*" >&2; exit 1; }

"$root/scripts/release.sh"
(cd "$root/dist" && sha256sum --check --strict SHA256SUMS) || fail "checksums do not match"
tarballs=("$root"/dist/quoll-*-linux-x86_64.tar.gz)
zips=("$root"/dist/quoll-*-windows-x86_64.zip)
web_zips=("$root"/dist/quoll-*-web.zip)
[ ${#tarballs[@]} -eq 1 ] && [ ${#zips[@]} -eq 1 ] && [ ${#web_zips[@]} -eq 1 ] ||
  fail "expected one archive of each kind"
version=$(basename "${tarballs[0]}" -linux-x86_64.tar.gz)
version=${version#quoll-}
[ "$(basename "${zips[0]}")" = "quoll-$version-windows-x86_64.zip" ] &&
  [ "$(basename "${web_zips[0]}")" = "quoll-$version-web.zip" ] || fail "archive versions differ"

mkdir "$work/linux" "$work/windows" "$work/web" "$work/fresh" "$work/root"
tar -xzf "${tarballs[0]}" -C "$work/linux"
unzip -q "${zips[0]}" -d "$work/windows"
unzip -q "${web_zips[0]}" -d "$work/web"
linux_engine="$work/linux/quoll-$version-linux-x86_64/pbrain-quoll"
windows_engine="$work/windows/pbrain-quoll.exe"
for file in "$linux_engine" "$(dirname "$linux_engine")"/{README.md,LICENSE} \
  "$windows_engine" "$work/windows"/{README.md,LICENSE}; do
  [ -f "$file" ] || fail "missing from the archive: ${file#"$work"/}"
done
file "$linux_engine" | grep -q "statically linked" || fail "the Linux engine is not static"
! ldd "$linux_engine" >/dev/null 2>&1 || fail "ldd finds shared libraries in the Linux engine"

# START, BEGIN (the centre), a TURN (any legal answer), ABOUT, END: four replies and exit 0.
session=("INFO TIMEOUT_TURN 300" "START 15" "BEGIN" "TURN 8,8" "ABOUT" "END")
about_pattern='^name="Quoll", author="[^"]*", country="[^"]*", email="[^"]*", version="([0-9]+)", build-date="[A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}", target-rule="standard", target-board-size="15", debug="0"$'
check_session() {  # $1: what ran, $2: its exit code, $3: its replies with LF line ends
  local -a replies
  mapfile -t replies <"$3"
  [ "$2" -eq 0 ] || fail "$1 exited with $2"
  [ ${#replies[@]} -eq 4 ] && [ "${replies[0]}" = OK ] && [ "${replies[1]}" = 7,7 ] &&
    [[ ${replies[2]} =~ ^([0-9]|1[0-4]),([0-9]|1[0-4])$ ]] &&
    [ "${replies[2]}" != 7,7 ] && [ "${replies[2]}" != 8,8 ] &&
    [[ ${replies[3]} =~ $about_pattern ]] || fail "$1 replied: $(cat "$3")"
  [ "${version%%-*}" = "${BASH_REMATCH[1]}" ] ||
    fail "$1 says version ${BASH_REMATCH[1]}, the archive $version"
  echo "release test: $1 played the session"
}

status=0
(cd "$work/fresh" && printf '%s\n' "${session[@]}" |
  timeout 60 env -i "$linux_engine" >"$work/linux.out") || status=$?
check_session "the static engine under env -i" "$status" "$work/linux.out"

cp "$linux_engine" "$work/root/"
if unshare -r true 2>/dev/null; then
  status=0
  printf '%s\n' "${session[@]}" |
    timeout 60 unshare -r chroot "$work/root" /pbrain-quoll >"$work/root.out" || status=$?
  check_session "the static engine alone in a root" "$status" "$work/root.out"
else
  echo "release test: no user namespaces here; the run in a bare root is skipped"
fi

status=0
printf '%s\r\n' "${session[@]}" | timeout 120 env WINEDEBUG=-all WINEPREFIX="$root/build/wine-prefix" \
  "$(command -v wine64 || echo /usr/lib/wine/wine64)" "$windows_engine" >"$work/windows.crlf" ||
  status=$?
grep -qv $'\r$' "$work/windows.crlf" && fail "the .exe wrote a line without CR LF"
tr -d '\r' <"$work/windows.crlf" >"$work/windows.out"
check_session "pbrain-quoll.exe under Wine" "$status" "$work/windows.out"

web="$work/web/quoll-web-$version"
for file in index.html board.js quoll-worker.js quoll-worker.wasm; do
  [ -f "$web/$file" ] || fail "missing from the web archive: $file"
done
mkdir "$work/web-out"
/usr/bin/python3 "$root/tests/web/web_test.py" static-game "$web" "$work/web-out" >&2 ||
  fail "the board of quoll-$version-web.zip did not play its game"
echo "release test: the static board played a game in Chromium"

# The signature measured by the test build's benchmark, not the release's own.
(cd "$root" && cmake --preset test >/dev/null && cmake --build --preset test --target bench >/dev/null)
signature=$("$root/build/test/tools/bench" | sed -n 's/^Nodes searched: //p')
[[ $version == *-"$signature"-* ]] || fail "archive version $version, bench signature $signature"
echo "release test: quoll-$version passed"
