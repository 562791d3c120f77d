#include <algorithm>
#include <string>
#include <vector>

#include "imagelib/decoder.h"

namespace pelnor {

File::~File() {
  if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
}

bool File::Open(const char* path) {
  if (!path || !*path) return false;
  int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
  if (n <= 0) return false;
  std::vector<wchar_t> wide(size_t(n) + 1);
  if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), n) <= 0) return false;
  h_ = CreateFileW(wide.data(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                   FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h_ == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  SetLastError(NO_ERROR);
  DWORD low = GetFileSize(h_, &high);
  if (low == 0xFFFFFFFF && GetLastError() != NO_ERROR) return false;
  size_ = (uint64_t(high) << 32) | low;
  FILETIME written{};
  if (GetFileTime(h_, nullptr, nullptr, &written))
    written_ = (uint64_t(written.dwHighDateTime) << 32) | written.dwLowDateTime;
  return true;
}

int64_t File::Read(void* buffer, size_t bytes) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < bytes) {
    DWORD chunk = DWORD(std::min<size_t>(bytes - done, size_t(1) << 30));
    DWORD got = 0;
    if (!ReadFile(h_, out + done, chunk, &got, nullptr)) return -1;
    if (got == 0) break;
    done += got;
  }
  pos_ += done;
  return int64_t(done);
}

bool File::Seek(uint64_t offset) {
  if (offset > size_) return false;
  LONG high = LONG(offset >> 32);
  SetLastError(NO_ERROR);
  DWORD low = SetFilePointer(h_, LONG(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return false;
  pos_ = offset;
  return true;
}

int ReadHead(const char* path, Head* head) {
  File file;
  if (!file.Open(path)) return kCannotOpen;
  uint8_t magic[4] = {};
  if (file.Read(magic, 4) != 4) return kBadPicture;
  if (!file.Seek(0)) return kBadPicture;
  if (magic[0] == 0xFF && magic[1] == 0xD8) return ReadJpegHead(path, head);
  // Classic (42) and big (43) TIFF, either byte order.
  if ((magic[0] == 'I' && magic[1] == 'I' && (magic[2] == 42 || magic[2] == 43) && magic[3] == 0) ||
      (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && (magic[3] == 42 || magic[3] == 43)))
    return ReadTiffHead(path, head);
  if (magic[0] == 'B' && magic[1] == 'M') return ReadBmpHead(path, head);
  return kBadPicture;
}

std::unique_ptr<Decoder> OpenDecoder(const char* path, Format format, int32_t id, int* rc) {
  switch (format) {
    case kFormatJpeg: return OpenJpeg(path, id, rc);
    case kFormatTiff: return OpenTiff(path, id, rc);
    case kFormatBmp: return OpenBmp(path, rc);
    default: *rc = kBadPicture; return nullptr;
  }
}

}  // namespace pelnor
