// The kernel handle table, CloseHandle, and the host error translation shared by the services.
#include <cerrno>
#include <mutex>
#include <unordered_map>

#include "platform/sys/sys_internal.h"

namespace vplat::sys {
namespace {

struct Table {
  std::mutex mutex;
  std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
  // Start well above small integers so that a stray 0, 1 or -1 is never a handle; step 4 keeps
  // the low bits clear as the platform's handles have them.
  uintptr_t next = 0x10000;
};

Table& TheTable() {
  static Table* table = new Table;  // never destroyed: threads may close handles at exit
  return *table;
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  uintptr_t value = t.next;
  t.next += 4;
  t.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> FindAnyHandle(HANDLE h) {
  Table& t = TheTable();
  {
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(h));
    if (it != t.objects.end()) return it->second;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

std::shared_ptr<KernelObject> FindHandle(HANDLE h, Kind k) {
  auto object = FindAnyHandle(h);
  if (object && object->kind == k) return object;
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

bool RemoveHandle(HANDLE h) {
  std::shared_ptr<KernelObject> object;
  {
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(h));
    if (it == t.objects.end()) return Fail(ERROR_INVALID_HANDLE);
    object = std::move(it->second);
    t.objects.erase(it);
  }
  object->Close();
  return true;
}

DWORD ErrorFromErrno(int err) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;  // a file-size limit: the card takes no more
    case EBADF: return ERROR_INVALID_HANDLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBUSY: return ERROR_SHARING_VIOLATION;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EIO:
    case ENXIO:
    case ENODEV: return ERROR_GEN_FAILURE;
    default: return ERROR_GEN_FAILURE;
  }
}

bool FailErrno() { return Fail(ErrorFromErrno(errno)); }

FILETIME FileTimeFromUnix(int64_t seconds, long nanoseconds) {
  // 11644473600 s lie between 1601-01-01 and 1970-01-01.
  int64_t ticks = (seconds + 11644473600LL) * 10000000LL + nanoseconds / 100;
  if (ticks < 0) ticks = 0;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
  return ft;
}

}  // namespace vplat::sys

extern "C" BOOL CloseHandle(HANDLE h) { return vplat::sys::RemoveHandle(h) ? TRUE : FALSE; }
