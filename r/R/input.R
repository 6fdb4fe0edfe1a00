# R values to what the engine takes: a 0/1 integer matrix with names, and the
# settings as text, read by the same rules as kelpo-cli's options.

as_presence_matrix <- function(x, binary = FALSE) {
  if (is.data.frame(x)) {
    x <- data_frame_cells(x)
  }
  if (!is.matrix(x)) {
    stop("`x` must be a matrix or a data frame of species (rows) by sites (columns).", call. = FALSE)
  }
  if (nrow(x) == 0 || ncol(x) == 0) {
    stop("The matrix is empty: it needs at least one species (row) and one site (column).", call. = FALSE)
  }
  if (!is.numeric(x) && !is.logical(x)) {
    stop("The matrix must hold numbers (0 and 1), not ", typeof(x), " values.", call. = FALSE)
  }
  missing <- which(is.na(x), arr.ind = TRUE)
  if (nrow(missing) > 0) {
    stop("The matrix holds a missing value (NA) at ", cell_name(x, first_cell(missing)),
         ": a presence-absence matrix needs a 0 or 1 in every cell.", call. = FALSE)
  }
  if (binary) {
    cells <- x > 0
  } else {
    bad <- which(x != 0 & x != 1, arr.ind = TRUE)
    if (nrow(bad) > 0) {
      cell <- first_cell(bad)
      stop("The matrix holds ", format(x[cell[1], cell[2]]), " at ", cell_name(x, cell),
           ": a presence-absence matrix holds only 0 and 1 (binary = TRUE reads every value above 0 as a presence).",
           call. = FALSE)
    }
    cells <- x == 1
  }
  storage.mode(cells) <- "integer"
  rownames(cells) <- rownames(x) %||% paste0("species", seq_len(nrow(x)))
  colnames(cells) <- colnames(x) %||% paste0("site", seq_len(ncol(x)))
  cells
}

# A first character (or factor) column holds the species names; every other column must be a number.
data_frame_cells <- function(x) {
  if (ncol(x) > 0 && (is.character(x[[1]]) || is.factor(x[[1]]))) {
    species <- as.character(x[[1]])
    x <- x[-1]
  } else {
    species <- row.names(x)
  }
  numeric <- vapply(x, function(column) is.numeric(column) || is.logical(column), logical(1))
  if (!all(numeric)) {
    stop("Column '", names(x)[!numeric][1], "' is not numeric: the sites must hold 0 and 1 ",
         "(only the first column may hold the species names).", call. = FALSE)
  }
  cells <- as.matrix(x)
  if (ncol(cells) > 0) storage.mode(cells) <- "double"
  rownames(cells) <- species
  cells
}

# The first cell in reading order: by species, then by site.
first_cell <- function(cells) {
  cells[order(cells[, 1], cells[, 2])[1], ]
}

cell_name <- function(x, cell) {
  species <- rownames(x)[cell[1]]
  site <- colnames(x)[cell[2]]
  paste0("species ", if (is.null(species)) cell[1] else paste0("'", species, "'"),
         ", site ", if (is.null(site)) cell[2] else paste0("'", site, "'"),
         " (row ", cell[1], ", column ", cell[2], ")")
}

`%||%` <- function(x, y) if (is.null(x)) y else x

# A number as kelpo-cli reads it: its whole text, no rounding by R.
number_text <- function(x, name) {
  if (!is.numeric(x) || length(x) != 1 || is.na(x)) {
    stop("`", name, "` must be a single number.", call. = FALSE)
  }
  sprintf("%.17g", x)
}

threads_count <- function(threads) {
  if (is.null(threads)) return(0L)
  if (!is.numeric(threads) || length(threads) != 1 || is.na(threads) || threads < 1 || threads != round(threads)) {
    stop("`threads` must be NULL (all cores) or a whole number of at least 1.", call. = FALSE)
  }
  as.integer(threads)
}

analysis_options <- function(cells, statistic, null = "none", assume = character(), interactions = NULL,
                             matrices = 100, iterations = 1e5, seed = 0, name = "") {
  unknown <- setdiff(assume, c("sites", "species"))
  if (length(unknown) > 0) {
    stop("Unknown assumption '", unknown[1], "': `assume` takes \"sites\" and \"species\" ",
         "(the interactions go in `interactions`).", call. = FALSE)
  }
  if (!is.null(interactions) && !(interactions %in% c(0, 50, 100))) {
    stop("`interactions` must be NULL (no assumption) or the percentage of interacting species: 0, 50 or 100.",
         call. = FALSE)
  }
  list(statistic = statistic, null = if (null == "none") "" else null, assume = assume,
       interactions = if (is.null(interactions)) NULL else as.integer(interactions),
       iterations = number_text(iterations, "iterations"), matrices = number_text(matrices, "matrices"),
       seed = number_text(seed, "seed"), name = name, species = nrow(cells), sites = ncol(cells))
}

# One run of the engine; warnings of the number rules reach R as R warnings.
run_engine <- function(cells, options, threads, power, progress) {
  results <- .kelpo_run(cells, options, threads_count(threads), power, isTRUE(progress))
  # The dialog's question has no place in a script: the run goes on. R says "Warning" itself.
  for (text in results$setting_warnings) {
    warning(sub("^Warning: ", "", sub(" Continue?", "", text, fixed = TRUE)), call. = FALSE)
  }
  results$setting_warnings <- NULL
  results
}
