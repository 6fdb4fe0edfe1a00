# The charts of the desktop program's results window, drawn with R graphics.
# Every chart takes the user's graphics arguments over its own defaults.

observed_colour <- "#d55e00"
proportion_colours <- c("#0072b2", "#e69f00", "#009e73")
replicate_colours <- c("#0072b2", "#e69f00", "#009e73", "#cc79a7", "#56b4e9", "#f0e442", "#000000", "#999999",
                       "#882255", "#44aa99")

# The function called with its defaults, replaced by any argument of the same name the user gave.
draw <- function(fun, defaults, ...) {
  do.call(fun, utils::modifyList(defaults, list(...)))
}

# The figures of a test in one line; the mixing figures when the result has them.
test_caption <- function(x) {
  figures <- c(observed = x$observed, mean = x$simulated_mean, SD = x$simulated_sd, SES = x$ses, p = x$p_value,
               `R-hat` = x$rhat)
  paste(names(figures), vapply(figures, format, "", digits = 4), collapse = ", ")
}

#' Charts of a co-occurrence test
#'
#' `type = "null"`: the null distribution as a histogram of the simulated
#' values, with the observed value (solid line), the central 95 percent of the
#' simulated values (dashed) and a caption with the observed value, the mean,
#' SD, SES and p-value. `type = "chain"`: the statistic along each replicate's
#' swap chain, which should wander around one level from the start if the
#' chains mix well.
#'
#' @param x A `kelpo_test`, `kelpo_power`, `kelpo_analysis` or `kelpo_pairs`.
#' @param type Which chart: `"null"`, `"chain"` or (for an analysis) `"power"`.
#' @param ... Graphics arguments such as `main`, `xlab`, `ylab`, `col` or
#'   `xlim`, which replace the chart's own. `col` colours the histogram's bars,
#'   the chains (one colour per replicate, recycled), the power chart's three
#'   proportions, or the heat map's palette from segregated to aggregated.
#' @return `x`, invisibly.
#' @examples
#' data(dune, package = "kelpo")
#' result <- cooccurrence_test(dune, iterations = 25000, seed = 1, progress = FALSE)
#' plot(result)
#' plot(result, main = "Dune meadows", col = "lightblue")
#' plot(result, type = "chain")
#' @export
plot.kelpo_test <- function(x, type = c("null", "chain"), ...) {
  type <- match.arg(type)
  if (type == "null") plot_null_distribution(x, ...) else plot_chain(x, ...)
  invisible(x)
}

# Bins of width 1 while the values are few, else about 40 bins; the observed value may lie outside.
null_histogram <- function(counts, observed) {
  span <- range(counts$value)
  breaks <- if (diff(span) <= 60) seq(span[1] - 0.5, span[2] + 0.5) else pretty(span, 40)
  bins <- findInterval(counts$value, breaks, rightmost.closed = TRUE)
  tallies <- tabulate(bins, length(breaks) - 1)
  tallies[sort(unique(bins))] <- as.numeric(tapply(counts$count, bins, sum))
  structure(list(breaks = breaks, counts = tallies, density = tallies / sum(tallies) / diff(breaks),
                 mids = breaks[-1] - diff(breaks) / 2, equidist = TRUE), class = "histogram")
}

plot_null_distribution <- function(x, ...) {
  counts <- x$null_distribution
  if (nrow(counts) == 0) stop("Nothing was simulated for this statistic: no null distribution.", call. = FALSE)
  label <- statistic_label(x$statistic)
  histogram <- null_histogram(counts, x$observed)
  draw(graphics::plot, list(histogram, col = "grey75", border = "white",
                            xlim = range(histogram$breaks, x$observed), ylim = c(0, max(histogram$counts) * 1.1),
                            xlab = label, ylab = "Simulated matrices", main = paste("Null distribution of the", label)),
       ...)
  graphics::mtext(test_caption(x), side = 3, line = 0.3, cex = 0.8)
  graphics::abline(v = c(x$quantile_025, x$quantile_975), lty = 2, col = "grey20")
  graphics::abline(v = x$observed, lwd = 2, col = observed_colour)
  graphics::legend("topright", c("Observed", "95 % of simulated values"), col = c(observed_colour, "grey20"),
                   lty = c(1, 2), lwd = c(2, 1), bty = "n", cex = 0.8)
}

plot_chain <- function(x, ...) {
  trace <- x$trace
  if (nrow(trace) == 0) stop("Nothing was simulated for this statistic: no chain.", call. = FALSE)
  args <- list(...)
  replicates <- sort(unique(trace$replicate))
  colours <- rep_len(args$col %||% replicate_colours, length(replicates))
  args$col <- NULL
  values <- range(trace$value, x$observed)
  defaults <- list(range(trace$iteration), c(values[1], values[2] + diff(values) * 0.3), type = "n",
                   xlab = "Iteration", ylab = statistic_label(x$statistic), main = "Chains of the ten replicates")
  do.call(graphics::plot, utils::modifyList(defaults, args))
  for (k in seq_along(replicates)) {
    chain <- trace[trace$replicate == replicates[k], ]
    graphics::lines(chain$iteration, chain$value, col = colours[k])
  }
  graphics::abline(h = x$observed, lwd = 2, col = observed_colour)
  if (!is.null(x$rhat)) {
    graphics::mtext(paste0("R-hat ", format(x$rhat, digits = 3), ", ESS ", format(round(x$ess))), side = 3,
                    line = 0.3, cex = 0.8)
  }
  graphics::legend("top", c(paste("Replicate", replicates), "Observed"), col = c(colours, observed_colour),
                   lwd = c(rep(1, length(replicates)), 2), ncol = 4, bty = "n", cex = 0.7)
}

#' @describeIn plot.kelpo_test The power chart: the rejection rate of each
#'   kind of simulated community, one bar per proportion of interacting species,
#'   only for the kinds that were simulated, the distributions named in words
#'   (see [kelpo_power_distributions]). A white square marks the bars inside the
#'   null hypothesis (there the rate is the Type I error rate, elsewhere the
#'   power); the dashed line is the nominal size 0.05.
#' @export
plot.kelpo_power <- function(x, ...) {
  table <- x$power_table
  proportions <- sort(unique(table$proportion))
  distributions <- sort(unique(table$distribution))
  labels <- kelpo_power_distributions$label[distributions]
  rates <- matrix(NA_real_, length(proportions), length(distributions), dimnames = list(proportions, labels))
  where <- cbind(match(table$proportion, proportions), match(table$distribution, distributions))
  rates[where] <- table$rejection_rate
  args <- list(...)
  colours <- rep_len(args$col %||% proportion_colours[match(proportions, c(0, 0.5, 1))], length(proportions))
  args$col <- NULL
  old <- graphics::par(mar = pmax(graphics::par("mar"), c(9, 4, 4, 1)))
  on.exit(graphics::par(old))
  defaults <- list(rates, beside = TRUE, col = colours, border = colours, ylim = c(0, 1.15), las = 2,
                   cex.names = 0.75, ylab = "Rejection rate", main = "Power of the test")
  centres <- do.call(graphics::barplot, utils::modifyList(defaults, args))
  inside <- table$in_null
  graphics::points(centres[where][inside], table$rejection_rate[inside], pch = 22, bg = "white", col = "black",
                   cex = 1.3)
  graphics::abline(h = 0.05, lty = 2, lwd = 2, col = observed_colour)
  names <- c("No species interacting", "Half of the species interacting", "All species interacting")
  shown <- length(colours)
  graphics::legend("top", c(names[match(proportions, c(0, 0.5, 1))], "Null hypothesis true", "Nominal size 0.05"),
                   fill = c(colours, NA, NA), border = c(colours, NA, NA), pch = c(rep(NA, shown), 22, NA),
                   lty = c(rep(NA, shown), NA, 2), col = c(rep(NA, shown), "black", observed_colour),
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

#' @describeIn plot.kelpo_test The heat map of a [pairwise_test()]: species by
#'   species, each pair's SES coloured blue where the pair shares more sites
#'   than chance gives (aggregated), red where fewer (segregated), white near 0;
#'   the pairs significant at the test's false discovery rate are outlined.
#' @export
plot.kelpo_pairs <- function(x, ...) {
  species <- attr(x, "species")
  n <- length(species)
  a <- match(x$species_a, species)
  b <- match(x$species_b, species)
  ses <- matrix(NA_real_, n, n)
  ses[cbind(a, b)] <- x$ses
  ses[cbind(b, a)] <- x$ses
  limit <- max(abs(x$ses), 1, na.rm = TRUE)
  args <- list(...)
  palette <- args$col %||% grDevices::colorRampPalette(c("#b2182b", "#f7f7f7", "#2166ac"))(101)
  args$col <- NULL
  # Species 1 at the top left, as the matrix reads.
  defaults <- list(seq_len(n), seq_len(n), ses[, n:1, drop = FALSE], col = palette, zlim = c(-limit, limit),
                   axes = FALSE, xlab = "", ylab = "", main = "Species pairs: standardised effect sizes", asp = 1)
  do.call(graphics::image, utils::modifyList(defaults, args))
  if (n <= 60) {
    graphics::axis(1, seq_len(n), species, las = 2, cex.axis = 0.6, tick = FALSE)
    graphics::axis(2, seq_len(n), rev(species), las = 1, cex.axis = 0.6, tick = FALSE)
  }
  significant <- x$class %in% c("segregated", "aggregated")
  column <- c(a[significant], b[significant])
  row <- n + 1 - c(b[significant], a[significant])
  graphics::rect(column - 0.5, row - 0.5, column + 0.5, row + 0.5, border = "black", lwd = 1.5)
  graphics::mtext(paste0("blue: aggregated, red: segregated (SES from ", format(-limit, digits = 3), " to ",
                         format(limit, digits = 3), "); outlined: significant at FDR ", attr(x, "fdr")),
                  side = 3, line = 0.3, cex = 0.75)
  invisible(x)
}

#' The twelve distributions of the power analysis
#'
#' [power_analysis()] simulates communities from twelve distributions. Each
#' gives every species at every site a probability of being present. The
#' species are split into an upper half (the first half of the rows) and a
#' lower half, the sites into a left half (the first half of the columns) and a
#' right half; with an odd number the extra row belongs to the lower half and
#' the extra column to the right half. Each distribution is constant within
#' each of the four blocks.
#'
#' Distributions 1, 2, 3, 6 and 7 have equivalent sites (the null hypothesis
#' `null = "sites"` holds for them), distributions 1 to 5 equivalent species
#' (`null = "species"`). Each is simulated with 0, half or all species
#' interacting: interacting species come in pairs of neighbouring rows (1 and
#' 2, 3 and 4, ...), and the second of a pair is half as likely to be present
#' where the first is present as where it is absent, keeping on average the
#' probability its distribution gives it. Only communities without interacting
#' species satisfy `null = "interactions"`.
#'
#' @format A data frame of 12 rows: `distribution` (1 to 12, as in the power
#'   table), `upper_left`, `upper_right`, `lower_left` and `lower_right` (the
#'   probability of presence in each block), `varies` (across `"nothing"`,
#'   `"sites"`, `"species"` or `"both"`) and `label` (the words of the power
#'   chart).
#' @examples
#' kelpo_power_distributions
#' @export
kelpo_power_distributions <- data.frame(
  distribution = 1:12,
  upper_left = c(0.1, 0.5, 0.9, 0.1, 0.2, 0.1, 0.2, 0.8, 0.9, 0.2, 0.1, 0.2),
  upper_right = c(0.1, 0.5, 0.9, 0.3, 0.8, 0.1, 0.2, 0.8, 0.9, 0.8, 0.9, 0.8),
  lower_left = c(0.1, 0.5, 0.9, 0.1, 0.2, 0.3, 0.8, 0.2, 0.1, 0.8, 0.9, 0.8),
  lower_right = c(0.1, 0.5, 0.9, 0.3, 0.8, 0.3, 0.8, 0.8, 0.9, 0.2, 0.1, 0.9),
  varies = rep(c("nothing", "sites", "species", "both"), c(3, 2, 2, 5)),
  label = c("uniform, sparse", "uniform, half full", "uniform, dense", "sites differ a little",
            "sites differ much", "species differ a little", "species differ much", "one sparse block",
            "one very sparse block", "opposite blocks", "strongly opposite blocks", "uneven opposite blocks"),
  stringsAsFactors = FALSE
)
