#!/usr/bin/env bash
# The Windows players' download holds, in one folder, the game, how to play
# it and the licence, and nothing else.
#   tests/windows/check-zip.sh ZIP
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"
(($# == 1)) || fail "usage: tests/windows/check-zip.sh ZIP"
diff <(zip_listing "$1") <(printf '%s\n' LICENSE.txt README.md ksiezyc.exe) ||
    fail "the Windows ZIP should hold ksiezyc.exe, README.md and LICENSE.txt"
echo "windows: $1 holds the game, README.md and LICENSE.txt"
