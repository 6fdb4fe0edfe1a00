# Our plain split R-hat and ESS against coda on the same AR(1) chains, split in halves
# for coda as ours are. coda's psrf adds (1 + 1/m) B/n and a degrees-of-freedom factor
# to the classic estimate: within 0.01 of ours near 1. Its effectiveSize sums per-chain
# spectral densities at 0 (spectrum0.ar) where ours is Geyer's multi-chain sum: within
# 12 % on chains of 5000, both near the true n (1 - phi) / (1 + phi).
test_that("plain split R-hat and ESS agree with coda's", {
  skip_if_not_installed("coda")
  set.seed(17)
  ar1 <- function(n, phi, shift) shift + as.numeric(stats::arima.sim(list(ar = phi), n))
  for (case in list(c(phi = 0.5, shift = 0), c(phi = 0.9, shift = 0), c(phi = 0.3, shift = 0.08))) {
    chains <- lapply(1:4, function(k) ar1(5000, case[["phi"]], case[["shift"]] * k))
    halves <- unlist(lapply(chains, function(x) list(x[1:2500], x[2501:5000])), recursive = FALSE)
    ours <- mixing_figures(chains, rank_normalized = FALSE)
    theirs <- coda::mcmc.list(lapply(halves, coda::mcmc))
    psrf <- coda::gelman.diag(theirs, autoburnin = FALSE, multivariate = FALSE)$psrf[1, 1]
    expect_equal(ours[["rhat"]], unname(psrf), tolerance = 0.01 / psrf)
    if (case[["shift"]] == 0) expect_equal(ours[["ess"]], sum(unname(coda::effectiveSize(theirs))), tolerance = 0.12)
  }
  expect_gt(mixing_figures(lapply(1:4, function(k) 3 * k + stats::rnorm(500)))[["rhat"]], 2)
})

test_that("alternative picks the tail, and summary() says which way the species lean", {
  # A Hadamard design: 15 species on 7 of 15 sites each, every pair sharing exactly 3, so
  # evenly that random matrices with these sums give a higher C-score: aggregation.
  odd <- function(i, j) sum(as.integer(intToBits(bitwAnd(i, j)))) %% 2
  aggregated <- 1 - outer(1:15, 1:15, Vectorize(odd))
  rownames(aggregated) <- paste0("sp", 1:15)
  tests <- lapply(c("two.sided", "greater", "less"), function(alternative) {
    cooccurrence_test(aggregated, alternative = alternative, seed = 2, progress = FALSE)
  })
  expect_equal(vapply(tests, `[[`, 1, "p_value"), unname(unlist(tests[[1]][c("p_two_sided", "p_upper", "p_lower")])))
  expect_lt(tests[[3]]$p_value, 0.01)
  expect_match(paste(utils::capture.output(summary(tests[[3]])), collapse = " "), "lower than in random.*aggregated")
  expect_match(paste(utils::capture.output(summary(tests[[2]])), collapse = " "), "p > 0.05 .*no sign of a C-score")
})

test_that("read_kelpo_matrix() reads write.csv()'s quoted table, also sites by species", {
  file <- tempfile(fileext = ".csv")
  cells <- matrix(c(1, 0, 1, 1, 0, 1), 2, dimnames = list(c("Poa annua", "Bellis"), c("s 1", "s2", "s3")))
  utils::write.csv(cells, file)
  expect_equal(read_kelpo_matrix(file)[, ], cells)
  utils::write.csv(t(cells), file)
  expect_equal(read_kelpo_matrix(file, species = "columns")[, ], cells)
})
