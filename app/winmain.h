// The program entry, start-up and shutdown: one instance per device, the window class, the
// start-up order in which settings, language, palette, the last project, the almanac and the
// address database come in, the view settings, and what is written back at the end.
#pragma once

#include <string>

#include "platform/win.h"

inline constexpr wchar_t kMainClassName[] = L"Vorna";
inline constexpr wchar_t kMainWindowTitle[] = L"Selmik";
inline constexpr UINT_PTR kMemoryTimerId = 1001;
inline constexpr UINT kMemoryTimerMs = 30000;
// Below this many bytes of free physical memory the low-memory warning shows.
inline constexpr DWORD kLowMemoryBytes = 524288;
inline constexpr int kMaxCommandLine = 255;  // 8-bit characters

// The entry; its result is the exit code: the quit message's code, -1 when another instance
// runs, 1 when the class cannot be registered, 16 when the window cannot be made.
int WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show);
// 0 registered; -1 another instance runs (it was asked to come to the front); 1 failed.
int RegisterMainWindowClass(HINSTANCE instance);
HWND CreateMainWindow(HINSTANCE instance, const char* commandLine, int show);
void StartUp(HWND mainWindow);
void ApplyViewSettings();
void OpenAddressDatabase();
// The position SetScale re-centres on: the tools point, the edited vertex or the GPS position,
// in that order of preference; the outputs stay untouched when none has one.
void GetCurrentPosition(double* x, double* y);
int SaveLastProject();
int SaveSessionSettings();
void CALLBACK LowMemoryTimerProc(HWND hwnd, UINT message, UINT_PTR id, DWORD time);

// Program-wide values set by the entry and start-up.
extern HINSTANCE g_Instance;
extern std::string g_CommandLine;  // 8-bit copy, at most 255 characters
extern int g_CommandLineTooLong;   // the command line had more than 255 characters
extern std::wstring g_ProgramPathW;
extern std::string g_ProgramPath;    // 8-bit copy of the module path
extern std::string g_ProgramFolder;  // its folder, separator kept
extern UINT_PTR g_MemoryTimer;
extern int g_LowMemoryBoxUp;
extern int g_StartupDone;        // the window is made, started, shown and updated
extern int g_StartupOpenResult;  // result of opening the start-up file: 0, or the opener's code
// The view does not hold the last project (the start opened a file from the command line, or
// the last project could not be opened): the exit leaves it and "DefaultFile" as they are. A
// project the user accepts in the project editor clears it.
extern int g_LastProjectAside;
extern int g_NaviSaveLog;        // "NaviSaveLog": record the GPS track into the working map
