// Files and folders through the device root: attributes, searches, create/delete/move/copy,
// file handles, and the program's buffered 8-bit and wide stdio wrappers.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/sys/sys_internal.h"

namespace vplat::sys {
namespace {

class FileObject : public KernelObject {
 public:
  FileObject(int fd, DWORD access) : KernelObject(Kind::File), fd_(fd), access_(access) {}
  ~FileObject() override {
    if (fd_ >= 0) ::close(fd_);
  }
  int fd() const { return fd_; }
  bool CanRead() const { return access_ & GENERIC_READ; }
  bool CanWrite() const { return access_ & GENERIC_WRITE; }

 private:
  int fd_;
  DWORD access_;
};

struct FoundEntry {
  std::wstring name;
  DWORD attributes;
  FILETIME created, accessed, written;
  uint64_t size;
};

class FindObject : public KernelObject {
 public:
  FindObject() : KernelObject(Kind::Find) {}
  std::vector<FoundEntry> entries;
  size_t next = 0;
};

DWORD AttributesOf(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  DWORD a = FILE_ATTRIBUTE_ARCHIVE;
  if (!(st.st_mode & S_IWUSR)) a |= FILE_ATTRIBUTE_READONLY;
  return a;
}

FoundEntry EntryOf(const std::wstring& name, const struct stat& st) {
  FoundEntry e;
  e.name = name;
  e.attributes = AttributesOf(st);
  e.written = FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  e.accessed = FileTimeFromUnix(st.st_atim.tv_sec, st.st_atim.tv_nsec);
  // The host keeps no creation time in stat; the last change is the nearest it has.
  e.created = e.written;
  e.size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  return e;
}

void Fill(const FoundEntry& e, LPWIN32_FIND_DATAW data) {
  *data = WIN32_FIND_DATAW{};
  data->dwFileAttributes = e.attributes;
  data->ftCreationTime = e.created;
  data->ftLastAccessTime = e.accessed;
  data->ftLastWriteTime = e.written;
  data->nFileSizeHigh = static_cast<DWORD>(e.size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(e.size & 0xFFFFFFFFu);
  size_t n = std::min<size_t>(e.name.size(), MAX_PATH - 1);
  std::copy(e.name.begin(), e.name.begin() + n, data->cFileName);
  data->cFileName[n] = 0;
}

bool IsRoot(const std::string& host) { return host == DeviceRoot(); }

// The last component of a device path as the caller spelled it.
std::wstring LastComponent(const wchar_t* path) {
  std::wstring p = path;
  while (!p.empty() && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
  size_t cut = p.find_last_of(L"\\/");
  return cut == std::wstring::npos ? p : p.substr(cut + 1);
}

std::string ParentOf(const std::string& host) {
  size_t cut = host.rfind('/');
  return cut == std::string::npos ? std::string(".") : host.substr(0, cut);
}

// The host target of a rename: an existing entry that is the source itself (a change of case
// only) takes the caller's spelling; any other existing entry refuses the move.
bool RenameTarget(const std::string& fromHost, const wchar_t* to, std::string* toHost,
                  UINT narrowCodePage) {
  if (!MapPath(to, toHost, true, narrowCodePage)) return false;
  struct stat a, b;
  if (lstat(toHost->c_str(), &b) != 0) return true;
  if (lstat(fromHost.c_str(), &a) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino) {
    *toHost = ParentOf(*toHost) + "/" + WideToUtf8(LastComponent(to));
    return true;
  }
  return Fail(ERROR_ALREADY_EXISTS);
}

// rename() that never replaces an existing target.
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (from == to) return true;
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // The host file system cannot refuse by itself; check first (a change of case on a
  // case-insensitive host file system lands here too).
  struct stat a, b;
  if (lstat(to.c_str(), &b) == 0 &&
      !(lstat(from.c_str(), &a) == 0 && a.st_ino == b.st_ino && a.st_dev == b.st_dev)) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

// Maps the errno of a failed create: a missing parent is a path error.
bool FailCreate() {
  if (errno == ENOENT || errno == ENOTDIR) return Fail(ERROR_PATH_NOT_FOUND);
  return FailErrno();
}

// Bytes the layer may still write to files before the card counts as full; -1: no limit. Only
// tests set it (harness::LimitFileWrites), to fail a save at a chosen byte.
std::atomic<int64_t> g_writeBudget{-1};

// Takes up to `n` bytes from the budget; how many may be written.
size_t TakeBudget(size_t n) {
  int64_t left = g_writeBudget.load();
  for (;;) {
    if (left < 0) return n;
    const int64_t take = std::min<int64_t>(left, int64_t(n));
    if (g_writeBudget.compare_exchange_weak(left, left - take)) return size_t(take);
  }
}

bool WriteAll(int fd, const void* buffer, size_t n, size_t* done) {
  auto p = static_cast<const char*>(buffer);
  *done = 0;
  while (*done < n) {
    const size_t allowed = TakeBudget(n - *done);
    if (allowed == 0) {
      errno = ENOSPC;  // as a full card answers
      return false;
    }
    ssize_t w = ::write(fd, p + *done, allowed);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    *done += static_cast<size_t>(w);
  }
  return true;
}

bool ReadAll(int fd, void* buffer, size_t n, size_t* done) {
  auto p = static_cast<char*>(buffer);
  *done = 0;
  while (*done < n) {
    ssize_t r = ::read(fd, p + *done, n - *done);
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (r == 0) break;  // end of file
    *done += static_cast<size_t>(r);
  }
  return true;
}

}  // namespace

void SetWriteBudget(int64_t bytes) { g_writeBudget.store(bytes < 0 ? -1 : bytes); }

}  // namespace vplat::sys

using namespace vplat::sys;

extern "C" DWORD GetFileAttributesW(LPCWSTR path) {
  std::string host;
  if (!MapPath(path, &host, false, 0)) return INVALID_FILE_ATTRIBUTES;
  struct stat st;
  if (stat(host.c_str(), &st) != 0) {
    FailErrno();
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(st);
}

extern "C" BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes) {
  // Only the read-only flag has a host counterpart; hidden and system files do not exist here.
  if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY))
    return Fail(ERROR_NOT_SUPPORTED);
  std::string host;
  if (!MapPath(path, &host, false, 0)) return FALSE;
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return FailErrno();
  mode_t mode = st.st_mode & 07777;
  mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~0222) : (mode | S_IWUSR);
  return chmod(host.c_str(), mode) == 0 ? TRUE : FailErrno();
}

extern "C" HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
  if (!pattern || !data) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (std::wcslen(pattern) > 255) {
    Fail(ERROR_FILENAME_EXCED_RANGE);
    return INVALID_HANDLE_VALUE;
  }
  std::wstring full = pattern;
  size_t cut = full.find_last_of(L"\\/");
  std::wstring folder = cut == std::wstring::npos ? std::wstring() : full.substr(0, cut + 1);
  std::wstring name = cut == std::wstring::npos ? full : full.substr(cut + 1);
  if (name.empty()) {  // "\folder\" names no entry
    Fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto find = std::make_shared<FindObject>();
  if (name.find_first_of(L"*?") == std::wstring::npos) {
    // No wildcard: the entry itself, folders included.
    std::string host;
    if (!MapPath(pattern, &host, false, 0)) return INVALID_HANDLE_VALUE;
    struct stat st;
    if (IsRoot(host) || stat(host.c_str(), &st) != 0) {
      Fail(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    find->entries.push_back(EntryOf(Utf8ToWide(host.substr(host.rfind('/') + 1)), st));
    struct stat own;
    if (lstat(host.c_str(), &own) == 0 && S_ISLNK(own.st_mode))
      find->entries.back().attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  } else {
    for (wchar_t c : name) {
      if (c < 0x20 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'|') {
        Fail(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
      }
    }
    std::string dir;
    if (!MapPath(folder.c_str(), &dir, false, 0)) {
      if (GetLastError() == ERROR_FILE_NOT_FOUND) SetLastError(ERROR_PATH_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    DIR* d = opendir(dir.c_str());
    if (!d) {
      Fail(errno == ENOTDIR || errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
      return INVALID_HANDLE_VALUE;
    }
    // Names with their entry type (a link is told by it, without a call of its own).
    std::vector<std::pair<std::string, unsigned char>> names;
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.emplace_back(n, e->d_type);
    }
    closedir(d);
    // Sorted, so that listings do not depend on the host's directory order.
    std::sort(names.begin(), names.end());
    for (const auto& [n, type] : names) {
      std::wstring wide = Utf8ToWide(n);
      if (wide.size() >= MAX_PATH || !MatchPattern(name, wide)) continue;
      const std::string path = dir + "/" + n;
      struct stat st;
      if (stat(path.c_str(), &st) != 0) continue;  // a dangling link, or gone
      find->entries.push_back(EntryOf(wide, st));
      struct stat own;
      const bool link = type == DT_LNK || (type == DT_UNKNOWN && lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode));
      if (link) find->entries.back().attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    }
  }
  if (find->entries.empty()) {
    Fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  Fill(find->entries[0], data);
  find->next = 1;
  SetLastError(ERROR_SUCCESS);
  return AddHandle(find);
}

extern "C" BOOL FindNextFileW(HANDLE h, LPWIN32_FIND_DATAW data) {
  auto find = Find<FindObject>(h, Kind::Find);
  if (!find) return FALSE;
  if (!data) return Fail(ERROR_INVALID_PARAMETER);
  if (find->next >= find->entries.size()) return Fail(ERROR_NO_MORE_FILES);
  Fill(find->entries[find->next++], data);
  return TRUE;
}

extern "C" BOOL FindClose(HANDLE h) {
  if (!FindHandle(h, Kind::Find)) return FALSE;
  return RemoveHandle(h) ? TRUE : FALSE;
}

extern "C" BOOL DeleteFileW(LPCWSTR path) {
  std::string host;
  if (!MapPath(path, &host, false, 0)) return FALSE;
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return FailErrno();
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  return ::unlink(host.c_str()) == 0 ? TRUE : FailErrno();
}

extern "C" BOOL MoveFileW(LPCWSTR from, LPCWSTR to) {
  std::string fromHost, toHost;
  if (!MapPath(from, &fromHost, false, 0)) return FALSE;
  if (IsRoot(fromHost)) return Fail(ERROR_ACCESS_DENIED);
  if (!RenameTarget(fromHost, to, &toHost, 0)) return FALSE;
  if (IsRoot(toHost)) return Fail(ERROR_ALREADY_EXISTS);
  // A folder cannot move into itself.
  if (toHost.compare(0, fromHost.size() + 1, fromHost + "/") == 0) return Fail(ERROR_ACCESS_DENIED);
  if (RenameNoReplace(fromHost, toHost)) return TRUE;
  return FailCreate();
}

extern "C" BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  if (flags == 0) return MoveFileW(from, to);
  if (flags != MOVEFILE_REPLACE_EXISTING) return Fail(ERROR_INVALID_PARAMETER);
  std::string fromHost, toHost;
  if (!MapPath(from, &fromHost, false, 0)) return FALSE;
  if (!MapPath(to, &toHost, true, 0)) return FALSE;
  if (IsRoot(fromHost) || IsRoot(toHost)) return Fail(ERROR_ACCESS_DENIED);
  struct stat a, b;
  if (lstat(fromHost.c_str(), &a) != 0) return FailErrno();
  if (lstat(toHost.c_str(), &b) == 0) {
    if (a.st_dev == b.st_dev && a.st_ino == b.st_ino) return MoveFileW(from, to);  // case only
    // A folder is never replaced, nor moved over a file: only file over file.
    if (S_ISDIR(a.st_mode) || S_ISDIR(b.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  } else if (S_ISDIR(a.st_mode)) {
    return MoveFileW(from, to);
  }
  // rename() replaces the target atomically: at no moment is there no file at `to`.
  if (::rename(fromHost.c_str(), toHost.c_str()) == 0) return TRUE;
  return FailCreate();
}

extern "C" BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
  std::string fromHost, toHost;
  if (!MapPath(from, &fromHost, false, 0)) return FALSE;
  if (!MapPath(to, &toHost, true, 0)) return FALSE;
  int in = ::open(fromHost.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return FailErrno();
  struct stat st;
  if (fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(in);
    return Fail(ERROR_ACCESS_DENIED);
  }
  struct stat dst;
  if (stat(toHost.c_str(), &dst) == 0) {
    if (dst.st_dev == st.st_dev && dst.st_ino == st.st_ino) {  // copying onto itself
      ::close(in);
      return Fail(failIfExists ? ERROR_FILE_EXISTS : ERROR_SHARING_VIOLATION);
    }
    if (S_ISDIR(dst.st_mode)) {
      ::close(in);
      return Fail(ERROR_ACCESS_DENIED);
    }
  }
  int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (failIfExists ? O_EXCL : 0);
  int out = ::open(toHost.c_str(), flags, 0666);
  if (out < 0) {
    int err = errno;
    ::close(in);
    errno = err;
    if (err == EEXIST) return Fail(ERROR_FILE_EXISTS);
    return FailCreate();
  }
  std::vector<char> buf(1 << 16);
  bool ok = true;
  for (;;) {
    ssize_t r = ::read(in, buf.data(), buf.size());
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      ok = r == 0;
      break;
    }
    size_t done;
    if (!WriteAll(out, buf.data(), static_cast<size_t>(r), &done)) {
      ok = false;
      break;
    }
  }
  int err = errno;
  if (ok) {
    timespec times[2] = {st.st_atim, st.st_mtim};  // a copy keeps the source's times
    futimens(out, times);
  }
  ::close(in);
  if (::close(out) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(toHost.c_str());  // never leave a half copy behind under the target's name
    errno = err;
    return FailErrno();
  }
  return TRUE;
}

extern "C" BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
  std::string host;
  if (!MapPath(path, &host, true, 0)) return FALSE;
  struct stat st;
  if (lstat(host.c_str(), &st) == 0) return Fail(ERROR_ALREADY_EXISTS);
  if (::mkdir(host.c_str(), 0777) == 0) return TRUE;
  if (errno == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
  return FailCreate();
}

extern "C" BOOL RemoveDirectoryW(LPCWSTR path) {
  std::string host;
  if (!MapPath(path, &host, false, 0)) return FALSE;
  if (IsRoot(host)) return Fail(ERROR_ACCESS_DENIED);
  if (::rmdir(host.c_str()) == 0) return TRUE;
  if (errno == ENOTDIR) return Fail(ERROR_DIRECTORY);
  return FailErrno();
}

extern "C" HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES,
                              DWORD creation, DWORD flagsAndAttributes, HANDLE) {
  if (!name) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  int port;
  if (IsCommName(name, &port)) return OpenCommPort(port, access);

  int flags = O_CLOEXEC;
  bool forCreate = false;
  switch (creation) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; forCreate = true; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; forCreate = true; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; forCreate = true; break;
    case TRUNCATE_EXISTING:
      if (!(access & GENERIC_WRITE)) {
        Fail(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      flags |= O_TRUNC;
      break;
    default:
      Fail(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  bool read = access & GENERIC_READ, write = access & GENERIC_WRITE;
  flags |= (read && write) ? O_RDWR : write ? O_WRONLY : O_RDONLY;

  std::string host;
  if (!MapPath(name, &host, forCreate, 0)) return INVALID_HANDLE_VALUE;
  struct stat st;
  bool existed = stat(host.c_str(), &st) == 0;
  // A folder is not a file; with backup semantics it opens for its information only.
  const bool folder = existed && S_ISDIR(st.st_mode);
  if (folder && (!(flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) || creation != OPEN_EXISTING ||
                 write)) {
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (folder) flags = O_CLOEXEC | O_RDONLY | O_DIRECTORY;
  mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  int fd = ::open(host.c_str(), flags, mode);
  if (fd < 0) {
    if (errno == EEXIST)
      Fail(ERROR_FILE_EXISTS);
    else if (forCreate)
      FailCreate();
    else
      FailErrno();
    return INVALID_HANDLE_VALUE;
  }
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) != folder) {
    ::close(fd);
    Fail(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE h = AddHandle(std::make_shared<FileObject>(fd, access));
  // The platform tells a caller of CREATE_ALWAYS / OPEN_ALWAYS whether the file was there.
  SetLastError(existed && (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return h;
}

extern "C" BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD toRead, LPDWORD read,
                         LPOVERLAPPED overlapped) {
  if (read) *read = 0;
  if (overlapped) return Fail(ERROR_NOT_SUPPORTED);
  auto object = FindAnyHandle(h);
  if (!object) return FALSE;
  if (!buffer && toRead) return Fail(ERROR_INVALID_PARAMETER);
  DWORD dummy;
  if (object->kind == Kind::Comm) return CommRead(object, buffer, toRead, read ? read : &dummy);
  if (object->kind != Kind::File) return Fail(ERROR_INVALID_HANDLE);
  auto file = std::static_pointer_cast<FileObject>(object);
  if (!file->CanRead()) return Fail(ERROR_ACCESS_DENIED);
  size_t done;
  bool ok = ReadAll(file->fd(), buffer, toRead, &done);
  if (read) *read = static_cast<DWORD>(done);
  return ok ? TRUE : FailErrno();
}

extern "C" BOOL WriteFile(HANDLE h, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                          LPOVERLAPPED overlapped) {
  if (written) *written = 0;
  if (overlapped) return Fail(ERROR_NOT_SUPPORTED);
  auto object = FindAnyHandle(h);
  if (!object) return FALSE;
  if (!buffer && toWrite) return Fail(ERROR_INVALID_PARAMETER);
  DWORD dummy;
  if (object->kind == Kind::Comm)
    return CommWrite(object, buffer, toWrite, written ? written : &dummy);
  if (object->kind != Kind::File) return Fail(ERROR_INVALID_HANDLE);
  auto file = std::static_pointer_cast<FileObject>(object);
  if (!file->CanWrite()) return Fail(ERROR_ACCESS_DENIED);
  size_t done;
  bool ok = WriteAll(file->fd(), buffer, toWrite, &done);
  if (written) *written = static_cast<DWORD>(done);
  return ok ? TRUE : FailErrno();
}

extern "C" DWORD SetFilePointer(HANDLE h, LONG distance, LONG* distanceHigh, DWORD method) {
  auto file = Find<FileObject>(h, Kind::File);
  if (!file) return INVALID_SET_FILE_POINTER;
  int64_t move = distanceHigh
                     ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                            static_cast<uint32_t>(distance))
                     : static_cast<int64_t>(distance);
  int64_t base;
  struct stat st;
  switch (method) {
    case FILE_BEGIN: base = 0; break;
    case FILE_CURRENT: base = lseek(file->fd(), 0, SEEK_CUR); break;
    case FILE_END: base = fstat(file->fd(), &st) == 0 ? st.st_size : -1; break;
    default: Fail(ERROR_INVALID_PARAMETER); return INVALID_SET_FILE_POINTER;
  }
  if (base < 0) {
    FailErrno();
    return INVALID_SET_FILE_POINTER;
  }
  int64_t target = base + move;
  if (target < 0) {
    Fail(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  // Without a high half the answer must fit in 32 bits and not look like the failure value.
  if (!distanceHigh && target >= 0xFFFFFFFFLL) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (lseek(file->fd(), target, SEEK_SET) < 0) {
    FailErrno();
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(target) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(static_cast<uint64_t>(target) & 0xFFFFFFFFu);
}

extern "C" DWORD GetFileSize(HANDLE h, LPDWORD sizeHigh) {
  auto file = Find<FileObject>(h, Kind::File);
  if (!file) return INVALID_FILE_SIZE;
  struct stat st;
  if (fstat(file->fd(), &st) != 0) {
    FailErrno();
    return INVALID_FILE_SIZE;
  }
  auto size = static_cast<uint64_t>(st.st_size);
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

extern "C" BOOL SetEndOfFile(HANDLE h) {
  auto file = Find<FileObject>(h, Kind::File);
  if (!file) return FALSE;
  if (!file->CanWrite()) return Fail(ERROR_ACCESS_DENIED);
  off_t pos = lseek(file->fd(), 0, SEEK_CUR);
  if (pos < 0 || ftruncate(file->fd(), pos) != 0) return FailErrno();
  return TRUE;
}

extern "C" BOOL FlushFileBuffers(HANDLE h) {
  auto file = Find<FileObject>(h, Kind::File);
  if (!file) return FALSE;
  return fsync(file->fd()) == 0 ? TRUE : FailErrno();
}

extern "C" BOOL GetFileTime(HANDLE h, LPFILETIME creation, LPFILETIME access, LPFILETIME write) {
  auto file = Find<FileObject>(h, Kind::File);
  if (!file) return FALSE;
  struct stat st;
  if (fstat(file->fd(), &st) != 0) return FailErrno();
  FoundEntry e = EntryOf(L"", st);
  if (creation) *creation = e.created;
  if (access) *access = e.accessed;
  if (write) *write = e.written;
  return TRUE;
}

extern "C" BOOL GetFileInformationByHandle(HANDLE h, LPBY_HANDLE_FILE_INFORMATION info) {
  auto file = Find<FileObject>(h, Kind::File);
  if (!file) return FALSE;
  if (!info) return Fail(ERROR_INVALID_PARAMETER);
  struct stat st;
  if (fstat(file->fd(), &st) != 0) return FailErrno();
  FoundEntry e = EntryOf(L"", st);
  *info = {};
  info->dwFileAttributes = e.attributes;
  info->ftCreationTime = e.created;
  info->ftLastAccessTime = e.accessed;
  info->ftLastWriteTime = e.written;
  // The host's device number and inode: two paths name one file or folder exactly when both
  // agree (a symbolic link resolves to its target's).
  const auto device = static_cast<uint64_t>(st.st_dev), inode = static_cast<uint64_t>(st.st_ino);
  info->dwVolumeSerialNumber = static_cast<DWORD>(device ^ (device >> 32));
  info->nFileSizeHigh = static_cast<DWORD>(e.size >> 32);
  info->nFileSizeLow = static_cast<DWORD>(e.size);
  info->nNumberOfLinks = static_cast<DWORD>(st.st_nlink);
  info->nFileIndexHigh = static_cast<DWORD>(inode >> 32);
  info->nFileIndexLow = static_cast<DWORD>(inode);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// ---- the program's stdio ----

namespace {

// The host equivalent of a device fopen mode, or empty when the mode is not one.
std::string HostMode(const std::string& mode) {
  if (mode.empty() || (mode[0] != 'r' && mode[0] != 'w' && mode[0] != 'a')) return {};
  std::string out(1, mode[0]);
  for (size_t i = 1; i < mode.size() && mode[i] != ','; ++i) {
    char c = mode[i];
    if (c == '+' || c == 'b') {
      if (out.find(c) == std::string::npos) out += c;
    } else if (c != 't' && c != ' ') {
      return {};  // unknown flags are refused rather than guessed
    }
  }
  return out;
}

int ErrnoFromError(DWORD e) {
  switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return EEXIST;
    default: return EACCES;
  }
}

// A device path in the system page, mapped; false with errno set. 8-bit paths keep that one
// page whatever page the program's texts are in.
bool MapNarrow(const char* path, bool forCreate, std::string* host) {
  if (!path) {
    errno = EINVAL;
    return false;
  }
  std::wstring wide;
  UINT cp = GetACP();
  if (!DecodeNarrow(cp, path, &wide) || !MapPath(wide.c_str(), host, forCreate, cp)) {
    errno = ErrnoFromError(GetLastError());
    return false;
  }
  return true;
}

FILE* OpenHost(const std::string& host, const std::string& mode) {
  struct stat st;
  if (stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EISDIR;  // the host would open a folder for reading; the device never does
    return nullptr;
  }
  FILE* f = std::fopen(host.c_str(), mode.c_str());
  if (f && fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fclose(f);
    errno = EISDIR;
    return nullptr;
  }
  return f;
}

}  // namespace

FILE* vfopen(const char* path, const char* mode) {
  std::string hostMode = mode ? HostMode(mode) : std::string();
  if (hostMode.empty()) {
    errno = EINVAL;
    return nullptr;
  }
  std::string host;
  if (!MapNarrow(path, hostMode[0] != 'r', &host)) return nullptr;
  return OpenHost(host, hostMode);
}

FILE* vwfopen(const wchar_t* path, const wchar_t* mode) {
  std::string narrowMode;
  for (const wchar_t* m = mode; m && *m; ++m) narrowMode += *m < 0x80 ? static_cast<char>(*m) : '?';
  std::string hostMode = HostMode(narrowMode);
  if (!path || hostMode.empty()) {
    errno = EINVAL;
    return nullptr;
  }
  std::string host;
  if (!MapPath(path, &host, hostMode[0] != 'r', 0)) {
    errno = ErrnoFromError(GetLastError());
    return nullptr;
  }
  return OpenHost(host, hostMode);
}

int vremove(const char* path) {
  std::string host;
  if (!MapNarrow(path, false, &host)) return -1;
  struct stat st;
  if (lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EACCES;  // folders go through RemoveDirectoryW
    return -1;
  }
  return ::unlink(host.c_str());
}

int vrename(const char* from, const char* to) {
  std::string fromHost, toHost;
  if (!MapNarrow(from, false, &fromHost)) return -1;
  if (!to) {
    errno = EINVAL;
    return -1;
  }
  std::wstring wideTo;
  UINT cp = GetACP();
  if (!DecodeNarrow(cp, to, &wideTo)) {
    errno = EINVAL;
    return -1;
  }
  if (!RenameTarget(fromHost, wideTo.c_str(), &toHost, cp)) {
    errno = ErrnoFromError(GetLastError());
    return -1;
  }
  if (IsRoot(fromHost) || IsRoot(toHost)) {
    errno = EACCES;
    return -1;
  }
  return RenameNoReplace(fromHost, toHost) ? 0 : -1;
}

namespace {

// The whole of `data` as the new content of the file `host`: written to `hostTemp`, flushed to
// the card, then renamed over `host` in one step, so that at every moment the file holds either
// its old bytes or all the new ones. On failure the temporary is removed.
bool WriteWholeFile(const std::string& host, const std::string& hostTemp, const void* data,
                    size_t size) {
  struct stat st;
  if (stat(host.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    // A file the user made read-only is not replaced behind their back.
    if (!(st.st_mode & S_IWUSR)) return Fail(ERROR_ACCESS_DENIED);
  }
  if (lstat(hostTemp.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  int fd = ::open(hostTemp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return FailCreate();
  size_t done = 0;
  bool ok = WriteAll(fd, data, size, &done) && ::fsync(fd) == 0;
  int err = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::rename(hostTemp.c_str(), host.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(hostTemp.c_str());
    errno = err;
    return FailErrno();
  }
  // The rename itself reaches the card only with its folder.
  int dir = ::open(ParentOf(host).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

int ErrnoOfLastError() {
  return GetLastError() == ERROR_DISK_FULL ? ENOSPC : ErrnoFromError(GetLastError());
}

// Both wrappers: `cp` as MapPath takes it (0 for wide callers).
int WriteFileInOneStep(const std::wstring& path, const void* data, size_t size, UINT cp) {
  if (path.empty() || (!data && size)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    errno = EINVAL;
    return -1;
  }
  const std::wstring temp = path + L".tmp";
  std::string host, hostTemp;
  if (!MapPath(path.c_str(), &host, true, cp) || !MapPath(temp.c_str(), &hostTemp, true, cp)) {
    errno = ErrnoOfLastError();
    return -1;
  }
  if (IsRoot(host) || !WriteWholeFile(host, hostTemp, data, size)) {
    if (IsRoot(host)) SetLastError(ERROR_ACCESS_DENIED);
    errno = ErrnoOfLastError();
    return -1;
  }
  SetLastError(ERROR_SUCCESS);
  return 0;
}

}  // namespace

int vwwritefile(const wchar_t* path, const void* data, size_t size) {
  return WriteFileInOneStep(path ? path : L"", data, size, 0);
}

int vwritefile(const char* path, const void* data, size_t size) {
  std::wstring wide;
  const UINT cp = GetACP();
  if (!path || !DecodeNarrow(cp, path, &wide)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    errno = EINVAL;
    return -1;
  }
  return WriteFileInOneStep(wide, data, size, cp);
}
