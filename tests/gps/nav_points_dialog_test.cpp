// Dialog 124 on the working map: its rows, the chosen point and result kind of each button, a
// point added at the view's centre and cancelled, edits that count as moves, deleting, and the
// context menu on a tap-and-hold.
#include "gps/gps_bar.h"
#include "tests/gps/point_dialogs_fixture.h"
#include "tests/gps/sky_fixture.h"

namespace {

using pointtest::kFrac;
using pointtest::kUnnamed;
using pointtest::kWhole;
using pointtest::Point;
using L = TNavPointsDialog;

class PointsList : public pointtest::PointDialogs {
 protected:
  // Runs dialog 124; `act` works in it and must end it.
  int Run(std::function<void(HWND)> act) {
    harness::OnDialog(L::kTemplate, [=](HWND d) {
      act(d);
      SendMessageW(d, WM_COMMAND, L::kClose, 0);  // counts only when `act` left it open
    });
    return g_NavPointsDialog.Run(nullptr);
  }
  static L& Dlg() { return g_NavPointsDialog; }
  static std::vector<std::wstring> Row(int i) {
    const TOwnerDrawRow* row = Dlg().list.Row(i);
    return row ? row->texts : std::vector<std::wstring>{};
  }
  // The centre of row `i` on the screen.
  static POINT RowPoint(int i) {
    RECT rc{};
    rc.left = LVIR_BOUNDS;
    SendMessageW(Dlg().list.list, LVM_GETITEMRECT, WPARAM(i), LPARAM(&rc));
    POINT p{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ClientToScreen(Dlg().list.list, &p);
    return p;
  }
  // Add at a point inside the frame, the point dialog ending with `button`.
  void Add(int button, std::function<void(HWND)> act = {}) {
    Dlg().centreX = pointtest::kX1 + 5000;
    Dlg().centreY = pointtest::kY1 + 5000;
    harness::OnDialog(TPointPropertiesDialog::kTemplate, [=](HWND p) {
      if (act) act(p);
      SendMessageW(p, WM_COMMAND, button, 0);
    });
    Run([](HWND d) { SendMessageW(d, WM_COMMAND, L::kAdd, 0); });
  }
  // Edits the point of row `i` with `act` in the point dialog, then OK; the result kind.
  int Edit(int i, std::function<void(HWND)> act) {
    harness::OnDialog(TPointPropertiesDialog::kTemplate, [=](HWND p) {
      act(p);
      SendMessageW(p, WM_COMMAND, TPointPropertiesDialog::kOk, 0);
    });
    Run([i](HWND d) {
      Dlg().list.FindRow(Dlg().list.Row(i)->data);
      SendMessageW(d, WM_COMMAND, L::kCmdEdit, 0);
      rowAfter = Row(i);
    });
    return Dlg().result;
  }
  static inline std::vector<std::wstring> rowAfter;
};

TEST_F(PointsList, ListsTheNamedPointsAndTheButtonsLeaveTheirKindAndPoint) {
  int rows = 0;
  std::vector<std::wstring> first, second;
  // "Навигация" with nothing selected stays open; with a row it ends with that point.
  EXPECT_EQ(Run([&](HWND d) {
    rows = Dlg().list.RowCount();
    first = Row(0);
    second = Row(1);
    SendMessageW(d, WM_COMMAND, L::kNavigate, 0);
    EXPECT_EQ(Dlg().chosen, -1);
    Dlg().list.FindRow(kFrac);
    harness::PumpUntilIdle();
    Shot("nav_points");
    SendMessageW(d, WM_COMMAND, L::kNavigate, 0);
  }), L::kNavigate);
  EXPECT_EQ(rows, 2);  // the line and the unnamed point are no targets
  EXPECT_EQ(first, (std::vector<std::wstring>{L"Whole", L"x:6121000 y:7412000"}));
  EXPECT_EQ(second, (std::vector<std::wstring>{L"Frac", L"x:6123456 y:7412346"}));
  EXPECT_EQ(Dlg().result, L::kNavigateTo);
  EXPECT_EQ(Dlg().chosen, kFrac);

  EXPECT_EQ(Run([](HWND d) {
    Dlg().list.FindRow(kWhole);
    SendMessageW(d, WM_COMMAND, L::kMap, 0);
  }), L::kMap);
  EXPECT_EQ(Dlg().result, L::kShowOnMap);
  EXPECT_EQ(Dlg().chosen, kWhole);
  EXPECT_EQ(Run([](HWND) {}), L::kClose);
  EXPECT_EQ(Dlg().result, L::kNothing);
  EXPECT_EQ(Dlg().chosen, -1);
}

TEST_F(PointsList, ATapOnEmptySpaceLeavesNoRowToActOn) {
  harness::AnswerMessageBox(L"", IDOK);
  Run([](HWND d) {
    const POINT row = RowPoint(0);
    harness::Tap(row.x, row.y);
    EXPECT_NE(Dlg().list.GetSelectedRow(), nullptr);
    harness::Tap(row.x, row.y + 100);  // below the last row
    EXPECT_EQ(Dlg().list.GetSelectedRow(), nullptr);
    SendMessageW(d, WM_COMMAND, L::kCmdDelete, 0);
    SendMessageW(d, WM_COMMAND, L::kCmdEdit, 0);
    SendMessageW(d, WM_COMMAND, L::kNavigate, 0);
    EXPECT_EQ(Dlg().chosen, -1);
  });
  EXPECT_TRUE(harness::MessageBoxes().empty());
  EXPECT_EQ(map->GetObjectCode(kWhole), Point(1));
  const auto& opened = harness::DialogsOpened();
  EXPECT_EQ(std::count(opened.begin(), opened.end(), int(TPointPropertiesDialog::kTemplate)), 0);
}

TEST_F(PointsList, AddThenOkAppendsARowOfTheLayersCodeAndTheNameFromTheSecondText) {
  g_UserLayer.pointCode = Point(6);
  g_DefaultPointName = "P5";
  const int32_t before = map->count;
  int rows = 0;
  harness::OnDialog(TPointPropertiesDialog::kTemplate, [](HWND p) {
    SetDlgItemTextW(p, TPointPropertiesDialog::kEditName, L"Q7");
    SendMessageW(p, WM_COMMAND, TPointPropertiesDialog::kOk, 0);
  });
  Dlg().centreX = pointtest::kX1 + 5000;
  Dlg().centreY = pointtest::kY1 + 5000;
  Run([&](HWND d) {
    SendMessageW(d, WM_COMMAND, L::kAdd, 0);
    rows = Dlg().list.RowCount();
  });
  ASSERT_EQ(map->count, before + 1);
  const uint16_t added = uint16_t(before);
  EXPECT_EQ(map->GetObjectCode(added), Point(6));
  EXPECT_EQ(Attr(added, 9), "P6");
  EXPECT_EQ(Attr(added, 99), "Q7");
  EXPECT_EQ(g_DefaultPointName, "Q7");
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(Row(2), (std::vector<std::wstring>{L"P6", L"x:6125000 y:7415000"}));
  EXPECT_EQ(g_UserLayer.pointCode, Point(6));
}

TEST_F(PointsList, AddThenCancelLeavesNoPointAndTheOldName) {
  for (const char* name : {"P5", "P9", "P", ""}) {
    g_DefaultPointName = name;
    const int32_t before = map->count;
    Add(TPointPropertiesDialog::kCancel);
    EXPECT_EQ(g_DefaultPointName, name);
    ASSERT_EQ(map->count, before + 1);
    EXPECT_EQ(map->GetObjectCode(uint16_t(before)), 0) << name;  // deleted, slot kept
  }
  EXPECT_EQ(g_UserLayer.ListPointCoordinates().size(), 2u);
  // Outside the frame nothing is added, named or asked.
  harness::ClearMessageBoxes();
  g_DefaultPointName = "P5";
  const int32_t before = map->count;
  Dlg().centreX = 0;
  Dlg().centreY = 0;
  Run([](HWND d) { SendMessageW(d, WM_COMMAND, L::kAdd, 0); });
  EXPECT_EQ(map->count, before);
  EXPECT_EQ(g_DefaultPointName, "P5");
}

TEST_F(PointsList, AnEditCountsAsAMoveWhenTheShownWholeMetresNoLongerMatch) {
  // A new name on a whole point: nothing moved.
  EXPECT_EQ(Edit(0, [](HWND p) {
    SetDlgItemTextW(p, TPointPropertiesDialog::kEditId, L"Whole2");
  }), L::kNothing);
  EXPECT_EQ(rowAfter, (std::vector<std::wstring>{L"Whole2", L"x:6121000 y:7412000"}));
  // The same on a fractional point: its row showed whole metres, so it counts as edited.
  EXPECT_EQ(Edit(1, [](HWND p) {
    SetDlgItemTextW(p, TPointPropertiesDialog::kEditId, L"Frac2");
  }), L::kPointEdited);
  // A new type on the whole point.
  EXPECT_EQ(Edit(0, [](HWND) { g_PointPropertiesDialog.types.FindRow(Point(9)); }),
            L::kPointEdited);
  EXPECT_EQ(Dlg().list.Row(0)->code, Point(9));
  // A move.
  EXPECT_EQ(Edit(0, [](HWND p) { SetDlgItemTextW(p, TPointPropertiesDialog::kEditX, L"6121010"); }),
            L::kPointEdited);
  EXPECT_EQ(rowAfter[1], L"x:6121010 y:7412000");
}

TEST_F(PointsList, DeleteAsksAndRemovesRowAndObjectOrOnCancelNothing) {
  harness::AnswerMessageBox(L"", IDCANCEL);
  Run([](HWND d) {
    Dlg().list.FindRow(kWhole);
    SendMessageW(d, WM_COMMAND, L::kCmdDelete, 0);
  });
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Удалить точку?");
  EXPECT_EQ(harness::MessageBoxes()[0].caption, L"Подтверждение");
  EXPECT_EQ(map->GetObjectCode(kWhole), Point(1));
  EXPECT_FALSE(Dlg().changed);

  // Through the pen: a tap-and-hold on the row opens menu 125, whose second item deletes.
  harness::AnswerMessageBox(L"", IDOK);
  g_UserLayer.saved = 1;
  int rows = 0;
  Run([&](HWND d) {
    const POINT row = RowPoint(0);
    // When the menu opens (its owner hears WM_INITMENUPOPUP) a message is posted that the
    // menu's own loop hands to the driver, which picks the second item by keys.
    static HWND driver = nullptr;
    static WNDPROC dialogProc = nullptr;
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m != WM_APP) return DefWindowProcW(h, m, w, l);
      EXPECT_NE(FindWindowW(L"MNU", L""), nullptr);
      harness::Key(VK_DOWN);
      harness::Key(VK_RETURN);
      return 0;
    };
    wc.lpszClassName = L"MenuDriver";
    RegisterClassW(&wc);
    driver = CreateWindowExW(0, L"MenuDriver", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                             nullptr);
    dialogProc = reinterpret_cast<WNDPROC>(GetWindowLongW(d, GWL_WNDPROC));
    SetWindowLongW(d, GWL_WNDPROC,
                   reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                     if (m == WM_INITMENUPOPUP) PostMessageW(driver, WM_APP, 0, 0);
                     return CallWindowProcW(dialogProc, h, m, w, l);
                   }));
    harness::PenDown(row.x, row.y);
    harness::PenUp(row.x, row.y);
    rows = Dlg().list.RowCount();
    SetWindowLongW(d, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(dialogProc));
    DestroyWindow(driver);
  });
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(map->GetObjectCode(kWhole), 0);
  EXPECT_TRUE(Dlg().changed);
  EXPECT_EQ(g_UserLayer.saved, 0u);
  EXPECT_EQ(map->GetObjectCode(kUnnamed), Point(3));
}

// The map's picture is drawn from the points as they were: a run that deleted or added one asks
// for a full redraw at its end, whatever the caller makes of its result.
TEST_F(PointsList, ARunThatDeletedOrAddedAPointRedrawsTheMap) {
  struct Installed {
    skytest::CountingHost host;
    Installed() { SetProgramHost(&host); }
    ~Installed() { SetProgramHost(nullptr); }
  } installed;
  const int& redraws = installed.host.fullRedraws;
  Run([](HWND) {});
  EXPECT_EQ(redraws, 0) << "nothing changed";
  harness::AnswerMessageBox(L"", IDCANCEL);
  Run([](HWND d) {
    Dlg().list.FindRow(kWhole);
    SendMessageW(d, WM_COMMAND, L::kCmdDelete, 0);
  });
  EXPECT_EQ(redraws, 0) << "the delete was cancelled";

  harness::AnswerMessageBox(L"", IDOK);
  Run([](HWND d) {
    Dlg().list.FindRow(kWhole);
    SendMessageW(d, WM_COMMAND, L::kCmdDelete, 0);
  });
  ASSERT_EQ(map->GetObjectCode(kWhole), 0);
  EXPECT_EQ(redraws, 1) << "a point deleted";
  // A run that only looks a point up asks nothing of its own here.
  Run([](HWND d) {
    Dlg().list.FindRow(kFrac);
    SendMessageW(d, WM_COMMAND, L::kMap, 0);
  });
  EXPECT_EQ(redraws, 1) << "the next run changed nothing";

  Add(TPointPropertiesDialog::kCancel);
  EXPECT_EQ(redraws, 1) << "an add cancelled leaves the map as it was";
  Add(TPointPropertiesDialog::kOk);
  EXPECT_EQ(redraws, 2) << "a point added";
}

TEST(PointsListRows, CoordinatesAreReadWithinTheirBounds) {
  struct Case {
    const wchar_t* text;
    int taken;
    double x, y;
  };
  const Case cases[] = {
      {L"x:6121000 y:7412000", 3, 6121000, 7412000},
      {L"x:", 0, 0, 0},
      {L"x:1", 0, 0, 0},  // no space: no X, and no second colon: no Y
      {L"x:12345678901 y:1", 2, 0, 1},
      {L"y:5 x:3", 3, 5, 3},  // by position, as the rows are written
      {L"", 0, 0, 0},
      {L":", 0, 0, 0},
  };
  for (const Case& c : cases) {
    double x = 0, y = 0;
    EXPECT_EQ(ParseRowCoordinates(c.text, &x, &y), c.taken) << std::wstring(c.text).size();
    EXPECT_EQ(x, c.x);
    EXPECT_EQ(y, c.y);
  }
}

}  // namespace
