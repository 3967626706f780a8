# Warnings: the reader's first, then the equating's, each said once, within one cap

OLD <- data.frame(label = c("O1", "O2"), a = c(1.2, 0.9), b = c(-0.3, 0.2), c = c(0.15, 0.25))

read_lines <- function(...) {
  path <- tempfile(fileext = ".txt")
  writeLines(c(...), path)
  list(forms = zol_read(path), path = path)
}

test_that("a file's odd values are warned of as the program's --explain says them", {
  case <- source_case("options/warnings_of_a_successful_run")
  skip_if(is.null(case), "the program's cases are not in reach")
  expected <- explain_lines(file.path(case, "stderr"))
  old <- setwd(file.path(case, "in"))
  on.exit(setwd(old))
  forms <- zol_read("input.txt")
  expect_identical(attr(forms, "warnings"), expected)
  expect_identical(do.call(zol_equate, forms)$warnings, expected)
})

test_that("records made or changed in R are warned of, records read are warned of once", {
  new <- data.frame(label = c("N1", "N2"), a = c(-1, 1), b = c(0, 0.5), c = c(1.2, 0.2))
  expect_identical(zol_equate(new, OLD)$warnings,
                   c("warning: item N1 of the new form: a -1 is not above 0",
                     "warning: item N1 of the new form: c 1.2 is outside 0 to 1"))
  file <- read_lines("$Item_Parameters", "N1 -1 0 1.2", "N2 1 0.5 0.2", "N3 1 -0.5 0.2",
                     "$Link_Item_Parameters", "O1 1.2 -0.3 0.15", "O2 0.9 0.2 0.25",
                     "$Theta_Distribution", "-1 0.6", "0 -0.1", "1 0.5")
  forms <- file$forms
  read <- attr(forms, "warnings")
  expect_identical(read[1:2], paste0(file$path, ":2: warning: item N1: ",
                                     c("a -1 is not above 0", "c 1.2 is outside 0 to 1")))
  expect_identical(do.call(zol_equate, forms)$warnings, read)
  # Rows in another order are still the records read; changed values are not.
  forms$new <- forms$new[3:1, ]
  expect_identical(do.call(zol_equate, forms)$warnings, read)
  forms$new$c[1] <- 1.5
  forms$theta$weight <- c(0.7, -0.2, 0.5)
  expect_identical(do.call(zol_equate, forms)$warnings,
                   c(read, "warning: item N3 of the new form: c 1.5 is outside 0 to 1",
                     "warning: quadrature point 2: theta 0 has the negative weight -0.2"))
})

test_that("the reader's and the equating's warnings share one cap of 10", {
  file <- read_lines("$Item_Parameters", sprintf("N%d -1 0 1.2", 1:6),
                     "$Link_Item_Parameters", "O1 1.2 -0.3 0.15", "O2 0.9 0.2 0.25")
  read <- attr(file$forms, "warnings")
  expect_identical(read[11], paste0(file$path, ": warning: 2 more like these"))
  file$forms$old$c[1] <- -0.5
  expect_identical(do.call(zol_equate, file$forms)$warnings,
                   c(read[1:10], paste0(file$path, ": warning: 3 more like these")))
  many <- data.frame(label = sprintf("N%d", 1:6), a = -1, b = 0, c = 1.2)
  expect_identical(zol_equate(many, OLD)$warnings[11], "warning: 2 more like these")
})
