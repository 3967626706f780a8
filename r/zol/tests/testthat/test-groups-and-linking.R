# Two groups and the ways of linking against the program: reports, CSV files,
# the common items' drift, warnings, and the library's refusals of option values

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
REFUSED <- grepl("^refused_", vapply(SETS, `[[`, "", "case"))

test_that("every option set gives the program's report, CSV files and warnings", {
  expect_length(SETS[!REFUSED], 9L)
  for (set in SETS[!REFUSED]) {
    x <- equate_case(set)
    expect_identical(charToRaw(x$report), bytes(in_program(set, ".report")), label = set$case)
    expect_identical(x$warnings, explain_lines(in_program(set, ".explain")), label = set$case)
    csv <- tempfile(fileext = ".csv")
    zol_csv(x, csv)
    expect_identical(bytes(csv), bytes(in_program(set, ".csv")), label = set$case)

    # The synthetic weight is the report's; a single group has none.
    shown <- regmatches(x$report, regexec("Synthetic population: weight (\\S+)", x$report))[[1L]]
    expect_identical(is.null(x$synthetic_weight), startsWith(set$input, "common_items"),
                     label = set$case)
    expect_identical(is.null(x$synthetic_weight), length(shown) == 0L, label = set$case)
    if (length(shown)) expect_identical(sprintf("%.4f", x$synthetic_weight), shown[2L])

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
    expect_identical(c(x$linking$common_items, x$linking$excluded),
                     c(sum(x$common_items$used), sum(!x$common_items$used)), label = set$case)
    expect_identical(x$linking$symmetric, "--symmetric" %in% set$words, label = set$case)
  }
})

test_that("the ability distributions made in R equate as those read, warned of in R's words", {
  set <- SETS[[match("two_groups", vapply(SETS, `[[`, "", "case"))]]
  read <- equate_case(set)
  x <- equate_case(set, theta = data.frame(point = read$input$theta$point,
                                           weight = read$input$theta$weight),
                   old_theta = data.frame(point = read$input$old_theta$point,
                                          weight = read$input$old_theta$weight))
  expect_identical(x$report, read$report)
  # The old group's weights, which the reader warned of, are the equating's
  # to warn of once they are R's.
  expect_identical(x$warnings, c(read$warnings, paste(
    "warning: the old group's quadrature weights sum to 1.02, not 1; they are used as written,",
    "so the fitted score distributions sum to 1.02 too")))
  # Points alone weigh alike, as a one-column section has them.
  points <- SETS[[match("weight_1_unlinked", vapply(SETS, `[[`, "", "case"))]]
  read <- equate_case(points)
  alike <- equate_case(points, old_theta = read$input$old_theta$point)
  expect_identical(alike$report, rawToChar(bytes(in_program(points, ".report"))))
})

test_that("the refusals the program explains are the package's errors, in its words", {
  for (set in SETS[REFUSED]) {
    e <- failure_of(equate_case(set))
    expect_s3_class(e, "zol_input_error")
    expect_identical(conditionMessage(e), tail(explain_lines(in_program(set, ".explain")), 1L),
                     label = set$case)
  }
})

test_that("option values out of range are the library's to refuse, in its words", {
  forms <- zol_read(test_path("program", "two_groups.txt"))
  one <- forms[c("new", "old", "theta")]
  two <- c(one, forms["old_theta"])
  # The forms, the arguments, and the library's explanation.
  refused <- list(
    list(one, list(synthetic_weight = 0.5),
         paste("a synthetic weight needs two groups: the new group's ability distribution",
               "(theta) and the old group's (old_theta)")),
    list(two, list(synthetic_weight = 1.5), "the synthetic weight 1.5 is not a number from 0 to 1"),
    list(two, list(synthetic_weight = NaN), "the synthetic weight nan is not a number from 0 to 1"),
    list(one, list(link = "haebara", link_quadrature = 201),
         "the linking criterion's quadrature of 201 points is not one of 2 to 200"),
    list(one, list(link = "mean-mean", symmetric = TRUE),
         "a symmetric criterion needs a characteristic-curve linking (haebara or stocking-lord)"),
    list(one, list(link = "mean-sigma", link_quadrature = 30),
         paste("the criterion's quadrature needs a characteristic-curve linking (haebara or",
               "stocking-lord)")),
    list(one, list(exclude_common = "C01"), "common items to leave out need a linking"),
    list(one, list(scaling_constant = 0), "the scaling constant 0 is not a finite number above 0"),
    list(one, list(round_scale = -1),
         "the unit of rounding on the scale -1 is not a finite number above 0"),
    list(forms[c("new", "old", "old_theta")], list(),
         "old_theta, the old group's ability distribution, needs theta, the new group's, beside it"))
  for (case in refused) {
    e <- failure_of(do.call(zol_equate, c(case[[1L]], case[[2L]])))
    expect_s3_class(e, "zol_input_error")
    expect_identical(list(e$kind, conditionMessage(e)), list("invalid_input", case[[3L]]))
  }
})

test_that("option values the library cannot be handed are refused as arguments", {
  forms <- zol_read(test_path("program", "two_groups.txt"))
  refused <- list(
    "synthetic_weight must be a number, not \"half\"", list(synthetic_weight = "half"),
    "link_quadrature must be a whole number of points from 2 to 200, not 7.5",
    list(link = "haebara", link_quadrature = 7.5),
    "link_quadrature must be a whole number of points from 2 to 200, not 1e+10",
    list(link = "haebara", link_quadrature = 1e10),
    "symmetric must be TRUE or FALSE", list(link = "haebara", symmetric = NA),
    "exclude_common must be NULL or a character vector of labels, not 3",
    list(link = "haebara", exclude_common = 3),
    "old_theta must be NULL, a numeric vector of points or a data frame of point and weight",
    list(old_theta = list(-1, 1)))
  for (k in seq(1L, length(refused), by = 2L)) {
    arguments <- forms
    arguments[names(refused[[k + 1L]])] <- refused[[k + 1L]]
    e <- failure_of(do.call(zol_equate, arguments))
    expect_s3_class(e, "zol_input_error")
    expect_identical(list(e$kind, conditionMessage(e)), list("invalid_argument", refused[[k]]))
  }
  unlinked <- do.call(zol_equate, forms)
  expect_identical(zol_common_items(unlinked), sub("\n.*", "\n", rawToChar(
    bytes(test_path("program", "two_groups.common.csv")))))
  expect_error(zol_common_items(unlinked, tempfile()), class = "zol_input_error")
})
