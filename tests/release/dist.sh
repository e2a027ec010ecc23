#!/usr/bin/env bash
# A release made as a maintainer makes it, twice: tools/release in a clone
# of the last commit, then again, without the tests the first run passed,
# in a clone in another folder. Both sign with a key made for the run. The
# two dist/ folders must be identical byte for byte, signatures included;
# the first must pass check-dist.sh; then players install it
# (players-host.sh). Scratch files go in WORK, removed if the run passes.
#   tests/release/dist.sh WORK
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
(($# == 1)) || fail "usage: tests/release/dist.sh WORK"
work=$1
rm -rf "$work"
mkdir -p "$work"

# A GnuPG home for this run alone; its agent and keys go when it ends,
# passed or failed.
GNUPGHOME=$(mktemp -d)
export GNUPGHOME KSIEZYC_SIGNING_KEY KSIEZYC_APT_URL
trap 'gpgconf --kill all; rm -rf "$GNUPGHOME"' EXIT
KSIEZYC_SIGNING_KEY=$(new_key "ksiezyc CI")
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
KSIEZYC_APT_URL=http://127.0.0.1:$port/apt/

first=$work/first second=$work/second/in/a/deeper/folder
git clone -q "$ksiezyc_top" "$first"
git clone -q "$ksiezyc_top" "$second"
# Runs COMMAND... in the background, its output in WORK/NAME.log.
aside() {
    local name=$1
    shift
    "$@" >"$work/$name.log" 2>&1 &
    pids[$name]=$!
}
# Waits for the command started as NAME; fails, with its log, if it failed.
await() {
    wait "${pids[$1]}" || {
        tail -n 60 "$work/$1.log"
        fail "$1 failed; its log is $work/$1.log"
    }
}
declare -A pids
# The second build, the next version for the players' upgrade, and the bare
# roots they play in are made while the first build runs its tests.
aside second bash -c 'cd "$1" && bash tools/release --no-tests' bash "$second"
aside next "$ksiezyc_top/tests/debian/release-next.sh" "$first" "$work/next"
for suite in "${debian_releases[@]}"; do
    aside "root-$suite" "$ksiezyc_top/tools/bare-root" "$suite" true
done
(cd "$first" && bash tools/release)
await second
diff -r "$first/dist" "$second/dist" || fail "the two releases differ"
echo "dist: the two releases are identical"
# The downloads are checked while players install them.
aside check-dist "$ksiezyc_top/tests/release/check-dist.sh" "$first"
await next
"$ksiezyc_top/tests/debian/players-host.sh" "$first" "$work/next" "$work"
await check-dist
cat "$work/check-dist.log"
rm -rf "$work"
echo "dist: two releases identical; every download checked and installed by apt"
