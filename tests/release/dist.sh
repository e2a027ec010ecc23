#!/usr/bin/env bash
# A release made as a maintainer makes it, twice: tools/release in a clone
# of the last commit, every test included, and meanwhile again, without the
# tests, in a clone in another folder. Both sign with a key made for the
# run and recorded, for the run alone, in KEYS of a commit on top of the
# last one, which both clones hold. The two dist/ folders must be identical
# byte for byte, signatures included. The second, made first, is checked
# (check-dist.sh, check-signatures.sh) and installed by players
# (players-host.sh) while the first runs its tests: being the same bytes,
# what is proved of it is proved of the first. Scratch files go in WORK,
# removed if the run passes.
#   tests/release/dist.sh WORK
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
(($# == 1)) || fail "usage: tests/release/dist.sh WORK"
work=$1
rm -rf "$work"
mkdir -p "$work"

# A GnuPG home for this run alone; its agent and keys go when it ends,
# passed or failed, and so does the web server the players use, started
# first on a port it picks itself: the apt repository is made for its
# address.
GNUPGHOME=$(mktemp -d)
export GNUPGHOME KSIEZYC_SIGNING_KEY KSIEZYC_APT_URL
server=""
trap 'gpgconf --kill all; rm -rf "$GNUPGHOME"; [ -z "$server" ] || kill "$server"' EXIT
KSIEZYC_SIGNING_KEY=$(new_key "ksiezyc CI")
mkdir -p "$work/www"
: >"$work/server.log"
python3 -u -m http.server --bind 127.0.0.1 --directory "$work/www" 0 >"$work/server.log" 2>&1 &
server=$!
for _ in {1..300}; do
    port=$(sed -n 's/^Serving HTTP on 127\.0\.0\.1 port \([0-9]*\) .*/\1/p' "$work/server.log")
    if [ -n "$port" ] || ! kill -0 "$server" 2>/dev/null; then break; fi
    sleep 0.1
done
[ -n "$port" ] || fail "the players' web server did not start in 30 s:"$'\n'"$(cat "$work/server.log")"
KSIEZYC_APT_URL=http://127.0.0.1:$port/apt/

recorded=$work/recorded tested=$work/tested untested=$work/untested/in/a/deeper/folder
git clone -q "$ksiezyc_top" "$recorded"
record_keys "$recorded" "$KSIEZYC_SIGNING_KEY"
git -C "$recorded" -c user.name=CI -c user.email=ci@ksiezyc.invalid commit -q -am "The run's signing key"
git clone -q "$recorded" "$tested"
git clone -q "$recorded" "$untested"
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
# shellcheck disable=SC2016 # $1 is the inner shell's
aside tested bash -c 'cd "$1" && bash tools/release' bash "$tested"
# shellcheck disable=SC2016 # $1 is the inner shell's
aside untested bash -c 'cd "$1" && bash tools/release --no-tests' bash "$untested"
# The later releases the players live through, and the roots they play in.
aside later "$ksiezyc_top/tests/debian/releases-later.sh" "$untested" "$work/later"
played_on=$(player_suites)
for suite in $played_on; do
    aside "root-$suite" "$ksiezyc_top/tools/bare-root" "$suite" true
done
await untested
aside check-dist "$ksiezyc_top/tests/release/check-dist.sh" "$untested"
cp -r "$untested/dist" "$work/www/release"
aside signatures "$ksiezyc_top/tests/release/check-signatures.sh" "$untested" "$work/www" \
    "http://127.0.0.1:$port/"
await later
for suite in $played_on; do await "root-$suite"; done
"$ksiezyc_top/tests/debian/players-host.sh" "$untested" "$work/later" "$work"
await check-dist
cat "$work/check-dist.log"
await signatures
cat "$work/signatures.log"
await tested
cat "$work/tested.log"
# Its tests wrote nothing into the tree its source tarball is packed from.
written=$(git -C "$tested" status --porcelain --ignored | grep -vx '!! \(build\|dist\)/' || true)
[ -z "$written" ] || fail "the release's tests wrote into its source tree:"$'\n'"$written"
diff -r "$tested/dist" "$untested/dist" || fail "the release made with its tests and the one made without differ"
rm -rf "$work"
echo "dist: two releases identical; every download checked and installed by apt"
