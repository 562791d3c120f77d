// The editing tools' fixtures: a library of point, line and area types written by the sample
// writer and loaded from the device, and a bare dialog made from a template to host a control.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "base/ini_file.h"
#include "base/lang.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "platform/harness.h"
#include "tools/sampledata/mdm_writer.h"
#include "tools/sampledata/mol_writer.h"
#include "view/map_view.h"

namespace edittest {

inline uint16_t Point(int c) { return uint16_t((c << 3) | 1); }
inline uint16_t Line(int c) { return uint16_t((c << 3) | 2); }
inline uint16_t Area(int c) { return uint16_t((c << 3) | 3); }

// Points 1..25 named "P<c>_Point <c>", lines 1..5, areas 1..3, field list 1 and value tables 1
// (three surfaces) and 2 (an entry without text, one holding a comma, a repeated text).
inline sample::MolLibrary EditLibrary() {
  sample::MolLibrary lib = sample::DemoLibrary(2, 1);
  lib.styles.clear();
  for (int c = 1; c <= 25; ++c)
    lib.styles.push_back({Point(c), sample::PointKind(1),
                          "P" + std::to_string(c) + "_Point " + std::to_string(c), 1, {}});
  for (int c = 1; c <= 5; ++c)
    lib.styles.push_back(
        {Line(c), sample::SimpleLineKind(0x40, 5, 1), "L" + std::to_string(c) + "_Line", 1, {}});
  for (int c = 1; c <= 3; ++c)
    lib.styles.push_back({Area(c), sample::AreaKind(0, 2, {0x40, 3, 1}),
                          "A" + std::to_string(c) + "_Area", 2, {}});
  // Field list 2 (areas): one definition for each type pair the form matches.
  lib.fieldLists.push_back({2,
                            {{30, 7, 1, "Srf_Surfaces"},
                             {31, 4, 0, "Dbl_Double value"},
                             {32, 3, 0, "Sgl_Single value"},
                             {33, 1, 0, "Sht_Short value"},
                             {34, 2, 0, "Lng_Long value"},
                             {35, 5, 0, "N_Name"},
                             {36, 6, 2, "Kind"}}});
  lib.valueTables.push_back({2, {{1, "one"}, {2, ""}, {3, "a,b"}, {4, "one"}, {5, "five"}}});
  return lib;
}

class EditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    LoadLanguage();
    ASSERT_TRUE(sample::SaveBytes(harness::HostPath(L"\\Vorna\\Edit.mol"),
                                  sample::WriteMol(EditLibrary())));
    ASSERT_EQ(library.Load("\\Vorna\\Edit.mol"), kMolOk);
  }
  // Two maps of library "Edit" in the view: map 0 with a point, a line and an area, map 1 with
  // two points. Objects are numbered from 1 as the writer stores them.
  void LoadMaps() {
    g_MapView.libraries.SetFolder("\\Vorna\\", &g_MapView.palette);
    g_MapView.devicePixelsPerMetre = 4000.0;
    g_MapView.viewRect = {0, 0, 240, 294};
    for (int m = 0; m < 2; ++m) {
      sample::MdmSpec plan;
      plan.library = "Edit";
      plan.x1 = 6000000;
      plan.y1 = 7000000;
      plan.x2 = 6010000;
      plan.y2 = 7010000;
      if (m == 0) {
        plan.objects.push_back(sample::MdmPoint(Point(1), 1000, 1000));
        plan.objects.push_back(sample::MdmShape(Line(2), {{0, 0}, {1500, 0}}));
        plan.objects.push_back(
            sample::MdmShape(Area(3), {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}}));
      } else {
        plan.objects.push_back(sample::MdmPoint(Point(2), 10, 10));
        plan.objects.push_back(sample::MdmPoint(Point(26), 20, 20));  // not in the library
      }
      const std::wstring path = m == 0 ? L"\\Vorna\\Work.mdm" : L"\\Vorna\\Other.mdm";
      ASSERT_TRUE(sample::WriteMdm(harness::HostPath(path), plan));
      ASSERT_GE(g_MapView.AddVectorMap(m == 0 ? "\\Vorna\\Work.mdm" : "\\Vorna\\Other.mdm", 0), 0);
      TMdmMap* map = g_MapView.GetVectorMap(m);
      ASSERT_EQ(map->Load(), kMdmOk);
      ASSERT_EQ(map->BindLibrary(&g_MapView.libraries), kMdmOk);
      map->loadAll = 1;
      map->LoadVisibleObjects();
    }
  }
  // Adds a map of library "Edit" with `objects` to the view; its index.
  // The frame is 10 km square from (x1, y1).
  int AddMap(const char* devicePath, std::vector<sample::MdmObject> objects, uint8_t unitExponent = 3,
             double x1 = 6000000, double y1 = 7000000) {
    g_MapView.libraries.SetFolder("\\Vorna\\", &g_MapView.palette);
    sample::MdmSpec plan;
    plan.library = "Edit";
    plan.unitExponent = unitExponent;
    plan.x1 = x1;
    plan.y1 = y1;
    plan.x2 = x1 + 10000;
    plan.y2 = y1 + 10000;
    plan.objects = std::move(objects);
    const std::wstring wide(devicePath, devicePath + strlen(devicePath));
    if (!sample::WriteMdm(harness::HostPath(wide), plan)) return -1;
    const int index = g_MapView.AddVectorMap(devicePath, 0);
    if (index < 0) return -1;
    TMdmMap* map = g_MapView.GetVectorMap(index);
    if (map->Load() != kMdmOk || map->BindLibrary(&g_MapView.libraries) != kMdmOk) return -1;
    map->loadAll = 1;  // vertices and attributes of every object, as the working map has them
    map->LoadVisibleObjects();
    return index;
  }
  void TearDown() override {
    g_MapView.CloseAllMaps();
    g_MapView.ClearHighlights();
    if (dialog) DestroyWindow(dialog);
    penDown = nullptr;
    g_Ini.Clear();
    harness::Stop();
  }
  // A shown modeless dialog of `templateId` whose procedure hands pen-downs to `PenDown`.
  HWND OpenDialog(int templateId) {
    dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr,
                                Proc, 0);
    if (dialog) ShowWindow(dialog, SW_SHOW);
    harness::PumpUntilIdle();
    return dialog;
  }
  // A tap at (x, y) of the dialog's client area, through the device's pen.
  void TapDialog(int x, int y) {
    POINT p{x, y};
    ClientToScreen(dialog, &p);
    harness::Tap(p.x, p.y);
  }
  static bool Shown(HWND w) { return (GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0; }

  static inline std::function<void(int, int)> penDown;

  TObjectLibrary library;
  HWND dialog = nullptr;

 private:
  static INT_PTR CALLBACK Proc(HWND, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN && penDown) {
      penDown(short(LOWORD(lParam)), short(HIWORD(lParam)));
      return TRUE;
    }
    return FALSE;
  }
};

}  // namespace edittest
