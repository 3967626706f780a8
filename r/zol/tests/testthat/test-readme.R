# The README's examples, run as written, show what it says they show

test_that("the README's examples run and print the lines it shows", {
  readme <- file.path(dirname(dirname(normalizePath(test_path()))), "README.md")
  skip_if_not(file.exists(readme), "the README is not in reach")
  text <- readLines(readme)
  code <- unlist(Map(function(from, to) text[seq(from + 1L, to - 1L)],
                     grep("^```r$", text), grep("^```$", text)))
  code <- grep("remotes::", code, value = TRUE, invert = TRUE)
  shown <- sub("^#> ", "", grep("^#> ", code, value = TRUE))
  old <- setwd(tempdir())
  on.exit(setwd(old))
  pdf(NULL)
  on.exit(dev.off(), add = TRUE)
  printed <- capture.output(source(exprs = parse(text = code), local = new.env(),
                                   print.eval = TRUE))
  printed <- sub(" +$", "", printed)
  expect_true(all(shown %in% printed), label = paste(setdiff(shown, printed), collapse = "\n"))
  expect_length(shown, 6L)
})
