#!/usr/bin/env bash
# tools/lib.sh reads project()'s VERSION and DESCRIPTION however the call is
# laid out, sets the version in place, and stops, saying so, where there is
# none. Each case: the call, then the version and description it holds.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
while IFS='|' read -r call version description; do
    printf 'cmake_minimum_required(VERSION 3.25)\n%b\n' "$call" >"$tree/CMakeLists.txt"
    [ "$(project_version "$tree")|$(project_field DESCRIPTION "$tree")" = "$version|$description" ] ||
        fail "read '$(project_version "$tree")' and '$(project_field DESCRIPTION "$tree")' from: $call"
    set_project_version "$tree" 9.8.7
    grep -qF "$description" "$tree/CMakeLists.txt" || fail "setting the version changed the description: $call"
done <<'CASES'
project(ksiezyc\n    VERSION 1.1.0\n    DESCRIPTION "A game"\n    LANGUAGES CXX)|1.1.0|A game
project(ksiezyc VERSION 2.0.1 DESCRIPTION "A game" LANGUAGES CXX)|2.0.1|A game
project (ksiezyc DESCRIPTION "Not VERSION 3.3.3 (in words)" VERSION 2.0 )|2.0|Not VERSION 3.3.3 (in words)
CASES
printf 'project(ksiezyc LANGUAGES CXX)\n' >"$tree/CMakeLists.txt"
said=$( (project_version "$tree") 2>&1) && fail "found a version where there is none: $said"
grep -q "no VERSION in project() of $tree/CMakeLists.txt" <<<"$said" || fail "no clear message: $said"
echo "project(): every layout read"
