# R values to what the engine takes: the presences of each site as row numbers
# (compressed columns, as a sparse Matrix stores them), with the species' and the
# sites' names, and the settings as text, read by the same rules as kelpo-cli's.

# A list(rows, cols, p, i, species, sites): site k holds the species i[p[k] + 1:...] (from 0).
presence_input <- function(x, binary = FALSE, species = "rows") {
  if (inherits(x, c("phyloseq", "otu_table"))) {
    return(phyloseq_presences(x))
  }
  if (inherits(x, "Matrix")) {
    return(sparse_presences(x, binary, species))
  }
  dense_presences(as_number_matrix(x), binary, species)
}

# The otu_table says where the taxa are; abundances count as presences.
phyloseq_presences <- function(x) {
  if (!requireNamespace("phyloseq", quietly = TRUE)) {
    stop("Reading a phyloseq object needs the phyloseq package.", call. = FALSE)
  }
  table <- phyloseq::otu_table(x)
  rows <- phyloseq::taxa_are_rows(table)
  dense_presences(methods::as(table, "matrix"), binary = TRUE, species = if (rows) "rows" else "columns")
}

as_number_matrix <- function(x) {
  if (is.data.frame(x)) {
    x <- data_frame_cells(x)
  }
  if (!is.matrix(x)) {
    stop("`x` must be a matrix, a data frame, a sparse Matrix or a phyloseq object.", call. = FALSE)
  }
  if (!is.numeric(x) && !is.logical(x)) {
    stop("The matrix must hold numbers (0 and 1), not ", typeof(x), " values.", call. = FALSE)
  }
  x
}

# A first character (or factor) column holds the row names; every other column must be a number.
data_frame_cells <- function(x) {
  if (ncol(x) > 0 && (is.character(x[[1]]) || is.factor(x[[1]]))) {
    names <- as.character(x[[1]])
    x <- x[-1]
  } else {
    names <- row.names(x)
  }
  numeric <- vapply(x, function(column) is.numeric(column) || is.logical(column), logical(1))
  if (!all(numeric)) {
    stop("Column '", names(x)[!numeric][1], "' is not numeric: the cells must hold 0 and 1 ",
         "(only the first column may hold names).", call. = FALSE)
  }
  cells <- as.matrix(x)
  if (ncol(cells) > 0) storage.mode(cells) <- "double"
  rownames(cells) <- names
  cells
}

dense_presences <- function(x, binary, species) {
  transposed <- species == "columns"
  if (transposed) x <- t(x)
  input <- checked_names(nrow(x), ncol(x), rownames(x), colnames(x), transposed)
  bad <- if (binary) is.na(x) | x < 0 | is.infinite(x) else is.na(x) | (x != 0 & x != 1)
  if (any(bad)) {
    cell <- first_cell(which(bad, arr.ind = TRUE))
    refuse_value(x[cell[1], cell[2]], cell, input, binary)
  }
  found <- which(x > 0) - 1
  input$i <- as.integer(found %% nrow(x))
  input$p <- c(0L, cumsum(tabulate(found %/% nrow(x) + 1, ncol(x))))
  input
}

# The stored entries only: no dense copy of a large sparse table.
sparse_presences <- function(x, binary, species) {
  x <- methods::as(x, "CsparseMatrix")
  if (species == "columns") x <- Matrix::t(x)
  input <- checked_names(nrow(x), ncol(x), rownames(x), colnames(x), species == "columns")
  site <- rep.int(seq_len(ncol(x)), diff(x@p))
  values <- if (methods::.hasSlot(x, "x")) x@x else rep.int(1, length(x@i))
  bad <- if (binary) is.na(values) | values < 0 | is.infinite(values) else is.na(values) | (values != 0 & values != 1)
  if (any(bad)) {
    cells <- cbind(x@i[bad] + 1, site[bad])
    cell <- first_cell(cells)
    refuse_value(values[bad][order(cells[, 1], cells[, 2])[1]], cell, input, binary)
  }
  present <- values > 0
  input$i <- x@i[present]
  input$p <- c(0L, cumsum(tabulate(site[present], ncol(x))))
  input
}

checked_names <- function(rows, cols, species, sites, transposed) {
  if (rows == 0 || cols == 0) {
    stop("The matrix is empty: it needs at least one species and one site.", call. = FALSE)
  }
  species <- filled_names(species, "species", rows)
  repeated <- unique(species[duplicated(species)])
  if (length(repeated) > 0) {
    stop("Species names must be unique; more than once: ", paste0("'", utils::head(repeated, 5), "'", collapse = ", "),
         if (length(repeated) > 5) paste(" and", length(repeated) - 5, "more"), ".", call. = FALSE)
  }
  list(rows = rows, cols = cols, species = species, sites = filled_names(sites, "site", cols),
       transposed = transposed)
}

# A missing or empty name becomes "species3", "site7": a matrix file cannot hold an empty one.
filled_names <- function(names, prefix, n) {
  names <- names %||% character(n)
  empty <- is.na(names) | names == ""
  names[empty] <- paste0(prefix, which(empty))
  names
}

refuse_value <- function(value, cell, input, binary) {
  shown <- if (is.na(value)) "a missing value (NA)" else format(value)
  rule <- if (binary) {
    "with binary = TRUE every value must be 0 or more (a presence above 0)"
  } else {
    "a presence-absence matrix holds only 0 and 1 (binary = TRUE reads every value above 0 as a presence)"
  }
  stop("The matrix holds ", shown, " at ", cell_name(input, cell), ": ", rule, ".", call. = FALSE)
}

# The first cell in reading order: by species, then by site.
first_cell <- function(cells) {
  cells[order(cells[, 1], cells[, 2])[1], ]
}

# The row and column as the user's own matrix has them.
cell_name <- function(input, cell) {
  place <- if (input$transposed) rev(cell) else cell
  paste0("species '", input$species[cell[1]], "', site '", input$sites[cell[2]], "' (row ", place[1],
         ", column ", place[2], ")")
}

`%||%` <- function(x, y) if (is.null(x)) y else x

# A whole number within [low, high], refused (never rounded) otherwise.
whole_number <- function(x, name, low, high = .Machine$integer.max, step = 1) {
  ok <- is.numeric(x) && length(x) == 1 && !is.na(x) && x >= low && x <= high && x %% step == 0
  if (!ok) {
    what <- if (step == 1) "a whole number" else paste("a whole multiple of", step)
    stop("`", name, "` must be ", what, " from ", count_text(low), " to ", count_text(high), ", not ",
         value_text(x), ".", call. = FALSE)
  }
  x
}

value_text <- function(x) {
  if (!is.atomic(x) || length(x) != 1) return(paste0("a ", class(x)[1], " of length ", length(x)))
  if (is.numeric(x)) format(x, digits = 15) else deparse(x)
}

count_text <- function(x) formatC(x, format = "f", digits = 0, big.mark = ",")

# NULL draws the engine's seed from R's random numbers, so set.seed() repeats a call.
engine_seed <- function(seed) {
  if (is.null(seed)) return(sample.int(.Machine$integer.max, 1L))
  whole_number(seed, "seed", 0)
}

# The number as kelpo-cli reads it: its whole text, no rounding by R.
number_text <- function(x) sprintf("%.17g", x)

threads_count <- function(threads) {
  if (is.null(threads)) return(0L)
  as.integer(whole_number(threads, "threads", 1, 1024))
}

analysis_options <- function(input, statistic, null = "none", assume = character(), interactions = NULL,
                             matrices = 100, iterations = "auto", seed = NULL, name = "", max_seconds = 600,
                             sampler = "auto") {
  unknown <- setdiff(assume, c("sites", "species"))
  if (length(unknown) > 0) {
    stop("Unknown assumption '", unknown[1], "': `assume` takes \"sites\" and \"species\" ",
         "(the interactions go in `interactions`).", call. = FALSE)
  }
  if (!is.null(interactions) && !(length(interactions) == 1 && interactions %in% c(0, 50, 100))) {
    stop("`interactions` must be NULL (no assumption) or the percentage of interacting species: 0, 50 or 100.",
         call. = FALSE)
  }
  whole_number(matrices, "matrices", 1)
  if (!is.numeric(max_seconds) || length(max_seconds) != 1 || is.na(max_seconds) || max_seconds <= 0) {
    stop("`max_seconds` must be a number of seconds greater than 0, not ", value_text(max_seconds), ".",
         call. = FALSE)
  }
  auto <- identical(iterations, "auto")
  if (!auto) {
    # Ten replicate chains of iterations / 10 each, 32-bit counts.
    whole_number(iterations, "iterations", 10, 2147483640, step = 10)
  }
  if (matrices < 100) {
    warning("Fewer than 100 simulated communities per row of the power table may give unreliable rates.",
            call. = FALSE)
  }
  if (!auto && iterations < 25000) {
    warning("Fewer than 25000 iterations for the hypothesis test may give unreliable results.", call. = FALSE)
  }
  list(statistic = statistic, null = if (null == "none") "" else null, assume = assume,
       interactions = if (is.null(interactions)) NULL else as.integer(interactions),
       iterations = if (auto) "auto" else number_text(iterations), matrices = number_text(matrices),
       seed = number_text(engine_seed(seed)), name = name, max_seconds = number_text(max_seconds),
       sampler = sampler)
}

# One run of the engine.
run_engine <- function(input, options, threads, power, progress) {
  .kelpo_run(input, options, threads_count(threads), power, isTRUE(progress))
}
