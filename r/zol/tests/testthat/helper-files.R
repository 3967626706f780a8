# The package's examples, and the program's outputs of them: the reports and
# the picture come with the examples; program/NAME.csv is what
# `zol [NAME.options] --csv NAME.csv NAME.txt` writes in examples/.

example_file <- function(name) system.file("extdata", name, package = "zol", mustWork = TRUE)

bytes <- function(path) readBin(path, "raw", file.size(path))

EXAMPLES <- sub("[.]report$", "", dir(system.file("extdata", package = "zol"), "[.]report$"))

# The example as the program runs it: zol [OPTIONS] NAME.txt in the
# examples' folder, so that the report names the file alike.
equate_example <- function(name) {
  options <- system.file("extdata", paste0(name, ".options"), package = "zol")
  arguments <- if (nzchar(options)) readLines(options) else character()
  value <- function(option) {
    if (option %in% arguments) arguments[match(option, arguments) + 1L]
  }
  d <- value("--scaling-constant")
  old <- setwd(dirname(example_file(paste0(name, ".txt"))))
  on.exit(setwd(old))
  forms <- zol_read(paste0(name, ".txt"), mixed_format = "--mixed-format" %in% arguments)
  do.call(zol_equate, c(forms, list(link = value("--link"),
                                    scaling_constant = if (!is.null(d)) as.numeric(d))))
}
