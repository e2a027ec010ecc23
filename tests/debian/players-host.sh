#!/usr/bin/env bash
# The host's side of what players do with a release (players.sh is the
# players' side): lays out the release made in the clone TREE, the later
# releases made in LATER (releases-later.sh) and spoilt copies beside them
# in WORK/www, which a web server on loopback serves at KSIEZYC_APT_URL's
# host (dist.sh starts it, and puts the release's downloads in
# WORK/www/release), and runs players.sh in a bare root of each Debian
# suite its packages are for. Scratch files go in WORK. GNUPGHOME holds the
# release's signing key, KSIEZYC_SIGNING_KEY names it, and KSIEZYC_APT_URL
# is the address dist/apt/ was made for.
#   tests/debian/players-host.sh TREE LATER WORK
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
(($# == 3)) || fail "usage: tests/debian/players-host.sh TREE LATER WORK"
tree=$1 work=$3
version=$(project_version "$tree")
mapfile -t later < <(find "$2" -mindepth 1 -maxdepth 1 ! -name gnupg -printf '%f\n' | sort -V)
foreign=$(foreign_architecture)

# Copies of the repository in WWW/NAME, spoilt on the host in each way apt
# must refuse: a changed .deb, a changed InRelease, another key's
# signatures, no signatures.
spoil() {
    local www=$1 name=$2 stable=$apt_suite variant other
    for variant in changed-deb changed-inrelease other-key unsigned; do
        cp -r "$www/$name" "$www/$variant"
    done
    rm "$www"/{other-key,unsigned}/$stable/{InRelease,Release.gpg}
    spoil_byte "$www/changed-deb/$apt_pool/$(download deb "$name" "$(build_architecture)")"
    # One digit of the first SHA-256 in the signed text.
    awk 'changed == 1 {$0 = " " (substr($0, 2, 1) == "0" ? "1" : "0") substr($0, 3); changed = 2}
        /^SHA256:/ && !changed {changed = 1} {print}' "$www/$name/$stable/InRelease" \
        >"$www/changed-inrelease/$stable/InRelease"
    cmp -s "$www/$name/$stable/InRelease" "$www/changed-inrelease/$stable/InRelease" &&
        fail "could not change InRelease"
    other=$(new_key "ksiezyc someone else")
    gpg --batch --local-user "$other" --clearsign -o "$www/other-key/$stable/InRelease" \
        "$www/other-key/$stable/Release"
    gpg --batch --local-user "$other" --armor --detach-sign -o "$www/other-key/$stable/Release.gpg" \
        "$www/other-key/$stable/Release"
}

# Copies of the release's downloads in WWW/release-NAME, spoilt as whoever
# can change the download folder could: a changed ksiezyc-apt-source, and
# that with SHA256SUMS, KEYS and the signature made anew by another key.
spoil_release() {
    local www=$1 deb variant stranger
    deb=$(download apt-source "$version")
    for variant in changed-deb other-key; do
        cp -r "$www/release" "$www/release-$variant"
        spoil_byte "$www/release-$variant/$deb"
    done
    stranger=$(new_key "ksiezyc a stranger")
    # shellcheck disable=SC2046 # the downloads' names hold no spaces
    (cd "$www/release-other-key" && sha256sum $(awk '{print $2}' SHA256SUMS) >SHA256SUMS.new &&
        mv SHA256SUMS.new SHA256SUMS &&
        gpg --batch --armor --export "$stranger" >"$(download keys)" &&
        gpg --batch --yes --local-user "$stranger" --armor --detach-sign -o SHA256SUMS.asc SHA256SUMS)
}

www=$work/www
mkdir -p "$www"
cp -r "$tree/dist/apt" "$www/$version"
for release in "${later[@]}"; do
    cp -r "$2/$release/dist/apt" "$www/$release"
done
spoil "$www" "${later[0]}"
spoil_release "$www"
# As on a real host, each repository is newer than the one before it (the
# spoilt ones are copies of the first later one): apt asks for files changed
# since it fetched them, and the server answers 304 for any other.
find "$www/$version" -exec touch -d '1 day ago' {} +
for i in "${!later[@]}"; do
    folders=("$www/${later[i]}")
    ((i)) || folders+=("$www"/{changed-deb,changed-inrelease,other-key,unsigned})
    find "${folders[@]}" -exec touch -d "$((${#later[@]} - i)) hours ago" {} +
done

# The players' stage, laid out as this tree is, for players.sh and the
# helpers it shares.
stage=$work/player
mkdir -p "$stage"/{debs,tools,tests/debian,platform/linux}
cp "$tree/dist"/{*.deb,SHA256SUMS} "$stage/debs/"
cp -r "$ksiezyc_top/tests/transcripts" "$stage/tests/"
cp "$ksiezyc_top/tests/debian/players.sh" "$stage/tests/debian/"
cp "$ksiezyc_top/README.md" "$stage/"
# Where the README's lines find the release, and the key they expect.
server=$(python3 -c 'import sys, urllib.parse; print(urllib.parse.urljoin(sys.argv[1], "/"))' \
    "$KSIEZYC_APT_URL")
echo "${server}release ${KSIEZYC_SIGNING_KEY%% *}" >"$stage/readme"
cp "$ksiezyc_top"/tools/{lib.sh,apt-retry} "$stage/tools/"
cp "$ksiezyc_top/platform/linux/architectures" "$stage/platform/linux/"
echo "$version ${later[*]} $foreign" >"$stage/versions"
chmod -R a+rX "$stage" "$www"

python3 -c 'import sys, urllib.parse, urllib.request
urllib.request.urlopen(urllib.parse.urljoin(sys.argv[1], "/"), timeout=30)' "$KSIEZYC_APT_URL" ||
    fail "no web server answers at $KSIEZYC_APT_URL"
# Packages made on one suite install on it and on the later ones: each
# suite's players in a bare root of their own, side by side, each log shown
# in turn.
pids=() suites=()
played_on=$(player_suites)
for suite in $played_on; do
    "$ksiezyc_top/tools/bare-root" --copy "$stage" /srv/ksiezyc --bind "$www" /srv/ksiezyc/www \
        "$suite" bash /srv/ksiezyc/tests/debian/players.sh >"$work/players-$suite.log" 2>&1 &
    pids+=($!) suites+=("$suite")
done
failed=""
for i in "${!pids[@]}"; do
    echo "==> players on Debian ${suites[i]}"
    wait "${pids[i]}" || failed+=" ${suites[i]}"
    cat "$work/players-${suites[i]}.log"
done
[ -z "$failed" ] || fail "the players' check failed on Debian$failed"
