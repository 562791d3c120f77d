// Shared between the sources of platform/sys only.
//
// Kernel handles (files, serial ports, find searches, threads, events) live in one table. A
// handle value is a counter, never a pointer, so a stale handle never reaches a newer object.
// Lookups hand out shared ownership: CloseHandle from one thread while another is blocked in a
// read on the same port leaves the object alive until the reader returns; the object's Close()
// tells the reader to give up.
#pragma once

#include <memory>
#include <string>

#include "platform/sys/winsys.h"

namespace vplat::sys {

enum class Kind { File, Comm, Find, Thread, Event };

class KernelObject {
 public:
  explicit KernelObject(Kind k) : kind(k) {}
  virtual ~KernelObject() = default;
  // The last handle to the object was closed.
  virtual void Close() {}
  const Kind kind;
};

HANDLE AddHandle(std::shared_ptr<KernelObject> object);
// The object behind `h` if it is of kind `k`; else null with ERROR_INVALID_HANDLE.
std::shared_ptr<KernelObject> FindHandle(HANDLE h, Kind k);
// Any kind; null with ERROR_INVALID_HANDLE.
std::shared_ptr<KernelObject> FindAnyHandle(HANDLE h);
// Removes the handle and calls Close(). False for an unknown handle.
bool RemoveHandle(HANDLE h);

template <class T>
std::shared_ptr<T> Find(HANDLE h, Kind k) {
  return std::static_pointer_cast<T>(FindHandle(h, k));
}

// The host error of the last failed call, as a device error code.
DWORD ErrorFromErrno(int err);
// Sets the device error from errno and returns false.
bool FailErrno();
inline bool Fail(DWORD code) {
  SetLastError(code);
  return false;
}

// Path mapping with the options the 8-bit wrappers need: when `narrowCodePage` is not 0, a host
// name that this code page cannot represent does not match.
bool MapPath(const wchar_t* devicePath, std::string* hostPath, bool forCreate,
             UINT narrowCodePage);
// Case folding for name comparison (Latin, Greek and Cyrillic letters).
wchar_t FoldCase(wchar_t c);
bool EqualNoCase(const std::wstring& a, const std::wstring& b);
// '*' and '?' without regard to case; "x.*" also matches "x".
bool MatchPattern(const std::wstring& pattern, const std::wstring& name);
std::wstring Utf8ToWide(const std::string& s);
std::string WideToUtf8(const std::wstring& s);
// True when every character of `s` has a byte in the code page.
bool Representable(UINT codePage, const std::wstring& s);
// 8-bit text in a code page to wide; false when the page is unknown.
bool DecodeNarrow(UINT codePage, const char* s, std::wstring* out);

// Serial ports (serial.cpp).
bool IsCommName(const wchar_t* name, int* number);
HANDLE OpenCommPort(int number, DWORD access);
bool CommRead(const std::shared_ptr<KernelObject>& port, void* buffer, DWORD toRead,
              DWORD* read);
bool CommWrite(const std::shared_ptr<KernelObject>& port, const void* buffer, DWORD toWrite,
               DWORD* written);
// Wakes every serial wait and read, so that threads asked to stop notice it.
void WakeAllCommWaiters();

// The test switch of a card that fills up: after `bytes` more bytes written to files through the
// layer (file handles, copies, whole-file writes) every write fails as on a full card; -1 lifts it.
void SetWriteBudget(int64_t bytes);

// Unix time in seconds and nanoseconds to the platform's 100-ns ticks since 1601.
FILETIME FileTimeFromUnix(int64_t seconds, long nanoseconds);

// The library whose static constructors LoadLibraryW is running on this thread, or null.
HMODULE LoadingModule();
// Forgets every resource the module registered; FreeLibrary calls it before unloading.
void DropModuleResources(HMODULE module);

}  // namespace vplat::sys

namespace vplat {
// How many windows, window classes, dialogs and timers have a procedure in [lo, hi).
int LiveCodeIn(uintptr_t lo, uintptr_t hi);
}  // namespace vplat
