# What R shows of an equating: print, the scores without an ability distribution, plot

test_that("print writes the report and nothing else", {
  x <- equate_example("forms40")
  expect_identical(capture.output(print(x)), readLines(example_file("forms40.report")))
  expect_identical(as.data.frame(x), x$scores)
})

test_that("without an ability distribution only the observed-score columns are NA", {
  file <- zol_read(example_file("different_lengths.txt"))
  with_theta <- do.call(zol_equate, file)
  without <- zol_equate(file$new, file$old)
  observed <- c("new_fitted", "old_fitted", "observed_equated", "observed_scale",
                "observed_scale_rounded")
  expect_true(all(is.na(without$scores[observed])))
  expect_identical(without$scores[setdiff(names(without$scores), observed)],
                   with_theta$scores[setdiff(names(with_theta$scores), observed)])
  expect_null(summary(without)$observed_difference)
})

test_that("plot draws linked forms, forms of different lengths and forms without theta", {
  pdf(NULL)
  on.exit(dev.off())
  file <- zol_read(example_file("different_lengths.txt"))
  for (x in list(equate_example("common_items"), do.call(zol_equate, file),
                 zol_equate(file$new, file$old))) {
    expect_identical(plot(x), x)
  }
})
