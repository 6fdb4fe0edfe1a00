#!/usr/bin/env bash
# Peak memory of kelpo-cli on files made of empty fields, the cheapest cells a file
# can hold (one comma each): the worst case of memory per byte of file.
#
#   bench/empty_fields.sh [WORK_DIR] [MEGABYTES...]   (default /tmp/kelpo-empty, 10)
#
# Prints, per size, the file's cells, the peak resident memory (/usr/bin/time -v)
# and how the run ended (the first data cell is empty, so "Error 05" is expected,
# or the refusal of a file too big for the free memory).
set -uo pipefail
cd "$(dirname "$0")/.."

WORK=${1:-/tmp/kelpo-empty}
shift || true
SIZES=${*:-10}
CLI=./${BUILD:-build}/cli/kelpo-cli
[ -x "$CLI" ] || { echo "missing $CLI: build first" >&2; exit 1; }
mkdir -p "$WORK"

for megabytes in $SIZES; do
  file=$WORK/empty_${megabytes}mb.txt
  if [ ! -s "$file" ]; then
    # A header of 32767 empty site fields, then lines of a species name and as many.
    python3 - "$file" "$megabytes" <<'PY'
import sys
path, megabytes = sys.argv[1], int(sys.argv[2])
fields = "," * 32767
line = "1" + fields + "\r\n"
with open(path, "w", newline="") as out:
    out.write("Species" + fields + "\r\n")
    for _ in range(megabytes * 1024 * 1024 // len(line)):
        out.write(line)
PY
  fi
  log=$WORK/time_${megabytes}mb.txt
  nice -n 10 /usr/bin/time -v "$CLI" --no-power "$file" >/dev/null 2>"$log"
  peak=$(grep "Maximum resident" "$log" | awk '{print $NF}')
  wall=$(grep "Elapsed (wall clock)" "$log" | awk '{print $NF}')
  cells=$(( $(wc -l <"$file") * 32768 ))
  echo "${megabytes} MB file, ${cells} cells: peak ${peak} kB, ${wall}: $(head -1 "$log")"
done
