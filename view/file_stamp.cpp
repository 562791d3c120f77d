#include "view/file_stamp.h"

#include "platform/win.h"

TFileStamp TFileStamp::Of(const char* path) {
  TFileStamp s;
  wchar_t wide[512];
  if (!path || MultiByteToWideChar(CP_ACP, 0, path, -1, wide, 512) <= 0) return s;
  WIN32_FIND_DATAW data{};
  HANDLE h = FindFirstFileW(wide, &data);
  if (h == INVALID_HANDLE_VALUE) return s;
  FindClose(h);
  s.present = true;
  s.size = uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  s.written = uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
  return s;
}
