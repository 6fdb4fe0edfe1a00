#!/bin/bash
# A one-node Slurm on this machine (munged, slurmctld and slurmd on localhost, all
# started here and stopped at the end), the examples/slurm scripts run on it for a
# small batch in 3 shards and a small analysis in 4, and the merged results compared
# byte for byte with one `kelpo-cli batch` run and one `kelpo-cli` run. Needs root, Debian's slurm-wlm and munge; `make test-slurm`.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
CLI=$root/${BUILD:-build}/cli/kelpo-cli
[ -x "$CLI" ] || { echo "missing $CLI: build first" >&2; exit 1; }
work=$(mktemp -d /tmp/kelpo-slurm.XXXXXX)
pids=()
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap stop EXIT

# munged of its own, on a socket of its own, so a running one is left alone.
export MUNGE_SOCKET=$work/munge.socket
mkdir -p "$work/munge"
munged --foreground --force --socket="$MUNGE_SOCKET" --pid-file="$work/munge/munged.pid" \
  --seed-file="$work/munge/seed" --log-file="$work/munge/munged.log" 2>"$work/munged.out" &
pids+=($!)

cores=$(nproc)
export SLURM_CONF=$work/slurm.conf
cat >"$SLURM_CONF" <<CONF
ClusterName=kelpo-test
SlurmctldHost=localhost
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$MUNGE_SOCKET
CredType=cred/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
SlurmctldPort=16817
SlurmdPort=16818
JobCompType=jobcomp/none
NodeName=localhost CPUs=$cores State=UNKNOWN
PartitionName=test Nodes=localhost Default=YES MaxTime=INFINITE State=UP
CONF
mkdir -p "$work/state" "$work/spool"
sleep 1
slurmctld -D -i -f "$SLURM_CONF" >"$work/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" >"$work/slurmd.out" 2>&1 &
pids+=($!)
for _ in $(seq 60); do
  sinfo -h -o %T 2>/dev/null | grep -qx idle && break
  sleep 1
done
sinfo -h -o %T | grep -qx idle || { echo "the node did not come up" >&2; tail "$work"/*.out >&2; exit 1; }

# Five small matrices and one that fails.
mkdir -p "$work/in"
for m in 1 2 3 4 5; do
  printf 'S A B C D\nx 1 0 1 %d\ny 0 1 1 0\nz 1 1 0 1\nw 0 1 %d 1\n' $((m % 2)) $(((m / 2) % 2)) >"$work/in/m$m.txt"
done
printf 'S A\nx 3\n' >"$work/in/bad.txt"
export KELPO_CLI=$CLI KELPO_OPTIONS="--no-power --iterations 20000 --seed 11"
merge_job=$(examples/slurm/submit.sh 3 "$work/out" "$work/in")
# One analysis, power analysis included: its communities and chains dealt to 4 shards.
analysis_options="--iterations 20000 --matrices 5 --null interactions --seed 12"
analysis_job=$(KELPO_KIND=analysis KELPO_OPTIONS=$analysis_options \
  examples/slurm/submit.sh 4 "$work/analysis" "$work/in/m1.txt")
for _ in $(seq 300); do
  [ -z "$(squeue -h 2>/dev/null)" ] && break
  sleep 1
done
# shellcheck disable=SC2086
"$CLI" batch $KELPO_OPTIONS --output "$work/single.csv" --json "$work/single.jsonl" "$work/in" 2>/dev/null || true
cmp "$work/out/summary.csv" "$work/single.csv" || { tail "$work"/out/*.log >&2; exit 1; }
cmp "$work/out/results.jsonl" "$work/single.jsonl"
# shellcheck disable=SC2086
"$CLI" $analysis_options --output "$work/single.txt" --json "$work/single.json" "$work/in/m1.txt" >/dev/null 2>&1
cmp "$work/analysis/report.txt" "$work/single.txt" || { tail "$work"/analysis/*.log >&2; exit 1; }
cmp "$work/analysis/results.json" "$work/single.json"
echo "test-slurm: 3 shards of a batch (job $merge_job) and 4 of an analysis (job $analysis_job) merged equal single runs byte for byte"
