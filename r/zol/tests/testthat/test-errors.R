# Failures as classed conditions: the library's, the arguments', and the root search's stop

test_that("a rejected file is a zol_input_error with the cause and its line", {
  path <- tempfile(fileext = ".txt")
  writeLines(c("$Item_Parameters", "N01 1.0 0.0 0.2", "$Link", "O01 1.2 -0.3"), path)
  e <- expect_error(zol_read(path), class = "zol_input_error")
  expect_identical(conditionMessage(e), paste0(path, ":4: item O01 has 2 numbers; a, b and c are needed"))
  expect_identical(e$program_message, "Error in reading input data.\n")
})

test_that("a stopped root search is a zol_equating_error, and the session goes on", {
  falling_and_rising <- data.frame(label = c("N01", "N02", "N03", "N04"),
                                   a = c(-1, -1, 1, 1), b = 0, c = 0)
  old <- data.frame(label = c("O01", "O02", "O03"), a = c(1.2, 0.9, 1.1),
                    b = c(-0.3, 0.2, 0.8), c = c(0.15, 0.25, 0.2))
  e <- expect_error(zol_equate(falling_and_rising, old), class = "zol_equating_error")
  expect_identical(e$program_message, paste0("Numerical Recipes run-time error...\n",
                                             "Root must be bracketed in rtsafe\n",
                                             "...now exiting to system...\n"))
  expect_match(conditionMessage(e), "^raw score 3 lies outside the new form's expected scores")
})

test_that("arguments that cannot be equated are refused before the library sees them", {
  file <- zol_read(example_file("common_items.txt"))
  unlabelled <- file$new[c("a", "b", "c")]
  refused <- list(
    "no c" = quote(zol_equate(file$new[c("label", "a", "b")], file$old)),
    "scaling constant" = quote(zol_equate(file$new, file$old, scaling_constant = 0)),
    "steps without a model" = quote(zol_equate(cbind(file$new, b1 = 0.5), file$old)),
    "unknown model" = quote(zol_equate(cbind(file$new, model = "2PL"), file$old)),
    "misspelt argument" = quote(zol_equate(file$new, file$old, lnk = "haebara")),
    "link by position" = quote(zol_equate(unlabelled, file$old, link = "haebara")),
    "unknown method" = quote(zol_equate(file$new, file$old, link = "stocking_lord")),
    "irregular conversion" = quote(zol_equate(file$new, file$old,
                                              conversion = data.frame(raw = c(0, 1, 3),
                                                                      scale = 1:3))))
  for (case in names(refused)) {
    expect_error(eval(refused[[case]]), class = "zol_input_error", label = case)
  }
})
