dune <- read_kelpo_matrix(dune_file())

test_that("R matrices and data frames keep their names; binary = TRUE reads abundances", {
  frame <- data.frame(species = rownames(dune), as.data.frame(dune * 3), check.names = FALSE)
  expect_error(cooccurrence_test(frame, iterations = 1e4), "holds 3 at species 'Achimill', site '1'")
  result <- suppressWarnings(cooccurrence_test(frame, iterations = 1e4, binary = TRUE, progress = FALSE))
  expect_equal(result$observed, suppressWarnings(cooccurrence_test(dune, iterations = 1e4))$observed)
  file <- tempfile()
  write_kelpo_matrix(frame, file, binary = TRUE)
  expect_identical(read_kelpo_matrix(file)[, ], dune[, ])
})

test_that("bad inputs stop with a message naming the problem", {
  bad <- dune
  bad[3, 2] <- 2L
  bad[2, 4] <- 5L
  expect_error(cooccurrence_test(bad), "holds 5 at species 'Agrostol', site '4' \\(row 2, column 4\\)")
  bad[2, 4] <- NA
  expect_error(cooccurrence_test(bad), "missing value \\(NA\\) at species 'Agrostol', site '4'")
  expect_error(cooccurrence_test(dune[0, ]), "empty")
  expect_error(cooccurrence_test(data.frame(a = c(1, 0), b = c("1", "0"))), "Column 'b' is not numeric")
  expect_error(cooccurrence_test(matrix("1", 2, 2)), "must hold numbers")
  expect_error(read_kelpo_matrix(tempfile()), "`file` must name an existing file")
  expect_error(power_analysis(dune, null = "interactions", interactions = 50), "not available with null =")
  refusals <- list(list(seed = 1.5), list(seed = -1), list(seed = 2^31), list(iterations = 25005),
                   list(iterations = 2), list(iterations = -5), list(matrices = 2.5), list(threads = 0))
  for (arguments in refusals) {
    expect_error(do.call(kelpo_analysis, c(list(dune), arguments)), paste0("^`", names(arguments), "` must be"))
  }
  expect_warning(cooccurrence_test(dune, iterations = 2000, progress = FALSE), "Fewer than 25000")
  twice <- dune
  rownames(twice)[c(2, 5)] <- "Agrostol"
  expect_error(cooccurrence_test(twice), "unique; more than once: 'Agrostol'")
  for (value in c(-1, Inf, NA)) {
    abundances <- dune * 2
    abundances[4, 6] <- value
    expect_error(cooccurrence_test(t(abundances), binary = TRUE, species = "columns"),
                 "species 'Alopgeni', site '6' \\(row 6, column 4\\)")
  }
})

test_that("species in columns, sparse and phyloseq tables give the numbers of the dense matrix", {
  test <- function(x, ...) unclass(cooccurrence_test(x, iterations = 1e4, seed = 9, progress = FALSE, ...))
  expected <- suppressWarnings(test(dune))
  suppressWarnings({
    expect_identical(test(t(dune), species = "columns"), expected)
    expect_identical(test(Matrix::Matrix(dune, sparse = TRUE)), expected)
    expect_identical(test(Matrix::t(Matrix::Matrix(dune * 5, sparse = TRUE)), species = "columns", binary = TRUE),
                     expected)
    skip_if_not_installed("phyloseq")
    expect_identical(test(phyloseq::otu_table(t(dune) * 7, taxa_are_rows = FALSE)), expected)
  })
  expect_identical(pairwise_test(t(dune), samples = 200, seed = 2, species = "columns", progress = FALSE),
                   pairwise_test(dune, samples = 200, seed = 2, progress = FALSE))
})

test_that("seed = NULL follows set.seed() and is kept; graphics arguments reach the charts", {
  run <- function() cooccurrence_test(dune, iterations = 25000, progress = FALSE)
  set.seed(4)
  first <- run()
  set.seed(4)
  expect_identical(run(), first)
  expect_output(print(first), paste("seed", first$seed))
  pairs <- pairwise_test(dune, samples = 200, seed = 1, progress = FALSE)
  # The texts and colours each chart handed to the device.
  drawn <- function(chart) {
    grDevices::png(tempfile(fileext = ".png"))
    on.exit(grDevices::dev.off())
    grDevices::dev.control("enable")
    chart()
    unlist(lapply(grDevices::recordPlot()[[1]], function(op) Filter(is.character, op[[2]])))
  }
  expect_in <- function(texts, chart) expect_true(all(texts %in% drawn(chart)))
  expect_in(c("Dune", "C-score of dune", "red"), function() plot(first, main = "Dune", xlab = "C-score of dune", col = "red"))
  expect_in(c("Chains", "blue"), function() plot(first, type = "chain", main = "Chains", col = "blue"))
  expect_in(c("Pairs", "Species"), function() plot(pairs, main = "Pairs", xlab = "Species"))
})

test_that("an interrupt stops a long run and leaves R usable", {
  skip_on_os("windows")
  big <- matrix(rbinom(100 * 50, 1, 0.3), 100, 50)
  # Ctrl-C, as the terminal would send it, a second after the run starts.
  system(paste0("(sleep 1; kill -INT ", Sys.getpid(), ")"), wait = FALSE)
  started <- Sys.time()
  expect_error(cooccurrence_test(big, iterations = 2e9, progress = FALSE), "interrupted by the user")
  expect_lt(as.numeric(Sys.time() - started, units = "secs"), 5)
  expect_equal(suppressWarnings(cooccurrence_test(dune, iterations = 1e4))$observed, 5274)
})
