# The swap chain against vegan's fixed-fixed sequential swap: the C-score's null
# distribution of dune. vegan's nestedchecker gives the mean over species pairs,
# Kelpo the sum, so vegan's values are scaled by the number of pairs.
test_that("the C-score's null mean and SD agree with vegan's swap sampler", {
  skip_if_not_installed("vegan")
  dune <- read_kelpo_matrix(dune_file())
  kelpo <- cooccurrence_test(dune, iterations = 1e5, seed = 5, progress = FALSE)
  set.seed(5)
  # Sites in rows for vegan; 2000 values 100 swaps apart after 10000 swaps of burn-in.
  vegan <- vegan::oecosimu(t(dune), vegan::nestedchecker, method = "swap", nsimul = 2000, thin = 100,
                           burnin = 10000, statistic = "C.score")
  simulated <- as.vector(vegan$oecosimu$simulated) * choose(nrow(dune), 2)
  expect_equal(vegan$statistic$C.score * choose(nrow(dune), 2), kelpo$observed)
  expect_lt(abs(kelpo$simulated_mean / mean(simulated) - 1), 0.02)
  expect_lt(abs(kelpo$simulated_sd / sd(simulated) - 1), 0.10)
})
