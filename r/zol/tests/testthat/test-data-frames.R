# Forms from data frames give what the same forms from a file give

without_name <- function(x) x[c("scores", "linking", "chance_score")]

test_that("data frames in a calibration program's shape give the file's results", {
  file <- zol_read(example_file("forms40.txt"))
  new <- data.frame(a = file$new$a, b = file$new$b, g = file$new$c,
                    row.names = file$new$label)
  conversion <- data.frame(raw = file$conversion$raw, scale = file$conversion$scale)
  from_frames <- zol_equate(new, file$old, theta = file$theta, conversion = conversion,
                            name = file$name)
  expect_identical(from_frames$report, do.call(zol_equate, file)$report)

  # Points alone have equal weights, as a one-column section has them.
  file <- zol_read(example_file("one_column_theta.txt"))
  from_points <- zol_equate(file$new, file$old, theta = file$theta$point)
  expect_identical(without_name(from_points), without_name(do.call(zol_equate, file)))
})

test_that("linking matches data frames' items by their labels, as in a file", {
  file <- zol_read(example_file("common_items.txt"))
  shuffled <- file$old[rev(seq_len(nrow(file$old))), ]
  linked <- zol_equate(file$new, shuffled, theta = file$theta, link = "stocking-lord")
  expect_identical(linked$linking,
                   do.call(zol_equate, c(file, link = "stocking-lord"))$linking)
})
