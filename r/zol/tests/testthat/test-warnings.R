# Warnings: the reader's first, then the equating's, each said once, within one cap

OLD <- data.frame(label = c("O1", "O2", "O3"), a = c(1.2, 0.9, 1.1), b = c(-0.3, 0.2, 0.8),
                  c = c(0.15, 0.25, 0.2))

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
  new <- data.frame(label = c("N1", "N2", "N3"), a = c(-1, 1, 1), b = c(0, 0.5, -0.5),
                    c = c(1.2, 0.2, 0.2))
  expect_identical(zol_equate(new, OLD)$warnings,
                   c("warning: item N1 of the new form: a -1 is not above 0",
                     "warning: item N1 of the new form: c 1.2 is outside 0 to 1"))

  path <- tempfile(fileext = ".txt")
  writeLines(c("$Item_Parameters", "N1 -1 0 1.2", "N2 1 0.5 0.2", "N3 1 -0.5 0.2",
               "$Link_Item_Parameters", "O1 1.2 -0.3 0.15", "O2 0.9 0.2 0.25",
               "$Theta_Distribution", "-1 0.6", "0 -0.1", "1 0.5"), path)
  forms <- zol_read(path)
  read <- attr(forms, "warnings")
  expect_identical(read[1:2], paste0(path, ":2: warning: item N1: ",
                                     c("a -1 is not above 0", "c 1.2 is outside 0 to 1")))
  expect_identical(do.call(zol_equate, forms)$warnings, read)
  # Rows in another order are still the records read.
  forms$new <- forms$new[3:1, ]
  expect_identical(do.call(zol_equate, forms)$warnings, read)
  # Values changed in R are not those the reader saw.
  forms$new$c[1] <- 1.5
  forms$theta$weight <- c(0.7, -0.2, 0.5)
  expect_identical(do.call(zol_equate, forms)$warnings,
                   c(read, "warning: item N3 of the new form: c 1.5 is outside 0 to 1",
                     "warning: quadrature point 2: theta 0 has the negative weight -0.2"))
})

test_that("the reader's and the equating's warnings share one cap of 10", {
  path <- tempfile(fileext = ".txt")
  writeLines(c("$Item_Parameters", sprintf("N%d -1 0 1.2", 1:6),
               "$Link_Item_Parameters", "O1 1.2 -0.3 0.15", "O2 0.9 0.2 0.25"), path)
  forms <- zol_read(path)
  expect_length(attr(forms, "warnings"), 11L)
  expect_identical(attr(forms, "warnings")[11], paste0(path, ": warning: 2 more like these"))
  forms$old$c[1] <- -0.5
  warned <- do.call(zol_equate, forms)$warnings
  expect_identical(warned[1:10], attr(forms, "warnings")[1:10])
  expect_identical(warned[11], paste0(path, ": warning: 3 more like these"))
  # Records made in R, with no input named, are counted without a name.
  many <- data.frame(label = sprintf("N%d", 1:6), a = -1, b = 0, c = 1.2)
  expect_identical(zol_equate(many, OLD)$warnings[11], "warning: 2 more like these")
})
