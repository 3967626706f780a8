# Standard errors from covariances of the estimates: the published values of a
# worked example, and the ways of giving a covariance or fixing a parameter

FORMS <- zol_read(test_path("program", "two_groups.txt"))

# Made-up standard errors of the common-items forms, c fixed (NA) but for
# the first three items.
ERRORS <- lapply(FORMS[c("new", "old")], function(form) {
  data.frame(label = form$label, se_a = form$a / 10, se_b = 0.08,
             se_c = c(0.02, 0.03, 0.025, rep(NA, nrow(form) - 3L)))
})

# The frame's diagonal covariance matrix, its rows in reverse order.
as_matrix <- function(errors) {
  long <- stack(errors[c("se_a", "se_b", "se_c")])
  long$name <- paste0(errors$label, ":", sub("se_", "", long$ind))
  long <- long[rev(which(!is.na(long$values))), ]
  matrix(diag(long$values^2, nrow(long)), nrow(long), dimnames = list(long$name, long$name))
}

SE_COLUMNS <- c("link_A_se", "link_B_se", "link_AB_covariance", "true_score_se",
                "observed_score_se", "true_scale_se", "observed_scale_se")

equate_with <- function(new_covariance, old_covariance, ...) {
  do.call(zol_equate, c(FORMS, list(link = "haebara", new_covariance = new_covariance,
                                    old_covariance = old_covariance, ...)))
}

test_that("standard errors reach the report, the scores and the CSV file", {
  x <- equate_with(ERRORS$new, ERRORS$old)
  l <- x$linking
  expect_true(sprintf("SE(A) = %.6f  SE(B) = %.6f  Corr(A, B) = %.4f", l$se_A, l$se_B,
                      l$AB_covariance / (l$se_A * l$se_B)) %in% strsplit(x$report, "\n")[[1L]])
  expect_identical(unname(unlist(x$scores[1L, SE_COLUMNS[1:3]])),
                   c(l$se_A, l$se_B, l$AB_covariance))
  csv <- tempfile(fileext = ".csv")
  zol_csv(x, csv)
  expect_equal(x$scores, read.csv(csv, na.strings = ""), tolerance = 0)
  expect_false(anyNA(x$scores$observed_score_se[seq_len(x$new_top_score)]))
})

test_that("a parameter held fixed, however it is said, does not matter", {
  x <- equate_with(ERRORS$new, ERRORS$old)$scores[SE_COLUMNS]
  zero_c <- lapply(ERRORS, transform, se_c = ifelse(is.na(se_c), 0, se_c))
  # 0 for NA; a matrix in another order with zero rows; a data frame of it;
  # labels as row names.
  ways <- list(zero_c, list(as_matrix(ERRORS$new), as_matrix(zero_c$old)),
               lapply(ERRORS, function(e) as.data.frame(as_matrix(e))),
               list(`row.names<-`(ERRORS$new[-1L], ERRORS$new$label), ERRORS$old))
  for (way in ways) {
    expect_equal(equate_with(way[[1L]], way[[2L]])$scores[SE_COLUMNS], x, tolerance = 1e-12)
  }
  # The c's given count; NA alone, or no column, hold them fixed.
  no_c <- lapply(ERRORS, `[`, c("label", "se_a", "se_b"))
  cless <- equate_with(no_c$new, no_c$old)$scores[SE_COLUMNS]
  expect_false(isTRUE(all.equal(cless, x)))
  expect_identical(equate_with(transform(no_c$new, se_c = NA), no_c$old)$scores[SE_COLUMNS], cless)
})

test_that("covariances that cannot be used are refused, saying why", {
  negative <- transform(ERRORS$new, se_b = ifelse(label == "C01", -0.1, se_b))
  # The kind, the explanation, then the arguments.
  refused <- list(
    "invalid_argument", paste("the new form's covariance has the column se_d, which names no",
                              "parameter (se_a, se_b, se_c, se_b1, ...)"),
    list(new_covariance = transform(ERRORS$new, se_d = 1)),
    "invalid_argument", "the new form's covariance: se_b -0.1 of item C01 is below 0",
    list(new_covariance = negative),
    "invalid_argument", "the old form's covariance has no column label, and its row names hold no labels",
    list(old_covariance = ERRORS$old[-1L]),
    "invalid_argument", paste("the old form's covariance has no columns of standard errors,",
                              "se_a, se_b, se_c, se_b1, ..."), list(old_covariance = FORMS$old),
    "invalid_argument", paste("new_covariance must be a square matrix whose row names (and column",
                              "names, if any) name its parameters, \"LABEL:a\", \"LABEL:b\", ..."),
    list(new_covariance = unname(as_matrix(ERRORS$new))),
    "invalid_input", "the new form's covariance: 'O01:a' is no parameter of the new form",
    list(new_covariance = ERRORS$old))
  for (k in seq(1L, length(refused), by = 3L)) {
    e <- expect_error(do.call(equate_with, c(list(NULL, NULL), refused[[k + 2L]])),
                      class = "zol_input_error")
    expect_identical(list(e$kind, conditionMessage(e)), refused[k:(k + 1L)])
  }
})

test_that("equateIRT's example forms 1 and 5 give the published constants and errors", {
  folder <- Filter(dir.exists, file.path(dirname(dirname(normalizePath(test_path()))),
                                         strrep("../", 1:4), "shared/data/equateirt"))[1L]
  skip_if(is.na(folder), "the shared data are not in reach")
  # Slope-intercept estimates (D = 1), carried to a = beta1, b = -beta0 /
  # beta1, c = 1 / (1 + exp(-logit c)) with the covariance as J S J', J their
  # derivatives in the covariance's order: (logit c,) intercepts, slopes.
  form <- function(data, k) {
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
    names <- paste0(rownames(estimates), ":", rep(c("a", "b", "c")[seq_len(2L + three_pl)],
                                                  each = n))
    list(items = data.frame(label = rownames(estimates), a = beta1, b = -beta0 / beta1, c = c),
         covariance = matrix(J %*% as.matrix(read("var")) %*% t(J), 2L * n + three_pl * n,
                             dimnames = list(names, names)))
  }
  published <- read.table(header = TRUE, text = "
    data   link      A       se_A     B        se_B
    est2pl haebara   0.97152 0.021344 -0.47511 0.023886
    est2pl mean-mean 0.96497 0.021313 -0.47418 0.024224
    est3pl haebara   1.00935 0.029052 -0.51886 0.027863")
  for (row in seq_len(nrow(published))) {
    case <- published[row, ]
    new <- form(case$data, 1L)
    old <- form(case$data, 5L)
    x <- zol_equate(new$items, old$items, link = case$link, scaling_constant = 1,
                    link_quadrature = if (case$link == "haebara") 30,
                    new_covariance = new$covariance, old_covariance = old$covariance)
    values <- c("A", "se_A", "B", "se_B")
    expect_identical(round(unlist(x$linking[values]), c(5L, 6L, 5L, 6L)),
                     unlist(case[values]), label = paste(case$data, case$link))
  }
})
