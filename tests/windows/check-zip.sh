#!/usr/bin/env bash
# The Windows players' download holds, in one folder, the game, how to play
# it and the licence, and nothing else.
#   tests/windows/check-zip.sh ZIP
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
(($# == 1)) || fail "usage: tests/windows/check-zip.sh ZIP"
diff <(zip_listing "$1") <(printf '%s\n' LICENSE.txt README.txt ksiezyc.exe) ||
    fail "the Windows ZIP should hold ksiezyc.exe, README.txt and LICENSE.txt"
# The players' README and the licence, as they are in the tree, with
# Windows' line ends.
python3 - "$1" "$ksiezyc_top" <<'EOF_PY'
import sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
for source, name in (("README.md", "README.txt"), ("LICENSE", "LICENSE.txt")):
    packed = archive.read(next(n for n in archive.namelist() if n.endswith("/" + name)))
    with open(f"{sys.argv[2]}/{source}", "rb") as file:
        if packed != file.read().replace(b"\n", b"\r\n"):
            sys.exit(f"FAILED: {name} in {sys.argv[1]} is not {source} with CR LF line ends")
EOF_PY
echo "windows: $1 holds the game, README.txt and LICENSE.txt"
