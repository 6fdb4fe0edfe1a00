dune_file <- function() system.file("extdata", "dune.txt", package = "kelpo")
