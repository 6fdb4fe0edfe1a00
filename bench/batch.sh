#!/usr/bin/env bash
# Matrices per second of kelpo-cli batch: COUNT generated 30 x 20 matrices (about
# 40 % filled, a fixed seed) at 1e5 iterations on 2 threads.
#
#   bench/batch.sh [COUNT] [EXTRA OPTIONS...]   (default 1000; e.g. --no-power)
#
# Prints the command, the wall time and matrices per second.
set -euo pipefail
cd "$(dirname "$0")/.."

COUNT=${1:-1000}
shift || true
CLI=./${BUILD:-build}/cli/kelpo-cli
[ -x "$CLI" ] || { echo "missing $CLI: build first" >&2; exit 1; }
WORK=$(mktemp -d /tmp/kelpo-batch.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

python3 - "$WORK/in" "$COUNT" <<'PY'
import os, random, sys
folder, count = sys.argv[1], int(sys.argv[2])
os.makedirs(folder)
rng = random.Random(1)
for m in range(count):
    lines = ["Species " + " ".join(f"S{k}" for k in range(1, 21))]
    for i in range(1, 31):
        lines.append(f"Sp{i} " + " ".join("1" if rng.random() < 0.4 else "0" for _ in range(20)))
    with open(os.path.join(folder, f"m{m:04d}.txt"), "w") as out:
        out.write("\n".join(lines) + "\n")
PY

command=("$CLI" batch --iterations 100000 --threads 2 "$@" --output "$WORK/summary.csv" "$WORK/in")
echo "${command[*]}"
start=$(date +%s.%N)
"${command[@]}" 2>/dev/null || true
end=$(date +%s.%N)
rows=$(($(wc -l <"$WORK/summary.csv") - 1))
python3 -c "import sys; s=float(sys.argv[2])-float(sys.argv[1]); n=int(sys.argv[3]); print(f'{n} matrices in {s:.1f} s: {n/s:.2f} matrices per second')" "$start" "$end" "$rows"
