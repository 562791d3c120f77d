// The navigation-point dialogs' fixture: a working map in centimetres with a whole and a
// fractional point, a line and an unnamed point, over the editing tools' library of 25 point
// types; dialogs scripted by template id.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "gps/nav_points_dialog.h"
#include "gps/point_properties.h"
#include "maps/user_layer.h"
#include "tests/edit/edit_fixture.h"

namespace pointtest {

using edittest::Point;

// The frame's origin; one map unit is 1 cm.
constexpr double kX1 = 6120000, kY1 = 7410000;
// Objects: 1 "Whole" at (6121000, 7412000) with height 120.5, 2 "Frac" at
// (6123456.37, 7412345.62) without height, 3 a line, 4 an unnamed point.
constexpr uint16_t kWhole = 1, kFrac = 2, kLine = 3, kUnnamed = 4;

inline sample::MdmObject NamedPoint(uint16_t code, int32_t x, int32_t y, const std::string& name,
                                    bool height) {
  sample::MdmObject o = sample::MdmPoint(code, x, y);
  if (!name.empty()) {
    sample::AttrText(o.attrs, 9, name);
    sample::AttrText(o.attrs, 99, name);
  }
  if (height) sample::AttrFloat(o.attrs, 4, 120.5f);
  return o;
}

class PointDialogs : public edittest::EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    g_MapView.libraries.SetFolder("\\Vorna\\", &g_MapView.palette);
    sample::MdmSpec plan;
    plan.library = "Edit";
    plan.unitExponent = 1;
    plan.x1 = kX1;
    plan.y1 = kY1;
    plan.x2 = kX1 + 10000;
    plan.y2 = kY1 + 10000;
    plan.objects.push_back(NamedPoint(Point(1), 100000, 200000, "Whole", true));
    plan.objects.push_back(NamedPoint(Point(2), 345637, 234562, "Frac", false));
    plan.objects.push_back(sample::MdmShape(edittest::Line(1), {{10, 10}, {500, 500}}));
    plan.objects.push_back(NamedPoint(Point(3), 50000, 50000, "", false));
    ASSERT_TRUE(sample::WriteMdm(harness::HostPath(L"\\Vorna\\Work.mdm"), plan));
    work = g_MapView.AddVectorMap("\\Vorna\\Work.mdm", 0);
    ASSERT_GE(work, 0);
    TMdmMap* m = g_MapView.GetVectorMap(work);
    ASSERT_EQ(m->Load(), kMdmOk);
    ASSERT_EQ(m->BindLibrary(&g_MapView.libraries), kMdmOk);
    ASSERT_EQ(g_UserLayer.Attach(g_MapView.WorkingMapHost(), work), 1);
    map = g_UserLayer.map;
  }
  void TearDown() override {
    g_UserLayer.Close();
    EditTest::TearDown();
  }
  TObjectRef Ref(uint16_t index) const {
    TObjectRef ref{};
    ref.map = work;
    ref.object = index;
    return ref;
  }
  // Runs dialog 122 on `index`: `act` works in it, then `button` is pressed, then Cancel, which
  // counts only when the button left the dialog open (the first end of a dialog is its result).
  static int RunPoint(const TObjectRef& ref, int variant, std::function<void(HWND)> act,
                      int button, double* distance = nullptr) {
    harness::OnDialog(TPointPropertiesDialog::kTemplate, [=](HWND d) {
      if (act) act(d);
      if (button) SendMessageW(d, WM_COMMAND, button, 0);
      SendMessageW(d, WM_COMMAND, TPointPropertiesDialog::kCancel, 0);
    });
    return ShowPointPropertiesDialog(ref, variant, distance);
  }
  int RunPoint(uint16_t index, int variant, std::function<void(HWND)> act, int button,
               double* distance = nullptr) {
    return RunPoint(Ref(index), variant, std::move(act), button, distance);
  }

  std::string Attr(uint16_t index, uint16_t tag) {
    char text[256] = "";
    return map->GetStrAttr(index, tag, text, sizeof text) ? text : "<none>";
  }
  TMapPoint Corner(uint16_t index) const {
    TMapPoint c{};
    map->GetObjectBounds(index, &c, nullptr);
    return c;
  }
  static std::wstring Text(HWND d, int id) {
    wchar_t text[300] = L"";
    GetDlgItemTextW(d, id, text, 300);
    return text;
  }
  static RECT ItemRect(HWND d, int id) {
    RECT rc{};
    GetWindowRect(GetDlgItem(d, id), &rc);
    return rc;
  }
  static std::string Shot(const char* name) {
    const std::string dir = std::string(VORNA_BINARY_DIR) + "/test-artifacts/gps";
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/" + name + ".png";
    EXPECT_TRUE(harness::SaveScreen(path)) << path;
    return path;
  }

  int work = -1;
  TMdmMap* map = nullptr;
};

}  // namespace pointtest
