#!/usr/bin/env bash
# A scratch release of VERSION, made from the clone TREE's commit in a clone
# OUT with the version raised, a changelog entry for it and the signing keys
# recorded in KEYS as they are now: only the given parts, without tests (the
# commit's own release was tested). Signed as tools/release signs
# (GNUPGHOME, KSIEZYC_SIGNING_KEY, KSIEZYC_APT_URL, SOURCE_DATE_EPOCH if
# set); the players' check lives through such releases.
#   tests/debian/release-version.sh TREE OUT VERSION PART...
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
(($# >= 4)) || fail "usage: tests/debian/release-version.sh TREE OUT VERSION PART..."
tree=$1 out=$2 version=$3
shift 3
git clone -q "$tree" "$out"
cd "$out"
set_project_version . "$version"
printf 'ksiezyc (%s) unstable; urgency=medium\n\n  * A scratch version.\n\n -- %s  %s\n\n' \
    "$version" "ksiezyc developers <dev@ksiezyc.invalid>" "$(date -R)" | cat - CHANGELOG >CHANGELOG.new
mv CHANGELOG.new CHANGELOG
# shellcheck disable=SC2086 # one fingerprint a word
record_keys . $KSIEZYC_SIGNING_KEY
git -c user.name=CI -c user.email=ci@ksiezyc.invalid commit -q -am "Release $version"
bash tools/release --no-tests "$@"
