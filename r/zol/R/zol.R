# Reading input files, and equating forms given as data frames

zol_condition <- function(class, message, kind, call, program_message = "") {
  structure(class = c(class, "error", "condition"),
            list(message = message, call = call, kind = kind,
                 program_message = program_message))
}

# A refused argument, signalled as the library signals a refused input.
input_error <- function(message, call) {
  stop(zol_condition("zol_input_error", message, "invalid_argument", call))
}

# The library's failure, returned by the compiled code as a list.
signal_failure <- function(failure, call) {
  stop(zol_condition(failure$condition, failure$message, failure$kind, call,
                     failure$program_message))
}

one_string <- function(x) is.character(x) && length(x) == 1L && !is.na(x)

one_flag <- function(x) is.logical(x) && length(x) == 1L && !is.na(x)

# A data frame built without data.frame()'s checks, which would cost more
# than the equating of a short form.
columns_frame <- function(columns) {
  structure(columns, class = "data.frame",
            row.names = .set_row_names(length(columns[[1L]])))
}

zol_read <- function(path, mixed_format = FALSE) {
  if (!one_string(path)) input_error("path must be one file name", sys.call())
  if (!one_flag(mixed_format)) input_error("mixed_format must be TRUE or FALSE", sys.call())
  read <- .zol_read(path.expand(path), path, mixed_format)
  if (!is.null(read$condition)) signal_failure(read, sys.call())
  for (part in c("new", "old", "theta", "conversion")) {
    if (!is.null(read[[part]])) read[[part]] <- columns_frame(read[[part]])
  }
  read
}

MODELS <- c("3PL", "GPCM", "GRM")

# The items' models (upper case), their steps as a matrix of the step columns
# b1, b2, ..., and how many leading cells of each row are the item's steps
# (0 for a 3PL item). Without a model column every item is a 3PL item.
step_columns <- function(items, step_names, labels, which, call) {
  model <- if ("model" %in% names(items)) toupper(as.character(items$model)) else
    rep("3PL", nrow(items))
  if (anyNA(match(model, MODELS))) {
    input_error(sprintf("the model of every item of %s must be 3PL, GPCM or GRM", which), call)
  }
  step_names <- step_names[order(as.integer(substring(step_names, 2L)))]
  if (!identical(step_names, sprintf("b%d", seq_along(step_names)))) {
    input_error(sprintf("the step columns of %s must be b1, b2, ... without gaps", which), call)
  }
  steps <- matrix(NA_real_, nrow(items), length(step_names))
  for (k in seq_along(step_names)) {
    if (!is.numeric(items[[step_names[k]]])) {
      input_error(sprintf("column %s of %s is not numeric", step_names[k], which), call)
    }
    steps[, k] <- as.double(items[[step_names[k]]])
  }
  # An item's steps are the leading cells of its row up to the first NA.
  step_count <- as.integer(rowSums(!is.na(steps)))
  refuse_item <- function(rows, why) {
    if (length(rows)) input_error(sprintf("item %s of %s %s", labels[rows[1L]], which, why), call)
  }
  refuse_item(which(rowSums(!is.na(steps) & col(steps) > step_count) > 0L),
              "has an NA among its steps b1, b2, ...")
  refuse_item(which(model == "3PL" & step_count > 0L),
              "is a 3PL item but has steps b1, b2, ...; a column model names other models")
  refuse_item(which(model != "3PL" & step_count == 0L), "has no steps b1, b2, ...")
  list(model = model, steps = steps, step_count = step_count)
}

# A form as the compiled code takes it: label (character), a, b, c (double)
# and, for a frame with a model column or step columns, those of
# step_columns.
item_columns <- function(items, which, call) {
  if (!is.data.frame(items)) {
    input_error(sprintf("%s must be a data frame of items with columns a, b and c", which),
                call)
  }
  columns <- names(items)
  labels <- if ("label" %in% columns) as.character(items$label) else row.names(items)
  step_names <- grep("^b[0-9]+$", columns, value = TRUE)
  mixed <- if ("model" %in% columns || length(step_names)) {
    step_columns(items, step_names, labels, which, call)
  }
  # A form without 3PL items needs no b and c.
  three_pl <- is.null(mixed) || any(mixed$model == "3PL")
  guessing <- if ("c" %in% columns) "c" else if ("g" %in% columns) "g" else NA
  missing <- c(setdiff(c("a", if (three_pl) "b"), columns), if (three_pl && is.na(guessing)) "c")
  if (length(missing)) {
    input_error(sprintf("%s has no column %s", which, paste(missing, collapse = ", ")), call)
  }
  number <- function(column) {
    if (is.na(column) || is.null(items[[column]])) return(rep(NA_real_, nrow(items)))
    if (!is.numeric(items[[column]])) {
      input_error(sprintf("column %s of %s is not numeric", column, which), call)
    }
    as.double(items[[column]])
  }
  c(list(label = labels, a = number("a"), b = number("b"), c = number(guessing)), mixed)
}

# Labels count only when given: automatic row names would make items common
# by their position.
has_labels <- function(items) "label" %in% names(items) || .row_names_info(items) > 0L

theta_columns <- function(theta, call) {
  if (is.null(theta)) return(NULL)
  if (is.numeric(theta) && is.null(dim(theta))) {
    return(list(point = as.double(theta), weight = NULL))
  }
  if (!is.data.frame(theta) || !is.numeric(theta$point) ||
      !(is.null(theta$weight) || is.numeric(theta$weight))) {
    input_error("theta must be NULL, a numeric vector of points or a data frame of point and weight",
                call)
  }
  list(point = as.double(theta$point),
       weight = if (is.null(theta$weight)) NULL else as.double(theta$weight))
}

# The table's grid: as its header gave it when zol_read made the table and
# its raw column still agrees; otherwise from the raw column, which must be
# regular.
conversion_columns <- function(conversion, call) {
  if (is.null(conversion)) return(NULL)
  if (!is.data.frame(conversion) || !is.numeric(conversion$raw) ||
      !is.numeric(conversion$scale)) {
    input_error("conversion must be NULL or a data frame of raw and scale", call)
  }
  raw <- as.double(conversion$raw)
  rows <- length(raw)
  grid <- list(lowest = attr(conversion, "lowest"), highest = attr(conversion, "highest"),
               increment = attr(conversion, "increment"))
  from_header <- all(lengths(grid) == 1L) && rows > 0L &&
    identical(raw, grid$lowest + seq(0, length.out = rows) * grid$increment)
  if (!from_header) {
    if (rows < 2L || anyNA(raw)) {
      input_error("conversion needs at least 2 rows with raw scores", call)
    }
    increment <- (raw[rows] - raw[1L]) / (rows - 1)
    if (any(abs(diff(raw) - increment) > 1e-9 * abs(increment))) {
      input_error("the raw scores of conversion are not on a regular grid", call)
    }
    grid <- list(lowest = raw[1L], highest = raw[rows], increment = increment)
  }
  c(list(scale = as.double(conversion$scale)), grid)
}

zol_equate <- function(new, old, theta = NULL, conversion = NULL, name = "", link = NULL,
                       scaling_constant = NULL, ...) {
  call <- sys.call()
  if (...length()) {
    unknown <- names(list(...))
    input_error(sprintf("unknown argument%s %s", if (...length() > 1L) "s" else "",
                        paste(if (is.null(unknown)) "without a name" else unknown,
                              collapse = ", ")), call)
  }
  if (!is.null(scaling_constant) &&
      !(is.numeric(scaling_constant) && length(scaling_constant) == 1L &&
        is.finite(scaling_constant) && scaling_constant > 0)) {
    input_error("scaling_constant must be NULL or one finite number above 0", call)
  }
  if (!one_string(name)) input_error("name must be one string", call)
  input <- list(new_form = item_columns(new, "new", call),
                old_form = item_columns(old, "old", call),
                theta = theta_columns(theta, call),
                conversion = conversion_columns(conversion, call),
                name = name, link = link,
                scaling_constant = if (!is.null(scaling_constant)) as.double(scaling_constant))
  if (!is.null(link)) {
    if (!one_string(link)) input_error("link must be NULL or one method's name", call)
    if (!has_labels(new) || !has_labels(old)) {
      input_error("linking matches items by label: give new and old a label column or row names",
                  call)
    }
  }
  results <- .zol_equate(input$new_form, input$old_form, input$theta, input$conversion,
                         input$name, input$link, input$scaling_constant, "results")
  if (!is.null(results$condition)) signal_failure(results, call)
  results$scores <- columns_frame(results$scores)
  results$input <- input
  structure(results, class = "zol_equating")
}

# The program's CSV or SVG of an equating: the same inputs run again, which
# gives the same bits.
write_program_file <- function(x, file, output, call) {
  if (!inherits(x, "zol_equating")) input_error("x must be a zol_equating result", call)
  if (!one_string(file)) input_error("file must be one file name", call)
  input <- x$input
  made <- .zol_equate(input$new_form, input$old_form, input$theta, input$conversion,
                      input$name, input$link, input$scaling_constant, output)
  if (!is.null(made$condition)) signal_failure(made, call)
  writeBin(charToRaw(made$text), file)
  invisible(file)
}

zol_csv <- function(x, file) write_program_file(x, file, "csv", sys.call())

zol_svg <- function(x, file) write_program_file(x, file, "svg", sys.call())
