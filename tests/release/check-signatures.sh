#!/usr/bin/env bash
# What the release's signatures refuse, seen by gpgv and sqv alike against
# the published keys: SHA256SUMS signed by a key that KEYS does not hold, a
# source tarball with the signature of another release's; and what a
# download changed by one byte meets (SHA256SUMS no longer matches). Then a
# distribution's packager: uscan, with the keys as debian/upstream's, takes
# the source tarball from the release of the clone TREE as a web server
# serves it, its dist/ copied to WWW/release, WWW being the server's folder
# at the address SERVER; and refuses it once a byte of it is changed.
# GNUPGHOME holds the signing key, KSIEZYC_SIGNING_KEY names it.
#   tests/release/check-signatures.sh TREE WWW SERVER
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
(($# == 3)) || fail "usage: tests/release/check-signatures.sh TREE WWW SERVER"
dist=$1/dist www=$2 server=${3%/}
version=$(project_version "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
keys=$dist/$(download keys) tarball=$(download source "$version")

# Whether gpgv and sqv each refuse SIGNATURE of FILE.
refused() {
    ! signers gpgv "$keys" "$1" "$2" >/dev/null && ! signers sqv "$keys" "$1" "$2" >/dev/null
}

spoilt=$work/spoilt
rm -rf "$spoilt"
mkdir -p "$spoilt"
other=$(new_key "ksiezyc not a release key")
gpg --batch --local-user "$other" --armor --detach-sign -o "$spoilt/SHA256SUMS.asc" "$dist/SHA256SUMS"
refused "$spoilt/SHA256SUMS.asc" "$dist/SHA256SUMS" ||
    fail "SHA256SUMS signed by a key that KEYS does not hold was taken"
# Another release's tarball: this one with a byte changed, signed by the
# release's own key.
cp "$dist/$tarball" "$spoilt/other.tar.gz"
spoil_byte "$spoilt/other.tar.gz"
gpg --batch --local-user "${KSIEZYC_SIGNING_KEY%% *}" --armor --detach-sign -o "$spoilt/other.asc" \
    "$spoilt/other.tar.gz"
refused "$spoilt/other.asc" "$dist/$tarball" ||
    fail "the source tarball was taken with the signature of another release's"
mkdir "$spoilt/dist"
cp "$dist/SHA256SUMS" "$dist/$(download apt-source "$version")" "$spoilt/dist/"
spoil_byte "$spoilt/dist/$(download apt-source "$version")"
if (cd "$spoilt/dist" && sha256sum --quiet -c --ignore-missing SHA256SUMS) >/dev/null 2>&1; then
    fail "a download changed by one byte matched SHA256SUMS"
fi
echo "signatures: another key's, another release's and a changed download are refused"

# A packager's watch file, as Debian's uscan reads it, beside the keys.
# uscan downloads the newest tarball the listing at the address links to,
# and its signature (the tarball's name and .asc), and checks it.
package=$work/uscan/ksiezyc
mkdir -p "$package/debian/upstream"
cp "$keys" "$package/debian/upstream/signing-key.asc"
printf 'ksiezyc (0~0-1) unstable; urgency=medium\n\n  * Packaged.\n\n -- %s  %s\n' \
    "ksiezyc developers <dev@ksiezyc.invalid>" "$(date -R)" >"$package/debian/changelog"
uscan_from() {
    printf 'version=4\nopts="pgpsigurlmangle=s/$/.asc/" %s ksiezyc-(\\d[\\d.]*)\\.tar\\.gz\n' "$1" \
        >"$package/debian/watch"
    rm -rf "$work/uscan/out"
    mkdir -p "$work/uscan/out"
    (cd "$package" && uscan --no-conf --verbose --destdir "$work/uscan/out") >"$work/uscan/log" 2>&1
}
uscan_from "$server/release/" || fail "uscan failed:"$'\n'"$(tail -n 20 "$work/uscan/log")"
grep -q 'Good signature' "$work/uscan/log" ||
    fail "uscan did not report a good signature:"$'\n'"$(tail -n 20 "$work/uscan/log")"
cmp "$work/uscan/out/$tarball" "$dist/$tarball" || fail "uscan downloaded another $tarball"
# The same release served with a byte of its tarball changed.
changed=$www/release-changed
rm -rf "$changed"
cp -r "$www/release" "$changed"
spoil_byte "$changed/$tarball"
if uscan_from "$server/release-changed/"; then
    fail "uscan took a changed tarball:"$'\n'"$(tail -n 20 "$work/uscan/log")"
fi
grep -qi 'bad signature' "$work/uscan/log" ||
    fail "uscan refused the changed tarball for another reason:"$'\n'"$(tail -n 20 "$work/uscan/log")"
echo "uscan: $tarball as served has a good signature; with a byte changed, it is refused"
