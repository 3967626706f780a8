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
})

test_that("plot draws the program's panels: two with an ability distribution, else one", {
  panels <- function(x) {
    pdf(NULL)
    on.exit(dev.off())
    dev.control("enable")
    expect_identical(plot(x), x)
    drawn <- recordPlot()[[1L]]
    sum(vapply(drawn, function(call) identical(call[[2L]][[1L]]$name, "C_plot_new"), TRUE))
  }
  file <- zol_read(example_file("different_lengths.txt"))
  expect_identical(panels(equate_example("common_items")), 2L)
  expect_identical(panels(do.call(zol_equate, file)), 2L)
  expect_identical(panels(zol_equate(file$new, file$old)), 1L)
})
