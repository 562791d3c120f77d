#include "base/program_host.h"
#include "platform/fresh_state.h"

namespace {

class TNoHost final : public IProgramHost {
 public:
  void InvalidateMainView(int) override {}
  void InvalidateMainViewRect(const RECT&) override {}
  void FitDialogToMainWindow(RECT* out, HWND) override {
    if (out) *out = RECT{};
  }
  void ReportUserInput() override {}
  BOOL RestoreBackBuffer(HDC, const RECT&) override { return 0; }
  void CenterViewAt(int, int) override {}
  HWND MainWindow() override { return nullptr; }
  bool EnsureWorkingMap() override { return false; }
  const char* ProgramFolder() override { return ""; }
};

TNoHost g_noHost;
IProgramHost* g_host = &g_noHost;
// A test's fake host is not the next test's.
const vplat::FreshStateHook kFresh(2, [] { g_host = &g_noHost; });

}  // namespace

void SetProgramHost(IProgramHost* host) { g_host = host ? host : &g_noHost; }

IProgramHost& ProgramHost() { return *g_host; }
