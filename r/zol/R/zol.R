# Reading input files, and equating forms given as data frames

zol_condition <- function(class, message, kind, call) {
  structure(class = c(class, "error", "condition"),
            list(message = message, call = call, kind = kind))
}

# A refused argument, signalled as the library signals a refused input.
input_error <- function(message, call) {
  stop(zol_condition("zol_input_error", message, "invalid_argument", call))
}

# The library's failure, returned by the compiled code as a list.
signal_failure <- function(failure, call) {
  stop(zol_condition(failure$condition, failure$message, failure$kind, call))
}

one_string <- function(x) is.character(x) && length(x) == 1L && !is.na(x)

one_flag <- function(x) is.logical(x) && length(x) == 1L && !is.na(x)

# A data frame built without data.frame()'s checks, which would cost more
# than the equating of a short form.
columns_frame <- function(columns) {
  structure(columns, class = "data.frame",
            row.names = .set_row_names(length(columns[[1L]])))
}

# A matrix with column names stands for the data frame of its columns.
as_frame <- function(x) {
  if (is.matrix(x) && !is.null(colnames(x))) as.data.frame(x, stringsAsFactors = FALSE) else x
}

# What zol_read keeps with each part it gives, so that zol_equate can tell
# the library which records it has warned of already (their lines in the
# file) and show the reader's warnings before the equating's.
with_read <- function(part, kept, read) {
  if (!is.null(part)) {
    attr(part, "zol_read") <- c(kept, list(warnings = read$warnings,
                                           not_kept = read$warnings_not_kept))
  }
  part
}

zol_read <- function(path, mixed_format = FALSE) {
  call <- sys.call()
  if (!one_string(path)) input_error("path must be one file name", call)
  if (!one_flag(mixed_format)) input_error("mixed_format must be TRUE or FALSE", call)
  read <- .zol_read(path.expand(path), path, mixed_format)
  if (!is.null(read$condition)) signal_failure(read, call)
  forms <- list(new = columns_frame(read$new), old = columns_frame(read$old))
  for (which in names(forms)) {
    records <- c(item_columns(forms[[which]], which, call), list(line = read$lines[[which]]))
    forms[[which]] <- with_read(forms[[which]], list(records = records), read)
  }
  # Each group's distribution keeps its header's line, where the reader
  # warned of its weights, while its points and weights are those read.
  groups <- list()
  for (which in c("theta", "old_theta")) {
    group <- if (!is.null(read[[which]])) columns_frame(read[[which]])
    groups[which] <- list(with_read(group, list(line = read$lines[[which]], point = group$point,
                                                weight = group$weight), read))
  }
  conversion <- if (!is.null(read$conversion)) columns_frame(read$conversion)
  conversion <- with_read(conversion, list(line = read$lines$conversion), read)
  structure(list(new = forms$new, old = forms$old, theta = groups$theta,
                 old_theta = groups$old_theta, conversion = conversion, name = read$name),
            warnings = read$shown_warnings)
}

# The item models by the library's names ("3PL", "GPCM", "GRM").
item_models <- function() .zol_names()$models

# "a", "a and b", "a, b and c".
word_list <- function(words) {
  if (length(words) == 1L) words else
    paste(paste(words[-length(words)], collapse = ", "), "and", words[length(words)])
}

# A column of numbers; a column of NA alone is missing values, whatever its
# type.
number_column <- function(items, column, form, call) {
  values <- items[[column]]
  if (!is.numeric(values) && is.atomic(values) && all(is.na(values))) {
    return(rep(NA_real_, length(values)))
  }
  if (!is.numeric(values)) input_error(sprintf("column %s of %s is not numeric", column, form), call)
  as.double(values)
}

# The items' models (upper case), their steps as a matrix of the step columns
# b1, b2, ..., and how many leading cells of each row are the item's steps
# (0 for a 3PL item). Without a model column every item is a 3PL item.
step_columns <- function(items, step_names, labels, form, call) {
  model <- if ("model" %in% names(items)) toupper(as.character(items[["model"]])) else
    rep("3PL", nrow(items))
  models <- item_models()
  unknown <- which(is.na(match(model, toupper(models))))
  if (length(unknown)) {
    input_error(sprintf("item %s of %s has the model '%s', not one of %s", labels[unknown[1L]],
                        form, items[["model"]][unknown[1L]], word_list(models)), call)
  }
  model <- models[match(model, toupper(models))]
  step_names <- step_names[order(as.integer(substring(step_names, 2L)))]
  if (!identical(step_names, sprintf("b%d", seq_along(step_names)))) {
    input_error(sprintf("the step columns of %s must be b1, b2, ... without gaps, not %s", form,
                        paste(step_names, collapse = ", ")), call)
  }
  steps <- matrix(NA_real_, nrow(items), length(step_names))
  for (k in seq_along(step_names)) steps[, k] <- number_column(items, step_names[k], form, call)
  # An item's steps are the leading cells of its row up to the first NA.
  step_count <- as.integer(rowSums(!is.na(steps)))
  refuse_item <- function(rows, why) {
    if (length(rows)) {
      input_error(sprintf("item %s of %s %s", labels[rows[1L]], form, why(rows[1L])), call)
    }
  }
  refuse_item(which(rowSums(!is.na(steps) & col(steps) > step_count) > 0L), function(row) {
    given <- !is.na(steps[row, ])
    gap <- match(FALSE, given)
    sprintf("has %s but no %s", step_names[gap + match(TRUE, given[-seq_len(gap)])],
            step_names[gap])
  })
  refuse_item(which(model == "3PL" & step_count > 0L), function(row) {
    "is 3PL but has steps b1, b2, ...; a column model names other models"
  })
  refuse_item(which(model != "3PL" & step_count == 0L), function(row) {
    sprintf("is %s but has no steps b1, b2, ...", model[row])
  })
  list(model = model, steps = steps, step_count = step_count)
}

# A form as the compiled code takes it: label (character), a, b, c (double)
# and, for a frame with a model column or step columns, those of
# step_columns; line, for a form from zol_read, each record's line in the
# file while its values are those read there (0 otherwise).
item_columns <- function(items, which, call) {
  form <- sprintf("the %s form", which)
  items <- as_frame(items)
  if (!is.data.frame(items)) {
    input_error(sprintf("%s must be a data frame of %s's items (or a matrix with column names)",
                        which, form), call)
  }
  columns <- names(items)
  labels <- if ("label" %in% columns) as.character(items[["label"]]) else row.names(items)
  step_names <- grep("^b[0-9]+$", columns, value = TRUE)
  mixed <- if ("model" %in% columns || length(step_names)) {
    step_columns(items, step_names, labels, form, call)
  }
  # A form without 3PL items needs no b and c.
  three_pl <- is.null(mixed) || any(mixed$model == "3PL")
  guessing <- if ("c" %in% columns) "c" else if ("g" %in% columns) "g" else NA
  missing <- c(setdiff(c("a", if (three_pl) "b"), columns), if (three_pl && is.na(guessing)) "c")
  if (length(missing)) {
    input_error(sprintf("%s has no column%s %s", form, if (length(missing) > 1L) "s" else "",
                        word_list(missing)), call)
  }
  number <- function(column) {
    if (is.na(column) || !column %in% columns) return(rep(NA_real_, nrow(items)))
    number_column(items, column, form, call)
  }
  records <- c(list(label = labels, a = number("a"), b = number("b"), c = number(guessing)),
               mixed)
  read <- attr(items, "zol_read")$records
  if (!is.null(read)) records$line <- lines_read(records, read)
  records
}

# The line of each record that is still as read, 0 for the others: by
# position while the records are those read, else by label and values.
lines_read <- function(records, read) {
  fields <- c("label", "model", "a", "b", "c", "steps", "step_count")
  if (identical(records[fields], read[fields])) return(read$line)
  line <- read$line[match(record_keys(records), record_keys(read))]
  ifelse(is.na(line), 0, line)
}

# Each record as one string of its label, model and the values it uses,
# every number in all its bits.
record_keys <- function(records) {
  bits <- function(x) sprintf("%a", x)
  n <- length(records$a)
  model <- if (is.null(records$model)) rep("3PL", n) else records$model
  three_pl <- model == "3PL"
  parts <- list(records$label, model, bits(records$a), ifelse(three_pl, bits(records$b), ""),
                ifelse(three_pl, bits(records$c), ""))
  for (k in seq_len(NCOL(records$steps))) {
    parts[[length(parts) + 1L]] <- ifelse(k <= records$step_count, bits(records$steps[, k]), "")
  }
  do.call(paste, c(parts, sep = "\r"))
}

# Labels count only when given: row numbers, automatic or kept by a subset,
# would make items common by their position.
has_labels <- function(items) {
  items <- as_frame(items)
  "label" %in% names(items) || is.character(attr(items, "row.names"))
}

# An ability distribution: points and weights (NULL: equal weights), and the
# line of its header while it is as zol_read gave it; argument names it.
theta_columns <- function(theta, argument, call) {
  if (is.null(theta)) return(NULL)
  theta <- as_frame(theta)
  if (is.numeric(theta) && is.null(dim(theta))) {
    return(list(point = as.double(theta), weight = NULL))
  }
  if (!is.data.frame(theta) || !is.numeric(theta[["point"]]) ||
      !(is.null(theta[["weight"]]) || is.numeric(theta[["weight"]]))) {
    input_error(sprintf(paste("%s must be NULL, a numeric vector of points or a data frame of",
                              "point and weight"), argument), call)
  }
  point <- as.double(theta[["point"]])
  weight <- if (!is.null(theta[["weight"]])) as.double(theta[["weight"]])
  read <- attr(theta, "zol_read")
  as_read <- !is.null(read) && identical(point, read$point) && identical(weight, read$weight)
  list(point = point, weight = weight, header_line = if (as_read) read$line)
}

# The table's grid: as its header gave it when zol_read made the table and
# its raw column still agrees; otherwise from the raw column, which must be
# regular.
conversion_columns <- function(conversion, call) {
  if (is.null(conversion)) return(NULL)
  conversion <- as_frame(conversion)
  if (!is.data.frame(conversion) || !is.numeric(conversion[["raw"]]) ||
      !is.numeric(conversion[["scale"]])) {
    input_error("conversion must be NULL or a data frame of raw and scale", call)
  }
  raw <- as.double(conversion[["raw"]])
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
  c(list(scale = as.double(conversion[["scale"]])), grid,
    list(header_line = if (from_header) attr(conversion, "zol_read")$line))
}

# The warnings of the reads that any of the parts came from: their texts and
# how many more there were.
read_warnings <- function(parts) {
  reads <- lapply(parts, function(part) attr(part, "zol_read")[c("warnings", "not_kept")])
  reads <- unique(reads[!vapply(reads, function(read) is.null(read$warnings), TRUE)])
  if (length(reads)) {
    list(texts = unlist(lapply(reads, `[[`, "warnings")),
         not_kept = sum(vapply(reads, `[[`, 0, "not_kept")))
  }
}

shown_value <- function(value) paste(deparse(value), collapse = " ")

# A number option: NULL, or one number, which the library refuses in its own
# words when it is out of range.
number_option <- function(value, name, call) {
  if (is.null(value)) return(NULL)
  if (!(is.numeric(value) && length(value) == 1L)) {
    input_error(sprintf("%s must be a number, not %s", name, shown_value(value)), call)
  }
  as.double(value)
}

# The number of points of the criterion's quadrature: NULL, or a whole number
# that the library's int holds; the library refuses one out of its range.
points_option <- function(value, name, call) {
  value <- number_option(value, name, call)
  if (!is.null(value) && !(is.finite(value) && value == round(value) &&
                           abs(value) <= .Machine$integer.max)) {
    input_error(sprintf("%s must be a whole number of points from 2 to %d, not %s", name,
                        .zol_names()$most_link_points, shown_value(value)), call)
  }
  value
}

# Labels of common items to leave out of the linking: NULL or text.
label_option <- function(value, name, call) {
  if (is.null(value)) return(NULL)
  if (!is.character(value) || anyNA(value)) {
    input_error(sprintf("%s must be NULL or a character vector of labels, not %s", name,
                        shown_value(value)), call)
  }
  value
}

# The labels of a frame's rows: its label column, or its row names when they
# are text; NULL when it has neither.
row_labels <- function(frame) {
  if ("label" %in% names(frame)) return(as.character(frame[["label"]]))
  if (is.character(attr(frame, "row.names"))) row.names(frame)
}

# A form's covariance as the compiled code takes it: the parameters' names,
# "LABEL:a", "LABEL:b1", ..., the matrix row by row, and whether it holds
# standard errors alone. From a matrix named by its dimnames (or a data
# frame of one, named alike both ways), taken whole; or from a data frame of
# standard errors, se_a, se_b, se_c, se_b1, ..., one row per item, NA (or no
# such column) for a parameter held fixed.
covariance_columns <- function(covariance, argument, call) {
  if (is.null(covariance)) return(NULL)
  if (is.data.frame(covariance) && identical(names(covariance), row.names(covariance)) &&
      all(vapply(covariance, is.numeric, TRUE))) {
    covariance <- as.matrix(covariance)
  }
  if (is.matrix(covariance) && is.numeric(covariance)) {
    names <- rownames(covariance)
    if (nrow(covariance) != ncol(covariance) || is.null(names) ||
        !(is.null(colnames(covariance)) || identical(colnames(covariance), names))) {
      input_error(sprintf(paste("%s must be a square matrix whose row names (and column names,",
                                "if any) name its parameters, \"LABEL:a\", \"LABEL:b\", ..."),
                          argument), call)
    }
    return(list(names = names, matrix = as.double(t(covariance)),
                standard_errors_only = FALSE))
  }
  if (!is.data.frame(covariance)) {
    input_error(sprintf(paste("%s must be NULL, a covariance matrix with dimnames, or a data",
                              "frame of standard errors se_a, se_b, ..."), argument), call)
  }
  what <- sprintf("the %s form's covariance", sub("_covariance$", "", argument))
  labels <- row_labels(covariance)
  if (is.null(labels)) {
    input_error(sprintf("%s has no column label, and its row names hold no labels", what), call)
  }
  columns <- grep("^se_", names(covariance), value = TRUE)
  if (!length(columns)) {
    input_error(sprintf("%s has no columns of standard errors, se_a, se_b, se_c, se_b1, ...",
                        what), call)
  }
  parameters <- sub("^se_", "", columns)
  # A misspelt column would hold its parameter fixed unseen.
  unknown <- columns[!grepl("^(a|b|c|b[1-9][0-9]*)$", parameters)]
  if (length(unknown)) {
    input_error(sprintf("%s has the column %s, which names no parameter (se_a, se_b, se_c, se_b1, ...)",
                        what, unknown[1L]), call)
  }
  names <- character()
  errors <- numeric()
  for (k in seq_along(columns)) {
    se <- number_column(covariance, columns[k], what, call)
    # Squared, a negative standard error would pass for a variance.
    below <- which(se < 0)
    if (length(below)) {
      input_error(sprintf("%s: %s %s of item %s is below 0", what, columns[k],
                          format(se[below[1L]]), labels[below[1L]]), call)
    }
    given <- !is.na(se)
    names <- c(names, paste0(labels[given], ":", parameters[k], recycle0 = TRUE))
    errors <- c(errors, se[given])
  }
  variances <- matrix(0, length(errors), length(errors))
  diag(variances) <- errors^2
  list(names = names, matrix = as.double(variances), standard_errors_only = TRUE)
}

zol_equate <- function(new, old, theta = NULL, conversion = NULL, name = "", link = NULL,
                       scaling_constant = NULL, round_scale = NULL, old_theta = NULL,
                       synthetic_weight = NULL, link_quadrature = NULL, symmetric = FALSE,
                       exclude_common = NULL, new_covariance = NULL, old_covariance = NULL) {
  call <- sys.call()
  if (!one_string(name)) input_error("name must be one string", call)
  if (!one_flag(symmetric)) input_error("symmetric must be TRUE or FALSE", call)
  # The options travel as one list; the compiled code reads them by name.
  options <- list(link = link,
                  scaling_constant = number_option(scaling_constant, "scaling_constant", call),
                  round_scale = number_option(round_scale, "round_scale", call),
                  synthetic_weight = number_option(synthetic_weight, "synthetic_weight", call),
                  link_quadrature = points_option(link_quadrature, "link_quadrature", call),
                  symmetric = symmetric,
                  exclude_common = label_option(exclude_common, "exclude_common", call))
  if (!is.null(link)) {
    if (!one_string(link)) input_error("link must be NULL or one method's name", call)
    if (!has_labels(new) || !has_labels(old)) {
      input_error("linking matches items by label: give new and old a label column or row names",
                  call)
    }
  }
  records <- list(new_form = item_columns(new, "new", call),
                  old_form = item_columns(old, "old", call),
                  theta = theta_columns(theta, "theta", call),
                  old_theta = theta_columns(old_theta, "old_theta", call),
                  conversion = conversion_columns(conversion, call),
                  name = name,
                  new_covariance = covariance_columns(new_covariance, "new_covariance", call),
                  old_covariance = covariance_columns(old_covariance, "old_covariance", call),
                  read_warnings = read_warnings(list(new, old, theta, old_theta, conversion)))
  results <- .zol_equate(records, options, "results")
  if (!is.null(results$condition)) signal_failure(results, call)
  results$scores <- columns_frame(results$scores)
  for (part in c("linked_items", "common_items")) {
    if (!is.null(results[[part]])) results[[part]] <- columns_frame(results[[part]])
  }
  results$input <- records
  results$options <- options
  structure(results, class = "zol_equating")
}

# One of the program's files of an equating: the same records equated again
# under the same options, which gives the same bits.
program_text <- function(x, output, call) {
  if (!inherits(x, "zol_equating")) input_error("x must be a zol_equating result", call)
  made <- .zol_equate(x$input, x$options, output)
  if (!is.null(made$condition)) signal_failure(made, call)
  made$text
}

write_program_file <- function(x, file, output, call) {
  if (!one_string(file)) input_error("file must be one file name", call)
  writeBin(charToRaw(program_text(x, output, call)), file)
  invisible(file)
}

zol_csv <- function(x, file) write_program_file(x, file, "csv", sys.call())

zol_svg <- function(x, file) write_program_file(x, file, "svg", sys.call())

# A file of a linking: the text, and written to file when one is given.
linking_text <- function(x, file, output, what, call) {
  if (!is.null(file) && !one_string(file)) input_error("file must be NULL or one file name", call)
  if (!is.null(file) && inherits(x, "zol_equating") && is.null(x$linking)) {
    input_error(sprintf("x was not linked, so it has no %s to write", what), call)
  }
  text <- program_text(x, output, call)
  if (is.null(file)) return(text)
  writeBin(charToRaw(text), file)
  invisible(text)
}

zol_linked_items <- function(x, file = NULL) {
  linking_text(x, file, "linked_items", "linked items", sys.call())
}

zol_common_items <- function(x, file = NULL) {
  linking_text(x, file, "common_items", "common items", sys.call())
}
