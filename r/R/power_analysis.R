#' How far can the test be trusted? The power analysis
#'
#' Simulates communities of known structure (the twelve distributions of
#' species and sites of [kelpo_power_distributions], with 0, 50 or 100 percent
#' of the species interacting) and tests each as
#' [cooccurrence_test()] would. The rejection rates of communities inside the
#' null hypothesis are the test's Type I error rates (its actual size), those
#' outside it its power.
#'
#' @inheritParams cooccurrence_test
#' @param null The null hypothesis whose communities count as "true": `"none"`
#'   (every simulated community), `"interactions"` (no interactions between
#'   species), `"sites"` (sites equivalent) or `"species"` (species equivalent).
#' @param assume Assumptions that leave out the distributions they exclude:
#'   any of `"sites"` (sites equivalent) and `"species"` (species equivalent).
#'   Each needs a null hypothesis that leaves it open.
#' @param interactions `NULL`, or the percentage of species assumed to
#'   interact (0, 50 or 100); needs `null` other than `"none"` and
#'   `"interactions"`.
#' @param matrices Simulated communities per row of the power table, a whole
#'   number of at least 1. Fewer than 100 give a warning.
#' @param iterations Iterations of each test, as in [cooccurrence_test()]. With
#'   `"auto"`, the test of the matrix finds its length first, and every
#'   simulated community's test runs as long.
#' @return A `kelpo_power`: a list with `power_table` (a data frame with
#'   `proportion` of species interacting, `distribution` 1 to 12 (see
#'   [kelpo_power_distributions]), `in_null` and
#'   `rejection_rate`), `actual_size` (the largest rejection rate inside the null
#'   hypothesis), `min_power` and `max_power` (over every row) and `warnings`
#'   (the report's warnings about the test, if any). It has `print`, `summary`,
#'   `plot` and `as.data.frame` methods.
#' @seealso [kelpo_analysis()] for the power analysis, the test and the report.
#' @examples
#' data(dune, package = "kelpo")
#' power <- suppressWarnings(power_analysis(dune, null = "interactions", matrices = 10,
#'                                          iterations = 2000, seed = 1, progress = FALSE))
#' power
#' head(as.data.frame(power))
#' plot(power)
#' @export
power_analysis <- function(x, statistic = c("cscore", "checkerboards", "combinations"),
                           null = c("none", "interactions", "sites", "species"), assume = character(),
                           interactions = NULL, matrices = 100, iterations = "auto", seed = NULL, threads = NULL,
                           progress = interactive(), binary = FALSE, species = c("rows", "columns"),
                           max_seconds = 600, sampler = c("auto", "swap", "curveball")) {
  analysis <- kelpo_analysis(x, statistic = statistic, null = null, assume = assume, interactions = interactions,
                             matrices = matrices, iterations = iterations, seed = seed, threads = threads,
                             progress = progress, binary = binary, species = species, max_seconds = max_seconds,
                             sampler = sampler)
  analysis$power
}

new_kelpo_power <- function(results, options) {
  structure(list(power_table = results$power_table, actual_size = results$actual_size,
                 min_power = results$min_power, max_power = results$max_power, warnings = results$warnings,
                 null = if (options$null == "") "none" else options$null, statistic = options$statistic,
                 matrices = as.numeric(options$matrices)),
            class = "kelpo_power")
}

#' @export
print.kelpo_power <- function(x, ...) {
  cat("Kelpo power analysis:", statistic_label(x$statistic), "test, null hypothesis:", x$null, "\n")
  cat(x$matrices, "simulated communities per row\n\n")
  print(x$power_table, row.names = FALSE)
  cat("\nActual size (largest Type I error rate): ", format(x$actual_size, nsmall = 3), " (nominal 0.050)\n",
      "Power: minimum ", format(x$min_power, nsmall = 3), ", maximum ", format(x$max_power, nsmall = 3), "\n",
      sep = "")
  if (length(x$warnings) > 0) {
    cat(paste0("Warning: ", x$warnings, "\n"), sep = "")
  } else {
    cat("The test has tolerable Type I error rates and adequate power.\n")
  }
  invisible(x)
}

#' @export
summary.kelpo_power <- function(object, ...) {
  table <- object$power_table
  rates <- tapply(table$rejection_rate, table$in_null, range)
  cat("Rejection rates inside the null hypothesis (Type I):", format_range(rates[["TRUE"]]), "\n")
  cat("Rejection rates outside it (power):                 ", format_range(rates[["FALSE"]]), "\n")
  invisible(object)
}

format_range <- function(range) {
  if (is.null(range)) return("none")
  paste(format(range, nsmall = 3), collapse = " to ")
}

#' @export
as.data.frame.kelpo_power <- function(x, ...) {
  x$power_table
}
