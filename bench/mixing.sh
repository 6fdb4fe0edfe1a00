#!/usr/bin/env bash
# Time for --iterations auto to reach a mixed answer (R-hat <= 1.01, ESS >= 1000) on a
# generated OTU-like table, with each sampler, on 2 threads.
#   bench/mixing.sh [TAXA SAMPLES FILL [MAX_SECONDS [SAMPLERS]]]   (1000 500 0.03 600 "curveball swap")
#   bench/mixing.sh sparse [MAX_SECONDS [SAMPLERS]]    the sparse benchmark's 10,000 x 1,000 table
set -euo pipefail
cd "$(dirname "$0")/.."
table=$(mktemp --suffix=.txt)
trap 'rm -f "$table"' EXIT
if [ "${1:-}" = sparse ]; then
  limit=${2:-600} samplers=${3:-curveball swap}
  ./build/bench/kelpo-sparse-table > "$table"
else
  taxa=${1:-1000} samples=${2:-500} fill=${3:-0.03} limit=${4:-600} samplers=${5:-curveball swap}
  /usr/bin/python3 bench/otu_table.py "$taxa" "$samples" "$fill" 1 > "$table"
fi
for sampler in $samplers; do
  start=$(date +%s.%N)
  ./build/cli/kelpo-cli --no-power --iterations auto --max-seconds "$limit" --threads 2 \
    --sampler "$sampler" "$table" 2>&1 >/dev/null | grep -E "^Mixing|^Warning" || true
  echo "$sampler: $(echo "$(date +%s.%N) - $start" | bc) s"
done
