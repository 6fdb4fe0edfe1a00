library(testthat)
library(kelpo)

test_check("kelpo")
