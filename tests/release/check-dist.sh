#!/usr/bin/env bash
# Checks a whole release, dist/ as tools/release made it in the clone TREE,
# signed by KSIEZYC_SIGNING_KEY for KSIEZYC_APT_URL: it holds exactly the
# downloads, SHA256SUMS covers each of them and matches, SHA256SUMS and the
# source tarball are signed by each signing key and no other, as gpgv and
# sqv see it against the published keys (the tree's KEYS), every package
# passes the package checks and is the one in the apt repository, and each
# ZIP and the source tarball hold exactly their files.
#   tests/release/check-dist.sh TREE
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
(($# == 1)) || fail "usage: tests/release/check-dist.sh TREE"
tree=$1 dist=$1/dist
version=$(project_version "$tree")

(cd "$dist" && sha256sum -c SHA256SUMS) || fail "SHA256SUMS does not match dist/"
diff <(cd "$dist" && find . -type f | sed 's|^\./||' | sort) <(dist_files "$version" | sort) ||
    fail "dist/ does not hold exactly the downloads"
diff <(find "$dist" -mindepth 1 -maxdepth 1 -printf '%f\n' | grep -vx -e SHA256SUMS -e SHA256SUMS.asc -e apt | sort) \
    <(awk '{print $2}' "$dist/SHA256SUMS" | sort) || fail "SHA256SUMS does not cover every download"
keys=$dist/$(download keys)
cmp "$keys" "$tree/KEYS" || fail "the published keys are not the repository's KEYS"
# shellcheck disable=SC2086 # one fingerprint a word
signers=$(printf '%s\n' $KSIEZYC_SIGNING_KEY | sort)
for file in SHA256SUMS "$(download source "$version")"; do
    by=$(verify_signature "$keys" "$dist/$file.asc" "$dist/$file") ||
        fail "gpgv or sqv refused the signature of $file"
    [ "$by" = "$signers" ] || fail "$file is signed by $by, not by the signing keys $signers"
done

"$ksiezyc_top/tests/debian/check-package.sh" "$dist"/*.deb
for deb in "$dist"/*.deb; do
    cmp "$deb" "$dist/apt/$apt_pool/$(basename "$deb")" ||
        fail "the apt repository's $(basename "$deb") is not the download"
done
"$ksiezyc_top/tests/windows/check-zip.sh" "$dist/$(download windows "$version")"
diff <(zip_listing "$dist/$(download web "$version")") <(ls "$tree/build/web/site") ||
    fail "the web ZIP should hold exactly the site's files"
check_tarball "$dist/$(download source "$version")" "$tree"
echo "dist: every download of $version checked"
