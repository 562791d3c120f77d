#include "app/pending_services.h"

int LookupButtonAction(int) { return -1; }
int ToggleScreenLock(HWND) { return 0; }
int PickObjectsAt(int, int, int, TObjectRef*, int) { return 0; }
int BrowseForOpenFile(HWND, const wchar_t*, const char*, char*, size_t) { return 0; }
int RunProjectMapsDialog(HWND) { return 0; }
