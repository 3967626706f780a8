# What R shows of an equating: print, summary, plot

test_that("print sums up the equating, its linking and its warnings, not the report", {
  x <- equate_example("common_items")
  shown <- capture.output(print(x))
  report <- readLines(example_file("common_items.report"))
  expect_true(sprintf("Linked by stocking-lord on %d common items: A = %.6f, B = %.6f",
                      x$linking$common_items, x$linking$A, x$linking$B) %in% shown)
  expect_identical(sprintf("A = %.6f  B = %.6f", x$linking$A, x$linking$B), report[5])
  expect_false(any(c("Results for True Score Equating", report[5]) %in% shown))
  # The warnings as they are, which say "warning:" themselves.
  warned <- equate_example("forms40")
  expect_identical(tail(capture.output(summary(warned)), 1L), warned$warnings)
  # A symmetric criterion, an item left out, standard errors and two groups.
  forms <- zol_read(test_path("program", "two_groups.txt"))
  errors <- data.frame(label = forms$new$label, se_a = 0.05, se_b = 0.08)
  x <- do.call(zol_equate, c(forms, list(link = "haebara", symmetric = TRUE, exclude_common = "C05",
                                         synthetic_weight = 0.3, new_covariance = errors)))
  expect_identical(capture.output(print(x))[2:4], c(
    sprintf("Linked by symmetric haebara on 11 common items (1 excluded): A = %.6f, B = %.6f",
            x$linking$A, x$linking$B),
    sprintf("Standard errors: SE(A) = %.6f, SE(B) = %.6f", x$linking$se_A, x$linking$se_B),
    "Two groups: weight 0.3000 on the new group in the synthetic population"))
})

test_that("plot draws the program's panels: two with an ability distribution, else one", {
  # How many times the picture calls the graphics routine.
  drawn <- function(x, routine) {
    pdf(NULL)
    on.exit(dev.off())
    dev.control("enable")
    expect_identical(plot(x), x)
    calls <- recordPlot()[[1L]]
    sum(vapply(calls, function(call) identical(call[[2L]][[1L]]$name, routine), TRUE))
  }
  file <- zol_read(example_file("different_lengths.txt"))
  expect_identical(drawn(equate_example("common_items"), "C_plot_new"), 2L)
  expect_identical(drawn(do.call(zol_equate, file), "C_plot_new"), 2L)
  expect_identical(drawn(zol_equate(file$new, file$old), "C_plot_new"), 1L)
  # Standard errors as bands about both equatings' lines.
  errors <- data.frame(label = file$new$label, se_a = 0.05, se_b = 0.08, se_c = 0.02)
  with_errors <- do.call(zol_equate, c(file, list(new_covariance = errors)))
  expect_identical(drawn(equate_example("common_items"), "C_polygon"), 0L)
  expect_gte(drawn(with_errors, "C_polygon"), 2L)
})
