// Serial ports.
#include "platform/sys/sys_internal.h"

namespace vplat::sys {

bool IsCommName(const wchar_t* name, int* number) {
  if ((name[0] | 0x20) != L'c' || (name[1] | 0x20) != L'o' || (name[2] | 0x20) != L'm') return false;
  int n = 0;
  const wchar_t* p = name + 3;
  if (*p < L'0' || *p > L'9') return false;
  for (; *p >= L'0' && *p <= L'9'; ++p) n = n * 10 + (*p - L'0');
  if (p[0] != L':' || p[1] != 0) return false;
  *number = n;
  return true;
}

HANDLE OpenCommPort(int, DWORD) {
  Fail(ERROR_FILE_NOT_FOUND);
  return INVALID_HANDLE_VALUE;
}

bool CommRead(const std::shared_ptr<KernelObject>&, void*, DWORD, DWORD*) { return Fail(ERROR_INVALID_HANDLE); }
bool CommWrite(const std::shared_ptr<KernelObject>&, const void*, DWORD, DWORD*) { return Fail(ERROR_INVALID_HANDLE); }
void WakeAllCommWaiters() {}

}  // namespace vplat::sys
