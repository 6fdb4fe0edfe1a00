# The package and kelpo-cli run one engine: for a matrix, settings and seed the
# numbers and the report's bytes must be the same. KELPO_CLI names the binary.
cli <- Sys.getenv("KELPO_CLI")

run_cli <- function(...) {
  json <- tempfile(fileext = ".json")
  report <- tempfile(fileext = ".txt")
  status <- system2(cli, c(..., "--json", json, "--output", report, dune_file()), stdout = FALSE, stderr = FALSE)
  expect_equal(status, 0)
  list(json = jsonlite::fromJSON(json), report = readBin(report, "raw", file.size(report)))
}

test_that("the whole analysis equals kelpo-cli's, report bytes included", {
  skip_if_not(file.exists(cli), "KELPO_CLI does not name kelpo-cli")
  expected <- run_cli("--statistic", "checkerboards", "--null", "sites", "--assume-species-equivalent",
                      "--matrices", "12", "--iterations", "3000", "--seed", "7", "--sampler", "auto")
  analysis <- suppressWarnings(kelpo_analysis(read_kelpo_matrix(dune_file()), statistic = "checkerboards",
                                              null = "sites", assume = "species", matrices = 12,
                                              iterations = 3000, seed = 7, threads = 2, progress = FALSE))
  fields <- c("observed", "simulated_mean", "simulated_sd", "ses", "ci_low", "ci_high", "less", "equal")
  expect_equal(unclass(analysis$test)[fields], expected$json[fields], tolerance = 1e-12)
  expect_equal(analysis$test$p_report, expected$json$p_value)
  table <- expected$json$power_table
  expect_equal(analysis$power$power_table$rejection_rate, table$rejection_rate)
  expect_equal(analysis$power$power_table$in_null, table$in_null)
  expect_equal(analysis$power$power_table$proportion, c(0, 0.5, 1)[table$proportion])
  expect_equal(analysis$power$power_table$distribution, table$distribution)
  expect_equal(analysis$power[c("actual_size", "min_power", "max_power")],
               expected$json[c("actual_size", "min_power", "max_power")])
  report <- tempfile()
  write_report(analysis, report)
  expect_identical(readBin(report, "raw", file.size(report)), expected$report)
})

test_that("the test alone equals kelpo-cli --no-power for each statistic", {
  skip_if_not(file.exists(cli), "KELPO_CLI does not name kelpo-cli")
  for (statistic in c("cscore", "combinations")) {
    expected <- run_cli("--no-power", "--statistic", statistic, "--iterations", "25000", "--seed", "11")$json
    test <- cooccurrence_test(read_kelpo_matrix(dune_file()), statistic, iterations = 25000, seed = 11,
                              progress = FALSE, sampler = "swap")
    expect_equal(unclass(test)[c("observed", "simulated_mean", "simulated_sd", "less", "equal")],
                 expected[c("observed", "simulated_mean", "simulated_sd", "less", "equal")],
                 tolerance = 1e-12)
    expect_equal(test$p_report, expected$p_value)
  }
})

test_that("an automatic length and sampler give kelpo-cli's mixing figures, tails, lengths and sampler", {
  skip_if_not(file.exists(cli), "KELPO_CLI does not name kelpo-cli")
  expected <- run_cli("--no-power", "--iterations", "auto", "--sampler", "auto", "--seed", "3")$json
  test <- cooccurrence_test(read_kelpo_matrix(dune_file()), seed = 3, progress = FALSE)
  fields <- c("rhat", "ess", "p_lower", "p_upper", "p_two_sided", "iterations_run", "iterations_kept",
              "time_limit_reached", "sampler")
  expect_equal(unclass(test)[fields], expected[fields], tolerance = 1e-12)
  expect_identical(length(test$mixing_warning) == 0, expected$mixed)
})
