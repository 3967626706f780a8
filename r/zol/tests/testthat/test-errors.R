# Failures as classed conditions with the library's kind and cause, never the program's words

FORMS <- zol_read(example_file("common_items.txt"))
FALLING_AND_RISING <- data.frame(label = c("N01", "N02", "N03", "N04"), a = c(-1, -1, 1, 1),
                                 b = 0, c = 0)

test_that("failures are classed conditions of the library's kind and its cause", {
  path <- tempfile(fileext = ".txt")
  writeLines(c("$Item_Parameters", "N01 1.0 0.0 0.2", "$Link", "O01 1.2 -0.3"), path)
  e <- expect_error(zol_read(path), class = "zol_input_error")
  expect_identical(list(e$kind, conditionMessage(e)),
                   list("invalid_input", paste0(path, ":4: item O01 has 2 numbers; a, b and c are needed")))
  e <- expect_error(zol_read(tempfile()), class = "zol_input_error")
  expect_identical(e$kind, "cannot_open_input")
  e <- expect_error(zol_equate(FALLING_AND_RISING, FORMS$old), class = "zol_equating_error")
  expect_identical(e$kind, "root_not_bracketed")
  e <- expect_error(zol_equate(FORMS$new, FORMS$old[1:3, ], link = "haebara"),
                    class = "zol_equating_error")
  expect_identical(e$kind, "not_computable")
  expect_match(conditionMessage(e), "^linking by haebara: 1 common item")
})

test_that("no message or warning speaks the program's command line or its messages", {
  path <- tempfile(fileext = ".txt")
  writeLines(c("$Item_Parameters", "N01 GPCM 3 1.0 0.0 0.2", "$Link_Item_Parameters",
               "O01 1.2 -0.3 0.2"), path)
  beyond_raw_scores <- data.frame(raw = 0:40, scale = 100 + 10 * 0:40)
  said <- c(conditionMessage(failure_of(zol_read(path))),
            conditionMessage(failure_of(zol_equate(FALLING_AND_RISING, FORMS$old))),
            conditionMessage(failure_of(zol_equate(FORMS$new, FORMS$old[1:3, ],
                                                   link = "haebara"))),
            zol_equate(FORMS$new, FORMS$old, conversion = beyond_raw_scores)$warnings)
  expect_match(said[1], "is read with mixed_format$")
  expect_match(said[4], "; round_scale rounds on the scale instead$")
  for (program_text in c("Numerical Recipes", "exiting to system", "Error in", "--")) {
    expect_false(any(grepl(program_text, said, fixed = TRUE)), label = program_text)
  }
})

test_that("arguments that cannot be equated are refused, saying what is wrong", {
  gpcm <- data.frame(label = "G1", model = "GPCM", a = 1)
  # Each refusal's message, then the call refused.
  refused <- list(
    "the new form has no column c", quote(zol_equate(FORMS$new[c("a", "b")], FORMS$old)),
    "item G1 of the new form is GPCM but has no steps b1, b2, ...",
    quote(zol_equate(gpcm, FORMS$old)),
    "item G1 of the new form has b3 but no b2",
    quote(zol_equate(cbind(gpcm, b1 = 0, b2 = NA, b3 = 1), FORMS$old)),
    "round_scale must be a number, not \"1\"",
    quote(zol_equate(FORMS$new, FORMS$old, round_scale = "1")),
    "linking matches items by label: give new and old a label column or row names",
    quote(zol_equate(FORMS$new[c("a", "b", "c")], FORMS$old, link = "haebara")),
    paste("unknown link method 'stocking_lord': mean-mean, mean-sigma, mean-gmean, haebara",
          "or stocking-lord"),
    quote(zol_equate(FORMS$new, FORMS$old, link = "stocking_lord")))
  for (k in seq(1L, length(refused), by = 2L)) {
    e <- expect_error(eval(refused[[k + 1L]]), class = "zol_input_error", label = refused[[k]])
    expect_identical(list(e$kind, conditionMessage(e)), list("invalid_argument", refused[[k]]))
  }
  expect_error(zol_equate(FORMS$new, FORMS$old, lnk = "haebara"), "unused argument")
})
