#include "gps/receiver_files_dlg.h"

int TReceiverFilesDlg::Run(HWND /*owner*/, HINSTANCE /*instance*/) { return 0; }
