#!/usr/bin/env bash
# The largest matrix the program takes, through the command line, and a large matrix
# opened in the grid. Takes minutes and gigabytes: not part of the test suite.
#
#   bench/scale.sh [WORK_DIR]      (default /tmp/kelpo-scale; the 2.1 GB file goes there)
#
# Environment:
#   BUILD=build            the Release build to measure (kelpo-cli, kelpo-grid-open)
#   SIDE=32767 FILL=0.01   size and fill of the command-line matrix
#   GRID_SIDE=2000 GRID_FILL=0.5   the matrix opened in the grid
#   RUN_TIMEOUT=1200       seconds after which one command-line run is stopped
#   ITERATIONS=1000
set -uo pipefail
cd "$(dirname "$0")/.."

WORK=${1:-/tmp/kelpo-scale}
BUILD=${BUILD:-build}
SIDE=${SIDE:-32767}
FILL=${FILL:-0.01}
GRID_SIDE=${GRID_SIDE:-2000}
GRID_FILL=${GRID_FILL:-0.5}
RUN_TIMEOUT=${RUN_TIMEOUT:-1200}
ITERATIONS=${ITERATIONS:-1000}
CLI=./$BUILD/cli/kelpo-cli
GRID_OPEN=./$BUILD/bench/kelpo-grid-open

mkdir -p "$WORK"
for program in "$CLI" "$GRID_OPEN"; do
  [ -x "$program" ] || { echo "missing $program: build first (make build, or BUILD=...)" >&2; exit 1; }
done

generator=$WORK/make_matrix
if [ ! -x "$generator" ] || [ bench/scale/make_matrix.cpp -nt "$generator" ]; then
  g++ -O2 -std=c++20 -o "$generator" bench/scale/make_matrix.cpp || exit 1
fi

# A file is made once per size and fill and kept for the next run.
matrix_file() {
  local rows=$1 cols=$2 fill=$3 file=$WORK/matrix_${1}x${2}_${3}.txt
  if [ ! -s "$file" ]; then
    echo "== writing $file" >&2
    /usr/bin/time -f "   written in %e s" "$generator" "$rows" "$cols" "$fill" 1 > "$file.part" && mv "$file.part" "$file"
  fi
  echo "$file"
}

# Wall time, peak memory and exit code of one command-line run, and its last lines.
measure_cli() {
  local statistic=$1 file=$2 log=$WORK/cli_$1.log
  echo "== kelpo-cli --statistic $statistic on $(basename "$file") (stopped after ${RUN_TIMEOUT} s)"
  /usr/bin/time -v -o "$log.time" timeout --signal=INT --kill-after=30 "$RUN_TIMEOUT" \
    "$CLI" --no-power --statistic "$statistic" --iterations "$ITERATIONS" --progress "$file" \
    > "$log.out" 2> "$log.err"
  local code=$?
  echo "   exit code $code$([ $code = 124 ] && echo ' (stopped by the time limit)')"
  grep -E "Elapsed \(wall clock\)|Maximum resident set size" "$log.time" | sed 's/^\s*/   /'
  echo "   standard error (last line):"
  tr '\r' '\n' < "$log.err" | grep -v '^\s*$' | tail -1 | sed 's/^/     /'
  echo "   report lines with a p-value:"
  tr -d '\r' < "$log.out" | grep -iE "p-value|observed|C-Score|Checkerboard" | head -5 | sed 's/^/     /'
  return 0
}

big=$(matrix_file "$SIDE" "$SIDE" "$FILL") || exit 1
ls -l "$big"
measure_cli checkerboards "$big"
# The C-score of this matrix exceeds 32 bits: the command line reports its full value.
measure_cli cscore "$big"

grid=$(matrix_file "$GRID_SIDE" "$GRID_SIDE" "$GRID_FILL") || exit 1
echo "== opening $(basename "$grid") in the main window's grid"
QT_QPA_PLATFORM=offscreen /usr/bin/time -v -o "$WORK/grid.time" "$GRID_OPEN" "$grid" 2>&1 | grep -E "^opened|message"
grep -E "Elapsed \(wall clock\)|Maximum resident set size" "$WORK/grid.time" | sed 's/^\s*/   /'
