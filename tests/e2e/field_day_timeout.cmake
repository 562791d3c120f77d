# The field day's time limit in ctest, as scripts/test.sh gives every case (--timeout 300).
set_tests_properties(FieldDay.FromStartToRestart PROPERTIES TIMEOUT 300)
