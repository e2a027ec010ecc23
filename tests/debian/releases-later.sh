#!/usr/bin/env bash
# The later releases that players.sh lives through, made from the clone
# TREE's commit with its version raised (release-version.sh), each in
# WORK/VERSION, its dist/ the release:
#   +1  made after the signing key (KSIEZYC_SIGNING_KEY, in GNUPGHOME) was
#       extended: the packages of this machine and the first foreign one;
#   +2  signed a day and a half later, past the key's first expiry, by it
#       and a new key, which its ksiezyc-apt-source brings;
#   +3  signed then by the new key alone.
# The keys change in a GnuPG home of WORK's own; GNUPGHOME stays as it was.
#   tests/debian/releases-later.sh TREE WORK
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
(($# == 2)) || fail "usage: tests/debian/releases-later.sh TREE WORK"
tree=$1 work=$2
# Absolute: each release is made in a folder of its own.
mkdir -p "$work/gnupg" && chmod 700 "$work/gnupg"
work=$(realpath "$work")
version=$(project_version "$tree")
later() { awk -F. -v n="$1" '{print $1 "." $2 "." $3 + n}' <<<"$version"; }
release() { "$ksiezyc_top/tests/debian/release-version.sh" "$tree" "$work/$(later "$1")" "$(later "$1")" \
    "${@:2}"; }
old=$KSIEZYC_SIGNING_KEY
gpg --batch --export-secret-keys "$old" | GNUPGHOME=$work/gnupg gpg --batch --quiet --import
export GNUPGHOME=$work/gnupg
trap 'gpgconf --kill all' EXIT
gpg --batch --quiet --quick-set-expire "$old" 1y
release 1 "$(build_architecture)" "$(foreign_architecture)"
new=$(new_key "ksiezyc CI next" 1y)
export SOURCE_DATE_EPOCH=$(($(date +%s) + 36 * 3600))
KSIEZYC_SIGNING_KEY="$old $new" release 2 "$(build_architecture)"
KSIEZYC_SIGNING_KEY=$new release 3 "$(build_architecture)"
