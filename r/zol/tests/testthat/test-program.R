# The package's outputs against the program's: reports, CSV files, warnings,
# picture and linked items

test_that("every example gives the program's report, CSV file and warnings", {
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
    # The scores hold the CSV's cells, linking's columns included, and NA in
    # its empty ones.
    program_scores <- read.csv(program_csv, na.strings = "")
    expect_equal(x$scores, program_scores, tolerance = 0, label = name)
    expect_identical(x$warnings, explain_lines(test_path("program", paste0(name, ".explain"))),
                     label = name)
  }
})

test_that("round_scale rounds as the program's --round-scale", {
  x <- equate_example("forms40", round_scale = 0.5)
  csv <- tempfile(fileext = ".csv")
  zol_csv(x, csv)
  expect_identical(bytes(csv), bytes(test_path("program", "forms40_round_scale.csv")))
  expect_identical(x$warnings, explain_lines(test_path("program", "forms40_round_scale.explain")))
})

test_that("the picture is the program's", {
  svg <- tempfile(fileext = ".svg")
  zol_svg(equate_example("forms40"), svg)
  expect_identical(bytes(svg), bytes(example_file("forms40.svg")))
})

test_that("linked items are the program's --linked-items file, as text and as a form", {
  for (name in c("common_items", "mixed_format")) {
    x <- equate_example(name)
    program <- test_path("program", paste0(name, ".linked.txt"))
    written <- tempfile(fileext = ".txt")
    expect_identical(zol_linked_items(x, written), rawToChar(bytes(program)), label = name)
    expect_identical(bytes(written), bytes(program), label = name)
    # Its 17 digits read back to the same doubles, in the shape of a form read.
    writeLines(c(readLines(program), "$Link_Item_Parameters", "O1 1.0 0.0 0.2"), written)
    read <- zol_read(written, mixed_format = TRUE)$new
    expect_identical(x$linked_items, structure(read, zol_read = NULL), label = name)
  }
  unlinked <- equate_example("forms40")
  expect_identical(list(unlinked$linked_items, zol_linked_items(unlinked)), list(NULL, ""))
  expect_error(zol_linked_items(unlinked, tempfile()), class = "zol_input_error")
})
