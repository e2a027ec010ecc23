#!/usr/bin/env bash
# Runs as root inside a bare Debian root (tools/bare-root) and does what a
# player does there: installs each package of a release with apt from its
# file, plays every transcript with the installed game (under qemu-user on a
# foreign architecture) and removes it; subscribes to the signed apt
# repository by installing ksiezyc-apt-source, as the README says, installs
# the game from it and lives through the later releases (releases-later.sh):
# an upgrade, the signing key extended, then, with the clock moved past the
# key's first expiry, a second key added and the first one dropped; and
# unsubscribes. players-host.sh lays out /srv/ksiezyc as the project's tree
# (tools/lib.sh and apt-retry, the architectures table, tests/transcripts/
# and this script), and beside them:
#   debs/      the release's packages and SHA256SUMS
#   www/       the web root the host serves on loopback, one folder a
#              repository, and the link that the URI's path names (switched
#              by the test) to the one served
#   versions   the release's version, the later ones', and the foreign
#              architecture whose package of the first later one is made
#   README.md  the project's README, whose lines check a download
#   readme     the address its lines download the release from, and the
#              fingerprint they expect the release to be signed by
# Where the repository is refused (a changed .deb or InRelease, another key,
# no signature, a key expired), apt must keep the lists it had and the game
# stay.
set -euo pipefail
here=/srv/ksiezyc
. "$here/tools/lib.sh"
read -r version next changing changed foreign <"$here/versions"
native=$(dpkg --print-architecture)
export DEBIAN_FRONTEND=noninteractive
# The player's clock, as a command that runs another at that time: this
# machine's, until it is moved on.
clock=()
# apt-get, tried again where the archive fails to deliver, its output shown
# only if it fails.
apt_get() {
    "${clock[@]}" "$here/tools/apt-retry" -y -q -o Dpkg::Use-Pty=0 "$@" >/tmp/apt-get 2>&1 || {
        cat /tmp/apt-get >&2
        return 1
    }
}
section() { echo "== $* (at ${SECONDS}s)"; }

# Every transcript, byte for byte, exit status 0 and nothing on standard
# error, with the game apt installed for ARCH: run_transcript.cmake's check,
# in shell, as a player's machine has no cmake.
play_all() {
    local arch=$1 launcher input played=0 out=/tmp/played
    read -ra launcher <<<"$(launcher "$arch" installed)"
    for input in "$here"/tests/transcripts/*.in; do
        "${launcher[@]}" /usr/games/ksiezyc <"$input" >"$out" 2>"$out.err" ||
            fail "$arch game ended with status $? on $input"
        [ ! -s "$out.err" ] || fail "$arch game wrote to standard error on $input: $(cat "$out.err")"
        cmp "$out" "${input%.in}.out" || fail "$arch game's output differs on $input"
        played=$((played + 1))
    done
    echo "played $played transcripts with the installed $arch game"
}

installed() { dpkg-query -W -f='${Version} ${Architecture} ${db:Status-Abbrev}' "${1:-ksiezyc}" 2>/dev/null; }
expect_installed() {
    [ "$(installed)" = "$1 $2 ii " ] || fail "expected ksiezyc $1 ($2) installed, dpkg says '$(installed)'"
    [ -x /usr/games/ksiezyc ] || fail "no /usr/games/ksiezyc"
}
remove() {
    apt_get remove "ksiezyc:$1"
    [ ! -e /usr/games/ksiezyc ] || fail "apt-get remove left /usr/games/ksiezyc"
    [[ $(installed) != *" ii " ]] || fail "ksiezyc still installed after apt-get remove"
}
# The game at VERSION, and the subscription with the keys of that release.
expect_upgraded() {
    expect_installed "$1" "$native"
    [ "$(installed ksiezyc-apt-source)" = "$1 all ii " ] ||
        fail "expected ksiezyc-apt-source $1 installed, dpkg says '$(installed ksiezyc-apt-source)'"
    play_all "$native"
}

section "$(. /etc/os-release && echo "$PRETTY_NAME"), apt $(dpkg-query -W -f='${Version}' apt)"
for arch in $(architecture_names package); do
    [ "$arch" = "$native" ] || dpkg --add-architecture "$arch"
done
apt_get update
# appstream, as software centres bring it: apt then fetches the repository's
# metadata for them at each update. faketime moves the player's clock.
apt_get install --no-install-recommends qemu-user appstream faketime

section "each package from its file"
for arch in $(architecture_names package); do
    apt_get install "$here/debs/$(download deb "$version" "$arch")"
    expect_installed "$version" "$arch"
    play_all "$arch"
    remove "$arch"
done

section "subscribed with ksiezyc-apt-source"
# The web root is shared with the players of other suites, who switch the
# repository it serves too: one at a time.
exec {www_lock}>"$here/www/.lock"
flock "$www_lock"
subscription=$here/debs/$(download apt-source "$version")
uri=$(sed -n 's/^URIs: //p' <(dpkg-deb --fsys-tarfile "$subscription" |
    tar -xO ".$apt_sources"))
# The repository the URI names, as a link in the web root to one of its
# folders there.
serve() { ln -sfn "$1" "$here/www/$(sed 's|^[a-z]*://[^/]*/||; s|/*$||' <<<"$uri")"; }
lists=/var/lib/apt/lists/$(sed 's|^[a-z]*://||; s|/*$||; s|/|_|g' <<<"$uri")_
lists_now() { sha256sum "$lists"* 2>/dev/null || true; }
# apt-get update of the sources file SOURCES (by default the project's) alone,
# its W:, E: and N: lines shown; prints how many there were. A fault of
# Debian's mirror is thus never taken for one of the repository's; and the
# lists of Debian's archive, needed no more once the tools and the
# packages' libraries are installed, are dropped, which keeps apt quick.
update() {
    local status=0
    "${clock[@]}" apt-get -y -q -o Dir::Etc::sourcelist="${1:-$apt_sources}" \
        -o Dir::Etc::sourceparts=- "${@:2}" update >/tmp/update 2>&1 || status=$?
    grep -E '^(W|E|N):' /tmp/update >/tmp/said || true
    if ((status)) && [ ! -s /tmp/said ]; then
        echo "E: apt-get update ended with status $status: $(tail -n 1 /tmp/update)" >/tmp/said
    fi
    sed 's/^/  apt: /' /tmp/said >&2
    wc -l </tmp/said
}
serve "$version"
# The README's lines that check a download against the release's signature
# and the project's key, as written but for the address and the key. They
# stop on a release whose package was changed, and on one whose keys and
# signature were made anew by another key. Then the checked package is
# installed, as the README's next line does.
read -r release_url fingerprint <"$here/readme"
readme_check() {
    awk '/^## Install with apt/ {section = 1} section && /^```sh$/ {inside = 1; next}
        inside && /^```$/ {exit} inside' "$here/README.md" |
        sed "s|RELEASE-ADDRESS|$1|g; s|VERSION|$version|g; s|FINGERPRINT|$fingerprint|g"
}
grep -q sqv <<<"$(readme_check "$release_url")" || fail "the README has no lines that check a download"
checked() {
    rm -rf /tmp/ksiezyc
    (bash -e -c "$(readme_check "$1")") >/tmp/readme 2>&1
}
for spoilt in changed-deb other-key; do
    ! checked "$release_url-$spoilt" || fail "the README's lines took the release with $spoilt"
done
checked "$release_url" || fail "the README's lines failed on the release:"$'\n'"$(cat /tmp/readme)"
cmp "/tmp/ksiezyc/$(basename "$subscription")" "$subscription" ||
    fail "the README's lines downloaded another $(basename "$subscription")"
echo "the README's lines checked the release and refused it spoilt (a changed package, another key)"
apt_get install "/tmp/ksiezyc/$(basename "$subscription")"
[ "$(update)" = 0 ] || fail "apt-get update said more than it fetched"
[ -n "$(lists_now)" ] || fail "apt-get update kept no lists from $uri"
# Before the game is installed, software centres know it from the
# repository alone: by its name and by its Polish name, with its summary.
summary=$(dpkg-deb --fsys-tarfile "$here/debs/$(download deb "$version" "$native")" |
    tar -xO --wildcards './usr/share/metainfo/*.metainfo.xml' | sed -n 's|^ *<summary>\(.*\)</summary>$|\1|p')
[ -n "$summary" ] || fail "no summary in the package's AppStream metadata"
for term in ksiezyc Księżyc; do
    found=$(appstreamcli search "$term" 2>&1) || fail "appstreamcli search $term failed: $found"
    grep -qx "Summary: $summary" <<<"$found" || fail "appstreamcli search $term did not find the game:"$'\n'"$found"
done
echo "software centres find the game in the repository: $summary"
apt_get install ksiezyc
expect_installed "$version" "$native"
play_all "$native"

# Spoilt repositories are refused.
kept=$(lists_now)
for refused in changed-inrelease other-key unsigned; do
    serve "$refused"
    [ "$(update)" != 0 ] || fail "apt-get update took the $refused repository without a word"
    [ "$(lists_now)" = "$kept" ] || fail "apt replaced its lists with the $refused repository's"
    apt_get upgrade
    expect_installed "$version" "$native"
    echo "refused: $refused; lists kept, $version still installed"
done
play_all "$native"

serve changed-deb
[ "$(update)" = 0 ] || fail "apt-get update said more than it fetched"
if apt-get -y upgrade >/tmp/upgrade 2>&1; then
    fail "apt-get upgrade installed a changed package"
fi
grep -q 'Hash Sum mismatch' /tmp/upgrade || fail "apt-get upgrade failed otherwise:"$'\n'"$(cat /tmp/upgrade)"
expect_installed "$version" "$native"
play_all "$native"
echo "refused: changed-deb; $version still installed"

section "the next release, its signing key extended"
serve "$next"
[ "$(update)" = 0 ] || fail "apt-get update said more than it fetched"
apt_get upgrade
expect_upgraded "$next"
echo "upgraded: $version to $next"
apt_get install "ksiezyc:$foreign"
expect_installed "$next" "$foreign"
play_all "$foreign"
apt_get install "ksiezyc:$native"
expect_installed "$next" "$native"

section "past the key's first expiry, a new key added, the old one dropped"
# The player's clock, an hour after the later releases were signed.
serve "$changing"
signed=$(sed -n 's/^Date: //p' "$here/www/$changing/$apt_suite/Release")
# Files keep their own times (NO_FAKE_STAT): apt asks the server for what
# changed since the time of its copies, which must not move on with it.
clock=(env NO_FAKE_STAT=1 faketime "@$(($(date -d "$signed" +%s) + 3600))")
echo "the player's clock is now $("${clock[@]}" date -u '+%F %T') UTC"
# A player who never upgraded still has the key as it was first published,
# now expired: refused.
old=/tmp/never-upgraded
mkdir -p "$old/lists"
dpkg-deb -x "$subscription" "$old/root"
sed "s|^Signed-By: .*|Signed-By: $old/root$apt_keyring|" "$old/root$apt_sources" >"$old/ksiezyc.sources"
[ "$(update "$old/ksiezyc.sources" -o Dir::State::Lists="$old/lists")" != 0 ] ||
    fail "apt-get update took a release signed after the first key's expiry with that key"
grep -qiE 'signature|expired' /tmp/said || fail "apt refused the release for another reason than its signatures"
[ -z "$(find "$old/lists" -maxdepth 1 -name '*Packages*')" ] || fail "apt took the indexes of a release it refused"
echo "refused: the key as first published, once expired"
[ "$(update)" = 0 ] || fail "apt-get update said more than it fetched"
apt_get upgrade
expect_upgraded "$changing"
echo "upgraded: $next to $changing, signed by the extended key and a new one"
serve "$changed"
[ "$(update)" = 0 ] || fail "apt-get update said more than it fetched"
apt_get upgrade
expect_upgraded "$changed"
echo "upgraded: $changing to $changed, signed by the new key alone"

section "unsubscribed"
# Removed, the package leaves its conffiles, the sources file and the
# keyring together: apt goes on working.
apt_get remove ksiezyc-apt-source
[[ -f $apt_sources && -f $apt_keyring ]] || fail "apt-get remove parted the sources file and the keyring"
[ "$(update)" = 0 ] || fail "apt-get update failed after ksiezyc-apt-source was removed"
apt_get purge ksiezyc-apt-source
[[ ! -e $apt_sources && ! -e $apt_keyring ]] || fail "apt-get purge left the sources file or the keyring"
! apt-cache policy | grep -qF "$uri" || fail "apt still has $uri after the purge"
remove "$native"
echo "unsubscribed: apt-get purge ksiezyc-apt-source took the repository away"
section "all passed"
