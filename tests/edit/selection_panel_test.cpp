// The selected-objects panel on the device: its list, its buttons pressed with the pen, the
// move by a hold and a tap in input mode 14, the copy into the working map, and the pin that
// keeps its indexes through a regrouping save.
#include "edit/selection_panel.h"

#include "edit/hot_buff.h"
#include "edit/object_type_dialog.h"
#include "map_tools_fixture.h"
#include "view/point_lists.h"

namespace edittest {
namespace {

class Panel : public MapToolsTest {
 protected:
  void SetUp() override {
    MapToolsTest::SetUp();
    MakeBar();
    ASSERT_NE(g_SelectionPanel.Create(host.main, GetModuleHandleW(nullptr)), nullptr);
    g_SelectionPanel.SetTop(0);
    g_SelectionPanel.Show(1);
  }
  static TObjectRef Ref(int mapIndex, uint16_t object) {
    TObjectRef r;
    r.map = mapIndex;
    r.object = object;
    return r;
  }
  void Select(std::vector<TObjectRef> refs) {
    g_SelectionPanel.SetSelection(refs.data(), int(refs.size()));
    harness::PumpUntilIdle();
  }
  // The pen on a button of the panel (at the top of the screen).
  static void Press(int button) {
    const POINT at[] = {{206, 12}, {228, 12}, {228, 34}, {206, 34}, {184, 34}, {184, 12}};
    TapAt(at[button]);
  }
  static int Lines() {
    return int(SendMessageW(GetDlgItem(g_SelectionPanel.window, TSelectionPanel::kList),
                            LB_GETCOUNT, 0, 0));
  }
  static int State(int button) { return g_SelectionPanel.buttons[button].GetState(); }
};

TEST_F(Panel, ListsLiveObjectsAndSelectsASingleOneAtOnce) {
  map->DeleteObject(kTwoCorner);
  Select({Ref(work, kLine), Ref(7, 1), Ref(work, 900), Ref(work, kTwoCorner), Ref(foreign, 1)});
  EXPECT_EQ(Lines(), 2);
  EXPECT_EQ(g_SelectionPanel.GetSelectedCode(), 0);
  EXPECT_EQ(g_MapView.GetHighlightCount(), 0);
  TapAt(POINT{20, 8});  // the first line
  EXPECT_EQ(g_SelectionPanel.GetSelectedCode(), Line(1));
  ASSERT_EQ(g_MapView.GetHighlightCount(), 1);
  EXPECT_EQ(g_MapView.highlights[0].object, kLine);
  EXPECT_EQ(g_VertexEditBar.object.object, kLine);
  EXPECT_EQ(State(TSelectionPanel::kDelete), TSoftButton::kUp);
  SendMessageW(GetDlgItem(g_SelectionPanel.window, TSelectionPanel::kList), LB_SETCURSEL, 1, 0);
  g_SelectionPanel.OnSelectionChange();  // the foreign line: nothing to delete, move or retype
  EXPECT_EQ(State(TSelectionPanel::kDelete), TSoftButton::kDisabled);
  EXPECT_EQ(State(TSelectionPanel::kMove), TSoftButton::kDisabled);
  EXPECT_EQ(State(TSelectionPanel::kType), TSoftButton::kDisabled);
  Press(TSelectionPanel::kDelete);
  EXPECT_TRUE(harness::MessageBoxes().empty());

  Select({Ref(work, kSquare)});
  EXPECT_EQ(g_SelectionPanel.GetSelectedCode(), Area(1));
  EXPECT_EQ(g_MapView.highlights[0].object, kSquare);
  EXPECT_EQ(State(TSelectionPanel::kType), TSoftButton::kUp);
}

TEST_F(Panel, DeleteAsksFirstAndYesRemovesTheObject) {
  Select({Ref(work, kPointObj), Ref(work, kLine)});
  TapAt(POINT{20, 8});
  harness::AnswerMessageBox(L"Удалить?", IDNO);
  Press(TSelectionPanel::kDelete);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_NE(map->GetObjectCode(kPointObj), 0);
  EXPECT_EQ(Lines(), 2);
  EXPECT_EQ(g_UserLayer.saved, 1u);
  harness::AnswerMessageBox(L"Удалить?", IDYES);
  Press(TSelectionPanel::kDelete);
  EXPECT_EQ(map->GetObjectCode(kPointObj), 0);
  EXPECT_EQ(Lines(), 1);
  ASSERT_EQ(g_SelectionPanel.selection.size(), 1u);
  EXPECT_EQ(g_SelectionPanel.selection[0].object, kLine);
  EXPECT_EQ(g_UserLayer.saved, 0u);
}

TEST_F(Panel, MoveByAHoldAndATapOffsetsEveryVertex) {
  Select({Ref(work, kLine)});
  TapAt(Screen(9000, 9000));  // mode 1 still: the panel takes no map taps
  Press(TSelectionPanel::kMove);
  EXPECT_EQ(GetInputMode(), input_mode::kSelection);
  TapAt(Screen(9000, 9000));  // no reference point: only centres
  EXPECT_EQ(host.centres.size(), 1u);
  EXPECT_EQ(Vertices(kLine).size(), 5u);
  Hold(Screen(5000, 2000));
  TMarker mark;
  ASSERT_EQ(GetCurrentMark(g_MapView, &mark), 1);
  EXPECT_EQ(mark.x, 6005000);
  EXPECT_EQ(mark.y, 7002000);
  TapAt(Screen(5500, 2500));
  EXPECT_EQ(Xs(Vertices(kLine)),
            (std::vector<int>{5500, 1500, 5500, 2500, 5500, 3500, 5500, 4500, 5500, 5500}));
  EXPECT_EQ(GetCurrentMark(g_MapView, &mark), 0);
  EXPECT_EQ(g_UserLayer.saved, 0u);

  // Past the extent: nothing moves, one notice.
  g_UserLayer.saved = 1;
  Hold(Screen(5500, 5500));
  notices().clear();
  TapAt(POINT{230, 184});
  EXPECT_EQ(Vertices(kLine)[4].y, 5500);
  EXPECT_EQ(notices(), std::vector<unsigned>{16});
  EXPECT_EQ(g_UserLayer.saved, 1u);

  // A point with one position is marked as soon as the move starts.
  Press(TSelectionPanel::kMove);
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  Select({Ref(work, kPointObj)});
  Press(TSelectionPanel::kMove);
  ASSERT_EQ(GetCurrentMark(g_MapView, &mark), 1);
  TapAt(Screen(2500, 3000));
  TMapPoint a{}, b{};
  map->GetObjectBounds(kPointObj, &a, &b);
  EXPECT_EQ((std::vector<int>{a.x, a.y, b.x, b.y}), (std::vector<int>{2500, 3000, 2500, 3000}));
}

TEST_F(Panel, VerticesOfAForeignObjectAreEditedOnACopy) {
  Select({Ref(foreign, 1)});
  harness::AnswerMessageBox(L"скопирован", IDCANCEL);
  Press(TSelectionPanel::kVertices);
  EXPECT_EQ(State(TSelectionPanel::kVertices), TSoftButton::kUp);
  EXPECT_EQ(g_VertexEditBar.GetHeight(), 0);
  const int32_t before = map->count;

  host.workingMapAvailable = false;
  harness::AnswerMessageBox(L"скопирован", IDOK);
  Press(TSelectionPanel::kVertices);
  EXPECT_EQ(State(TSelectionPanel::kVertices), TSoftButton::kUp);
  EXPECT_EQ(map->count, before);

  host.workingMapAvailable = true;
  Press(TSelectionPanel::kVertices);
  EXPECT_TRUE(g_SelectionPanel.buttons[TSelectionPanel::kVertices].IsDown());
  ASSERT_EQ(g_SelectionPanel.selection.size(), 2u);
  const TObjectRef copy = g_SelectionPanel.selection[1];
  EXPECT_EQ(copy.map, work);
  EXPECT_EQ(Xs(Vertices(copy.object)), (std::vector<int>{5000, 6000, 5000, 8000}));
  EXPECT_EQ(g_SelectionPanel.GetSelected()->object, copy.object);
  EXPECT_EQ(g_VertexEditBar.object.object, copy.object);
  EXPECT_EQ(g_VertexEditBar.GetHeight(), 24);
  RECT bar{};
  GetWindowRect(g_VertexEditBar.window, &bar);
  EXPECT_EQ(bar.top, 46);  // docked under the panel
  EXPECT_EQ(g_UserLayer.saved, 0u);
  // Released: the bar goes.
  Press(TSelectionPanel::kVertices);
  EXPECT_EQ(g_VertexEditBar.GetHeight(), 0);
}

TEST_F(Panel, ACopyThatWouldLoseAVertexIsNotMade) {
  // A foreign map twice as large, with an open area that reaches past the working map.
  sample::MdmSpec plan;
  plan.library = "Edit";
  plan.x1 = 6000000;
  plan.y1 = 7000000;
  plan.x2 = 6020000;
  plan.y2 = 7020000;
  plan.objects.push_back(
      sample::MdmShape(Area(1), {{1000, 1000}, {1000, 3000}, {15000, 3000}, {3000, 1000}, {2000, 500}}));
  ASSERT_TRUE(sample::WriteMdm(harness::HostPath(L"\\Vorna\\Wide.mdm"), plan));
  const int wide = g_MapView.AddVectorMap("\\Vorna\\Wide.mdm", 0);
  ASSERT_EQ(wide, 1);  // before the working map, which stays last
  TMdmMap* wideMap = g_MapView.GetVectorMap(wide);
  ASSERT_EQ(wideMap->Load(), kMdmOk);
  ASSERT_EQ(wideMap->BindLibrary(&g_MapView.libraries), kMdmOk);
  wideMap->loadAll = 1;
  wideMap->LoadVisibleObjects();
  const int32_t before = map->count;
  Select({Ref(wide, 1)});
  harness::AnswerMessageBox(L"скопирован", IDOK);
  Press(TSelectionPanel::kVertices);
  EXPECT_EQ(State(TSelectionPanel::kVertices), TSoftButton::kUp);
  EXPECT_EQ(g_SelectionPanel.selection.size(), 1u);
  for (int32_t i = before; i < map->count; ++i) EXPECT_EQ(map->GetObjectCode(uint16_t(i)), 0);
}

TEST_F(Panel, TheSameTypeChangesNothingAndHidingReleasesEverything) {
  Select({Ref(work, kSquare)});
  harness::OnDialog(178, [](HWND d) { SendMessageW(d, WM_COMMAND, IDCANCEL, 0); });
  Press(TSelectionPanel::kType);
  EXPECT_EQ(map->GetObjectCode(kSquare), Area(1));
  EXPECT_EQ(g_UserLayer.saved, 1u);

  Press(TSelectionPanel::kVertices);
  ASSERT_EQ(g_VertexEditBar.GetHeight(), 24);
  TapAt(POINT{12, 58});  // the bar's move button, docked under the panel
  EXPECT_EQ(GetInputMode(), input_mode::kVertexEdit);
  Press(TSelectionPanel::kClose);
  EXPECT_EQ(g_SelectionPanel.GetHeight(), 0);
  EXPECT_EQ(g_VertexEditBar.GetHeight(), 0);
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  EXPECT_FALSE(g_SelectionPanel.buttons[TSelectionPanel::kVertices].IsDown());
  EXPECT_EQ(g_MapView.GetHighlightCount(), 0);
  EXPECT_FALSE(g_UserLayer.IsPinned());
}

// A line retyped from the panel's recent grid, then a point of the same working map retyped
// while the map's library is missing: the chooser offers nothing, and neither OK nor a tap
// where the line's type sat changes the point.
TEST_F(Panel, WithoutALibraryTheTypeChooserOffersNothingAndThePointKeepsItsType) {
  Select({Ref(work, kLine)});
  harness::OnDialog(178, [](HWND d) {
    SendMessageW(d, WM_COMMAND, THotBuff::kCmdIcons1, 0);  // the recent list as symbol cells
    g_ObjectTypeDialog.types.FindRow(Line(3));
    SendMessageW(d, WM_COMMAND, IDOK, 0);
  });
  Press(TSelectionPanel::kType);
  ASSERT_EQ(map->GetObjectCode(kLine), Line(3));

  TObjectLibrary* const library = map->library;
  map->library = nullptr;  // the library file gone
  Select({Ref(work, kPointObj)});
  int offered = -1;
  harness::OnDialog(178, [&](HWND d) {
    offered = g_ObjectTypeDialog.types.RowCount() + g_ObjectTypeDialog.recent.count;
    POINT cell{g_ObjectTypeDialog.recent.left + 12, g_ObjectTypeDialog.recent.top + 12};
    ClientToScreen(d, &cell);
    harness::Tap(cell.x, cell.y);  // where the line's type was
    harness::PumpUntilIdle();
    SendMessageW(d, WM_COMMAND, IDOK, 0);
  });
  Press(TSelectionPanel::kType);
  map->library = library;
  EXPECT_EQ(offered, 0);
  EXPECT_EQ(map->GetObjectCode(kPointObj), Point(2));
  std::string stored;
  g_Ini.GetString("HotBuffList_2", stored);
  EXPECT_EQ(stored, std::to_string(Line(3)) + ";");  // the lines' recent list is kept
}

TEST_F(Panel, ARegroupingSaveWaitsWhileThePanelHoldsIndexes) {
  Select({Ref(work, kLine)});
  g_UserLayer.SetModified();
  ASSERT_EQ(g_UserLayer.Save(1), kMdmOk);
  EXPECT_EQ(map->GetObjectCode(kLine), Line(1));
  EXPECT_EQ(map->GetObjectCode(kPointObj), Point(2));
  g_SelectionPanel.Show(0);
  g_UserLayer.SetModified();
  ASSERT_EQ(g_UserLayer.Save(1), kMdmOk);
  EXPECT_EQ(map->GetObjectCode(1) & 7, 3);  // unpinned: the areas come first
}

}  // namespace
}  // namespace edittest
