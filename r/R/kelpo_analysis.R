#' The whole Kelpo analysis and its report
#'
#' The power analysis, then the test of the matrix, as the desktop program and
#' `kelpo-cli` run them. `format()` gives Kelpo's report text, byte for byte
#' what `kelpo-cli --output` writes for the same matrix, settings and seed.
#'
#' @inheritParams power_analysis
#' @param alternative The tail of the test's `p_value`, as in [cooccurrence_test()].
#' @param name The matrix's name in the report (`File: name.txt`); by default
#'   the file it was read from by [read_kelpo_matrix()], or none.
#' @return A `kelpo_analysis`: a list with `test` (a `kelpo_test`), `power` (a
#'   `kelpo_power`) and `report` (the report text, lines ending CR LF).
#' @seealso [write_report()] to save the report.
#' @examples
#' dune <- read_kelpo_matrix(system.file("extdata", "dune.txt", package = "kelpo"))
#' analysis <- suppressWarnings(kelpo_analysis(dune, null = "interactions", matrices = 10,
#'                                             iterations = 2000, seed = 1, progress = FALSE))
#' analysis
#' cat(substr(format(analysis), 1, 200))
#' @export
kelpo_analysis <- function(x, statistic = c("cscore", "checkerboards", "combinations"),
                           null = c("none", "interactions", "sites", "species"), assume = character(),
                           interactions = NULL, matrices = 100, iterations = "auto", seed = NULL, threads = NULL,
                           progress = interactive(), binary = FALSE, species = c("rows", "columns"),
                           name = attr(x, "kelpo_name"), max_seconds = 600, sampler = c("auto", "swap", "curveball"),
                           alternative = c("two.sided", "greater", "less")) {
  statistic <- match.arg(statistic)
  null <- match.arg(null)
  input <- presence_input(x, binary, match.arg(species))
  options <- analysis_options(input, statistic, null = null, assume = assume, interactions = interactions,
                              matrices = matrices, iterations = iterations, seed = seed, name = name %||% "",
                              max_seconds = max_seconds, sampler = match.arg(sampler))
  results <- run_engine(input, options, threads, power = TRUE, progress = progress)
  structure(list(test = new_kelpo_test(results, statistic, options, c(input$rows, input$cols),
                                       match.arg(alternative)),
                 power = new_kelpo_power(results, options), report = results$report),
            class = "kelpo_analysis")
}

#' @export
format.kelpo_analysis <- function(x, ...) {
  x$report
}

#' @export
print.kelpo_analysis <- function(x, ...) {
  cat(gsub("\r\n", "\n", x$report, fixed = TRUE), "\n", sep = "")
  invisible(x)
}

#' @export
summary.kelpo_analysis <- function(object, ...) {
  print(object$test)
  cat("\n")
  print(object$power)
  invisible(object)
}

#' @export
as.data.frame.kelpo_analysis <- function(x, ...) {
  as.data.frame(x$test)
}

#' Save Kelpo's report
#'
#' Writes the report text of a [kelpo_analysis()] to a file, exactly the bytes
#' `kelpo-cli --output` writes.
#'
#' @param result A `kelpo_analysis`.
#' @param file The file to write (replaced if it exists).
#' @return `file`, invisibly.
#' @examples
#' data(dune, package = "kelpo")
#' analysis <- suppressWarnings(kelpo_analysis(dune, matrices = 10, iterations = 2000,
#'                                             progress = FALSE))
#' file <- tempfile(fileext = ".txt")
#' write_report(analysis, file)
#' readLines(file, n = 3)
#' @export
write_report <- function(result, file) {
  if (!inherits(result, "kelpo_analysis")) stop("`result` must come from kelpo_analysis().", call. = FALSE)
  connection <- file(file, open = "wb")
  on.exit(close(connection))
  writeBin(charToRaw(result$report), connection)
  invisible(file)
}
