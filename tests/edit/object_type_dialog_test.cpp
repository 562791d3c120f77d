#include "edit/object_type_dialog.h"

#include "maps/user_layer.h"
#include "tests/edit/edit_fixture.h"

namespace {

using edittest::Line;
using edittest::Point;

// The working map is map 0 of the fixture; its library is the one the dialog lists.
class TypeDialog : public edittest::EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    LoadMaps();
    g_UserLayer.map = g_MapView.GetVectorMap(0);
  }
  void TearDown() override {
    g_UserLayer.map = nullptr;
    EditTest::TearDown();
  }
  // Runs the dialog; `act` works in it before `button` is pressed.
  uint16_t Choose(uint16_t code, int button, std::function<void(HWND)> act = {},
                  uint16_t preset = 0) {
    harness::OnDialog(TObjectTypeDialog::kTemplate, [=, this](HWND d) {
      typeRows = g_ObjectTypeDialog.types.RowCount();
      recentRows = g_ObjectTypeDialog.recent.list.RowCount();
      if (act) act(d);
      PostMessageW(d, WM_COMMAND, button, 0);
    });
    return ChooseObjectType(nullptr, GetModuleHandleW(nullptr), code, preset);
  }
  // Selects row `index` of the full list as a tap would (the list view reports the change).
  static void PickType(int index) {
    const TOwnerDrawRow* row = g_ObjectTypeDialog.types.Row(index);
    ASSERT_NE(row, nullptr);
    g_ObjectTypeDialog.types.FindRow(row->data);
  }
  int typeRows = 0, recentRows = 0;
};

TEST_F(TypeDialog, ListsTheKindsTypesAndCancelKeepsTheCode) {
  g_Ini.SetString("HotBuffList_2", "42;");
  EXPECT_EQ(Choose(Line(2), IDCANCEL, [](HWND) { PickType(4); }), Line(2));
  EXPECT_EQ(typeRows, 5);
  EXPECT_EQ(recentRows, 1);
  std::string stored;
  g_Ini.GetString("HotBuffList_2", stored);
  EXPECT_EQ(stored, "42;");  // nothing saved
  EXPECT_FALSE(g_Ini.HasKey("TypeLVMode_2"));
}

TEST_F(TypeDialog, ChoiceFromTheFullListGoesToTheFrontOfTheRecentList) {
  g_Ini.SetString("HotBuffList_1", (std::to_string(Point(3)) + ";" + std::to_string(Point(4)) + ";").c_str());
  EXPECT_EQ(Choose(Point(1), IDOK, [](HWND) { PickType(4); }), Point(5));
  std::string stored;
  g_Ini.GetString("HotBuffList_1", stored);
  EXPECT_EQ(stored, std::to_string(Point(5)) + ";" + std::to_string(Point(3)) + ";" +
                        std::to_string(Point(4)) + ";");
  EXPECT_EQ(g_Ini.GetInt("TypeLVMode_1"), 0);
}

TEST_F(TypeDialog, ChoiceFromTheRecentListDoesNotReorderIt) {
  const std::string list = std::to_string(Point(3)) + ";" + std::to_string(Point(4)) + ";";
  g_Ini.SetString("HotBuffList_1", list.c_str());
  const uint16_t chosen = Choose(Point(1), IDOK, [](HWND) {
    g_ObjectTypeDialog.recent.list.FindRow(Point(4));
  });
  EXPECT_EQ(chosen, Point(4));
  std::string stored;
  g_Ini.GetString("HotBuffList_1", stored);
  EXPECT_EQ(stored, list);
}

TEST_F(TypeDialog, ViewModeIsKeptPerKind) {
  Choose(Point(1), IDOK, [](HWND d) {
    SendMessageW(d, WM_COMMAND, TObjectTypeDialog::kCmdIcons, 0);
  });
  Choose(Line(1), IDOK);
  EXPECT_EQ(g_Ini.GetInt("TypeLVMode_1"), 1);
  EXPECT_EQ(g_Ini.GetInt("TypeLVMode_2"), 0);
  int mode = -1;
  Choose(Point(1), IDCANCEL, [&](HWND) { mode = g_ObjectTypeDialog.types.GetViewMode(); });
  EXPECT_EQ(mode, 1);
}

TEST_F(TypeDialog, OkWithNothingChosenKeepsTheGivenCode) {
  // Code of a type the library lacks: neither list selects anything.
  const uint16_t unknown = uint16_t((30 << 3) | 1);
  EXPECT_EQ(Choose(unknown, IDOK, [](HWND) { g_ObjectTypeDialog.focus = 0; }), unknown);
}

TEST_F(TypeDialog, NameLineFollowsTheSelection) {
  std::wstring name;
  Choose(Point(2), IDCANCEL, [&](HWND d) {
    wchar_t text[300] = {};
    GetDlgItemTextW(d, TObjectTypeDialog::kName, text, 300);
    name = text;
  });
  EXPECT_EQ(name, L"P2_Point 2");
}

TEST_F(TypeDialog, PresetOfTheSameKindJoinsTheRecentList) {
  Choose(Point(1), IDOK, {}, Point(7));
  std::string stored;
  g_Ini.GetString("HotBuffList_1", stored);
  // The preset joined at the front; OK then put the selected Point(1) before it.
  EXPECT_EQ(stored, std::to_string(Point(1)) + ";" + std::to_string(Point(7)) + ";");
}

}  // namespace
