#' Test whether species co-occur at random
#'
#' Compares a co-occurrence statistic of the matrix with its values in random
#' matrices of the same row and column sums (a swap chain from a random start),
#' in ten replicates, as Kelpo's hypothesis test does.
#'
#' @param x The presence-absence table: a matrix or a data frame (a tibble too)
#'   of 0 and 1, a sparse matrix of the Matrix package, or a phyloseq object
#'   (its `otu_table`, with abundances read as presences and the taxa where
#'   `taxa_are_rows()` says). A data frame whose first column is character (or
#'   factor) takes it as the row names. Row and column names are kept.
#' @param species Where the species are: `"rows"` (Kelpo's own files) or
#'   `"columns"` (the sites-by-species tables of vegan, such as `dune`, `sipoo`
#'   or `BCI`). `species = "columns"` gives exactly the numbers of `t(x)`. Not
#'   used for a phyloseq object, which says it itself.
#' @param statistic The co-occurrence statistic: `"cscore"` (C-score: the
#'   checkerboard units summed over species pairs), `"checkerboards"` (species
#'   pairs that never share a site) or `"combinations"` (distinct species
#'   combinations among the sites).
#' @param iterations Simulated matrices in total over the ten replicates (as
#'   `kelpo-cli --iterations`): a whole multiple of 10, each replicate's chain
#'   running a tenth of them. Fewer than 25000 give a warning.
#' @param seed Seed of the random numbers, a whole number from 0 to
#'   2147483647: the same seed gives the same results, whatever the number of
#'   threads, and the numbers of `kelpo-cli --seed`. `NULL` (the default) draws
#'   one from R's random numbers, so that [set.seed()] makes the call
#'   repeatable; the seed used is kept in the result.
#' @param threads Worker threads; `NULL` uses every core.
#' @param progress Show a progress bar with the remaining time.
#' @param binary `FALSE` stops at a value other than 0 and 1; `TRUE` reads every
#'   value above 0 as a presence (abundances, for example).
#' @return A `kelpo_test`: a list with `statistic`, `observed`,
#'   `simulated_mean`, `simulated_sd`, `ses` (standardised effect size),
#'   `p_value`, `ci_low` and `ci_high` (bootstrap 95% interval of the p-value),
#'   `less` and `equal` (simulated values below and equal to the observed one),
#'   `quantile_025` and `quantile_975` (of the simulated values),
#'   `null_distribution` (a data frame of every simulated `value` and its
#'   `count`), `trace` (a data frame of each `replicate`'s chain: `iteration`
#'   and `value`, at most 1000 points each), `iterations` and `seed` (the one
#'   used, also when drawn). It has `print`, `summary`, `plot` and
#'   `as.data.frame` methods.
#' @details Ctrl-C (or the Stop button) stops a long run within a second and
#'   returns to R with an error saying so.
#' @seealso [power_analysis()] for how much the test can be trusted,
#'   [kelpo_analysis()] for both with Kelpo's report.
#' @examples
#' data(dune, package = "kelpo")
#' result <- cooccurrence_test(dune, iterations = 25000, seed = 1, progress = FALSE)
#' result
#' result$p_value
#' plot(result)
#' plot(result, type = "chain")
#'
#' # vegan's data have the sites in rows
#' if (requireNamespace("vegan", quietly = TRUE)) {
#'   data(sipoo, package = "vegan")
#'   cooccurrence_test(sipoo, species = "columns", iterations = 25000, progress = FALSE)
#' }
#' @export
cooccurrence_test <- function(x, statistic = c("cscore", "checkerboards", "combinations"), iterations = 1e5,
                              seed = NULL, threads = NULL, progress = interactive(), binary = FALSE,
                              species = c("rows", "columns")) {
  statistic <- match.arg(statistic)
  input <- presence_input(x, binary, match.arg(species))
  options <- analysis_options(input, statistic, iterations = iterations, seed = seed)
  results <- run_engine(input, options, threads, power = FALSE, progress = progress)
  new_kelpo_test(results, statistic, options, c(input$rows, input$cols))
}

new_kelpo_test <- function(results, statistic, options, size) {
  test <- c(list(statistic = statistic),
            results[c("observed", "simulated_mean", "simulated_sd", "ses", "p_value", "ci_low", "ci_high", "less",
                      "equal", "quantile_025", "quantile_975", "null_distribution", "trace", "p_lower", "p_upper",
                      "p_two_sided", "rhat", "ess", "iterations_run", "iterations_kept")])
  test$iterations <- as.numeric(options$iterations)
  test$seed <- as.numeric(options$seed)
  test$species <- size[1]
  test$sites <- size[2]
  structure(test, class = "kelpo_test")
}

statistic_label <- function(statistic) {
  c(cscore = "C-score", checkerboards = "Number of checkerboards",
    combinations = "Number of species combinations")[[statistic]]
}

# Which tail the p-value counts: fewer combinations, more of the other two, mean segregation.
tail_text <- function(statistic) {
  if (statistic == "combinations") "at most" else "at least"
}

#' @export
print.kelpo_test <- function(x, digits = 4, ...) {
  cat("Kelpo co-occurrence test:", statistic_label(x$statistic), "of", x$species, "species x", x$sites,
      "sites\n")
  cat("  observed ", format(x$observed, digits = digits), ", random matrices ",
      format(x$simulated_mean, digits = digits), " +- ", format(x$simulated_sd, digits = digits),
      " (SES ", format(x$ses, digits = 3), ")\n", sep = "")
  cat("  p-value ", format(x$p_value, digits = digits), " (95% CI ", format(x$ci_low, digits = digits), " to ",
      format(x$ci_high, digits = digits), "), share of ", count_text(x$iterations),
      " random matrices with a value ", tail_text(x$statistic), " the observed one\n", sep = "")
  cat("  mixing: R-hat ", format(x$rhat, digits = 4), ", ESS ", format(round(x$ess)), " (",
      format(x$iterations_run, scientific = FALSE), " iterations run, ",
      format(x$iterations_kept, scientific = FALSE), " kept)\n", sep = "")
  if (!is.finite(x$rhat) || x$rhat > 1.01 || x$ess < 400) {
    cat("  warning: the ten chains have not mixed: the p-value is not reliable; run more iterations\n")
  }
  cat("  seed ", format(x$seed, scientific = FALSE), "\n", sep = "")
  invisible(x)
}

#' @export
summary.kelpo_test <- function(object, ...) {
  structure(object, class = c("summary.kelpo_test", "kelpo_test"))
}

#' @export
print.summary.kelpo_test <- function(x, ...) {
  print.kelpo_test(x, digits = 6)
  cat("\nSimulated values below the observed one: ", count_text(x$less), "\n",
      "Simulated values equal to it:            ", count_text(x$equal), "\n", sep = "")
  cat(if (x$p_value <= 0.05) {
    "p <= 0.05: the observed value is rarely reached by random matrices; the species do not co-occur at random.\n"
  } else {
    "p > 0.05: random matrices often reach the observed value; no sign of non-random co-occurrence.\n"
  }, sep = "")
  cat("Whether this test can be trusted for this matrix: see power_analysis().\n")
  invisible(x)
}

#' @export
as.data.frame.kelpo_test <- function(x, ...) {
  fields <- c("statistic", "observed", "simulated_mean", "simulated_sd", "ses", "p_value", "ci_low", "ci_high",
              "less", "equal", "iterations", "seed")
  as.data.frame(x[fields], stringsAsFactors = FALSE)
}
