#!/bin/bash
# One shard of a kelpo-cli batch, or of one analysis, as a task of a Slurm job array.
#
#   sbatch --array=0-$((N - 1)) shard.sh OUT_DIR FILE_OR_FOLDER...   (a batch)
#   KELPO_KIND=analysis sbatch --array=0-$((N - 1)) shard.sh OUT_DIR MATRIX_FILE
#
# Task i of the array runs `kelpo-cli batch --shard i/N` (its rows also to
# OUT_DIR/part-i.csv) or `kelpo-cli --shard i/N`, and writes its part to
# OUT_DIR/part-i.jsonl. A batch's parts are its matrices; an analysis's are its
# simulated communities and the test's ten chains (so use --iterations N, not auto).
# KELPO_CLI names the program (default: kelpo-cli on the PATH), KELPO_OPTIONS the
# analysis options (for example "--iterations 100000 --seed 7"); every task must get the same.
#SBATCH --job-name=kelpo-shard
#SBATCH --cpus-per-task=1
set -euo pipefail
out=$1
shift
i=${SLURM_ARRAY_TASK_ID:?run this with sbatch --array}
n=${SLURM_ARRAY_TASK_COUNT:?run this with sbatch --array}
cli=${KELPO_CLI:-kelpo-cli}
if [ "${KELPO_KIND:-batch}" = analysis ]; then
  # shellcheck disable=SC2086  # the options are words on purpose
  exec "$cli" ${KELPO_OPTIONS:-} --shard "$i/$n" --json "$out/part-$i.jsonl" "$@"
fi
# shellcheck disable=SC2086
"$cli" batch ${KELPO_OPTIONS:-} --shard "$i/$n" \
  --output "$out/part-$i.csv" --json "$out/part-$i.jsonl" "$@" || {
  status=$?
  # 7: the part is complete, some matrices failed in their rows; merge reports it.
  [ "$status" -eq 7 ] || exit "$status"
}
