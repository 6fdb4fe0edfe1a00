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
#' @param burn_in Steps of each chain before its first sample; `NULL`
#'   measures it on the matrix.
#' @param thin Steps of the chain between two samples; `NULL` measures it on
#'   the matrix (see [kelpo_pair_columns]).
#' @param fdr False discovery rate at which a pair is called segregated or
#'   aggregated.
#' @param progress Show a progress bar with the remaining time.
#' @return A `kelpo_pairs` data frame, one row per pair of species, with the
#'   columns explained in [kelpo_pair_columns]. The same numbers as
#'   `kelpo-cli --pairs` for the same seed. `plot()` draws its SES heat map.
#'   Attributes `burn_in`, `thin`, `rhat`, `ess`, `worst_pair_rhat` and
#'   `warnings` hold the lengths used and how the chains mixed.
#' @examples
#' data(dune, package = "kelpo")
#' pairs <- pairwise_test(dune, samples = 2000, seed = 1, progress = FALSE)
#' head(pairs[order(pairs$p_adjusted), ])
#' plot(pairs)
#' @export
pairwise_test <- function(x, samples = 10000, burn_in = NULL, thin = NULL, fdr = 0.05, seed = NULL,
                          threads = NULL, binary = FALSE, species = c("rows", "columns"),
                          progress = interactive()) {
  input <- presence_input(x, binary, match.arg(species))
  whole_number(samples, "samples", 1)
  if (!is.null(burn_in)) whole_number(burn_in, "burn_in", 0)
  if (!is.null(thin)) whole_number(thin, "thin", 1)
  if (!is.numeric(fdr) || length(fdr) != 1 || is.na(fdr) || fdr <= 0 || fdr >= 1) {
    stop("`fdr` must be a number greater than 0 and less than 1, not ", value_text(fdr), ".", call. = FALSE)
  }
  seed <- engine_seed(seed)
  given <- function(value) if (is.null(value)) "" else number_text(value)
  options <- list(samples = number_text(samples), burn_in = given(burn_in), thin = given(thin),
                  fdr = number_text(fdr), seed = number_text(seed))
  pairs <- .kelpo_pairs(input, options, threads_count(threads), isTRUE(progress))
  structure(pairs, class = c("kelpo_pairs", "data.frame"), seed = seed, fdr = fdr, species = input$species)
}

#' @export
print.kelpo_pairs <- function(x, ...) {
  counts <- table(factor(x$class, c("segregated", "aggregated", "random", "untestable")))
  cat("Kelpo pairwise test: ", count_text(nrow(x)), " species pairs, seed ", format(attr(x, "seed"), scientific = FALSE),
      "\n  at FDR ", attr(x, "fdr"), ": ", paste(counts, names(counts), collapse = ", "), "\n\n", sep = "")
  print(utils::head(as.data.frame(x), 10), row.names = FALSE)
  if (nrow(x) > 10) cat("... and", count_text(nrow(x) - 10), "more pairs\n")
  invisible(x)
}

#' @export
as.data.frame.kelpo_pairs <- function(x, ...) {
  attributes(x)[c("seed", "fdr", "species")] <- NULL
  class(x) <- "data.frame"
  x
}

#' The columns of a pairwise test
#'
#' [pairwise_test()] compares, for every pair of species, the number of sites
#' the two share with its values in random matrices that keep every species'
#' number of sites and every site's number of species. Its data frame has one
#' row per pair and these columns:
#'
#' \describe{
#'   \item{`species_a`, `species_b`}{The two species, in the order of the rows
#'     of the matrix.}
#'   \item{`shared_observed`}{Sites where both occur.}
#'   \item{`shared_expected`, `shared_sd`}{Mean and standard deviation of the
#'     shared sites over the sampled random matrices.}
#'   \item{`ses`}{Standardised effect size, (observed - expected) / sd:
#'     negative when the pair shares fewer sites than chance gives
#'     (segregation), positive when more (aggregation). `NA` when the sd is 0.}
#'   \item{`p_lower`, `p_upper`}{(b + 1) / (samples + 1), b the samples that
#'     share at most, and at least, the observed number of sites: never 0.}
#'   \item{`p_adjusted`}{The two-sided p-value `min(1, 2 * min(p_lower,
#'     p_upper))` adjusted over all testable pairs by the Benjamini-Hochberg
#'     procedure, which holds the false discovery rate at `fdr`.}
#'   \item{`class`}{`"segregated"` or `"aggregated"` when `p_adjusted` is at
#'     most `fdr`, `"random"` otherwise, `"untestable"` when a species of the
#'     pair occurs at every site or at none (no p-values, left out of the
#'     adjustment).}
#'   \item{`checkerboard_units`}{The pair's part of the C-score, (r_a - s)(r_b
#'     - s) for species occurring at r_a and r_b sites and sharing s.}
#' }
#'
#' The chain runs as eight independent chains. Each runs `burn_in` steps from
#' its start, then takes a sample every `thin` steps. Steps of the chain that
#' follow one another give similar matrices; `thin` makes the samples nearly
#' independent. By default a short pilot chain measures on the matrix how many
#' steps the C-score and the shared sites take to forget their values (the
#' integrated autocorrelation time): `thin` is twice that, `burn_in` ten times.
#' @name kelpo_pair_columns
#' @seealso [pairwise_test()], [plot.kelpo_pairs()]
NULL
