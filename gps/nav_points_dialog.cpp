#include "gps/nav_points_dialog.h"

TNavPointsDialog g_NavPointsDialog;

int TNavPointsDialog::Run(HWND) {
  chosen = -1;
  result = kNothing;
  return 0;
}
