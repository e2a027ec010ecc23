#!/usr/bin/env bash
# The source tarball holds exactly what git tracks in the checkout, and its
# unpacked tree builds with the README's command and plays; without .git,
# the CI steps that need a clone say so at once, and format still works.
#   tests/release/check-source.sh TARBALL
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
(($# == 1)) || fail "usage: tests/release/check-source.sh TARBALL"
tarball=$(realpath "$1")
top=$(basename "$tarball" .tar.gz)
diff <(tar -tzf "$tarball" | grep -v '/$' | sed "s|^$top/||" | sort) \
    <(git -C "$ksiezyc_top" ls-files | sort) ||
    fail "$tarball does not hold exactly the tracked files"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
tar -xzf "$tarball" -C "$unpacked"
(cd "$unpacked/$top" && cmake --preset release && cmake --build --preset release)
play_transcript "$unpacked/$top/build/release/ksiezyc" status_then_quit
said=$(cd "$unpacked/$top" && bash .ci/run format dist 2>&1) &&
    fail "dist passed in a tree without .git"
grep -q '^FAILED: dist needs a git clone' <<<"$said" ||
    fail "in a tree without .git, dist did not say it needs a git clone:"$'\n'"$said"
grep -q '^clang-format: clean' <<<"$said" || fail "format did not run without .git:"$'\n'"$said"
echo "source: $tarball checked"
