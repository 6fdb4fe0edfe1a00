# The example matrix, read from the one file installed with the package.
dune <- kelpo::read_kelpo_matrix(system.file("extdata", "dune.txt", package = "kelpo"))
attr(dune, "kelpo_name") <- NULL
