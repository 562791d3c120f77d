#include "app/program_host.h"

#include "app/auto_actions.h"
#include "app/back_buffer.h"
#include "app/input.h"
#include "app/main_window.h"
#include "app/winmain.h"
#include "base/program_host.h"

namespace {

class TAppHost final : public IProgramHost {
 public:
  void InvalidateMainView(int full) override { ::InvalidateMainView(full); }
  void InvalidateMainViewRect(const RECT& rect) override {
    if (g_MainWindow) InvalidateRect(g_MainWindow, &rect, FALSE);
  }
  void FitDialogToMainWindow(RECT* out, HWND dialog) override {
    ::FitDialogToMainWindow(out, dialog);
  }
  void ReportUserInput() override { g_AutoActions.ResetIdle(); }
  BOOL RestoreBackBuffer(HDC dc, const RECT& r) override {
    return g_BackBuffer.Restore(dc, r.left, r.top, r.right, r.bottom);
  }
  void CenterViewAt(int x, int y) override { ::CenterViewAt(x, y); }
  HWND MainWindow() override { return g_MainWindow; }
  const char* ProgramFolder() override { return g_ProgramFolder.c_str(); }
};

TAppHost g_appHost;

}  // namespace

void InstallProgramHost() {
  SetProgramHost(&g_appHost);
  InstallSettingsHost();
}
