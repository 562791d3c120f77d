#include "app/pending_services.h"

int BrowseForOpenFile(HWND, const wchar_t*, const char*, char*, size_t) { return 0; }
int RunProjectMapsDialog(HWND) { return 0; }
