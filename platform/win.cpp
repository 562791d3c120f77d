#include "platform/win.h"

// The last-error value is per thread, as on the platform: the GPS reader thread's failures must
// not overwrite what the interface thread is about to read.
static thread_local DWORD g_lastError = 0;

extern "C" DWORD GetLastError() { return g_lastError; }
extern "C" void SetLastError(DWORD code) { g_lastError = code; }
