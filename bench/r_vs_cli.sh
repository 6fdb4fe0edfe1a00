#!/usr/bin/env bash
# One C-score test of dune with 1e5 simulated matrices: the R package against
# kelpo-cli --no-power, and against vegan's oecosimu making as many simulated
# C-scores (sequential swaps, one per simulated matrix). Each in a fresh process,
# as a user runs them; the best of three runs counts. Needs `make r` and a build.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=${KELPO_CLI:-build/cli/kelpo-cli}
best() {  # best wall time in seconds of three runs of "$@"
  local best=""
  for _ in 1 2 3; do
    local start end t
    start=$(date +%s.%N); "$@" > /dev/null 2>&1; end=$(date +%s.%N)
    t=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
    best=$(awk -v t="$t" -v b="$best" 'BEGIN { print (b == "" || t < b) ? t : b }')
  done
  echo "$best"
}
r=$(best Rscript -e 'kelpo::cooccurrence_test(kelpo::read_kelpo_matrix("examples/dune.txt"), iterations = 1e5, progress = FALSE)')
# The call alone, as timed inside the session: R's own start-up (about 0.2 s, more
# with Rcpp loaded) is not the package's to shorten.
call=$(for _ in 1 2 3; do
  Rscript -e 'd <- kelpo::read_kelpo_matrix("examples/dune.txt")
    cat(system.time(kelpo::cooccurrence_test(d, iterations = 1e5, progress = FALSE))[["elapsed"]], "\n")'
done | sort -g | head -1)
cli_time=$(best "$cli" --no-power --iterations 100000 examples/dune.txt)
vegan=$(best Rscript -e 'd <- t(kelpo::read_kelpo_matrix("examples/dune.txt")); vegan::oecosimu(d, vegan::nestedchecker, method = "swap", nsimul = 1e5, thin = 1, statistic = "C.score")')
awk -v r="$r" -v k="$call" -v c="$cli_time" -v v="$vegan" 'BEGIN {
  printf "Rscript -e cooccurrence_test  %.2f s, the call alone %.3f s\n", r, k
  printf "kelpo-cli --no-power          %.2f s  (Rscript / CLI = %.2f, call / CLI = %.2f)\n", c, r / c, k / c
  printf "Rscript -e vegan::oecosimu   %.2f s  (vegan / kelpo, both by Rscript = %.1f)\n", v, v / r }'
