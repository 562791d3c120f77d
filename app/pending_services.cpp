#include "app/pending_services.h"

int RunProjectMapsDialog(HWND) { return 0; }
