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
  expect_error(read_kelpo_matrix(tempfile()), "Error 07")
  expect_error(power_analysis(dune, null = "interactions", interactions = 50), "not available with null =")
  expect_error(cooccurrence_test(dune, iterations = -5), "Error 10.*iterations")
  expect_warning(cooccurrence_test(dune, iterations = 2000, progress = FALSE), "Fewer than 25000")
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
