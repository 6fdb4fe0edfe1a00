#!/usr/bin/env bash
# Time for --iterations auto to reach a mixed answer (R-hat <= 1.01, ESS >= 1000) on a
# generated OTU-like table, with each sampler, on 2 threads.
#   bench/mixing.sh [TAXA SAMPLES FILL [MAX_SECONDS]]
set -euo pipefail
cd "$(dirname "$0")/.."
taxa=${1:-1000} samples=${2:-500} fill=${3:-0.03} limit=${4:-600}
table=$(mktemp --suffix=.txt)
trap 'rm -f "$table"' EXIT
/usr/bin/python3 bench/otu_table.py "$taxa" "$samples" "$fill" 1 > "$table"
for sampler in curveball swap; do
  start=$(date +%s.%N)
  ./build/cli/kelpo-cli --no-power --iterations auto --max-seconds "$limit" --threads 2 \
    --sampler "$sampler" "$table" 2>&1 >/dev/null | grep -E "^Mixing|^Warning" || true
  echo "$sampler: $(echo "$(date +%s.%N) - $start" | bc) s"
done
