#' kelpo: do species co-occur at random?
#'
#' Tests a presence-absence matrix (species in rows, sites in columns) against
#' random matrices with the same row and column sums, and tells through a power
#' analysis how far that test can be trusted. The engine is the one of the Kelpo
#' desktop program and `kelpo-cli`: for a seed, the numbers and the report are
#' the same.
#'
#' Start with [cooccurrence_test()], then [power_analysis()]; [kelpo_analysis()]
#' does both and gives Kelpo's report. See `vignette("kelpo")`.
#'
#' @keywords internal
#' @useDynLib kelpo, .registration = TRUE
#' @importFrom Rcpp sourceCpp
"_PACKAGE"

#' The dune meadow vegetation matrix
#'
#' Presence and absence of 30 plant species (rows) in 20 dune meadow plots
#' (columns), the example matrix that comes with Kelpo. The same file is
#' installed as `system.file("extdata", "dune.txt", package = "kelpo")`.
#'
#' @format An integer matrix of 0 and 1, 30 species by 20 sites, with species
#'   and site names.
#' @name dune
#' @docType data
#' @usage data(dune, package = "kelpo")
#' @examples
#' data(dune, package = "kelpo")
#' dim(dune)
#' rowSums(dune)[1:5]
NULL
