test_that("pairwise_test gives kelpo-cli's table and flags a planted segregated pair", {
  skip_if(Sys.getenv("KELPO_CLI") == "", "KELPO_CLI is not set")
  pairs <- pairwise_test(read_kelpo_matrix(dune_file()), samples = 800, seed = 4, progress = FALSE)
  expected <- read.csv(text = system2(Sys.getenv("KELPO_CLI"), c("--pairs", "--samples", "800", "--seed", "4", dune_file()),
                                      stdout = TRUE), stringsAsFactors = FALSE)
  expect_equal(as.data.frame(pairs)[names(expected)], expected, tolerance = 1e-4)
  set.seed(3)
  split <- rbind(a = rep(1:0, each = 10), b = rep(0:1, each = 10), matrix(rbinom(80, 1, 0.5), 4))
  classes <- pairwise_test(split, samples = 2000, progress = FALSE)$class
  expect_equal(classes, c("segregated", rep("random", 14)))
})
