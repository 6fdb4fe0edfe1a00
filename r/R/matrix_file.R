#' Read and write Kelpo's matrix files
#'
#' A matrix file is a header line of site names and one line per species: its
#' name, then a 0 or 1 for each site, separated by spaces, tabs or commas.
#' `read_kelpo_matrix()` reads every table `kelpo-cli` reads: Kelpo's text,
#' CSV as [write.csv()] and spreadsheets write it (quoted names, commas or
#' semicolons), and the text table of `biom convert --to-tsv`.
#'
#' @param file Path of the file.
#' @param species For reading: `"rows"` or `"columns"` (a sites-by-species
#'   table), as in [cooccurrence_test()].
#' @param binary For reading: `TRUE` reads every number above 0 as a presence.
#' @return `read_kelpo_matrix()`: an integer matrix of 0 and 1 with species and
#'   site names, which remembers the file's name for the report.
#'   `write_kelpo_matrix()`: `file`, invisibly.
#' @examples
#' dune <- read_kelpo_matrix(system.file("extdata", "dune.txt", package = "kelpo"))
#' dune[1:3, 1:5]
#' file <- tempfile(fileext = ".txt")
#' write_kelpo_matrix(dune, file)
#' identical(read_kelpo_matrix(file)[, ], dune[, ])
#' @export
read_kelpo_matrix <- function(file, species = c("rows", "columns"), binary = FALSE) {
  if (!is.character(file) || length(file) != 1 || !file.exists(file)) {
    stop("`file` must name an existing file, not ", value_text(file), ".", call. = FALSE)
  }
  contents <- .kelpo_read_matrix(path.expand(file), match.arg(species) == "columns", isTRUE(binary))
  cells <- contents$cells
  dimnames(cells) <- list(contents$species, contents$sites)
  attr(cells, "kelpo_name") <- contents$name
  cells
}

#' @rdname read_kelpo_matrix
#' @param x For writing: the table, as [cooccurrence_test()] takes it; `species`
#'   and `binary` then say how to read it.
#' @export
write_kelpo_matrix <- function(x, file, binary = FALSE, species = c("rows", "columns")) {
  input <- presence_input(x, binary, match.arg(species))
  names <- c(input$species, input$sites)
  blank <- grepl("[[:space:],]", names) | names == ""
  if (any(blank)) {
    stop("The name '", names[blank][1], "' holds a blank or a comma, or is empty: ",
         "a matrix file separates its fields by them.", call. = FALSE)
  }
  .kelpo_write_matrix(input, "Species", path.expand(file))
  invisible(file)
}
