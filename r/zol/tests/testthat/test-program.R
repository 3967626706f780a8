# The package's outputs against the program's: reports, CSV files, picture, linking

test_that("every example gives the program's report and CSV file, byte for byte", {
  expect_setequal(EXAMPLES, c("common_items", "different_lengths", "forms40", "mixed_format",
                               "one_column_theta"))
  for (name in EXAMPLES) {
    x <- equate_example(name)
    expect_identical(charToRaw(x$report), bytes(example_file(paste0(name, ".report"))),
                     label = name)
    csv <- tempfile(fileext = ".csv")
    zol_csv(x, csv)
    program_csv <- test_path("program", paste0(name, ".csv"))
    expect_identical(bytes(csv), bytes(program_csv), label = name)
    # The scores hold the CSV's numbers, and NA in its empty cells; a linked
    # run's CSV leads with the linking's columns, which $linking holds.
    program_scores <- read.csv(program_csv)
    program_scores <- program_scores[setdiff(names(program_scores),
                                             c("link_method", "link_A", "link_B"))]
    expect_equal(x$scores, program_scores, tolerance = 0, label = name)
  }
})

test_that("the picture is the program's", {
  svg <- tempfile(fileext = ".svg")
  zol_svg(equate_example("forms40"), svg)
  expect_identical(bytes(svg), bytes(example_file("forms40.svg")))
})

test_that("the linking constants are those of the program's report", {
  linking <- equate_example("common_items")$linking
  report <- readLines(example_file("common_items.report"))
  expect_identical(sprintf("Scale linking by the Stocking-Lord method on %d common items",
                           linking$common_items), report[4])
  expect_identical(sprintf("A = %.6f  B = %.6f", linking$A, linking$B), report[5])
})
