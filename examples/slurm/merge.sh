#!/bin/bash
# Joins the N parts of a sharded run into exactly what one run writes: for a batch
# OUT_DIR/summary.csv and OUT_DIR/results.jsonl, for one analysis (KELPO_KIND=analysis)
# OUT_DIR/report.txt and OUT_DIR/results.json. Submitted after the array by submit.sh:
#
#   sbatch --dependency=afterany:ARRAY_JOB merge.sh OUT_DIR N
#
# afterany, not afterok: a task that failed leaves its part missing or short, and
# merge names it instead of the job never starting.
#SBATCH --job-name=kelpo-merge
set -euo pipefail
out=$1
n=$2
parts=()
for ((i = 0; i < n; i++)); do parts+=("$out/part-$i.jsonl"); done
cli=${KELPO_CLI:-kelpo-cli}
if [ "${KELPO_KIND:-batch}" = analysis ]; then
  exec "$cli" merge --output "$out/report.txt" --json "$out/results.json" "${parts[@]}"
fi
"$cli" merge --output "$out/summary.csv" --json "$out/results.jsonl" "${parts[@]}" || {
  status=$?
  [ "$status" -eq 7 ] || exit "$status"
}
