// The device layer's system services: the device root and files, code pages, modules and
// resources, serial ports, threads and locks, memory status, the message beep and a small
// in-memory registry. Names and constant values are those application code expects of the
// handheld's platform.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/sys/large_block.h"
#include "platform/win_types.h"

// Error codes used only by these services (the common ones live in win_types.h).
#ifndef ERROR_NOT_SAME_DEVICE
#define ERROR_NOT_SAME_DEVICE 17L
#endif
#ifndef ERROR_GEN_FAILURE
#define ERROR_GEN_FAILURE 31L
#endif
#ifndef ERROR_DISK_FULL
#define ERROR_DISK_FULL 112L
#endif
#ifndef ERROR_MORE_DATA
#define ERROR_MORE_DATA 234L
#endif
#ifndef ERROR_OPERATION_ABORTED
#define ERROR_OPERATION_ABORTED 995L
#endif
#ifndef ERROR_RESOURCE_DATA_NOT_FOUND
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#endif
#ifndef ERROR_RESOURCE_TYPE_NOT_FOUND
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#endif
#ifndef ERROR_NEGATIVE_SEEK
#define ERROR_NEGATIVE_SEEK 131L
#endif
#ifndef ERROR_DIRECTORY
#define ERROR_DIRECTORY 267L
#endif

#define INFINITE 0xFFFFFFFF
#define MAXDWORD 0xFFFFFFFF
#define STILL_ACTIVE 259

typedef struct OVERLAPPED* LPOVERLAPPED;  // never used: pass null
struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

extern "C" {
BOOL CloseHandle(HANDLE h);
}

// ---------------------------------------------------------------------------------------------
// Code pages
// ---------------------------------------------------------------------------------------------
#define CP_ACP 0
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400

extern "C" {
// CP_ACP is the layer's system page, 1251. Wide text is wchar_t (one code point per unit).
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int cbSrc, LPWSTR dst,
                        int cchDst);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int cchSrc, LPSTR dst,
                        int cbDst, LPCSTR defaultChar, LPBOOL usedDefaultChar);
BOOL IsValidCodePage(UINT codePage);
UINT GetACP();
}

// ---------------------------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------------------------
#define GENERIC_READ 0x80000000
#define GENERIC_WRITE 0x40000000
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100
// FindFirstFileW and FindNextFileW: the entry is a host symbolic link (its other attributes,
// times and size are its target's). Another name of a folder listed elsewhere, so a walk of the
// tree can tell where it might come back to a folder it is in.
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFF
#define INVALID_FILE_SIZE 0xFFFFFFFF
#define INVALID_SET_FILE_POINTER 0xFFFFFFFF
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

// With CreateFileW: opens a folder (OPEN_EXISTING, read only), for its information alone.
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000

struct BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD dwVolumeSerialNumber;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD nNumberOfLinks;
  DWORD nFileIndexHigh;
  DWORD nFileIndexLow;
};
typedef BY_HANDLE_FILE_INFORMATION* LPBY_HANDLE_FILE_INFORMATION;

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[MAX_PATH];
};
typedef WIN32_FIND_DATAW* LPWIN32_FIND_DATAW;

#define MOVEFILE_REPLACE_EXISTING 0x00000001

extern "C" {
DWORD GetFileAttributesW(LPCWSTR path);
BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes);
HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data);
BOOL FindClose(HANDLE find);
BOOL DeleteFileW(LPCWSTR path);
BOOL MoveFileW(LPCWSTR from, LPCWSTR to);
// With MOVEFILE_REPLACE_EXISTING an existing file at `to` is replaced in one step (never a
// folder); without flags it is MoveFileW. Other flags are refused (ERROR_INVALID_PARAMETER).
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists);
BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security);
BOOL RemoveDirectoryW(LPCWSTR path);
// A name of the form "COMn:" opens serial port n (see below); anything else is a device path.
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creation, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE h, LPCVOID buffer, DWORD toWrite, LPDWORD written,
               LPOVERLAPPED overlapped);
DWORD SetFilePointer(HANDLE h, LONG distance, LONG* distanceHigh, DWORD method);
DWORD GetFileSize(HANDLE h, LPDWORD sizeHigh);
BOOL SetEndOfFile(HANDLE h);
BOOL FlushFileBuffers(HANDLE h);
BOOL GetFileTime(HANDLE h, LPFILETIME creation, LPFILETIME access, LPFILETIME write);
// Attributes, times, size and identity (volume and file index) of an open file or folder.
BOOL GetFileInformationByHandle(HANDLE h, LPBY_HANDLE_FILE_INFORMATION info);
}

// The program's buffered files. The path is a device path in the system page, 1251 (vfopen) or
// wide (vwfopen); the result is an ordinary host FILE*. Opening a folder fails.
FILE* vfopen(const char* path, const char* mode);
FILE* vwfopen(const wchar_t* path, const wchar_t* mode);
// 0 on success, -1 on failure (errno set). vremove removes files only; vrename fails when the
// target exists, as on the handheld.
int vremove(const char* path);
int vrename(const char* from, const char* to);
// Writes `size` bytes as the whole new content of the file at `path` (system page, or
// wide) in one step: into "<path>.tmp" beside it, flushed to the card, then renamed over the old
// file, so that a full card, a removed card or a power loss never leaves the file half written.
// 0 on success; -1 on failure (GetLastError and errno set), the old file then as it was and no
// temporary left behind. A folder or a read-only file at `path` is not replaced.
int vwritefile(const char* path, const void* data, size_t size);
int vwwritefile(const wchar_t* path, const void* data, size_t size);

// ---------------------------------------------------------------------------------------------
// Modules and resources
// ---------------------------------------------------------------------------------------------
#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_ACCELERATOR MAKEINTRESOURCEW(9)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCEW(12)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)

#define VS_FFI_SIGNATURE 0xFEEF04BD
#define VS_FFI_STRUCVERSION 0x00010000
// The fixed part of a version resource. A registered RT_VERSION resource holds these thirteen
// fields as little-endian 32-bit values, in this order (52 bytes).
struct VS_FIXEDFILEINFO {
  DWORD dwSignature;
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};

extern "C" {
// The program module: "\Vorna\Vorna.exe" unless vplat::SetModulePath says otherwise. A loaded
// module answers its own device path, in the program's folder ("\Vorna\Tilvex.dll").
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD cch);
HMODULE GetModuleHandleW(LPCWSTR name);
// Finds a built shared object beside the host executable (or beside the layer library) by
// name, with or without ".dll", without regard to case: "<name>.so", "lib<name>.so", "<name>".
// "coredll.dll" is built in and resolves the layer's own exported functions.
HMODULE LoadLibraryW(LPCWSTR name);
FARPROC GetProcAddressW(HMODULE module, LPCWSTR procName);
FARPROC GetProcAddressA(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);

// Resources form one namespace for the whole process; the module handle is accepted and
// ignored. Names are integer ids (MAKEINTRESOURCEW or "#123").
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL loaded);
DWORD SizeofResource(HMODULE module, HRSRC resource);

DWORD GetFileVersionInfoSizeW(LPCWSTR path, LPDWORD handle);
BOOL GetFileVersionInfoW(LPCWSTR path, DWORD handle, DWORD size, LPVOID data);
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* length);
}

// ---------------------------------------------------------------------------------------------
// Serial ports
// ---------------------------------------------------------------------------------------------
#define CBR_110 110
#define CBR_300 300
#define CBR_600 600
#define CBR_1200 1200
#define CBR_2400 2400
#define CBR_4800 4800
#define CBR_9600 9600
#define CBR_14400 14400
#define CBR_19200 19200
#define CBR_38400 38400
#define CBR_57600 57600
#define CBR_115200 115200
#define CBR_230400 230400
#define NOPARITY 0
#define ODDPARITY 1
#define EVENPARITY 2
#define MARKPARITY 3
#define SPACEPARITY 4
#define ONESTOPBIT 0
#define ONE5STOPBITS 1
#define TWOSTOPBITS 2
#define DTR_CONTROL_DISABLE 0
#define DTR_CONTROL_ENABLE 1
#define DTR_CONTROL_HANDSHAKE 2
#define RTS_CONTROL_DISABLE 0
#define RTS_CONTROL_ENABLE 1
#define RTS_CONTROL_HANDSHAKE 2
#define RTS_CONTROL_TOGGLE 3
#define EV_RXCHAR 0x0001
#define EV_RXFLAG 0x0002
#define EV_TXEMPTY 0x0004
#define EV_CTS 0x0008
#define EV_DSR 0x0010
#define EV_RLSD 0x0020
#define EV_BREAK 0x0040
#define EV_ERR 0x0080
#define EV_RING 0x0100
#define PURGE_TXABORT 0x0001
#define PURGE_RXABORT 0x0002
#define PURGE_TXCLEAR 0x0004
#define PURGE_RXCLEAR 0x0008

struct DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD fBinary : 1;
  DWORD fParity : 1;
  DWORD fOutxCtsFlow : 1;
  DWORD fOutxDsrFlow : 1;
  DWORD fDtrControl : 2;
  DWORD fDsrSensitivity : 1;
  DWORD fTXContinueOnXoff : 1;
  DWORD fOutX : 1;
  DWORD fInX : 1;
  DWORD fErrorChar : 1;
  DWORD fNull : 1;
  DWORD fRtsControl : 2;
  DWORD fAbortOnError : 1;
  DWORD fDummy2 : 17;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
};
typedef DCB* LPDCB;

// Read time-outs in ms. Interval MAXDWORD with both totals 0: a read returns at once with what
// has arrived. All 0: a read waits for every byte asked for.
struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
};
typedef COMMTIMEOUTS* LPCOMMTIMEOUTS;

struct COMSTAT {
  DWORD fFlags;
  DWORD cbInQue;
  DWORD cbOutQue;
};
typedef COMSTAT* LPCOMSTAT;

extern "C" {
BOOL GetCommState(HANDLE port, LPDCB dcb);
BOOL SetCommState(HANDLE port, LPDCB dcb);
BOOL GetCommTimeouts(HANDLE port, LPCOMMTIMEOUTS timeouts);
BOOL SetCommTimeouts(HANDLE port, LPCOMMTIMEOUTS timeouts);
// Only EV_RXCHAR is ever reported. Changing the mask releases a waiting WaitCommEvent (it
// reports no event; with the new mask 0 it fails). Closing the port, a hang-up of the device
// and TerminateThread of the waiting thread make it fail.
BOOL SetCommMask(HANDLE port, DWORD mask);
BOOL GetCommMask(HANDLE port, LPDWORD mask);
BOOL WaitCommEvent(HANDLE port, LPDWORD eventMask, LPOVERLAPPED overlapped);
BOOL PurgeComm(HANDLE port, DWORD flags);
BOOL ClearCommError(HANDLE port, LPDWORD errors, LPCOMSTAT status);
}

// ---------------------------------------------------------------------------------------------
// Threads, events and locks
// ---------------------------------------------------------------------------------------------
#define WAIT_OBJECT_0 0x00000000
#define WAIT_TIMEOUT 0x00000102
#define WAIT_FAILED 0xFFFFFFFF
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_BELOW_NORMAL -1
#define THREAD_PRIORITY_LOWEST -2
#define THREAD_PRIORITY_IDLE -15

typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID);

// A recursive lock. A zero-filled section is usable: it is set up on first use.
struct CRITICAL_SECTION {
  void* impl;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

extern "C" {
HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, DWORD stackSize,
                    LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    LPDWORD threadId);
// Priorities are accepted and ignored: the host schedules its own threads.
BOOL SetThreadPriority(HANDLE thread, int priority);
BOOL CeSetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
// A thread cannot be killed safely (it may hold a lock or be half-way through a record), so
// this asks it to stop: vplat::ThreadStopRequested() turns true in that thread, a WaitCommEvent
// or serial read it is blocked in fails at once (and any later one), and the caller waits for
// the thread to return (up to 10 s; FALSE with ERROR_TIMEOUT if it does not). The exit code
// becomes `exitCode`. A thread's loop must therefore check ThreadStopRequested() or end when
// its waits fail.
BOOL TerminateThread(HANDLE thread, DWORD exitCode);
DWORD GetCurrentThreadId();

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState,
                    LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// Threads (signalled once finished) and events; timeouts in real milliseconds.
DWORD WaitForSingleObject(HANDLE h, DWORD timeoutMs);

void InitializeCriticalSection(LPCRITICAL_SECTION cs);
void DeleteCriticalSection(LPCRITICAL_SECTION cs);
void EnterCriticalSection(LPCRITICAL_SECTION cs);
void LeaveCriticalSection(LPCRITICAL_SECTION cs);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs);

LONG InterlockedIncrement(LONG volatile* value);
LONG InterlockedDecrement(LONG volatile* value);
LONG InterlockedExchange(LONG volatile* target, LONG value);
LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand);
LONG InterlockedExchangeAdd(LONG volatile* target, LONG value);
}

// ---------------------------------------------------------------------------------------------
// Memory, the message beep and the registry
// ---------------------------------------------------------------------------------------------
// Byte counts, each saturated at 0xFFFFFFFF.
struct MEMORYSTATUS {
  DWORD dwLength;
  DWORD dwMemoryLoad;  // percent in use
  DWORD dwTotalPhys;
  DWORD dwAvailPhys;
  DWORD dwTotalPageFile;
  DWORD dwAvailPageFile;
  DWORD dwTotalVirtual;
  DWORD dwAvailVirtual;
};
typedef MEMORYSTATUS* LPMEMORYSTATUS;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002)
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_OPTION_NON_VOLATILE 0
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2
typedef DWORD REGSAM;
typedef HKEY* PHKEY;

extern "C" {
void GlobalMemoryStatus(LPMEMORYSTATUS status);
// Silent; each call is recorded (vplat::RecordedBeeps).
BOOL MessageBeep(UINT type);
// The registry lives in memory for the run and starts empty: anything not set answers
// ERROR_FILE_NOT_FOUND. Results are error codes, not GetLastError.
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM sam, PHKEY result);
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR className, DWORD options,
                     REGSAM sam, LPSECURITY_ATTRIBUTES security, PHKEY result,
                     LPDWORD disposition);
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD cbData);
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD cbData);
LONG RegCloseKey(HKEY key);
}

// ---------------------------------------------------------------------------------------------
// What the entry, the harness, tests and the other folders of the layer set and read
// ---------------------------------------------------------------------------------------------
namespace vplat {

// File names as the device compares them: case folded for Latin, Greek and Cyrillic letters;
// '*' and '?' patterns where "x.*" also matches "x" (so "*.*" lists every name).
wchar_t FoldNameCase(wchar_t c);
bool SameFileName(const std::wstring& a, const std::wstring& b);
bool MatchFileName(const std::wstring& pattern, const std::wstring& name);


// The host folder that is the device's file system. Until set, VORNA_ROOT is used.
void SetDeviceRoot(const std::string& hostPath);
std::string DeviceRoot();
// Maps a device path ("\X\Y", '\' or '/', relative paths from the root) to a host path.
// Existing components are matched without regard to case (an exact match first, else the
// first in sorted order). forCreate: missing components keep the caller's spelling and the
// result is true; otherwise every component must exist. Refuses (false, last error set) paths
// over 255 characters, ".." above the root, and names with characters the device forbids.
bool DeviceToHostPath(const wchar_t* devicePath, std::string* hostPath, bool forCreate);

// The program module's device path, "\Vorna\Vorna.exe" by default.
void SetModulePath(const wchar_t* devicePath);
std::wstring ModulePath();

// Called by static constructors in resources/ (of the program or of a library being loaded):
// `data` must stay valid while its module is loaded. A later registration of the same type and
// id by the same module replaces the earlier one.
void RegisterResource(const wchar_t* type, UINT id, const void* data, size_t size);

// How many modal loops (dialogs, message boxes, popup menus) the calling thread is inside now;
// 0 in the main loop. Lets a command that ends the program wait until control is back there.
int ModalLoopDepth();

// True inside a thread that TerminateThread has asked to stop.
bool ThreadStopRequested();

// Tests: a fixed memory status instead of the host's (null: the host's again).
void SetMemoryStatusOverride(const MEMORYSTATUS* status);
// The MessageBeep types in call order.
std::vector<UINT> RecordedBeeps();
void ClearRecordedBeeps();

}  // namespace vplat
