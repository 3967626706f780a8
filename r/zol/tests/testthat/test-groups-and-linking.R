# Two groups and the ways of linking against the program: reports, CSV files,
# the common items' drift, warnings, and the refusals of option values

# The case's input equated as the program ran it, in the input's folder so
# that the report names it alike; arguments in ... replace those.
equate_case <- function(set, ...) {
  old <- setwd(input_folder(set$input))
  on.exit(setwd(old))
  arguments <- c(zol_read(set$input), program_arguments(set$words))
  arguments[...names()] <- list(...)
  do.call(zol_equate, arguments)
}

in_program <- function(set, ending) test_path("program", paste0(set$case, ending))

SETS <- option_sets()
names(SETS) <- vapply(SETS, `[[`, "", "case")
REFUSED <- startsWith(names(SETS), "refused_")

test_that("every option set gives the program's report, CSV files and warnings", {
  for (set in SETS[!REFUSED]) {
    x <- equate_case(set)
    expect_identical(charToRaw(x$report), bytes(in_program(set, ".report")), label = set$case)
    expect_identical(x$warnings, explain_lines(in_program(set, ".explain")), label = set$case)
    csv <- tempfile(fileext = ".csv")
    zol_csv(x, csv)
    expect_identical(bytes(csv), bytes(in_program(set, ".csv")), label = set$case)
    # The synthetic weight is the report's; a single group has none.
    shown <- regmatches(x$report, regexec("Synthetic population: weight (\\S+)", x$report))[[1L]]
    expect_identical(c(sprintf("%.4f", x$synthetic_weight), shown[-1L]),
                     rep(shown[-1L], 2L), label = set$case)
    if (is.null(x$linking)) {
      expect_null(x$common_items)
      next
    }
    program_items <- in_program(set, ".common.csv")
    written <- tempfile(fileext = ".csv")
    expect_identical(zol_common_items(x, written), rawToChar(bytes(program_items)),
                     label = set$case)
    expect_identical(bytes(written), bytes(program_items), label = set$case)
    # The frame holds the CSV's cells: 0 and 1 as logical, NA where a z is none.
    expected <- read.csv(program_items, na.strings = "", colClasses = c(label = "character"))
    expected[c("used", "flagged")] <- lapply(expected[c("used", "flagged")], as.logical)
    expect_equal(x$common_items, expected, tolerance = 0, label = set$case)
    expect_identical(list(x$linking$common_items, x$linking$excluded, x$linking$symmetric),
                     list(sum(expected$used), sum(!expected$used), "--symmetric" %in% set$words),
                     label = set$case)
  }
  expect_error(zol_common_items(equate_case(SETS$weight_1_unlinked), tempfile()),
               class = "zol_input_error")
})

test_that("ability distributions made in R equate as those read, warned of in R's words", {
  read <- equate_case(SETS$two_groups)
  frame <- function(group) data.frame(point = group$point, weight = group$weight)
  x <- equate_case(SETS$two_groups, theta = frame(read$input$theta),
                   old_theta = frame(read$input$old_theta))
  expect_identical(x$report, read$report)
  # The reader warned of the old group's weights; made in R, they are the
  # equating's to warn of.
  expect_identical(x$warnings, c(read$warnings, paste(
    "warning: the old group's quadrature weights sum to 1.02, not 1; they are used as written,",
    "so the fitted score distributions sum to 1.02 too")))
  # Points alone weigh alike, as a one-column section has them.
  points <- equate_case(SETS$weight_1_unlinked)$input$old_theta$point
  expect_identical(equate_case(SETS$weight_1_unlinked, old_theta = points)$report,
                   rawToChar(bytes(in_program(SETS$weight_1_unlinked, ".report"))))
})

test_that("refusals are the program's explanations, or the library's words for values", {
  for (set in SETS[REFUSED]) {
    e <- expect_error(equate_case(set), class = "zol_input_error")
    expect_identical(conditionMessage(e), tail(explain_lines(in_program(set, ".explain")), 1L))
  }
  set <- SETS$two_groups
  # The kind, the explanation, then the arguments that replace the case's.
  refused <- list(
    "invalid_input", paste("a synthetic weight needs two groups: the new group's ability",
                           "distribution (theta) and the old group's (old_theta)"),
    list(synthetic_weight = 0.5, old_theta = NULL),
    "invalid_input", paste("a symmetric criterion needs a characteristic-curve linking (haebara",
                           "or stocking-lord)"), list(link = "mean-mean", symmetric = TRUE),
    "invalid_input", "common items to leave out need a linking",
    list(link = NULL, exclude_common = "C01"),
    "invalid_input", paste("old_theta, the old group's ability distribution, needs theta, the",
                           "new group's, beside it"), list(theta = NULL),
    "invalid_argument", "synthetic_weight must be a number, not \"half\"",
    list(synthetic_weight = "half"),
    "invalid_argument", "link_quadrature must be a whole number of points from 2 to 200, not 7.5",
    list(link_quadrature = 7.5),
    "invalid_argument", "symmetric must be TRUE or FALSE", list(symmetric = NA),
    "invalid_argument", "exclude_common must be NULL or a character vector of labels, not 3",
    list(exclude_common = 3),
    "invalid_argument", paste("old_theta must be NULL, a numeric vector of points or a data",
                              "frame of point and weight"), list(old_theta = list(-1, 1)))
  for (k in seq(1L, length(refused), by = 3L)) {
    e <- expect_error(do.call(equate_case, c(list(set), refused[[k + 2L]])),
                      class = "zol_input_error")
    expect_identical(list(e$kind, conditionMessage(e)), refused[k:(k + 1L)])
  }
})
