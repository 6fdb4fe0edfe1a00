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
#' @param iterations `"auto"` (the default) runs the ten replicate chains in
#'   rounds, each doubling their length, until their R-hat is at most 1.01 and
#'   their ESS at least 1000 (see [mixing_figures()]), keeping the second half of
#'   each; or the simulated matrices in total over the ten replicates (as
#'   `kelpo-cli --iterations`): a whole multiple of 10, each replicate's chain
#'   running a tenth of them. Fewer than 25000 give a warning.
#' @param max_seconds With `iterations = "auto"`, no round is begun that would
#'   end after this many seconds; a run stopped by the limit says that its
#'   chains have not mixed.
#' @param sampler The chain that draws the random matrices: `"swap"` (one 2 x 2
#'   checkerboard flipped a step), `"curveball"` (two species trade the sites
#'   they do not share), or `"auto"` (the default: the curveball where fewer
#'   than 15 in 100 swap proposals would be accepted, as on nearly every table,
#'   else the swap). Both sample the same random matrices; the result names
#'   the one used.
#' @param alternative Which tail gives `p_value`: `"two.sided"` (the default:
#'   twice the smaller tail), `"greater"` (the share of random matrices whose
#'   statistic is at least the observed one) or `"less"` (at most it). For the
#'   C-score and checkerboards, `"greater"` asks whether the species are more
#'   segregated than at random (fewer shared sites) and `"less"` whether they
#'   are aggregated; for combinations, `"less"` asks for fewer distinct species
#'   combinations than at random, the classic sign of segregation.
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
#'   `p_value` (of the `alternative`), `p_lower`, `p_upper` and `p_two_sided`
#'   (the tails, each (b + 1) / (m + 1) of the m simulated values, never 0),
#'   `p_report` (the P-Value of Kelpo's report: the share at least as large, for
#'   combinations at most as large), `ci_low` and `ci_high` (its bootstrap 95%
#'   interval),
#'   `less` and `equal` (simulated values below and equal to the observed one),
#'   `quantile_025` and `quantile_975` (of the simulated values),
#'   `null_distribution` (a data frame of every simulated `value` and its
#'   `count`), `trace` (a data frame of each `replicate`'s chain: `iteration`
#'   and `value`, at most 1000 points each), `rhat` and `ess` (see
#'   [mixing_figures()]), `iterations_run` and `iterations_kept` (over the ten
#'   chains; the first half of an automatic length is burn-in), `iterations`
#'   (the simulated values kept), `time_limit_reached`, `sampler` (the one used),
#'   `alternative` and `seed` (the one used, also when drawn). It has `print`, `summary`, `plot` and
#'   `as.data.frame` methods.
#' @details Ctrl-C (or the Stop button) stops a long run within a second and
#'   returns to R with an error saying so.
#' @seealso [power_analysis()] for how much the test can be trusted,
#'   [kelpo_analysis()] for both with Kelpo's report.
#' @examples
#' data(dune, package = "kelpo")
#' result <- cooccurrence_test(dune, seed = 1, progress = FALSE)
#' result
#' result$p_value
#' plot(result)
#' plot(result, type = "chain")
#'
#' # vegan's data have the sites in rows
#' if (requireNamespace("vegan", quietly = TRUE)) {
#'   data(sipoo, package = "vegan")
#'   cooccurrence_test(sipoo, species = "columns", progress = FALSE)
#' }
#'
#' # Are the species aggregated (a C-score below random)?
#' cooccurrence_test(dune, alternative = "less", iterations = 25000, progress = FALSE)
#' @export
cooccurrence_test <- function(x, statistic = c("cscore", "checkerboards", "combinations"), iterations = "auto",
                              seed = NULL, threads = NULL, progress = interactive(), binary = FALSE,
                              species = c("rows", "columns"), alternative = c("two.sided", "greater", "less"),
                              max_seconds = 600, sampler = c("auto", "swap", "curveball")) {
  statistic <- match.arg(statistic)
  alternative <- match.arg(alternative)
  input <- presence_input(x, binary, match.arg(species))
  options <- analysis_options(input, statistic, iterations = iterations, seed = seed, max_seconds = max_seconds,
                              sampler = match.arg(sampler))
  results <- run_engine(input, options, threads, power = FALSE, progress = progress)
  new_kelpo_test(results, statistic, options, c(input$rows, input$cols), alternative)
}

new_kelpo_test <- function(results, statistic, options, size, alternative = "two.sided") {
  test <- c(list(statistic = statistic),
            results[c("observed", "simulated_mean", "simulated_sd", "ses", "p_value", "ci_low", "ci_high", "less",
                      "equal", "quantile_025", "quantile_975", "null_distribution", "trace", "p_lower", "p_upper",
                      "p_two_sided", "rhat", "ess", "iterations_run", "iterations_kept", "time_limit_reached",
                      "sampler", "mixing_line", "mixing_warning")])
  test$p_report <- test$p_value
  test$p_value <- results[[c(two.sided = "p_two_sided", greater = "p_upper", less = "p_lower")[[alternative]]]]
  test$alternative <- alternative
  test$iterations <- results$iterations_kept
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

alternative_text <- function(alternative) {
  c(two.sided = "two-sided", greater = "upper tail", less = "lower tail")[[alternative]]
}

#' @export
print.kelpo_test <- function(x, digits = 4, ...) {
  cat("Kelpo co-occurrence test:", statistic_label(x$statistic), "of", x$species, "species x", x$sites,
      "sites\n")
  cat("  observed ", format(x$observed, digits = digits), ", random matrices ",
      format(x$simulated_mean, digits = digits), " +- ", format(x$simulated_sd, digits = digits),
      " (SES ", format(x$ses, digits = 3), ")\n", sep = "")
  cat("  p-value ", format(x$p_value, digits = digits), " (", alternative_text(x$alternative), "; lower tail ",
      format(x$p_lower, digits = digits), ", upper tail ", format(x$p_upper, digits = digits), ") from ",
      count_text(x$iterations), " random matrices\n", sep = "")
  cat("  ", x$mixing_line, "\n", sep = "")
  if (length(x$mixing_warning) > 0) cat("  ", x$mixing_warning, "\n", sep = "")
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
      "Simulated values equal to it:            ", count_text(x$equal), "\n",
      "Kelpo report's P-Value (share ", tail_text(x$statistic), " the observed one): ",
      format(x$p_report, digits = 4), " (95% CI ", format(x$ci_low, digits = 4), " to ",
      format(x$ci_high, digits = 4), ")\n", sep = "")
  cat(conclusion_text(x), "\n", sep = "")
  cat("Whether this test can be trusted for this matrix: see power_analysis().\n")
  invisible(x)
}

# What a high or a low value of the statistic says about the species.
direction_text <- function(statistic, higher) {
  if (statistic == "combinations") {
    if (higher) "the sites hold more distinct species combinations than at random"
    else "the sites hold fewer distinct species combinations than at random, the classic sign of segregation"
  } else if (higher) {
    "the species are segregated: they share sites less often than at random"
  } else {
    "the species are aggregated: they share sites more often than at random"
  }
}

conclusion_text <- function(x) {
  label <- sub("^Number", "number", statistic_label(x$statistic))
  higher <- switch(x$alternative, greater = TRUE, less = FALSE, two.sided = x$observed > x$simulated_mean)
  if (x$p_value <= 0.05) {
    return(paste0("p <= 0.05 (", alternative_text(x$alternative), "): the ", label, " is ",
                  if (higher) "higher" else "lower", " than in random matrices; ",
                  direction_text(x$statistic, higher), "."))
  }
  what <- switch(x$alternative, two.sided = "non-random co-occurrence",
                 greater = paste("a", label, "higher than at random"),
                 less = paste("a", label, "lower than at random"))
  paste0("p > 0.05 (", alternative_text(x$alternative), "): random matrices often reach the observed value; ",
         "no sign of ", what, ".")
}

#' @export
as.data.frame.kelpo_test <- function(x, ...) {
  fields <- c("statistic", "observed", "simulated_mean", "simulated_sd", "ses", "p_value", "alternative",
              "p_lower", "p_upper", "p_two_sided", "p_report", "ci_low", "ci_high", "less", "equal", "rhat", "ess",
              "iterations_run", "iterations_kept", "sampler", "seed")
  as.data.frame(x[fields], stringsAsFactors = FALSE)
}
