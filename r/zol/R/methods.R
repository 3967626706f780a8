# What R shows of an equating: the report, a summary, the scores as a data
# frame, and the program's picture in base graphics

# The picture's colours, apart for every eye: blue and vermillion.
FIRST_COLOUR <- "#0072B2"
SECOND_COLOUR <- "#D55E00"

# The summary, not the report: a report of a long form runs to hundreds of
# lines, and it stays in x$report.
print.zol_equating <- function(x, ...) {
  print(summary(x))
  cat("The program's report is in $report.\n")
  invisible(x)
}

as.data.frame.zol_equating <- function(x, row.names = NULL, optional = FALSE, ...) {
  x$scores
}

# Rows 1..top + 1 hold raw scores 0..top.
rows_to <- function(top) seq_len(top + 1L)

summary.zol_equating <- function(object, ...) {
  s <- object$scores[rows_to(object$new_top_score), ]
  observed <- !anyNA(s$observed_equated)
  structure(list(name = object$input$name, new_top_score = object$new_top_score,
                 old_top_score = object$old_top_score, chance_score = object$chance_score,
                 linking = object$linking, synthetic_weight = object$synthetic_weight,
                 true_difference = range(s$true_equated - s$raw),
                 observed_difference = if (observed) range(s$observed_equated - s$raw),
                 warnings = object$warnings),
            class = "summary.zol_equating")
}

print.summary.zol_equating <- function(x, ...) {
  cat(sprintf("Equating of %s: new form raw scores 0 to %d, old form 0 to %d\n",
              if (nzchar(x$name)) x$name else "forms from data frames",
              x$new_top_score, x$old_top_score))
  if (!is.null(x$linking)) {
    l <- x$linking
    cat(sprintf("Linked by %s%s on %d common items%s: A = %.6f, B = %.6f\n",
                if (l$symmetric) "symmetric " else "", l$method, l$common_items,
                if (l$excluded > 0L) sprintf(" (%d excluded)", l$excluded) else "", l$A, l$B))
    if (!is.null(l$se_A)) {
      cat(sprintf("Standard errors: SE(A) = %.6f, SE(B) = %.6f\n", l$se_A, l$se_B))
    }
  }
  if (!is.null(x$synthetic_weight)) {
    cat(sprintf("Two groups: weight %.4f on the new group in the synthetic population\n",
                x$synthetic_weight))
  }
  cat(sprintf("Sum of c parameters: %.4f\n", x$chance_score))
  cat(sprintf("True-score equating: equated minus raw score from %.4f to %.4f\n",
              x$true_difference[1L], x$true_difference[2L]))
  if (is.null(x$observed_difference)) {
    cat("Observed-score equating: none (no ability distribution)\n")
  } else {
    cat(sprintf("Observed-score equating: equated minus raw score from %.4f to %.4f\n",
                x$observed_difference[1L], x$observed_difference[2L]))
  }
  # The texts say "warning:" themselves.
  if (length(x$warnings)) cat(x$warnings, sep = "\n")
  invisible(x)
}

# A band of half-width band about y, shaded in the colour, over each run of
# points that have a half-width.
draw_band <- function(x, y, band, colour) {
  runs <- rle(is.finite(band))
  ends <- cumsum(runs$lengths)
  for (r in which(runs$values)) {
    at <- seq(ends[r] - runs$lengths[r] + 1L, ends[r])
    polygon(c(x[at], rev(x[at])), c(y[at] + band[at], rev(y[at] - band[at])),
            col = adjustcolor(colour, alpha.f = 0.18), border = NA)
  }
}

# One panel: its series as lines with filled markers (the first in circles,
# the second in squares), each over its band if it has one, a light grid,
# and the legend above the frame.
draw_series <- function(x, ys, xlim, ylim, main, xlab, ylab, names, extra = NULL,
                        bands = NULL) {
  plot(x[[1L]], ys[[1L]], type = "n", xlim = xlim, ylim = ylim, xlab = xlab, ylab = ylab,
       las = 1)
  title(main = main, line = 2)
  grid(col = "grey90", lty = 1)
  colours <- c(FIRST_COLOUR, SECOND_COLOUR)[seq_along(ys)]
  markers <- c(16L, 15L)[seq_along(ys)]
  for (k in seq_along(bands)) draw_band(x[[k]], ys[[k]], bands[[k]], colours[k])
  for (k in seq_along(ys)) {
    lines(x[[k]], ys[[k]], type = "o", col = colours[k], pch = markers[k], lwd = 2)
  }
  usr <- par("usr")
  legend(usr[1L], usr[4L], legend = c(names, extra$name), col = c(colours, extra$colour),
         pch = c(markers, if (!is.null(extra)) NA), lty = c(rep(1L, length(ys)), extra$lty),
         lwd = c(rep(2L, length(ys)), extra$lwd), bty = "n", horiz = TRUE, xpd = TRUE,
         yjust = 0, text.width = diff(usr[1:2]) / 4)
}

# The program's picture: the equated minus the raw scores, with standard
# errors in a band of two either way, and, with an ability distribution, the
# fitted score distributions below them.
plot.zol_equating <- function(x, ...) {
  s <- x$scores
  on_new <- s[rows_to(x$new_top_score), ]
  observed <- !anyNA(on_new$observed_equated)
  old_par <- par(mfrow = c(if (observed) 2L else 1L, 1L),
                 oma = c(0, 0, if (is.null(x$linking)) 2 else 3, 0))
  on.exit(par(old_par))

  differences <- list(on_new$true_equated - on_new$raw)
  if (observed) differences[[2L]] <- on_new$observed_equated - on_new$raw
  bands <- if ("true_score_se" %in% names(s)) {
    lapply(list(on_new$true_score_se, on_new$observed_score_se)[seq_along(differences)],
           function(se) 2 * se)
  }
  reach <- unlist(Map(function(y, band) c(y - band, y + band), differences,
                      if (is.null(bands)) list(0) else bands))
  draw_series(rep(list(on_new$raw), length(differences)), differences,
              xlim = c(0, x$new_top_score), ylim = range(0, reach, na.rm = TRUE),
              main = paste0("Equated score minus raw score",
                            if (!is.null(bands)) ", with two standard errors either way"),
              xlab = "Raw score on the new form",
              ylab = "Equated minus raw score",
              names = c("True-score equating", "Observed-score equating")[seq_along(differences)],
              extra = list(name = "No difference", colour = "grey50", lty = 2L, lwd = 1L),
              bands = bands)
  abline(h = 0, lty = 2, col = "grey50")

  if (observed) {
    new_rows <- rows_to(x$new_top_score)
    old_rows <- rows_to(x$old_top_score)
    draw_series(list(s$raw[new_rows], s$raw[old_rows]),
                list(s$new_fitted[new_rows], s$old_fitted[old_rows]),
                xlim = c(0, nrow(s) - 1L),
                ylim = c(0, max(s$new_fitted[new_rows], s$old_fitted[old_rows])),
                main = "Fitted score distributions", xlab = "Raw score", ylab = "Probability",
                names = c("New form", "Old form"))
  }

  mtext(paste("Equating of", if (nzchar(x$input$name)) x$input$name else "forms from data frames"),
        outer = TRUE, font = 2, cex = 1.2, line = if (is.null(x$linking)) 0.5 else 1.5)
  if (!is.null(x$linking)) {
    mtext(sprintf("New form linked to the old scale by the %s method: A = %.6f, B = %.6f",
                  x$linking$method, x$linking$A, x$linking$B), outer = TRUE, line = 0.2)
  }
  invisible(x)
}
