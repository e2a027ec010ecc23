#!/usr/bin/env bash
# Runs as root inside a bare Debian root (tools/bare-root) and does what a
# player does there: installs each package of a release with apt, from its
# file and then from the signed apt repository, plays every transcript with
# the installed game (under qemu-user on a foreign architecture), upgrades to
# the next version, and removes it. players-host.sh lays out /srv/ksiezyc as
# the project's tree (tools/lib.sh and apt-retry, the architectures table,
# tests/transcripts/ and this script), and beside them:
#   debs/          the release's packages
#   ksiezyc.sources  the release's sources file
#   www/           the web root the host serves on loopback, one folder a
#                  repository, and the link that the URI's path names
#                  (switched by the test) to the one served
#   versions       the release's version, the next one's, and the other
#                  architecture whose package of the next version is made
# Where the repository is refused (a changed .deb or InRelease, another
# key, no signature), apt must keep the lists it had and the game stay.
set -euo pipefail
here=/srv/ksiezyc
. "$here/tools/lib.sh"
read -r version next foreign <"$here/versions"
native=$(dpkg --print-architecture)
export DEBIAN_FRONTEND=noninteractive
# apt-get, tried again where the archive fails to deliver, its output shown
# only if it fails.
apt_get() {
    "$here/tools/apt-retry" -y -q -o Dpkg::Use-Pty=0 "$@" >/tmp/apt-get 2>&1 || {
        cat /tmp/apt-get >&2
        return 1
    }
}

# Every transcript, byte for byte, exit status 0 and nothing on standard
# error, with the game apt installed for ARCH: run_transcript.cmake's check,
# in shell, as a player's machine has no cmake.
play_all() {
    local arch=$1 launcher=() input played=0 out=/tmp/played
    # Multiarch puts the architecture's libraries where qemu-user finds them.
    [ "$arch" = "$native" ] || launcher=("$(architectures | awk -v a="$arch" '$1 == a {print $3}')")
    for input in "$here"/tests/transcripts/*.in; do
        "${launcher[@]}" /usr/games/ksiezyc <"$input" >"$out" 2>"$out.err" ||
            fail "$arch game ended with status $? on $input"
        [ ! -s "$out.err" ] || fail "$arch game wrote to standard error on $input: $(cat "$out.err")"
        cmp "$out" "${input%.in}.out" || fail "$arch game's output differs on $input"
        played=$((played + 1))
    done
    echo "played $played transcripts with the installed $arch game"
}

installed() { dpkg-query -W -f='${Version} ${Architecture} ${db:Status-Abbrev}' ksiezyc 2>/dev/null; }
expect_installed() {
    [ "$(installed)" = "$1 $2 ii " ] || fail "expected ksiezyc $1 ($2) installed, dpkg says '$(installed)'"
    [ -x /usr/games/ksiezyc ] || fail "no /usr/games/ksiezyc"
}
remove() {
    apt_get remove "ksiezyc:$1"
    [ ! -e /usr/games/ksiezyc ] || fail "apt-get remove left /usr/games/ksiezyc"
    [[ $(installed) != *" ii " ]] || fail "ksiezyc still installed after apt-get remove"
}

echo "== $(. /etc/os-release && echo "$PRETTY_NAME"), apt $(dpkg-query -W -f='${Version}' apt)"
for arch in $(architecture_names package); do
    [ "$arch" = "$native" ] || dpkg --add-architecture "$arch"
done
apt_get update
# appstream, as software centres bring it: apt then fetches the repository's
# metadata for them at each update.
apt_get install --no-install-recommends qemu-user appstream

echo "== each package from its file"
for deb in "$here"/debs/ksiezyc_"$version"_*.deb; do
    arch=$(dpkg-deb --field "$deb" Architecture)
    apt_get install "$deb"
    expect_installed "$version" "$arch"
    play_all "$arch"
    remove "$arch"
done

echo "== from the apt repository"
# The web root is shared with the players of other releases, who switch
# the repository it serves too: one at a time.
exec {www_lock}>"$here/www/.lock"
flock "$www_lock"
uri=$(awk '/^URIs:/ {print $2}' "$here/ksiezyc.sources")
# The repository the URI names, as a link in the web root to one of its
# folders there.
serve() { ln -sfn "$1" "$here/www/$(sed 's|^[a-z]*://[^/]*/||; s|/*$||' <<<"$uri")"; }
lists=/var/lib/apt/lists/$(sed 's|^[a-z]*://||; s|/*$||; s|/|_|g' <<<"$uri")_
lists_now() { sha256sum "$lists"* 2>/dev/null || true; }
# apt-get update of the project's repository alone (Debian's lists were
# fetched at the start and stay), its W:, E: and N: lines shown; prints how
# many there were. A fault of Debian's mirror is thus never taken for one of
# the repository's.
update() {
    apt-get -y -q -o Dir::Etc::sourcelist=/etc/apt/sources.list.d/ksiezyc.sources \
        -o Dir::Etc::sourceparts=- -o APT::Get::List-Cleanup=0 update >/tmp/update 2>&1 || true
    grep -E '^(W|E|N):' /tmp/update >/tmp/said || true
    sed 's/^/  apt: /' /tmp/said >&2
    wc -l </tmp/said
}
cp "$here/ksiezyc.sources" /etc/apt/sources.list.d/
serve "$version"
[ "$(update)" = 0 ] || fail "apt-get update said more than it fetched"
[ -n "$(lists_now)" ] || fail "apt-get update kept no lists from $uri"
# Before the game is installed, software centres know it from the
# repository alone: by its name and by its Polish name, with its summary.
summary=$(dpkg-deb --fsys-tarfile "$here/debs/ksiezyc_${version}_$native.deb" |
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

serve "$next"
[ "$(update)" = 0 ] || fail "apt-get update said more than it fetched"
apt_get upgrade
expect_installed "$next" "$native"
play_all "$native"
echo "upgraded: $version to $next"

apt_get install "ksiezyc:$foreign"
expect_installed "$next" "$foreign"
play_all "$foreign"
remove "$(installed | cut -d' ' -f2)"
echo "== all passed"
