#!/usr/bin/env bash
# The pairwise test at its measured defaults on a generated OTU-like null table (independent
# cells): wall time and peak memory on 2 threads, the pairs flagged at FDR 0.05, and among
# the well-occupied pairs (expected shared sites >= 5) the shares with |SES| > 3 and p < 0.05.
#   bench/pairs_defaults.sh [TAXA SAMPLES FILL [SAMPLER]]
# On the 1,000 x 500 table at 3 % the swap's pilot measures about 7.5 million steps of
# autocorrelation (thinning 15 million): some 20 minutes, against 4 for the curveball.
set -euo pipefail
cd "$(dirname "$0")/.."
taxa=${1:-1000} samples=${2:-500} fill=${3:-0.03} sampler=${4:-curveball}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
/usr/bin/python3 bench/otu_table.py "$taxa" "$samples" "$fill" 1 > "$dir/table.txt"
uptime
/usr/bin/time -v ./build/cli/kelpo-cli --pairs --sampler "$sampler" --threads 2 --output "$dir/pairs.csv" \
  "$dir/table.txt" 2> "$dir/err.txt"
grep -E "^Mixing|^Warning|Elapsed|Maximum resident" "$dir/err.txt"
/usr/bin/python3 - "$dir/pairs.csv" <<'PY'
import csv, sys
flagged = well = wild = low = 0
with open(sys.argv[1]) as f:
    for row in csv.DictReader(f):
        flagged += row["class"] in ("segregated", "aggregated")
        if not row["p_lower"] or float(row["shared_expected"]) < 5:
            continue
        well += 1
        wild += bool(row["ses"]) and abs(float(row["ses"])) > 3
        low += min(1.0, 2 * min(float(row["p_lower"]), float(row["p_upper"]))) < 0.05
print(f"flagged {flagged}; well-occupied {well}: |SES| > 3 {100 * wild / well:.2f} %, p < 0.05 {100 * low / well:.2f} %")
PY
