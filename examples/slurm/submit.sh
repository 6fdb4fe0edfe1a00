#!/bin/bash
# Submits a batch, or one analysis, as N shards and the merge that follows them;
# prints the merge job's id.
#
#   examples/slurm/submit.sh N OUT_DIR FILE_OR_FOLDER...                   (a batch)
#   KELPO_KIND=analysis examples/slurm/submit.sh N OUT_DIR MATRIX_FILE   (one analysis)
#
# KELPO_CLI, KELPO_OPTIONS and KELPO_KIND as in shard.sh; extra sbatch options in
# SBATCH_OPTIONS.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
n=$1
out=$2
shift 2
mkdir -p "$out"
# shellcheck disable=SC2086
array=$(sbatch --parsable ${SBATCH_OPTIONS:-} --output="$out/shard-%a.log" --array=0-$((n - 1)) \
  "$here/shard.sh" "$out" "$@")
# shellcheck disable=SC2086
sbatch --parsable ${SBATCH_OPTIONS:-} --output="$out/merge.log" --dependency=afterany:"${array%%;*}" \
  "$here/merge.sh" "$out" "$n"
