// Dialog 122 on the working map: the buttons of each variant, the results and distances, what
// OK writes and what it leaves, bad numbers, the hardware-key confirmation, the two type lists
// and the remembered distances.
#include <bit>
#include <cmath>

#include "tests/gps/point_dialogs_fixture.h"

namespace {

using pointtest::kFrac;
using pointtest::kLine;
using pointtest::kWhole;
using pointtest::Point;
using D = TPointPropertiesDialog;

class PointProperties : public pointtest::PointDialogs {};

TEST_F(PointProperties, EachVariantShowsItsButtonsAndTheIdEditTakesTheDistancesRoom) {
  struct Case {
    int variant, delta;
    std::vector<int> shown;
    bool distance;
  };
  const Case cases[] = {
      {0, 1, {D::kOk}, false},
      {1, 1, {D::kOkLeft, D::kOkMiddle, D::kOkRight}, true},
      {1, 0, {D::kOk}, false},  // no offsets configured: a single OK
      {2, 1, {D::kOkAlone, D::kOkSecond}, false},
  };
  const int all[] = {D::kOk, D::kOkLeft, D::kOkMiddle, D::kOkRight, D::kOkAlone, D::kOkSecond};
  for (const Case& c : cases) {
    g_Ini.SetInt("NaviPtDelta", c.delta);
    RunPoint(kWhole, c.variant, [&](HWND d) {
      for (int id : all) {
        const bool want = std::find(c.shown.begin(), c.shown.end(), id) != c.shown.end();
        EXPECT_EQ(Shown(GetDlgItem(d, id)), want) << c.variant << " " << id;
      }
      EXPECT_TRUE(Shown(GetDlgItem(d, D::kCancel)));
      EXPECT_EQ(Shown(GetDlgItem(d, D::kEditDistance)), c.distance);
      const RECT id = ItemRect(d, D::kEditId);
      // The template's 150 + 60 pixels and the 2 between, one pixel up and left.
      EXPECT_EQ(id.right - id.left, c.distance ? 150 : 212) << c.variant;
    }, 0);
  }
}

TEST_F(PointProperties, ResultsCarryTheSignedDistanceAndCancelStoresNothing) {
  g_Ini.SetInt("NaviPtDelta", 1);
  double distance = 99;
  auto typeDistance = [](const wchar_t* text) {
    return [text](HWND d) { SetDlgItemTextW(d, D::kEditDistance, text); };
  };
  EXPECT_EQ(RunPoint(kWhole, 1, typeDistance(L"5"), D::kOkLeft, &distance), 1);
  EXPECT_EQ(distance, 5);
  EXPECT_EQ(RunPoint(kWhole, 1, typeDistance(L"5"), D::kOkRight, &distance), 1);
  EXPECT_EQ(distance, -5);
  // "OK, 2" hands back what the previous run left.
  EXPECT_EQ(RunPoint(kWhole, 2, {}, D::kOkSecond, &distance), 1);
  EXPECT_EQ(distance, -5);
  EXPECT_EQ(RunPoint(kWhole, 1, typeDistance(L"5"), D::kOkMiddle, &distance), 1);
  EXPECT_EQ(distance, 0);
  EXPECT_EQ(RunPoint(kWhole, 0, {}, D::kOk, &distance), 1);
  EXPECT_EQ(distance, 0);

  const TMapPoint before = Corner(kWhole);
  EXPECT_EQ(RunPoint(kWhole, 0, [](HWND d) {
    SetDlgItemTextW(d, D::kEditId, L"Renamed");
    SetDlgItemTextW(d, D::kEditX, L"6121500");
  }, D::kCancel, &distance), 0);
  EXPECT_EQ(Attr(kWhole, 9), "Whole");
  EXPECT_EQ(Corner(kWhole).x, before.x);
}

TEST_F(PointProperties, OkKeepsTheMeasuredPositionAndTakesTypedValuesExactly) {
  const TMapPoint before = Corner(kFrac);
  std::wstring shownX, shownH;
  EXPECT_EQ(RunPoint(kFrac, 0, [&](HWND d) {
    shownX = Text(d, D::kEditX);
    shownH = Text(d, D::kEditH);
  }, D::kOk), 1);
  EXPECT_EQ(shownX, L"6123456");
  EXPECT_EQ(shownH, L"0");
  EXPECT_EQ(Corner(kFrac).x, before.x);
  EXPECT_EQ(Corner(kFrac).y, before.y);
  float h = 0;
  EXPECT_EQ(map->GetIntAttr(kFrac, 4, &h), 0);  // still no height

  EXPECT_EQ(RunPoint(kFrac, 0, [](HWND d) {
    SetDlgItemTextW(d, D::kEditX, L" 6123460 ");
    SetDlgItemTextW(d, D::kEditH, L"145,25");  // the Russian keyboard's decimal comma
  }, D::kOk), 1);
  EXPECT_EQ(Corner(kFrac).x, (6123460 - int32_t(pointtest::kX1)) * 100);
  EXPECT_EQ(Corner(kFrac).y, before.y);
  ASSERT_EQ(map->GetIntAttr(kFrac, 4, &h), 1);
  EXPECT_EQ(std::bit_cast<uint32_t>(h), std::bit_cast<uint32_t>(145.25f));
  EXPECT_EQ(g_UserLayer.saved, 0u);
}

TEST_F(PointProperties, ABadNumberWritesNothingAndKeepsTheDialogOpen) {
  g_Ini.SetInt("NaviPtDelta", 1);
  const wchar_t* bad[] = {L"abc", L"1e400", L"6123456,5,0", L"6 123 456", L"1 2", L"0x", L"nan",
                          L"1234567890123456789012345678901234567890e10"};
  const TMapPoint before = Corner(kWhole);
  for (int edit : {int(D::kEditX), int(D::kEditY), int(D::kEditH)}) {
    for (const wchar_t* text : bad) {
      EXPECT_EQ(RunPoint(kWhole, 0, [&](HWND d) {
        SetDlgItemTextW(d, D::kEditId, L"Renamed");
        SetDlgItemTextW(d, edit, text);
      }, D::kOk), 0) << edit << " " << std::wstring(text).size();
    }
  }
  for (const wchar_t* text : {L"99999999999", L"5.5", L"x"}) {
    EXPECT_EQ(RunPoint(kWhole, 1, [&](HWND d) { SetDlgItemTextW(d, D::kEditDistance, text); },
                       D::kOkLeft), 0);
  }
  EXPECT_EQ(Attr(kWhole, 9), "Whole");
  EXPECT_EQ(Corner(kWhole).x, before.x);
  float h = 0;
  ASSERT_EQ(map->GetIntAttr(kWhole, 4, &h), 1);
  EXPECT_EQ(h, 120.5f);
  EXPECT_FALSE(g_Ini.HasKey("LastDistList"));

  // A height of 40 digits is a double but no float; "-0" and "-5" are numbers.
  EXPECT_EQ(RunPoint(kWhole, 0, [](HWND d) {
    SetDlgItemTextW(d, D::kEditH, L"1234567890123456789012345678901234567890");
  }, D::kOk), 0);
  double distance = 0;
  EXPECT_EQ(RunPoint(kWhole, 1, [](HWND d) {
    SetDlgItemTextW(d, D::kEditH, L"-0");
    SetDlgItemTextW(d, D::kEditDistance, L"-5");
  }, D::kOkLeft, &distance), 1);
  EXPECT_EQ(distance, -5);
  ASSERT_EQ(map->GetIntAttr(kWhole, 4, &h), 1);
  EXPECT_TRUE(h == 0 && std::signbit(h));
}

TEST_F(PointProperties, AMoveOutsideTheMapKeepsPositionTypeAndHeightAndEmptyNamesKeepTheirs) {
  const TMapPoint before = Corner(kWhole);
  EXPECT_EQ(RunPoint(kWhole, 0, [](HWND d) {
    SetDlgItemTextW(d, D::kEditX, L"0");
    SetDlgItemTextW(d, D::kEditH, L"7");
    g_PointPropertiesDialog.types.FindRow(Point(9));
  }, D::kOk), 0);
  EXPECT_EQ(Corner(kWhole).x, before.x);
  EXPECT_EQ(map->GetObjectCode(kWhole), Point(1));
  float h = 0;
  map->GetIntAttr(kWhole, 4, &h);
  EXPECT_EQ(h, 120.5f);

  EXPECT_EQ(RunPoint(kWhole, 0, [](HWND d) {
    SetDlgItemTextW(d, D::kEditId, L"");
    SetDlgItemTextW(d, D::kEditName, L"");
  }, D::kOk), 1);
  EXPECT_EQ(Attr(kWhole, 9), "Whole");
  EXPECT_EQ(Attr(kWhole, 99), "Whole");
  // A line is no point: the dialog shows nothing and OK writes nothing.
  EXPECT_EQ(RunPoint(kLine, 0, [](HWND d) { SetDlgItemTextW(d, D::kEditId, L"Line"); }, D::kOk),
            0);
  EXPECT_EQ(Attr(kLine, 9), "<none>");
}

TEST_F(PointProperties, AHardwareKeyConfirmsOnlyAfterTheDelayAndOnlyWhenStoreWorks) {
  g_PointKey = 0xC1;
  auto keyAfter = [](unsigned ms, const wchar_t* x, WPARAM key) {
    return [=](HWND d) {
      SendMessageW(d, WM_ACTIVATE, WA_ACTIVE, 0);
      harness::Advance(ms);
      if (x) SetDlgItemTextW(d, D::kEditX, x);
      SendMessageW(d, WM_HOTKEY, 0, 0);  // no key id: nothing
      SendMessageW(d, WM_HOTKEY, key, 0);
    };
  };
  EXPECT_EQ(RunPoint(kWhole, 0, keyAfter(1400, nullptr, 0xC1), 0), 0);
  EXPECT_EQ(RunPoint(kWhole, 0, keyAfter(1600, L"abc", 0xC1), 0), 0);  // Store fails
  EXPECT_EQ(RunPoint(kWhole, 0, keyAfter(1600, L"6121001", 0xC1), 0), 0xC1);
  EXPECT_EQ(Corner(kWhole).x, 100100);
  g_PointKey = 0;  // no point was ever taken by a key
  EXPECT_EQ(RunPoint(kWhole, 0, keyAfter(2000, nullptr, 0xC1), 0), 0);
}

TEST_F(PointProperties, TypesComeFromEitherListAndNoneKeepsTheCode) {
  // The full list, touched last: its code, put at the front of the recent types.
  g_Ini.SetString("HotBuffList_1", (std::to_string(Point(7)) + ";" + std::to_string(Point(8)) + ";").c_str());
  EXPECT_EQ(RunPoint(kWhole, 0, [](HWND) { g_PointPropertiesDialog.types.FindRow(Point(5)); },
                     D::kOk), 1);
  EXPECT_EQ(map->GetObjectCode(kWhole), Point(5));
  std::string stored;
  g_Ini.GetString("HotBuffList_1", stored);
  EXPECT_EQ(stored, std::to_string(Point(5)) + ";" + std::to_string(Point(7)) + ";" +
                        std::to_string(Point(8)) + ";");
  // The recent list, touched last: its code, the order kept.
  EXPECT_EQ(RunPoint(kWhole, 0, [](HWND) { g_PointPropertiesDialog.recent.list.FindRow(Point(8)); },
                     D::kOk), 1);
  EXPECT_EQ(map->GetObjectCode(kWhole), Point(8));
  g_Ini.GetString("HotBuffList_1", stored);
  EXPECT_EQ(stored.substr(0, stored.find(';')), std::to_string(Point(5)));
  // Neither selects anything (the recent list lacks the code): the code stays.
  EXPECT_EQ(RunPoint(kFrac, 0, {}, D::kOk), 1);
  EXPECT_EQ(map->GetObjectCode(kFrac), Point(2));
  // Without a library there are no lists and the code stays too.
  map->library = nullptr;
  EXPECT_EQ(RunPoint(kFrac, 0, {}, D::kOk), 1);
  EXPECT_EQ(map->GetObjectCode(kFrac), Point(2));
}

TEST_F(PointProperties, DistancesAreRememberedPerTypeWithTheDefaultForTheRest) {
  g_Ini.SetInt("NaviPtDelta", 1);
  g_Ini.SetInt("NaviPtDeltaDef", 4);
  g_Ini.SetString("LastDistList", ("garbage;5:;" + std::to_string(Point(1)) + ":7;" +
                                   std::to_string(Point(3)) + ":9;").c_str());
  std::wstring first, third, fourth;
  EXPECT_EQ(RunPoint(kWhole, 1, [&](HWND d) {
    first = Text(d, D::kEditDistance);
    g_PointPropertiesDialog.types.FindRow(Point(3));
    third = Text(d, D::kEditDistance);
    g_PointPropertiesDialog.types.FindRow(Point(4));
    fourth = Text(d, D::kEditDistance);
    SetDlgItemTextW(d, D::kEditDistance, L"12");
  }, D::kOkLeft), 1);
  EXPECT_EQ(first, L"7");
  EXPECT_EQ(third, L"9");
  EXPECT_EQ(fourth, L"4");
  std::string stored;
  g_Ini.GetString("LastDistList", stored);
  EXPECT_EQ(stored, "garbage;5:;" + std::to_string(Point(1)) + ":7;" + std::to_string(Point(3)) +
                        ":9;" + std::to_string(Point(4)) + ":12;");
  // Over 100 characters the two oldest entries go first.
  std::string longList;
  for (int i = 0; longList.size() <= 140; ++i) longList += std::to_string(1000 + i) + ":1;";
  g_Ini.SetString("LastDistList", longList.c_str());
  EXPECT_EQ(RunPoint(kWhole, 1, [](HWND d) { SetDlgItemTextW(d, D::kEditDistance, L"3"); },
                     D::kOkLeft), 1);
  g_Ini.GetString("LastDistList", stored);
  EXPECT_EQ(stored, longList.substr(14) + std::to_string(Point(4)) + ":3;");
}

TEST_F(PointProperties, TheFormStoresFirstAndTheDialogReloadsAndTheViewModeIsKeptAtCommit) {
  harness::OnDialog(179, [](HWND form) { SendMessageW(form, WM_COMMAND, IDOK, 0); });
  std::wstring idAfter;
  RunPoint(kWhole, 0, [&](HWND d) {
    SetDlgItemTextW(d, D::kEditId, L"Before the form");
    SendMessageW(d, WM_COMMAND, D::kAttributes, 0);
    idAfter = Text(d, D::kEditId);
    SetFocus(GetDlgItem(d, D::kTypeList));  // the input panel goes down with the edit's focus
    harness::PumpUntilIdle();
    Shot("point_properties_list");
    SendMessageW(d, WM_COMMAND, D::kCmdIcons, 0);
    harness::PumpUntilIdle();
    Shot("point_properties_symbols");
  }, D::kOk);
  EXPECT_EQ(Attr(kWhole, 9), "Before the form");
  EXPECT_EQ(idAfter, L"Before the form");
  const auto& opened = harness::DialogsOpened();
  EXPECT_NE(std::find(opened.begin(), opened.end(), 179), opened.end());
  EXPECT_EQ(g_Ini.GetInt("TypeLVMode2"), 1);
  g_Ini.SetInt("TypeLVMode2", 7);
  int mode = -1;
  RunPoint(kWhole, 0, [&](HWND) { mode = g_PointPropertiesDialog.types.GetViewMode(); }, 0);
  EXPECT_EQ(mode, 1);
}

}  // namespace
