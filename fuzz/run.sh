#!/usr/bin/env bash
# A bounded libFuzzer run of a fuzz build over a scratch copy of the seeds
# and transcripts, so findings and new inputs do not land in the tree; a
# crash or failed check fails it. Crashing inputs are kept in BUILD.
#   bash fuzz/run.sh [BUILD] [SECONDS]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build/fuzz}
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp "$here"/fuzz/corpus/* "$here"/tests/transcripts/*.in "$corpus"/
"$build/fuzz/ksiezyc_fuzz" -max_total_time="${2:-60}" -max_len=4096 -timeout=10 \
    -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$build/" "$corpus"
