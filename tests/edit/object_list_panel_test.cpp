#include "edit/object_list_panel.h"

#include "tests/edit/edit_fixture.h"

namespace {

class ObjectListPanel : public edittest::EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    LoadMaps();
    g_ObjectListPanel.visible = 0;
    main = CreateWindowExW(0, L"static", L"", WS_POPUP | WS_VISIBLE, 0, 26, 240, 268, nullptr,
                           nullptr, nullptr, nullptr);
    ASSERT_NE(g_ObjectListPanel.Create(main, GetModuleHandleW(nullptr)), nullptr);
  }
  void TearDown() override {
    DestroyWindow(main);
    EditTest::TearDown();
  }
  std::vector<std::wstring> Lines() const {
    std::vector<std::wstring> out;
    const HWND list = GetDlgItem(g_ObjectListPanel.window, TObjectListPanel::kList);
    const int n = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      wchar_t text[300] = {};
      SendMessageW(list, LB_GETTEXT, i, LPARAM(text));
      out.push_back(text);
    }
    return out;
  }
  static TObjectRef Ref(int map, int object) {
    TObjectRef r;
    r.map = map;
    r.object = uint16_t(object);
    return r;
  }
  HWND main = nullptr;
};

TEST_F(ObjectListPanel, SkipsRefsOfRemovedMapsAndDeadObjects) {
  const TObjectRef refs[] = {Ref(0, 1), Ref(5, 1), Ref(-1, 0), Ref(1, 2), Ref(0, 900), Ref(1, 1)};
  g_ObjectListPanel.Show(1);
  g_ObjectListPanel.SetItems(refs, 6);
  ASSERT_EQ(g_ObjectListPanel.items.size(), 3u);
  const std::vector<std::wstring> lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], L"P1_Point 1");
  EXPECT_EQ(lines[1], L"[26-1]");  // a type the library lacks
  EXPECT_EQ(g_ObjectListPanel.GetSelected(), nullptr);
  EXPECT_EQ(g_MapView.GetHighlightCount(), 0);
}

TEST_F(ObjectListPanel, OneEntryIsSelectedAndHighlightedAtOnce) {
  const TObjectRef refs[] = {Ref(7, 1), Ref(0, 2)};
  g_ObjectListPanel.Show(1);
  g_ObjectListPanel.SetItems(refs, 2);
  const TObjectRef* selected = g_ObjectListPanel.GetSelected();
  ASSERT_NE(selected, nullptr);
  EXPECT_EQ(selected->map, 0);
  EXPECT_EQ(selected->object, 2);
  EXPECT_EQ(g_MapView.GetHighlightCount(), 1);
  EXPECT_GE(g_MapView.FindHighlight(refs[1]), 0);
}

TEST_F(ObjectListPanel, TappingALineHighlightsItsObject) {
  const TObjectRef refs[] = {Ref(0, 1), Ref(0, 2), Ref(0, 3)};
  g_ObjectListPanel.Show(1);
  g_ObjectListPanel.SetItems(refs, 3);
  const HWND list = GetDlgItem(g_ObjectListPanel.window, TObjectListPanel::kList);
  SendMessageW(list, LB_SETCURSEL, 2, 0);
  SendMessageW(g_ObjectListPanel.window, WM_COMMAND, MAKEWPARAM(TObjectListPanel::kList, LBN_SELCHANGE),
               LPARAM(list));
  EXPECT_EQ(g_MapView.GetHighlightCount(), 1);
  EXPECT_GE(g_MapView.FindHighlight(refs[2]), 0);
}

TEST_F(ObjectListPanel, HidingAHiddenPanelKeepsTheHighlights) {
  g_MapView.AddHighlight(Ref(0, 1));
  g_ObjectListPanel.Show(0);
  EXPECT_EQ(g_MapView.GetHighlightCount(), 1);
  g_ObjectListPanel.Show(1);
  EXPECT_GT(g_ObjectListPanel.GetHeight(), 0);
  g_ObjectListPanel.Show(0);
  EXPECT_EQ(g_MapView.GetHighlightCount(), 0);
  EXPECT_EQ(g_ObjectListPanel.GetHeight(), 0);
}

TEST_F(ObjectListPanel, PlaceAbovePutsTheBottomEdgeThere) {
  g_ObjectListPanel.Show(1);
  g_ObjectListPanel.PlaceAbove(214);
  RECT rc;
  GetWindowRect(g_ObjectListPanel.window, &rc);
  POINT bottom{0, rc.bottom};
  ScreenToClient(main, &bottom);
  EXPECT_EQ(bottom.y, 214);
  const int height = g_ObjectListPanel.GetHeight();
  g_ObjectListPanel.SetTop(10);
  GetWindowRect(g_ObjectListPanel.window, &rc);
  EXPECT_EQ(rc.bottom - rc.top, height);
}

// The main window destroyed and made again (the panel object lives on): the panel comes back
// as a window of the new main window, not as the dead handle of the old one.
TEST_F(ObjectListPanel, ANewMainWindowGetsAPanelOfItsOwn) {
  const TObjectRef refs[] = {Ref(0, 1), Ref(0, 2)};
  g_ObjectListPanel.Show(1);
  DestroyWindow(main);
  main = CreateWindowExW(0, L"static", L"", WS_POPUP | WS_VISIBLE, 0, 26, 240, 268, nullptr,
                         nullptr, nullptr, nullptr);
  const HWND panel = g_ObjectListPanel.Create(main, GetModuleHandleW(nullptr));
  ASSERT_TRUE(IsWindow(panel));
  EXPECT_EQ(GetParent(panel), main);
  g_ObjectListPanel.Show(1);
  g_ObjectListPanel.SetItems(refs, 2);
  EXPECT_EQ(Lines().size(), 2u);
  EXPECT_GT(g_ObjectListPanel.GetHeight(), 0);
}

}  // namespace
