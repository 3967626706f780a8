# Forms from data frames give what the same forms from a file give

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
  expect_identical(zol_equate(file$new, file$old, theta = file$theta$point)$scores,
                   do.call(zol_equate, file)$scores)
})

test_that("labels of any length, in any order, match the common items of a linking", {
  file <- zol_read(example_file("common_items.txt"))
  # Item IDs of 25 characters, the same ID for the same label in both forms.
  id <- function(label) sprintf("%-12s-%s", label, strrep("x", 12))
  long <- lapply(file[c("new", "old")], function(form) transform(form, label = id(label)))
  linked <- zol_equate(long$new, long$old, theta = file$theta, link = "stocking-lord")
  from_file <- do.call(zol_equate, c(file, link = "stocking-lord"))
  expect_identical(linked[c("scores", "linking")], from_file[c("scores", "linking")])
  shuffled <- long$old[rev(seq_len(nrow(long$old))), ]
  expect_identical(zol_equate(long$new, shuffled, file$theta, link = "stocking-lord")$linking,
                   from_file$linking)
  expect_identical(linked$linked_items$label, id(from_file$linked_items$label))
  expect_identical(unique(nchar(linked$linked_items$label)), 25L)
})

test_that("a matrix with column names is its data frame; a column of NA alone is missing values", {
  file <- zol_read(example_file("common_items.txt"))
  numbers <- as.matrix(file$new[c("a", "b", "c")])
  row.names(numbers) <- file$new$label
  expect_identical(zol_equate(numbers, file$old, link = "haebara")$scores,
                   zol_equate(file$new, file$old, link = "haebara")$scores)
  # A form of GPCM items alone needs no b and c; given as NA they are read as such.
  mixed <- zol_read(example_file("mixed_format.txt"), mixed_format = TRUE)
  gpcm <- mixed$new[mixed$new$model == "GPCM", c("label", "model", "a", paste0("b", 1:4))]
  expect_identical(zol_equate(cbind(gpcm, b = NA, c = NA), mixed$old)$scores,
                   zol_equate(gpcm, mixed$old)$scores)
})

test_that("a mixed form's data frame, reshaped as a user may give it, gives the file's report", {
  file <- zol_read(example_file("mixed_format.txt"), mixed_format = TRUE)
  new <- file$new[rev(names(file$new))]
  new$model <- tolower(new$model)
  names(new)[names(new) == "c"] <- "g"
  row.names(new) <- new$label
  new$label <- NULL
  from_frames <- zol_equate(new, file$old, theta = file$theta, name = "mixed_format.txt",
                            link = "stocking-lord", scaling_constant = 1)
  expect_identical(from_frames$report, equate_example("mixed_format")$report)
  # The option changes nothing for a form of 3PL items alone.
  expect_identical(zol_read(example_file("forms40.txt"), mixed_format = TRUE),
                   zol_read(example_file("forms40.txt")))
})
