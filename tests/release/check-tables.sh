#!/usr/bin/env bash
# tools/lib.sh and tools/packages read CI's tables as rows of any length:
# which suites a run covers, each suite's steps and settings, and packages
# by the names a later suite gives them; a row of another shape or an
# unknown suite stops them, saying so. Each case: a command, then what it
# prints, on made-up tables.
set -euo pipefail
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/tools" "$tree/.ci"
cp "$(dirname "${BASH_SOURCE[0]}")"/../../tools/{lib.sh,packages} "$tree/tools/"
cat >"$tree/.ci/suites" <<'TABLE'
# name  run      settings
old     default
mid     default  rename=liba:libb
new     named    apt=Some::Option=false rename=tool:tool2
                 skip=two updates=no
TABLE
cat >"$tree/.ci/steps" <<'TABLE'
build   -        liba tool
one     all      +build
two     later    +build extra
three   first    +build
TABLE
. "$tree/tools/lib.sh"
while IFS='|' read -r command expected; do
    said=$(eval "$command" | paste -sd ' ')
    [ "$said" = "$expected" ] || fail "$command printed '$said', not '$expected'"
done <<'CASES'
debian_suites|old mid new
run_suites|old mid
KSIEZYC_SUITES=new run_suites|old mid new
steps_for old|one three
steps_for mid|one two
steps_for new|one
suite_setting apt new|Some::Option=false
suite_setting rename mid|liba:libb
suite_setting rename new|liba:libb tool:tool2
suite_setting updates new|no
suite_setting updates mid|
"$tree/tools/packages" --suite old two|liba tool extra
"$tree/tools/packages" --suite mid two|libb tool extra
"$tree/tools/packages" --suite new one|libb tool2
CASES
said=$( (KSIEZYC_SUITES=later run_suites) 2>&1) && fail "took a suite the table lacks: $said"
grep -q "no Debian suite 'later' in .ci/suites" <<<"$said" || fail "no clear message: $said"
echo "new    sometimes" >>"$tree/.ci/suites"
said=$( (steps_for old) 2>&1) && fail "read a row of another shape: $said"
grep -q "not a row NAME RUN SETTING... of .ci/suites: new sometimes" <<<"$said" ||
    fail "no clear message: $said"
echo "tables: every row read"
