# Standard errors from covariances of the estimates: the published values of a
# worked example, and what scaling or fixing the covariance must do to them

FORMS <- zol_read(test_path("program", "two_groups.txt"))

# The common-items forms' standard errors, made up: se_a a tenth of a, se_b
# 0.08, c fixed (NA) but for the first three items.
made_up_errors <- function(form) {
  data.frame(label = form$label, se_a = form$a / 10, se_b = 0.08,
             se_c = c(0.02, 0.03, 0.025, rep(NA, nrow(form) - 3L)))
}
ERRORS <- lapply(FORMS[c("new", "old")], made_up_errors)

# The diagonal covariance matrix of a frame of standard errors, its rows in
# reverse order.
as_matrix <- function(errors) {
  long <- stack(errors[c("se_a", "se_b", "se_c")])
  long$name <- paste0(errors$label, ":", sub("se_", "", long$ind))
  long <- long[rev(which(!is.na(long$values))), ]
  covariance <- diag(long$values^2, nrow(long), nrow(long))
  dimnames(covariance) <- list(long$name, long$name)
  covariance
}

SE_COLUMNS <- c("link_A_se", "link_B_se", "link_AB_covariance", "true_score_se",
                "observed_score_se", "true_scale_se", "observed_scale_se")

equate_with <- function(new_covariance, old_covariance, link = "haebara") {
  do.call(zol_equate, c(FORMS, list(link = link, new_covariance = new_covariance,
                                    old_covariance = old_covariance)))
}

test_that("the standard errors are the report's and the CSV's", {
  x <- equate_with(ERRORS$new, ERRORS$old)
  expect_true(sprintf("SE(A) = %.6f  SE(B) = %.6f  Corr(A, B) = %.4f", x$linking$se_A,
                      x$linking$se_B, x$linking$AB_covariance / (x$linking$se_A * x$linking$se_B))
              %in% strsplit(x$report, "\n")[[1L]])
  expect_identical(unlist(x$scores[1L, SE_COLUMNS[1:3]]),
                   c(link_A_se = x$linking$se_A, link_B_se = x$linking$se_B,
                     link_AB_covariance = x$linking$AB_covariance))
  csv <- tempfile(fileext = ".csv")
  zol_csv(x, csv)
  expect_equal(x$scores, read.csv(csv, na.strings = ""), tolerance = 0)
  expect_true(all(SE_COLUMNS %in% names(x$scores)))
  expect_false(anyNA(x$scores$observed_score_se[seq_len(x$new_top_score)]))
})

test_that("a covariance four times as large doubles every standard error", {
  x <- equate_with(ERRORS$new, ERRORS$old)
  twice <- lapply(ERRORS, transform, se_a = 2 * se_a, se_b = 2 * se_b, se_c = 2 * se_c)
  by_frames <- equate_with(twice$new, twice$old)
  by_matrices <- equate_with(4 * as_matrix(ERRORS$new), 4 * as_matrix(ERRORS$old))
  expected <- x$scores[SE_COLUMNS]
  expected[SE_COLUMNS != "link_AB_covariance"] <- 2 * expected[SE_COLUMNS != "link_AB_covariance"]
  expected$link_AB_covariance <- 4 * expected$link_AB_covariance
  expect_equal(by_frames$scores[SE_COLUMNS], expected, tolerance = 1e-12)
  expect_equal(by_matrices$scores[SE_COLUMNS], expected, tolerance = 1e-12)
  expect_identical(by_frames$scores[setdiff(names(x$scores), SE_COLUMNS)],
                   x$scores[setdiff(names(x$scores), SE_COLUMNS)])
})

test_that("a parameter held fixed, however it is said, does not matter", {
  x <- equate_with(ERRORS$new, ERRORS$old)
  fixed <- function(errors) transform(errors, se_c = ifelse(is.na(se_c), 0, se_c))
  # NA, no column, 0, a zero row of a matrix, a matrix in another order.
  no_c <- ERRORS$new[c("label", "se_a", "se_b")]
  ways <- list(zeros = list(fixed(ERRORS$new), fixed(ERRORS$old)),
               matrices = list(as_matrix(ERRORS$new), as_matrix(fixed(ERRORS$old))),
               matrix_frames = lapply(ERRORS, function(e) as.data.frame(as_matrix(e))),
               row_names = list(`row.names<-`(ERRORS$new[-1L], ERRORS$new$label), ERRORS$old))
  for (way in names(ways)) {
    # The terms may add in another order.
    expect_equal(equate_with(ways[[way]][[1L]], ways[[way]][[2L]])$scores[SE_COLUMNS],
                 x$scores[SE_COLUMNS], tolerance = 1e-12, label = way)
  }
  # The c's that are given count.
  cless <- equate_with(no_c, ERRORS$old)
  expect_identical(cless$scores, equate_with(transform(no_c, se_c = NA), ERRORS$old)$scores)
  expect_false(identical(cless$scores[SE_COLUMNS], x$scores[SE_COLUMNS]))
})

test_that("covariances that cannot be used are refused, saying why", {
  odd <- ERRORS$new
  odd$se_b[2] <- -0.1
  refused <- list(
    list("zol_input_error", "invalid_argument",
         paste("the new form's covariance has the column se_d, which names no parameter",
               "(se_a, se_b, se_c, se_b1, ...)"),
         list(new_covariance = transform(ERRORS$new, se_d = 1))),
    list("zol_input_error", "invalid_argument",
         "the new form's covariance: se_b -0.1 of item C01 is below 0",
         list(new_covariance = odd)),
    list("zol_input_error", "invalid_argument",
         "the old form's covariance has no column label, and its row names hold no labels",
         list(old_covariance = ERRORS$old[-1L])),
    list("zol_input_error", "invalid_argument",
         "the old form's covariance has no columns of standard errors, se_a, se_b, se_c, se_b1, ...",
         list(old_covariance = FORMS$old)),
    list("zol_input_error", "invalid_argument",
         paste("new_covariance must be a square matrix whose row names (and column names, if any)",
               "name its parameters, \"LABEL:a\", \"LABEL:b\", ..."),
         list(new_covariance = unname(as_matrix(ERRORS$new)))),
    list("zol_input_error", "invalid_input",
         "the new form's covariance: 'O01:a' is no parameter of the new form",
         list(new_covariance = ERRORS$old)))
  for (case in refused) {
    e <- failure_of(do.call(zol_equate, c(FORMS, list(link = "haebara"), case[[4L]])))
    expect_s3_class(e, case[[1L]])
    expect_identical(list(e$kind, conditionMessage(e)), case[2:3])
  }
})

# A form of equateIRT's examples in the program's metric (D = 1): a = beta1,
# b = -beta0 / beta1, c = 1 / (1 + exp(-logit c)), and the covariance of
# (logit c,) the intercepts and the slopes carried over as J S J', J their
# derivatives.
equateirt_form <- function(folder, data, k) {
  read <- function(what) {
    read.csv(file.path(folder, sprintf("%s_%s_%d.csv", data, what, k)), row.names = 1,
             check.names = FALSE)
  }
  estimates <- read("coef")
  three_pl <- data == "est3pl"
  beta0 <- estimates[[if (three_pl) "beta.1i" else "(Intercept)"]]
  beta1 <- estimates[[if (three_pl) "beta.2i" else "z1"]]
  c <- if (three_pl) plogis(estimates[["c.i"]]) else 0
  n <- length(beta0)
  zero <- matrix(0, n, n)
  J <- rbind(cbind(zero, diag(n)), cbind(diag(-1 / beta1), diag(beta0 / beta1^2)))
  if (three_pl) J <- rbind(cbind(matrix(0, 2L * n, n), J), cbind(diag(c * (1 - c)), zero, zero))
  covariance <- J %*% as.matrix(read("var")) %*% t(J)
  names <- paste0(rownames(estimates), ":", rep(c("a", "b", "c")[seq_len(2L + three_pl)], each = n))
  dimnames(covariance) <- list(names, names)
  list(items = data.frame(label = rownames(estimates), a = beta1, b = -beta0 / beta1, c = c),
       covariance = covariance)
}

test_that("equateIRT's example forms 1 and 5 give the published constants and errors", {
  folder <- Filter(dir.exists, file.path(dirname(dirname(normalizePath(test_path()))),
                                         strrep("../", 1:4), "shared/data/equateirt"))
  skip_if(length(folder) == 0L, "the shared data are not in reach")
  published <- read.table(header = TRUE, text = "
    data   link      A       se_A     B        se_B
    est2pl haebara   0.97152 0.021344 -0.47511 0.023886
    est2pl mean-mean 0.96497 0.021313 -0.47418 0.024224
    est3pl haebara   1.00935 0.029052 -0.51886 0.027863")
  for (row in seq_len(nrow(published))) {
    case <- published[row, ]
    new <- equateirt_form(folder[1L], case$data, 1L)
    old <- equateirt_form(folder[1L], case$data, 5L)
    x <- zol_equate(new$items, old$items, link = case$link, scaling_constant = 1,
                    link_quadrature = if (case$link == "haebara") 30,
                    new_covariance = new$covariance, old_covariance = old$covariance)
    for (value in c("A", "se_A", "B", "se_B")) {
      digits <- nchar(sub(".*[.]", "", format(case[[value]], nsmall = 5L)))
      expect_lte(abs(x$linking[[value]] - case[[value]]), 0.5 * 10^-digits,
                 label = paste(case$data, case$link, value))
    }
  }
})
