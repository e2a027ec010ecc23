#!/usr/bin/env bash
# The next version of the release made from the clone TREE, for the players'
# upgrade check: made in a clone NEXT of TREE's commit with the version
# raised, and only the packages the check installs (this machine's and the
# first foreign one), without tests, as this version's were tested. Signed
# like the release (GNUPGHOME, KSIEZYC_SIGNING_KEY, KSIEZYC_APT_URL).
#   tests/debian/release-next.sh TREE NEXT
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
(($# == 2)) || fail "usage: tests/debian/release-next.sh TREE NEXT"
version=$(project_version "$1")
next=$(awk -F. '{print $1 "." $2 "." $3 + 1}' <<<"$version")
git clone -q "$1" "$2"
cd "$2"
sed -i "s/^    VERSION $version\$/    VERSION $next/" CMakeLists.txt
printf 'ksiezyc (%s) unstable; urgency=medium\n\n  * The next version.\n\n -- %s  %s\n\n' \
    "$next" "ksiezyc developers <dev@ksiezyc.invalid>" "$(date -R)" | cat - CHANGELOG >CHANGELOG.new
mv CHANGELOG.new CHANGELOG
git -c user.name=CI -c user.email=ci@ksiezyc.invalid commit -q -am "Release $next"
bash tools/release --no-tests "$(build_architecture)" "$(foreign_architecture)"
