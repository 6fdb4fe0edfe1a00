#' Have the chains mixed? R-hat, ESS, the automatic length and the sampler
#'
#' The random matrices of the test come from ten chains, each starting from its
#' own random matrix and changing it a little at a time. Two figures say whether
#' they have run long enough:
#'
#' * **R-hat** compares the ten chains (each split in halves) with one another.
#'   Chains that have forgotten where they started wander over the same values,
#'   and R-hat is close to 1; at 1.01 or below they agree. A large R-hat (say
#'   1.2, or 137 on a large sparse table) means each chain still sits near its
#'   start, and the p-value says more about the starts than about the matrix.
#' * **ESS**, the effective sample size, counts how many independent random
#'   matrices the chains are worth: successive matrices of a chain are alike,
#'   so a million iterations may be worth only a few hundred. Below 400 the
#'   tails of the null distribution, and so the p-value, are poorly known.
#'
#' With `iterations = "auto"` (the default) the chains run in rounds, each
#' doubling their length, until R-hat is at most 1.01 and the ESS at least 1000,
#' or until `max_seconds` have passed. The first half of each chain is then
#' discarded as burn-in, and everything reported comes from the second half.
#' There the curveball's chains on larger tables read the statistic every few
#' hundred or thousand trades rather than after each (the mixing line says how
#' often), each read standing for the trades since the last; the ESS counts
#' the reads.
#' Whatever the length, `print()` shows the figures and warns when the chains
#' have not mixed.
#'
#' The **sampler** is the way a chain changes a matrix: the swap flips one
#' 2 x 2 checkerboard a step, the curveball lets two species trade the sites
#' they do not share. Both give the same random matrices in the long run; the
#' curveball gets there much sooner on large sparse tables (OTU tables).
#' `sampler = "auto"` takes the curveball where fewer than 15 in 100 swap
#' proposals would be accepted, else the swap; the result's `sampler` says which.
#'
#' `mixing_figures()` computes the figures for chains of your own: with
#' `rank_normalized = TRUE`, the rank-normalized split R-hat and bulk ESS of
#' Vehtari et al. (2021) that the test reports; with `FALSE`, the classic split
#' R-hat (Gelman et al., *Bayesian Data Analysis*, 3rd ed.) and the ESS by
#' Geyer's initial monotone sequence.
#'
#' @param chains A list of numeric vectors, or a matrix with one chain per
#'   column; all are cut to the shortest length.
#' @param rank_normalized Whether the values are replaced by normal scores of
#'   their ranks first.
#' @return A named numeric vector: `rhat` and `ess`.
#' @references Vehtari, A., Gelman, A., Simpson, D., Carpenter, B. and Bürkner,
#'   P.-C. (2021). Rank-normalization, folding, and localization: an improved
#'   R-hat for assessing convergence of MCMC. *Bayesian Analysis* 16, 667-718.
#' @seealso [cooccurrence_test()], whose result carries `rhat` and `ess`.
#' @examples
#' set.seed(1)
#' chains <- replicate(4, cumsum(rnorm(1000)))  # random walks: far from mixed
#' mixing_figures(chains)
#' mixing_figures(replicate(4, rnorm(1000)))    # independent draws: R-hat near 1
#' @export
mixing_figures <- function(chains, rank_normalized = TRUE) {
  if (is.matrix(chains)) chains <- lapply(seq_len(ncol(chains)), function(k) chains[, k])
  if (!is.list(chains) || !all(vapply(chains, is.numeric, logical(1)))) {
    stop("`chains` must be a list of numeric vectors or a matrix with one chain per column.", call. = FALSE)
  }
  .kelpo_mixing(lapply(chains, as.double), isTRUE(rank_normalized))
}
