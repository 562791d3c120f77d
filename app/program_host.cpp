#include "app/program_host.h"

#include "app/auto_actions.h"
#include "app/back_buffer.h"
#include "app/input.h"
#include "app/main_window.h"
#include "app/navigation.h"
#include "app/winmain.h"
#include "base/program_host.h"
#include "edit/tool_panel.h"
#include "edit/vertex_edit_bar.h"
#include "gps/gps_port.h"
#include "view/project_dialog_host.h"

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
  bool EnsureWorkingMap() override { return EnsureWorkMapForGps(); }
  const char* ProgramFolder() override { return g_ProgramFolder.c_str(); }
  int GetFixTime(SYSTEMTIME* out) override {
    GpsFix fix{};
    if (!g_GpsPort.GetMeasuredFix(&fix)) return 0;
    *out = fix.utc;
    return 1;
  }
};

TAppHost g_appHost;

// What the project editor asks before it lets the working map go.
class TAppProjectHost final : public TProjectDialogHost {
 public:
  bool IsGpsPortOpen() override { return g_GpsPort.IsOpen(); }
  bool HasValidFix() override {
    GpsFix fix{};
    g_GpsPort.GetFix(&fix);
    return fix.status == 'A';
  }
  bool IsToolPanelShown() override { return g_ToolPanel.IsShown() != 0; }
  bool IsVertexBarShown() override { return g_VertexEditBar.GetHeight() != 0; }
};

TAppProjectHost g_projectHost;

}  // namespace

void InstallProgramHost() {
  SetProgramHost(&g_appHost);
  SetProjectDialogHost(&g_projectHost);
  InstallSettingsHost();
}
