# The charts of the desktop program's results window, drawn with R graphics.

observed_colour <- "#d55e00"
proportion_colours <- c("#0072b2", "#e69f00", "#009e73")
replicate_colours <- c("#0072b2", "#e69f00", "#009e73", "#cc79a7", "#56b4e9", "#f0e442", "#000000", "#999999",
                       "#882255", "#44aa99")

#' Charts of a co-occurrence test
#'
#' `type = "null"`: the null distribution, every simulated value's count, with
#' the observed value (solid line) and the central 95 % of the simulated values
#' (dashed). `type = "chain"`: the statistic along each replicate's swap chain,
#' which should wander around one level from the start if the chains mix well.
#'
#' @param x A `kelpo_test`, `kelpo_power` or `kelpo_analysis`.
#' @param type Which chart: `"null"`, `"chain"` or (for an analysis) `"power"`.
#' @param ... Passed to the plotting functions.
#' @return `x`, invisibly.
#' @examples
#' data(dune, package = "kelpo")
#' result <- cooccurrence_test(dune, iterations = 25000, progress = FALSE)
#' plot(result)
#' plot(result, type = "chain")
#' @export
plot.kelpo_test <- function(x, type = c("null", "chain"), ...) {
  type <- match.arg(type)
  if (type == "null") plot_null_distribution(x, ...) else plot_chain(x, ...)
  invisible(x)
}

plot_null_distribution <- function(x, ...) {
  counts <- x$null_distribution
  if (nrow(counts) == 0) stop("Nothing was simulated for this statistic: no null distribution.", call. = FALSE)
  label <- statistic_label(x$statistic)
  limits <- range(counts$value, x$observed)
  graphics::plot(counts$value, counts$count, type = "h", lwd = 2, col = "grey40", xlim = limits,
                 ylim = c(0, max(counts$count)), xlab = label, ylab = "Simulated matrices",
                 main = paste("Null distribution of the", label), ...)
  graphics::abline(v = c(x$quantile_025, x$quantile_975), lty = 2, col = "grey20")
  graphics::abline(v = x$observed, lwd = 2, col = observed_colour)
  graphics::legend("topright", c("Observed", "95 % of simulated values"), col = c(observed_colour, "grey20"),
                   lty = c(1, 2), lwd = c(2, 1), bty = "n")
}

plot_chain <- function(x, ...) {
  trace <- x$trace
  if (nrow(trace) == 0) stop("Nothing was simulated for this statistic: no chain.", call. = FALSE)
  label <- statistic_label(x$statistic)
  graphics::plot(range(trace$iteration), range(trace$value, x$observed), type = "n", xlab = "Iteration",
                 ylab = label, main = "Chains of the ten replicates", ...)
  for (r in unique(trace$replicate)) {
    chain <- trace[trace$replicate == r, ]
    graphics::lines(chain$iteration, chain$value, col = replicate_colours[(r - 1) %% 10 + 1])
  }
  graphics::abline(h = x$observed, lwd = 2, col = observed_colour)
}

#' @describeIn plot.kelpo_test The power chart: each kind of simulated
#'   community's rejection rate, one bar per proportion of interacting species,
#'   a white square on the bars inside the null hypothesis (there the rate is
#'   the Type I error rate, elsewhere the power) and the nominal size 0.05.
#' @export
plot.kelpo_power <- function(x, ...) {
  table <- x$power_table
  proportions <- sort(unique(table$proportion))
  rates <- matrix(0, length(proportions), 12, dimnames = list(proportions, 1:12))
  rates[cbind(match(table$proportion, proportions), table$distribution)] <- table$rejection_rate
  colours <- proportion_colours[match(proportions, c(0, 0.5, 1))]
  centres <- graphics::barplot(rates, beside = TRUE, col = colours, border = colours, ylim = c(0, 1.1),
                               xlab = "Distribution of species over sites", ylab = "Rejection rate",
                               main = "Power of the test", ...)
  inside <- table$in_null
  graphics::points(centres[cbind(match(table$proportion, proportions), table$distribution)][inside],
                   table$rejection_rate[inside], pch = 22, bg = "white", col = "black", cex = 1.3)
  graphics::abline(h = 0.05, lty = 2, lwd = 2, col = observed_colour)
  names <- c("No species interacting", "Half of the species interacting", "All species interacting")
  graphics::legend("top", c(names[match(proportions, c(0, 0.5, 1))], "Null hypothesis true", "Nominal size 0.05"),
                   fill = c(colours, NA, NA), border = c(colours, NA, NA), pch = c(rep(NA, length(colours)), 22, NA),
                   lty = c(rep(NA, length(colours)), NA, 2), col = c(rep(NA, length(colours)), "black",
                                                                    observed_colour),
                   pt.bg = "white", bty = "n", ncol = 2, cex = 0.8)
  invisible(x)
}

#' @describeIn plot.kelpo_test Any of the three charts of a whole analysis.
#' @export
plot.kelpo_analysis <- function(x, type = c("null", "chain", "power"), ...) {
  type <- match.arg(type)
  if (type == "power") plot(x$power, ...) else plot(x$test, type = type, ...)
  invisible(x)
}
