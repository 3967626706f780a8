# The package's examples, and the program's outputs of them: the reports and
# the picture come with the examples; program/ holds what the program, run in
# examples/ as `zol --explain [NAME.options] --csv NAME.csv NAME.txt`, writes
# (NAME.csv, and standard error as NAME.explain), what --linked-items writes
# of the linked examples (NAME.linked.txt), and forms40_round_scale.* the
# same with --round-scale=0.5; and the runs of program/option_sets.txt.

example_file <- function(name) system.file("extdata", name, package = "zol", mustWork = TRUE)

bytes <- function(path) readBin(path, "raw", file.size(path))

EXAMPLES <- sub("[.]report$", "", dir(system.file("extdata", package = "zol"), "[.]report$"))

# The example as the program runs it, in the examples' folder so that the
# report names the file alike; further options of zol_equate after its own.
equate_example <- function(name, ...) {
  options <- system.file("extdata", paste0(name, ".options"), package = "zol")
  arguments <- if (nzchar(options)) readLines(options) else character()
  value <- function(option) if (option %in% arguments) arguments[match(option, arguments) + 1L]
  d <- value("--scaling-constant")
  old <- setwd(dirname(example_file(paste0(name, ".txt"))))
  on.exit(setwd(old))
  forms <- zol_read(paste0(name, ".txt"), mixed_format = "--mixed-format" %in% arguments)
  do.call(zol_equate, c(forms, list(link = value("--link"),
                                    scaling_constant = if (!is.null(d)) as.numeric(d), ...)))
}

# What the program says under --explain, without its "zol: " before each line,
# and a failed linking's cause after "linking by METHOD: " as the package
# says it.
explain_lines <- function(path) {
  sub("^--link (\\S+): ", "linking by \\1: ", sub("^zol: ", "", readLines(path)))
}

# The program's options as zol_equate's arguments.
program_arguments <- function(words) {
  at <- grep("^--", words)
  arguments <- lapply(at, function(k) {
    value <- words[k + 1L]
    switch(words[k], "--symmetric" = TRUE, "--link" = value,
           "--exclude-common" = strsplit(value, ",")[[1L]], as.numeric(value))
  })
  setNames(arguments, gsub("-", "_", sub("^--", "", words[at])))
}

# The runs of program/option_sets.txt: case, input and the program's words.
option_sets <- function() {
  lines <- grep("^[^#]", readLines(test_path("program", "option_sets.txt")), value = TRUE)
  lapply(strsplit(trimws(lines), " +"), function(fields) {
    list(case = fields[1L], input = fields[2L], words = fields[-(1:2)])
  })
}

# The folder an input of option_sets.txt is in.
input_folder <- function(input) {
  folder <- normalizePath(test_path("program"))
  if (file.exists(file.path(folder, input))) folder else dirname(example_file(input))
}

# A case of the program's own tests in the source tree the tests run from;
# NULL where there is none (R CMD check runs a copy of the tests).
source_case <- function(case) {
  folder <- normalizePath(test_path(), mustWork = FALSE)
  for (up in 1:6) {
    folder <- dirname(folder)
    if (dir.exists(file.path(folder, "tests", "cases", case))) {
      return(file.path(folder, "tests", "cases", case))
    }
  }
}

failure_of <- function(expr) tryCatch({ expr; NULL }, error = function(e) e)
