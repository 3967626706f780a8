library(testthat)
library(zol)

test_check("zol")
