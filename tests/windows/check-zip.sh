#!/usr/bin/env bash
# The Windows players' download holds, in one folder, the game (with its
# icon and version details), how to play it and the licence, and nothing
# else.
#   tests/windows/check-zip.sh ZIP
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
(($# == 1)) || fail "usage: tests/windows/check-zip.sh ZIP"
diff <(zip_listing "$1") <(printf '%s\n' LICENSE.txt README.txt ksiezyc.exe) ||
    fail "the Windows ZIP should hold ksiezyc.exe, README.txt and LICENSE.txt"
# The players' README and the licence, as they are in the tree, with
# Windows' line ends.
for pair in README.md:README.txt LICENSE:LICENSE.txt; do
    cmp <(zip_member "$1" "${pair#*:}") <(sed 's/$/\r/' "$ksiezyc_top/${pair%%:*}") ||
        fail "${pair#*:} in $1 is not ${pair%%:*} with CR LF line ends"
done

# The game's icon, at the sizes Windows shows, and its version details, read
# back from the executable as Explorer reads them: the project's version and
# description, the licence's copyright.
exe=$(mktemp)
trap 'rm -f "$exe"' EXIT
zip_member "$1" ksiezyc.exe >"$exe"
wrestool -x --type=group_icon "$exe" >"$exe.ico"
sizes=$(icotool -l "$exe.ico" | sed -n 's/.* --width=\([0-9]*\) .*/\1/p' | paste -sd ' ')
rm -f "$exe.ico"
[ "$sizes" = "16 32 48 256" ] || fail "ksiezyc.exe has icons of sizes '$sizes', not 16 32 48 256"
wrestool -x --raw --type=version "$exe" | python3 -c '
import re, sys
text = sys.stdin.buffer.read().decode("utf-16-le", "replace")
expected = dict(zip(sys.argv[1::2], sys.argv[2::2]))
for key, value in expected.items():
    found = re.search(key + "\0+([^\0]*)\0", text)
    if not found or found.group(1) != value:
        sys.exit(f"FAILED: ksiezyc.exe says {key} {found and found.group(1)!r}, not {value!r}")
print("windows: ksiezyc.exe has its icon and says " + ", ".join(expected.values()))' \
    ProductName Księżyc ProductVersion "$(project_version)" FileVersion "$(project_version)" \
    FileDescription "$(project_field DESCRIPTION)" \
    LegalCopyright "$(grep -m1 '^Copyright ' "$ksiezyc_top/LICENSE")"
echo "windows: $1 holds the game, README.txt and LICENSE.txt"
