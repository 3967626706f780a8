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

test_that("labels of any length name items and match them for linking", {
  file <- zol_read(example_file("common_items.txt"))
  # Item IDs of 25 characters, the same ID for the same label in both forms.
  id <- function(label) sprintf("%s-%s", formatC(label, width = 12, flag = "-"), strrep("x", 12))
  long <- lapply(file[c("new", "old")], function(form) transform(form, label = id(label)))
  linked <- zol_equate(long$new, long$old, theta = file$theta, link = "stocking-lord")
  from_file <- do.call(zol_equate, c(file, link = "stocking-lord"))
  expect_identical(linked[c("scores", "linking")], from_file[c("scores", "linking")])
  expect_identical(nchar(linked$linked_items$label), rep(25L, nrow(file$new)))
  expect_identical(linked$linked_items$label, id(from_file$linked_items$label))
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

test_that("a GRM item's expected score is that of 2PL items at its boundaries", {
  # P*_k of a GRM item is a 3PL curve with c = 0 at boundary b_k, and the
  # item's expected score is the sum of its P*_k: true-score equating cannot
  # tell such forms apart (GPCM items it can). Items of 3 and 4 categories
  # put an NA in the shorter one's step columns.
  path <- tempfile(fileext = ".txt")
  writeLines(c("$Item_Parameters", "N1 GRM 3 1.1 -0.8 0.6", "N2 grm 4 0.9 -1.2 0.1 1.3",
               "N3 1.0 0.2 0.2", "$Link_Item_Parameters", "O1 1.0 -0.5 0.2",
               "O2 0.8 0.0 0.15", "O3 1.2 0.4 0.2", "O4 0.9 -1.0 0.1", "O5 1.1 1.0 0.2",
               "O6 1.0 0.3 0.25"), path)
  grm <- zol_read(path, mixed_format = TRUE)
  boundaries <- data.frame(label = paste0("S", 1:6), a = c(1.1, 1.1, 0.9, 0.9, 0.9, 1.0),
                           b = c(-0.8, 0.6, -1.2, 0.1, 1.3, 0.2), c = c(0, 0, 0, 0, 0, 0.2))
  true_score <- c("theta", "true_equated")
  expect_equal(zol_equate(grm$new, grm$old)$scores[true_score],
               zol_equate(boundaries, grm$old)$scores[true_score], tolerance = 1e-12)
})

test_that("a scaling constant of 1.7 adds the report's line and changes nothing else", {
  file <- zol_read(example_file("forms40.txt"))
  plain <- do.call(zol_equate, file)
  said <- do.call(zol_equate, c(file, scaling_constant = 1.7))
  expect_identical(said$scores, plain$scores)
  expect_identical(sub("Scaling constant D = 1.7000\n\n", "", said$report, fixed = TRUE),
                   plain$report)
  expect_false(identical(said$report, plain$report))
})
