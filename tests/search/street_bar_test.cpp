// The street, city and object bars over tables in the program folder and a map of houses.
#include "search/street_search.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/search/search_fixture.h"

namespace {

using namespace bar_ids;
using sample::NdbCell;
using sample::NdbSpec;

using searchtest::D;
using searchtest::I;
using searchtest::kDeg;
using searchtest::Pick;
using searchtest::T;
using searchtest::Table;
using searchtest::Texts;

class StreetBar : public searchtest::SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    LoadLanguage();
    // Houses 1-3 of "Town": small squares at 1000 m steps north.
    std::vector<std::vector<std::pair<int32_t, int32_t>>> houses;
    for (int h = 0; h < 3; ++h)
      houses.push_back({{1000 + 1000 * h, 1000}, {1020 + 1000 * h, 1000}, {1020 + 1000 * h, 1020}});
    map = AddRoadMap("\\Vorna\\Maps\\Town.mdm", houses);
    g_MapView.LoadVectorMapObjects(map);
    g_MapView.GetVectorMap(map)->loadAll = 1;
    g_MapView.GetVectorMap(map)->LoadVisibleObjects();
    ViewAt(kOriginX + 50000, kOriginY + 50000, 25000);
    SearchCityID = 1;
    NdbSpec streets;
    streets.columns = {{"CityID", sample::kNdbShort}, {"StreetID", sample::kNdbShort}, {"Name", sample::kNdbText}};
    streets.rows = {{I(1), I(1), T("Mill Lane")}, {I(1), I(2), T("Lake Road")}, {I(2), I(1), T("Far Street")}};
    Table("Streets", streets);
    NdbSpec houseTable;
    houseTable.columns = {{"CityID", sample::kNdbShort}, {"StreetID", sample::kNdbShort}, {"Name", sample::kNdbText},
                          {"ListID", sample::kNdbLong},  {"OFFS", sample::kNdbLong}};
    houseTable.rows = {{I(1), I(1), T("  7"), I(70000), I(1)}, {I(1), I(1), T(" 12"), I(70000), I(2)},
                       {I(1), I(1), T("123"), I(70000), I(3)}, {I(1), I(2), T("  1"), I(5), I(1)},
                       {I(2), I(1), T("  2"), I(70000), I(3)}};
    Table("Houses", houseTable);
    NdbSpec cities;
    cities.columns = {{"CityID", sample::kNdbShort}, {"Name", sample::kNdbText}, {"X1", sample::kNdbDouble},
                      {"Y1", sample::kNdbDouble},    {"X2", sample::kNdbFloat}, {"Y2", sample::kNdbFloat}};
    cities.rows = {{I(1), T("Vorna"), D(55.74 * kDeg), D(37.60 * kDeg), D(55.76 * kDeg), D(37.62 * kDeg)},
                   {I(2), T("Nowhere"), D(9223372036854775808.0), D(37.60 * kDeg), D(55.76 * kDeg), D(37.62 * kDeg)}};
    Table("Cities", cities);
    NdbSpec lists;
    lists.columns = {{"ListID", sample::kNdbLong}, {"Name", sample::kNdbText}};
    lists.rows = {{I(70000), T("Town")}, {I(5), T("NotInProject")}};
    Table("Lists", lists);
  }
  void TearDown() override {
    CloseStreetSearch();
    SearchTest::TearDown();
  }
  HWND Bar(int templateId) {
    for (TSearchBar* bar : g_SearchBars)
      if (bar && bar->window && GetDlgItem(bar->window, templateId == kStreetBar ? kStreets
                                                          : templateId == kCityBar ? kCities
                                                                                   : kTypes))
        return bar->window;
    return nullptr;
  }
  void Press(HWND bar, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(bar, id), &r);
    harness::Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    harness::PumpUntilIdle();
  }
  void Centre(double* x, double* y) { g_MapView.GetCenter(x, y, 0); }

  int map = -1;
};

TEST_F(StreetBar, HouseNumbersArePaddedToThreeCharacters) {
  EXPECT_EQ(PadHouseNumber(L"7"), L"  7");
  EXPECT_EQ(PadHouseNumber(L"12"), L" 12");
  EXPECT_EQ(PadHouseNumber(L"123"), L"123");
  EXPECT_EQ(PadHouseNumber(L" 7"), L"  7");
  EXPECT_EQ(PadHouseNumber(L"   "), L"");
  EXPECT_EQ(PadHouseNumber(L"12a4"), L"12a4");
}

TEST_F(StreetBar, TheStreetBarListsTheCitysStreetsAndFindsATypedHouse) {
  ASSERT_EQ(ToggleStreetBar(), 1);
  HWND bar = Bar(kStreetBar);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(Texts(GetDlgItem(bar, kStreets)), (std::vector<std::wstring>{L"Mill Lane", L"Lake Road"}));
  Pick(bar, kStreets, L"Mill Lane");
  HWND houses = GetDlgItem(bar, kHouses);
  EXPECT_EQ(Texts(houses), (std::vector<std::wstring>{L"  7", L" 12", L"123"}));
  // The user types 7 into the open house list: "  7" is selected.
  SetFocus(houses);
  SendMessageW(houses, CB_SHOWDROPDOWN, TRUE, 0);
  harness::Char(L'7');
  harness::PumpUntilIdle();
  EXPECT_EQ(SendMessageW(houses, CB_GETCURSEL, 0, 0), 0);
  SendMessageW(houses, CB_SHOWDROPDOWN, FALSE, 0);
  harness::SaveScreen(harness::Root() + "/street_bar.png");
  // "Show" highlights house 1 of "Town" (list 70000) and centres on it.
  Press(bar, kShowStreet);
  ASSERT_EQ(g_MapView.GetHighlightCount(), 1);
  EXPECT_EQ(g_MapView.highlights[0].object, 1);
  double cx, cy;
  Centre(&cx, &cy);
  EXPECT_NEAR(cx, kOriginX + 1010, 7.0);
  EXPECT_NEAR(cy, kOriginY + 1010, 7.0);
  EXPECT_GE(host.fullRedraws, 2);
}

// "123" typed into the open house list finds house 123, not whatever its last key alone would
// find; after a pause of more than a second the next key starts a new search. "Show" then shows
// the house found.
TEST_F(StreetBar, KeysTypedInQuickSuccessionAddUpInTheOpenList) {
  ASSERT_EQ(ToggleStreetBar(), 1);
  HWND bar = Bar(kStreetBar);
  Pick(bar, kStreets, L"Mill Lane");
  HWND houses = GetDlgItem(bar, kHouses);
  SetFocus(houses);
  SendMessageW(houses, CB_SHOWDROPDOWN, TRUE, 0);
  harness::Type(L"123");
  EXPECT_EQ(SendMessageW(houses, CB_GETCURSEL, 0, 0), 2);
  wchar_t text[16] = L"";
  GetWindowTextW(houses, text, 16);
  EXPECT_STREQ(text, L"123");
  harness::Advance(1500);
  harness::Type(L"7");
  EXPECT_EQ(SendMessageW(houses, CB_GETCURSEL, 0, 0), 0);
  harness::Advance(1500);
  harness::Type(L"1");
  harness::Advance(300);
  harness::Type(L"2");
  EXPECT_EQ(SendMessageW(houses, CB_GETCURSEL, 0, 0), 1);
  // A tap on the entry found, marked in the open list, takes it: the edit shows it whole.
  const HWND open = FindWindowW(L"ComboLBox", nullptr);
  ASSERT_NE(open, nullptr);
  RECT rows{};
  GetWindowRect(open, &rows);
  const int rowHeight = int(SendMessageW(houses, CB_GETITEMHEIGHT, 0, 0));
  harness::Tap(rows.left + 10, rows.top + 1 + rowHeight + rowHeight / 2);
  EXPECT_EQ(SendMessageW(houses, CB_GETDROPPEDSTATE, 0, 0), 0);
  GetWindowTextW(houses, text, 16);
  EXPECT_STREQ(text, L" 12");
  Press(bar, kShowStreet);
  ASSERT_EQ(g_MapView.GetHighlightCount(), 1);
  EXPECT_EQ(g_MapView.highlights[0].object, 2);
}

// A house number the street lacks: the house found before is let go, the box keeps what was
// typed and "show" shows nothing; so for a street typed over with the list closed, and its houses.
TEST_F(StreetBar, ATypedNumberNoEntryHasLeavesNothingChosenToShow) {
  ASSERT_EQ(ToggleStreetBar(), 1);
  HWND bar = Bar(kStreetBar);
  Pick(bar, kStreets, L"Mill Lane");
  HWND houses = GetDlgItem(bar, kHouses);
  SetFocus(houses);
  SendMessageW(houses, CB_SHOWDROPDOWN, TRUE, 0);
  harness::Type(L"7");
  ASSERT_EQ(SendMessageW(houses, CB_GETCURSEL, 0, 0), 0);
  harness::Advance(1500);
  harness::Type(L"99");
  EXPECT_EQ(SendMessageW(houses, CB_GETCURSEL, 0, 0), CB_ERR);
  wchar_t text[16] = L"";
  GetWindowTextW(houses, text, 16);
  EXPECT_STREQ(text, L" 99");
  SendMessageW(houses, CB_SHOWDROPDOWN, FALSE, 0);
  double cx, cy;
  Centre(&cx, &cy);
  const int redraws = host.fullRedraws;
  Press(bar, kShowStreet);
  EXPECT_EQ(g_MapView.GetHighlightCount(), 0);
  double nx, ny;
  Centre(&nx, &ny);
  EXPECT_EQ(nx, cx);
  EXPECT_EQ(ny, cy);
  EXPECT_EQ(host.fullRedraws, redraws);

  // The list closed: "12" chosen, then a key typed after it.
  Pick(bar, kHouses, L" 12");
  SetFocus(houses);
  SendMessageW(houses, CB_SETEDITSEL, 0, MAKELPARAM(3, 3));
  harness::Type(L"4");
  GetWindowTextW(houses, text, 16);
  EXPECT_STREQ(text, L" 124");
  EXPECT_EQ(SendMessageW(houses, CB_GETCURSEL, 0, 0), CB_ERR);
  Press(bar, kShowStreet);
  EXPECT_EQ(g_MapView.GetHighlightCount(), 0);

  // A street typed over: no street, no houses, nothing framed.
  HWND streets = GetDlgItem(bar, kStreets);
  SetFocus(streets);
  SendMessageW(streets, CB_SHOWDROPDOWN, TRUE, 0);
  harness::Type(L"Xy");
  EXPECT_EQ(SendMessageW(streets, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(houses, CB_GETCOUNT, 0, 0), 0);
  SendMessageW(streets, CB_SHOWDROPDOWN, FALSE, 0);
  Press(bar, kShowStreet);
  Centre(&nx, &ny);
  EXPECT_EQ(nx, cx);
  EXPECT_EQ(host.fullRedraws, redraws);
  // A street typed that is there is found again.
  SetFocus(streets);  // all its text selected: the keys replace it
  SendMessageW(streets, CB_SHOWDROPDOWN, TRUE, 0);
  harness::Type(L"Lake");
  EXPECT_EQ(SendMessageW(streets, CB_GETCURSEL, 0, 0), 1);
}

// The object bar's box goes the same way: a name no object has chooses none.
TEST_F(StreetBar, AnObjectNameNoEntryHasShowsNoObject) {
  NdbSpec types;
  types.columns = {{"TypeID", sample::kNdbShort}, {"Name", sample::kNdbText}};
  types.rows = {{I(1), T("School")}};
  Table("ObjTypes", types);
  NdbSpec objects;
  objects.columns = {{"TypeID", sample::kNdbShort}, {"Name", sample::kNdbText}, {"ListID", sample::kNdbLong},
                     {"OFFS", sample::kNdbLong}};
  objects.rows = {{I(1), T("School No 1"), I(70000), I(3)}};
  Table("Objects", objects);
  ASSERT_EQ(ToggleObjectBar(), 1);
  HWND bar = Bar(kObjectBar);
  Pick(bar, kTypes, L"School");
  Pick(bar, kObjects, L"School No 1");
  HWND names = GetDlgItem(bar, kObjects);
  SetFocus(names);
  SendMessageW(names, CB_SHOWDROPDOWN, TRUE, 0);
  harness::Type(L"Zoo");
  EXPECT_EQ(SendMessageW(names, CB_GETCURSEL, 0, 0), CB_ERR);
  SendMessageW(names, CB_SHOWDROPDOWN, FALSE, 0);
  Press(bar, kShowObject);
  EXPECT_EQ(g_MapView.GetHighlightCount(), 0);
}

TEST_F(StreetBar, AStreetIsFramedByItsHousesAndAStreetWithoutCentresMovesNothing) {
  ToggleStreetBar();
  HWND bar = Bar(kStreetBar);
  Pick(bar, kStreets, L"Mill Lane");
  SetFocus(GetDlgItem(bar, kStreets));
  Press(bar, kShowStreet);
  double cx, cy;
  Centre(&cx, &cy);
  EXPECT_NEAR(cx, kOriginX + 2010, 50.0);  // between the first and the last house
  // Lake Road's one house names a map that is not in the project.
  ViewAt(kOriginX + 50000, kOriginY + 50000, 25000);
  Pick(bar, kStreets, L"Lake Road");
  SetFocus(GetDlgItem(bar, kStreets));
  const int redraws = host.fullRedraws;
  Press(bar, kShowStreet);
  Centre(&cx, &cy);
  EXPECT_NEAR(cx, kOriginX + 50000, 7.0);
  EXPECT_EQ(host.fullRedraws, redraws);
  SetFocus(GetDlgItem(bar, kHouses));
  Pick(bar, kHouses, L"  1");
  Press(bar, kShowStreet);
  EXPECT_EQ(g_MapView.GetHighlightCount(), 0);
}

TEST_F(StreetBar, TheCityBarSitsBelowAndChangesTheCity) {
  ToggleStreetBar();
  HWND bar = Bar(kStreetBar);
  Press(bar, kCityButton);
  HWND city = Bar(kCityBar);
  ASSERT_NE(city, nullptr);
  RECT a, b;
  GetWindowRect(bar, &a);
  GetWindowRect(city, &b);
  EXPECT_EQ(b.top, a.bottom);
  EXPECT_EQ(Texts(GetDlgItem(city, kCities)), (std::vector<std::wstring>{L"Vorna", L"Nowhere"}));
  // The missing-value mark: not shown.
  Pick(city, kCities, L"Nowhere");
  EXPECT_EQ(SearchCityID, 2);
  EXPECT_EQ(Texts(GetDlgItem(bar, kStreets)), (std::vector<std::wstring>{L"Far Street"}));
  SetFocus(GetDlgItem(city, kCities));
  Press(bar, kShowStreet);
  EXPECT_EQ(g_MapView.GetScale(), 25000);
  // Float corners are numbers as well: shown, two steps out.
  Pick(city, kCities, L"Vorna");
  SetFocus(GetDlgItem(city, kCities));
  Press(bar, kShowStreet);
  EXPECT_NE(g_MapView.GetScale(), 25000);
  double cx, cy, px, py;
  Centre(&cx, &cy);
  ASSERT_TRUE(g_MapView.GeoToPlane(55.75 * kDeg, 37.61 * kDeg, &px, &py));
  EXPECT_NEAR(cx, px, 200.0);
  // Closing the street bar closes the city bar.
  ToggleStreetBar();
  EXPECT_EQ(Bar(kCityBar), nullptr);
  EXPECT_EQ(IsStreetBarOpen(), 0);
}

TEST_F(StreetBar, EachBarClosesTheOtherAndTheObjectBarShowsObjects) {
  NdbSpec types;
  types.columns = {{"TypeID", sample::kNdbShort}, {"Name", sample::kNdbText}};
  types.rows = {{I(1), T("School")}, {I(255), T("Hidden")}, {I(300), T("Wide")}};
  Table("ObjTypes", types);
  NdbSpec objects;
  objects.columns = {{"TypeID", sample::kNdbShort}, {"Name", sample::kNdbText}, {"ListID", sample::kNdbLong},
                     {"OFFS", sample::kNdbLong}};
  objects.rows = {{I(1), T("School No 1"), I(70000), I(3)}, {I(1), T("No map"), I(70000), I(70000)}};
  Table("Objects", objects);
  ToggleStreetBar();
  EXPECT_EQ(ToggleObjectBar(), 1);
  EXPECT_EQ(IsStreetBarOpen(), 0);
  HWND bar = Bar(kObjectBar);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(Texts(GetDlgItem(bar, kTypes)), (std::vector<std::wstring>{L"School"})) << "TypeID below 255";
  Pick(bar, kTypes, L"School");
  EXPECT_EQ(Texts(GetDlgItem(bar, kObjects)).size(), 2u);
  Pick(bar, kObjects, L"No map");
  Press(bar, kShowObject);
  EXPECT_EQ(g_MapView.GetHighlightCount(), 0) << "an index beyond 16 bits names no object";
  Pick(bar, kObjects, L"School No 1");
  Press(bar, kShowObject);
  ASSERT_EQ(g_MapView.GetHighlightCount(), 1);
  EXPECT_EQ(g_MapView.highlights[0].object, 3);
  EXPECT_EQ(ToggleStreetBar(), 1);
  EXPECT_EQ(IsObjectBarOpen(), 0);
  CloseStreetSearch();
  EXPECT_EQ(g_BarTables.Count(), 0u);
  for (TSearchBar* b : g_SearchBars) EXPECT_EQ(b, nullptr);
}

// The bars' tables follow the project: its own Streets in front of the program folder's, read
// again when another project is opened, also while the street bar stays open.
TEST_F(StreetBar, AnotherProjectsOwnStreetsReplaceTheFirstOnesEvenInAnOpenBar) {
  for (const char* name : {"A", "B", "C"}) {
    const std::string folder = std::string("\\Proj") + name + "\\";
    const std::string corners = "6180000.0\t7400000.0\n6190000.0\t7410000.0";
    searchtest::PutFile(folder + "P.mpj", sample::Bytes(corners.begin(), corners.end()));
    if (*name == 'C') continue;  // no tables of its own
    NdbSpec streets;
    streets.columns = {{"CityID", sample::kNdbShort}, {"StreetID", sample::kNdbShort}, {"Name", sample::kNdbText}};
    streets.rows = {{I(1), I(9), T(std::string(name) + " Lane")}};
    searchtest::PutFile(folder + "Streets.ndb", sample::BuildNdb(streets));
  }
  auto open = [](const char* name) {
    ASSERT_EQ(g_MapView.OpenProject((std::string("\\Proj") + name + "\\P.mpj").c_str(), nullptr, 0), 0);
  };
  open("A");
  ASSERT_EQ(ToggleStreetBar(), 1);
  HWND streets = GetDlgItem(Bar(kStreetBar), kStreets);
  EXPECT_EQ(Texts(streets), (std::vector<std::wstring>{L"A Lane"}));
  open("B");
  SendMessageW(streets, CB_SHOWDROPDOWN, TRUE, 0);  // the first touch after the project changed
  SendMessageW(streets, CB_SHOWDROPDOWN, FALSE, 0);
  EXPECT_EQ(Texts(streets), (std::vector<std::wstring>{L"B Lane"}));
  ToggleStreetBar();
  open("C");
  ASSERT_EQ(ToggleStreetBar(), 1);
  EXPECT_EQ(Texts(GetDlgItem(Bar(kStreetBar), kStreets)), (std::vector<std::wstring>{L"Mill Lane", L"Lake Road"}));
  ToggleStreetBar();
  open("A");
  ASSERT_EQ(ToggleStreetBar(), 1);
  EXPECT_EQ(Texts(GetDlgItem(Bar(kStreetBar), kStreets)), (std::vector<std::wstring>{L"A Lane"}));
  EXPECT_TRUE(harness::MessageBoxes().empty());
}

TEST_F(StreetBar, AFailedTableIsReportedAtEachOpeningAndMissingTablesAreNoError) {
  const sample::Bytes good = [] {
    std::ifstream in(harness::HostPath(L"\\Vorna\\DB\\Houses.ndb"), std::ios::binary);
    return sample::Bytes(std::istreambuf_iterator<char>(in), {});
  }();
  searchtest::PutFile("\\Vorna\\DB\\Houses.ndb", sample::Bytes{'N', 'O', 'T', 'A', 'D', 'B'});
  std::filesystem::remove(harness::HostPath(L"\\Vorna\\DB\\Cities.ndb"));
  ToggleStreetBar();
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Ошибка при открытии \\Vorna\\DB\\Houses.ndb");
  EXPECT_EQ(Texts(GetDlgItem(Bar(kStreetBar), kStreets)).size(), 0u);
  ToggleStreetBar();
  ToggleStreetBar();
  ASSERT_EQ(harness::MessageBoxes().size(), 2u) << "the failed table is read again, and fails again";
  EXPECT_EQ(harness::MessageBoxes()[1].text, L"Ошибка при открытии \\Vorna\\DB\\Houses.ndb");
  EXPECT_EQ(Texts(GetDlgItem(Bar(kStreetBar), kStreets)).size(), 0u);
  searchtest::PutFile("\\Vorna\\DB\\Houses.ndb", good);
  ToggleStreetBar();
  ToggleStreetBar();
  EXPECT_EQ(harness::MessageBoxes().size(), 2u);
  EXPECT_EQ(Texts(GetDlgItem(Bar(kStreetBar), kStreets)).size(), 2u);
  Pick(Bar(kStreetBar), kStreets, L"Mill Lane");
  EXPECT_EQ(Texts(GetDlgItem(Bar(kStreetBar), kHouses)).size(), 3u);
  EXPECT_EQ(g_BarTables.FindTable("Cities"), -1) << "no file, no setting: nothing opened";
}

}  // namespace
