#include "edit/hot_buff.h"

#include "tests/edit/edit_fixture.h"

namespace {

using edittest::Area;
using edittest::Line;
using edittest::Point;

class HotBuff : public edittest::EditTest {
 protected:
  void Bind() {
    ASSERT_NE(OpenDialog(178), nullptr);
    buff.SetGeometry(GetModuleHandleW(nullptr), dialog, 1017, kColumns, -1, -1, &library);
    penDown = [this](int x, int y) { clicked = buff.OnClick(x, y); };
  }
  std::vector<uint16_t> Codes() const {
    std::vector<uint16_t> out;
    for (int i = 0; i < buff.Count(); ++i) out.push_back(buff.CodeAt(i));
    return out;
  }
  static constexpr TColumnDesc kColumns[1] = {{L"Тип", 200}};
  THotBuff buff;
  int clicked = -1;
};

TEST_F(HotBuff, AddRecentMovesToFrontAndDropsTheOldestAtNineteen) {
  Bind();
  EXPECT_EQ(buff.AddRecent(0), 0);
  EXPECT_EQ(buff.Count(), 0);
  buff.AddRecent(Point(1));
  buff.AddRecent(Point(2));
  buff.AddRecent(Point(3));
  buff.AddRecent(Point(1));  // already held: to the front, nothing else moves
  EXPECT_EQ(Codes(), (std::vector<uint16_t>{Point(1), Point(3), Point(2)}));
  buff.AddRecent(Point(1));
  EXPECT_EQ(Codes(), (std::vector<uint16_t>{Point(1), Point(3), Point(2)}));
  for (int c = 4; c <= 19; ++c) buff.AddRecent(Point(c));
  ASSERT_EQ(buff.Count(), 18);
  EXPECT_EQ(buff.CodeAt(0), Point(19));
  EXPECT_EQ(buff.CodeAt(17), Point(3));  // Point(2) was the oldest and fell off
  buff.AddRecent(Point(20));
  EXPECT_EQ(buff.Count(), 18);
  EXPECT_EQ(buff.CodeAt(17), Point(1));
  EXPECT_EQ(buff.list.RowCount(), 18);  // the list view follows
}

TEST_F(HotBuff, LoadStateKeepsOnlyKnownCodesOfItsKindAndAtMostEighteen) {
  Bind();
  std::string stored = "abc;;-5;0;" + std::to_string(Line(1)) + ";" + std::to_string(0x7FF9) +
                       ";" + std::to_string(Point(2)) + ";";
  for (int c = 1; c <= 25; ++c) stored += std::to_string(Point(c)) + ";";
  for (int i = 0; i < 300; ++i) stored += "1;";
  g_Ini.SetString("HotBuffList_1", stored.c_str());
  g_Ini.SetInt("HotBuffView_1", 7);  // no such mode: list view
  buff.LoadState(1, Line(3));        // a preset of another kind is not added
  ASSERT_EQ(buff.Count(), 18);
  EXPECT_EQ(buff.CodeAt(0), Point(2));
  EXPECT_EQ(buff.CodeAt(1), Point(1));
  EXPECT_EQ(buff.CodeAt(2), Point(3));  // the repeated Point(2) is not held twice
  EXPECT_EQ(buff.GetViewMode(), 0);

  buff.LoadState(1, Point(25));  // same kind: to the front
  EXPECT_EQ(buff.CodeAt(0), Point(25));
  EXPECT_EQ(buff.Count(), 18);
}

TEST_F(HotBuff, SaveStateWritesCodesNewestFirstAndTheViewMode) {
  Bind();
  buff.LoadState(1, 0);
  buff.AddRecent(uint16_t(2049));
  buff.AddRecent(uint16_t(1025));
  buff.SetViewMode(2);
  buff.SaveState();
  std::string list;
  g_Ini.GetString("HotBuffList_1", list);
  EXPECT_EQ(list, "1025;2049;");
  EXPECT_EQ(g_Ini.GetInt("HotBuffView_1"), 2);
}

TEST_F(HotBuff, ClickSelectsTheCellUnderThePenUpToTheGridEdges) {
  Bind();
  // The grid's origin comes from list view 1017 (hidden in the grid modes): (left - 1, top).
  RECT rc{};
  GetWindowRect(GetDlgItem(dialog, 1017), &rc);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
  const int x0 = rc.left - 1, y0 = rc.top;
  ASSERT_EQ(buff.left, x0);
  EXPECT_EQ(buff.right, x0 + 226);
  for (int c = 18; c >= 1; --c) buff.AddRecent(Point(c));
  buff.SetViewMode(2);
  // Nine cells of 25 pixels a row, two rows, one frame pixel below.
  EXPECT_EQ(buff.bottom, y0 + 2 * 25 + 1);
  for (int row = 0; row < 2; ++row)
    for (int column = 0; column < 9; ++column) {
      clicked = -1;
      TapDialog(x0 + 25 * column + 12, y0 + 25 * row + 12);
      ASSERT_EQ(clicked, 1);
      EXPECT_EQ(buff.selectedIndex, row * 9 + column);
      EXPECT_EQ(buff.GetSelectedId(), Point(row * 9 + column + 1));
    }
  // The last pixel column and the frame row stay in the last cell of their row.
  TapDialog(x0 + 225, y0 + 1);
  EXPECT_EQ(buff.selectedIndex, 8);
  TapDialog(x0 + 225, y0 + 50);
  EXPECT_EQ(buff.selectedIndex, 17);
  EXPECT_EQ(buff.CellAt(x0, y0 + 50), 9);
  EXPECT_EQ(buff.CellAt(x0 + 226, y0 + 1), -1);
  EXPECT_EQ(buff.CellAt(x0 - 1, y0 + 1), -1);
  EXPECT_EQ(buff.CellAt(x0, y0 + 51), -1);
  EXPECT_EQ(buff.OnClick(x0 - 1, y0), 0);
}

TEST_F(HotBuff, ClickBelowTheLastCodeSelectsNothing) {
  Bind();
  buff.AddRecent(Point(2));
  buff.AddRecent(Point(1));
  buff.SetViewMode(1);
  TapDialog(buff.left + 1, buff.top + 1);
  EXPECT_EQ(buff.selectedIndex, 0);
  clicked = -1;
  TapDialog(buff.left + 25 * 5, buff.top + 5);
  EXPECT_EQ(clicked, 1);
  EXPECT_EQ(buff.selectedIndex, 0);
}

TEST_F(HotBuff, DeleteAtRemovesOneAndIgnoresBadIndexes) {
  Bind();
  buff.AddRecent(Area(3));
  buff.AddRecent(Area(2));
  buff.AddRecent(Area(1));
  buff.DeleteAt(-1);
  buff.DeleteAt(3);
  buff.DeleteAt(1);
  EXPECT_EQ(Codes(), (std::vector<uint16_t>{Area(1), Area(3)}));
  EXPECT_EQ(buff.list.RowCount(), 2);
}

TEST_F(HotBuff, ClearAllAsksAndCancelKeepsTheList) {
  Bind();
  buff.AddRecent(Point(1));
  buff.AddRecent(Point(2));
  harness::AnswerMessageBox(L"", IDCANCEL);
  EXPECT_EQ(buff.OnCommand(THotBuff::kCmdDeleteAll), 1);
  EXPECT_EQ(buff.Count(), 2);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  harness::AnswerMessageBox(L"", IDOK);
  buff.OnCommand(THotBuff::kCmdDeleteAll);
  EXPECT_EQ(buff.Count(), 0);
}

TEST_F(HotBuff, ViewModeKeepsTheSelectionAcrossPresentations) {
  Bind();
  buff.AddRecent(Point(3));
  buff.AddRecent(Point(2));
  buff.AddRecent(Point(1));
  buff.SetViewMode(1);
  buff.SelectId(Point(2));
  EXPECT_EQ(buff.selectedIndex, 1);
  EXPECT_EQ(buff.OnCommand(THotBuff::kCmdList), 1);
  EXPECT_EQ(buff.GetViewMode(), 0);
  EXPECT_EQ(buff.GetSelectedId(), Point(2));
  EXPECT_TRUE(Shown(GetDlgItem(dialog, 1017)));
  buff.OnCommand(THotBuff::kCmdIcons2);
  EXPECT_FALSE(Shown(GetDlgItem(dialog, 1017)));
  EXPECT_EQ(buff.GetSelectedId(), Point(2));
  buff.SelectId(Point(9));
  EXPECT_EQ(buff.selectedIndex, -1);
}

}  // namespace
