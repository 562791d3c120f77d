// The map tools' fixture: a foreign map and a working map (unit 1 m) in the view at 50 m a
// pixel, a stand-in main window (class "Vorna", so the maps' out-of-extent notices reach it)
// that routes map pen-downs of input modes 13 and 14 as the program does, and a host that
// records what the tools ask of the program.
//
// Screen of a map point (x, y) in map units: (y / 50, 294 - x / 50); its plane point is
// (6,000,000 + x, 7,000,000 + y).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/input_mode.h"
#include "base/program_host.h"
#include "edit/selection_panel.h"
#include "edit/vertex_edit_bar.h"
#include "edit_fixture.h"
#include "maps/user_layer.h"
#include "platform/harness.h"

namespace edittest {

using Pts = std::vector<TMapPoint>;

// Working-map objects, in an order a regrouping save would change.
enum : uint16_t { kLine = 1, kPointObj = 2, kSquare = 3, kTwoCorner = 4, kOpenArea = 5 };

class MapToolsHost final : public IProgramHost {
 public:
  void InvalidateMainView(int) override { ++invalidations; }
  void InvalidateMainViewRect(const RECT&) override {}
  void FitDialogToMainWindow(RECT* out, HWND) override {
    if (out) *out = RECT{0, 0, 240, 294};
  }
  void ReportUserInput() override {}
  // The map picture under a restored rectangle: plain green.
  BOOL RestoreBackBuffer(HDC dc, const RECT& rect) override {
    restored.push_back(rect);
    const HBRUSH green = CreateSolidBrush(RGB(0, 128, 0));
    FillRect(dc, &rect, green);
    DeleteObject(green);
    return 1;
  }
  void CenterViewAt(int x, int y) override { centres.push_back(POINT{x, y}); }
  HWND MainWindow() override { return main; }
  const char* ProgramFolder() override { return "\\Vorna\\"; }
  bool EnsureWorkingMap() override { return workingMapAvailable; }

  HWND main = nullptr;
  int invalidations = 0;
  bool workingMapAvailable = true;
  std::vector<POINT> centres;
  std::vector<RECT> restored;
};

class MapToolsTest : public EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    WNDCLASSW wc{};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Vorna";
    RegisterClassW(&wc);
    host.main = CreateWindowExW(0, L"Vorna", L"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr,
                                nullptr, wc.hInstance, nullptr);
    ASSERT_NE(host.main, nullptr);
    SHFullScreen(host.main, SHFS_HIDETASKBAR);  // as the program's main window does
    SetProgramHost(&host);
    notices().clear();
    foreign = AddMap("\\Vorna\\Foreign.mdm", {sample::MdmShape(Line(1), {{5000, 6000}, {5000, 8000}})});
    sample::MdmObject twoCorner = sample::MdmPoint(Point(3), 3000, 2000);
    twoCorner.box[2] = 3000;
    twoCorner.box[3] = 2600;
    work = AddMap("\\Vorna\\Work.mdm",
                  {sample::MdmShape(Line(1), {{5000, 1000}, {5000, 2000}, {5000, 3000}, {5000, 4000}, {5000, 5000}}),
                   sample::MdmPoint(Point(2), 2000, 2000),
                   sample::MdmShape(Area(1), {{7000, 1000}, {7000, 3000}, {8000, 3000}, {8000, 1000}, {7000, 1000}}),
                   twoCorner,
                   sample::MdmShape(Area(2), {{7000, 5000}, {7000, 7000}, {8000, 7000}, {8000, 5000}})});
    ASSERT_EQ(foreign, 0);
    ASSERT_EQ(work, 1);
    ASSERT_EQ(g_UserLayer.Attach(g_MapView.WorkingMapHost(), work), 1);
    map = g_MapView.GetVectorMap(work);
    g_MapView.viewRect = {0, 0, 240, 294};
    g_MapView.pixelsPerMetre = 0.02;
    g_MapView.originX = 6000000;  // the maps' frame origin: map units are metres from it
    g_MapView.originY = 7000000;
    for (auto& slot : g_MapView.vectorMaps) {
      slot.inScale = 1;
      slot.map->SetOutputZone(slot.map->zone);  // screen and plane from the same frame
    }
    g_MapView.UpdateLayers(1);
  }
  void TearDown() override {
    g_VertexEditBar.Show(0);
    g_SelectionPanel.Show(0);
    g_UserLayer.Close();
    SetProgramHost(nullptr);
    if (host.main) DestroyWindow(host.main);
    EditTest::TearDown();
  }

  void MakeBar() { ASSERT_NE(g_VertexEditBar.Create(host.main, GetModuleHandleW(nullptr)), nullptr); }
  // The bar shown at the top for `object` of the working map.
  void ShowBar(uint16_t object, int mapIndex = 1) {
    MakeBar();
    TObjectRef ref;
    ref.map = mapIndex;
    ref.object = object;
    g_VertexEditBar.SetObject(ref);
    g_VertexEditBar.Show(1);
    harness::PumpUntilIdle();
  }
  // Presses the bar's button of `mode` (1 to 4) with the pen.
  void PressMode(int mode) {
    const int x[5] = {0, 34, 12, 56, 78};
    harness::Tap(x[mode], 12);
    harness::PumpUntilIdle();
  }
  static POINT Screen(int32_t x, int32_t y) { return POINT{y / 50, 294 - x / 50}; }
  static void Hold(POINT p) {
    harness::PenDown(p.x, p.y);
    harness::PenUp(p.x, p.y);
    harness::PumpUntilIdle();
  }
  static void TapAt(POINT p) {
    harness::Tap(p.x, p.y);
    harness::PumpUntilIdle();
  }
  Pts Vertices(uint16_t object) const {
    const TMapObject& o = map->objects[object];
    return o.vertices ? Pts(o.vertices, o.vertices + o.vertexCount) : Pts{};
  }
  static std::vector<int> Xs(const Pts& v) {
    std::vector<int> out;
    for (const TMapPoint& p : v) out.push_back(p.x), out.push_back(p.y);
    return out;
  }
  static std::vector<unsigned>& notices() {
    static std::vector<unsigned> seen;
    return seen;
  }

  MapToolsHost host;
  int foreign = -1, work = -1;
  TMdmMap* map = nullptr;

 private:
  static LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
    if (message == WM_USER + 666) {
      notices().push_back(unsigned(wParam));
      return 0;
    }
    if (message == WM_LBUTTONDOWN) {
      if (GetInputMode() == input_mode::kVertexEdit) g_VertexEditBar.OnMapMouse(hwnd, x, y, message);
      if (GetInputMode() == input_mode::kSelection) g_SelectionPanel.OnMapMouse(hwnd, x, y, message);
      return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
};

}  // namespace edittest
