# The field day's time limit in ctest, as scripts/test.sh gives every case (--timeout 300).
set_tests_properties(FieldDay.FromStartToRestart PROPERTIES TIMEOUT 300)
# A real-window case keeps several processes busy at once (its X server, the program, the fake
# receiver, xdotool and xwd): it takes the share of the -j slots that it uses, so that a loaded
# run does not put more of them beside each other than the machine carries.
set_tests_properties(
  FieldDay.FromStartToRestart
  XWindow.OpensTheDemoAt2x
  XWindow.ScaleMenuOpensByTapAndEscapeLeavesNoTrace
  XWindow.MenuRowsPickedByTapAndByKeysAndExitSaves
  XWindow.KeysWithNoDelayLandOnTheirRowsOfTheScaleMenu
  XWindow.MinimiseAndRestoreGiveBackTheSamePicture
  XWindow.SecondStartOpensNothingAndLeavesTheFirstAlone
  PROPERTIES PROCESSORS 3)
