#!/usr/bin/env bash
# The source tarball holds exactly what git tracks in the checkout, and the
# README's own lines unpack it, build and play (with the tools it installs,
# which must be the build step's); without .git,
# the CI steps that need a clone say so at once, and format still works.
#   tests/release/check-source.sh TARBALL
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
(($# == 1)) || fail "usage: tests/release/check-source.sh TARBALL"
tarball=$(realpath "$1")
top=$(basename "$tarball" .tar.gz)
check_tarball "$tarball" "$ksiezyc_top"
readme=$ksiezyc_top/README.md
grep -qxF "apt-get update && apt-get install -y $("$ksiezyc_top/tools/packages" build | paste -sd ' ')" \
    "$readme" || fail "the README does not install the packages of tools/packages build"
unpack=$(grep -x 'tar -xzf .*' "$readme") build=$(grep -x 'cmake --preset release && .*' "$readme")
[[ -n $unpack && -n $build ]] || fail "the README has no line that unpacks or builds"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
cp "$tarball" "$unpacked/"
# The build's messages come first, then the game's whole output.
expected=$ksiezyc_top/tests/transcripts/status_then_quit.out
(cd "$unpacked" && eval "$unpack" && eval "$build") <"${expected%.out}.in" >"$unpacked/said"
cmp <(tail -c "$(stat -c %s "$expected")" "$unpacked/said") "$expected" ||
    fail "the README's lines did not build a game that plays status_then_quit"
said=$(cd "$unpacked/$top" && bash .ci/run format dist 2>&1) &&
    fail "dist passed in a tree without .git"
grep -q '^FAILED: dist needs a git clone' <<<"$said" ||
    fail "in a tree without .git, dist did not say it needs a git clone:"$'\n'"$said"
grep -q '^clang-format: clean' <<<"$said" || fail "format did not run without .git:"$'\n'"$said"
echo "source: $tarball checked"
