#' Which species pairs co-occur less or more than chance gives
#'
#' For every pair of species, the number of sites they share against its values
#' in random matrices with the same row and column sums (a swap chain from a
#' random start, as in [cooccurrence_test()]), with a Benjamini-Hochberg
#' correction across the pairs.
#'
#' @inheritParams cooccurrence_test
#' @param samples Matrices sampled from the chain, over all its eight
#'   independent chains.
#' @param burn_in Steps of each chain before its first sample.
#' @param thin Steps of the chain between two samples. The defaults come from
#'   the chain's autocorrelation on the dune matrix: see Kelpo's help topic
#'   "Species Pairs".
#' @param fdr False discovery rate at which a pair is called segregated or
#'   aggregated.
#' @return A data frame, one row per pair of species: `species_a`,
#'   `species_b`, `shared_observed` (sites both occupy), `shared_expected` and
#'   `shared_sd` (over the samples), `ses` ((observed - expected) / sd),
#'   `p_lower` (share of samples sharing at most the observed sites),
#'   `p_upper` (at least), `p_adjusted` (Benjamini-Hochberg of the two-sided
#'   `min(1, 2 * min(p_lower, p_upper))`), `class` (`"segregated"`,
#'   `"aggregated"`, `"random"`, or `"untestable"` when a species of the pair
#'   occurs at every site or at none: no p-values, and left out of the
#'   correction) and `checkerboard_units`. The same numbers as
#'   `kelpo-cli --pairs` for the same seed.
#' @examples
#' data(dune, package = "kelpo")
#' pairs <- pairwise_test(dune, samples = 2000)
#' head(pairs[order(pairs$p_adjusted), ])
#' @export
pairwise_test <- function(x, samples = 10000, burn_in = 10000, thin = 2000, fdr = 0.05, seed = 0,
                          threads = NULL, binary = FALSE) {
  cells <- as_presence_matrix(x, binary)
  options <- list(samples = number_text(samples, "samples"), burn_in = number_text(burn_in, "burn_in"),
                  thin = number_text(thin, "thin"), fdr = number_text(fdr, "fdr"), seed = number_text(seed, "seed"))
  .kelpo_pairs(cells, options, threads_count(threads))
}
