// The program host as the subsystems see it: a host that does nothing until one is installed,
// every call reaching the installed one, and null putting the empty host back.
#include "base/program_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FakeHost final : public IProgramHost {
 public:
  void InvalidateMainView(int full) override { calls.push_back("view " + std::to_string(full)); }
  void InvalidateMainViewRect(const RECT& r) override {
    calls.push_back("rect " + std::to_string(r.left) + "," + std::to_string(r.bottom));
  }
  void FitDialogToMainWindow(RECT* out, HWND) override {
    *out = RECT{0, 26, 240, 294};
    calls.push_back("fit");
  }
  void ReportUserInput() override { calls.push_back("input"); }
  BOOL RestoreBackBuffer(HDC, const RECT&) override {
    calls.push_back("restore");
    return 1;
  }
  void CenterViewAt(int x, int y) override {
    calls.push_back("centre " + std::to_string(x) + "," + std::to_string(y));
  }
  HWND MainWindow() override { return window; }
  bool EnsureWorkingMap() override { return false; }
  const char* ProgramFolder() override { return "\\Vorna\\"; }

  HWND window = reinterpret_cast<HWND>(0x1234);
  std::vector<std::string> calls;
};

TEST(ProgramHost, WithoutAHostEveryCallIsHarmless) {
  IProgramHost& host = ProgramHost();
  host.InvalidateMainView(1);
  host.InvalidateMainViewRect(RECT{1, 2, 3, 4});
  host.ReportUserInput();
  host.CenterViewAt(120, 160);
  RECT fit{5, 5, 5, 5};
  host.FitDialogToMainWindow(&fit, nullptr);
  EXPECT_EQ(fit.left, 0);
  EXPECT_EQ(fit.bottom, 0);
  host.FitDialogToMainWindow(nullptr, nullptr);
  EXPECT_EQ(host.RestoreBackBuffer(nullptr, RECT{0, 0, 10, 10}), 0);
  EXPECT_EQ(host.MainWindow(), nullptr);
  EXPECT_STREQ(host.ProgramFolder(), "");
}

TEST(ProgramHost, CallsReachTheInstalledHostUntilItIsRemoved) {
  FakeHost fake;
  SetProgramHost(&fake);
  ProgramHost().InvalidateMainView(0);
  ProgramHost().InvalidateMainViewRect(RECT{7, 0, 20, 30});
  ProgramHost().ReportUserInput();
  ProgramHost().CenterViewAt(-5, 400);
  RECT fit{};
  ProgramHost().FitDialogToMainWindow(&fit, nullptr);
  EXPECT_EQ(ProgramHost().RestoreBackBuffer(nullptr, RECT{}), 1);
  EXPECT_EQ(fit.top, 26);
  EXPECT_EQ(ProgramHost().MainWindow(), fake.window);
  EXPECT_STREQ(ProgramHost().ProgramFolder(), "\\Vorna\\");
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"view 0", "rect 7,30", "input",
                                                  "centre -5,400", "fit", "restore"}));
  SetProgramHost(nullptr);
  ProgramHost().ReportUserInput();
  EXPECT_EQ(fake.calls.size(), 6u);
  EXPECT_EQ(ProgramHost().MainWindow(), nullptr);
}

}  // namespace
