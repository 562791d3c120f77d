// The search window's list query, its pages and the window itself, over tables written by the
// sample writer into the program folder's "DB\".
#include "search/search_window.h"

#include <cmath>
#include <cstring>
#include <filesystem>

#include "search/search_list.h"
#include "search/search_pages.h"
#include "tests/search/search_fixture.h"

namespace {

using namespace search_ids;
using sample::NdbCell;
using sample::NdbSpec;

using searchtest::D;
using searchtest::I;
using searchtest::kDeg;
using searchtest::Pick;
using searchtest::T;
using searchtest::Table;
using searchtest::Texts;

class SearchWindow : public searchtest::SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    LoadLanguage();
  }
  void TearDown() override {
    if (combo) {
      ClearList(combo);
      DestroyWindow(combo);
    }
    g_SearchTables.CloseAll();
    SearchTest::TearDown();
  }
  HWND Combo() {
    if (!combo)
      combo = CreateWindowExW(0, L"combobox", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_SORT, 0,
                              0, 200, 22, host.main, nullptr, nullptr, nullptr);
    return combo;
  }
  static const TSearchItem* Item(HWND list, int i) {
    return reinterpret_cast<const TSearchItem*>(SendMessageW(list, CB_GETITEMDATA, WPARAM(i), 0));
  }
  // Opens the window on `page`, runs `script` with the page and presses `button`.
  int Run(int page, std::function<void(HWND)> script, int button = kShow) {
    harness::OnDialog(kWindow, [=, this](HWND dialog) {
      HWND tab = GetDlgItem(dialog, kTab);
      HWND p = page == 0 ? g_AddressPage.window : g_ObjectPage.window;
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(GetParent(p), tab);
      if (script) script(p);
      PostMessageW(dialog, WM_COMMAND, button, 0);
    });
    return RunSearchWindow(host.main, GetModuleHandleW(nullptr), page);
  }
  // A town of three places: state 1 with regions 1 and 2; city 10 in region 1 with two
  // streets, city 20 in region 2. Houses carry geodetic centres.
  void WriteTown() {
    NdbSpec states;
    states.columns = {{"StateID", sample::kNdbShort}, {"Name", sample::kNdbText}};
    states.rows = {{I(1), T("\xC7\xE5\xEC\xEB\xFF")}, {I(2), T("Berg")}};
    Table("States", states);
    NdbSpec regions;
    regions.columns = {{"RegionID", sample::kNdbShort}, {"StateID", sample::kNdbShort}, {"Name", sample::kNdbText}};
    regions.rows = {{I(1), I(1), T("North")}, {I(2), I(1), T("South")}, {I(3), I(2), T("Hills")}};
    Table("Regions", regions);
    NdbSpec cities;
    cities.columns = {{"CityID", sample::kNdbShort}, {"StateID", sample::kNdbShort},
                      {"RegionID", sample::kNdbShort}, {"Name", sample::kNdbText},
                      {"X1", sample::kNdbDouble}, {"Y1", sample::kNdbDouble},
                      {"X2", sample::kNdbDouble}, {"Y2", sample::kNdbDouble}};
    cities.rows = {{I(10), I(1), I(1), T("Vorna"), D(55.74 * kDeg), D(37.60 * kDeg), D(55.76 * kDeg), D(37.62 * kDeg)},
                   {I(20), I(1), I(2), T("Dol"), D(55.80 * kDeg), D(37.60 * kDeg), D(55.81 * kDeg), D(37.61 * kDeg)}};
    Table("Cities", cities);
    NdbSpec streets;
    streets.columns = {{"StreetID", sample::kNdbShort}, {"CityID", sample::kNdbShort},
                       {"StateID", sample::kNdbShort}, {"RegionID", sample::kNdbShort}, {"Name", sample::kNdbText}};
    streets.rows = {{I(1), I(10), I(1), I(1), T("Mill Lane")}, {I(2), I(10), I(1), I(1), T("Lake Road")},
                    {I(1), I(20), I(1), I(2), T("Main Street")}};
    Table("Streets", streets);
    NdbSpec houses;
    houses.columns = {{"StreetID", sample::kNdbShort}, {"CityID", sample::kNdbShort},
                      {"StateID", sample::kNdbShort}, {"RegionID", sample::kNdbShort},
                      {"Name", sample::kNdbText},     {"X1", sample::kNdbDouble}, {"Y1", sample::kNdbDouble}};
    houses.rows = {{I(1), I(10), I(1), I(1), T("  7"), D(55.745 * kDeg), D(37.605 * kDeg)},
                   {I(1), I(10), I(1), I(1), T(" 12"), D(55.746 * kDeg), D(37.605 * kDeg)},
                   {I(2), I(10), I(1), I(1), T("  1"), D(55.75 * kDeg), D(37.61 * kDeg)},
                   {I(1), I(20), I(1), I(2), T("  3"), D(55.805 * kDeg), D(37.605 * kDeg)}};
    Table("Houses", houses);
  }
  // Objects around (55.75 N, 37.61 E): a school there, a shop 0.01 degrees of latitude north
  // (about 1.1 km), a fuel station far off in region 2.
  void WriteObjects(std::vector<sample::NdbColumn> drop = {}) {
    NdbSpec types;
    types.columns = {{"TypeID", sample::kNdbByte}, {"Name", sample::kNdbText}};
    types.rows = {{I(1), T("School")}, {I(2), T("Shop")}, {I(3), T("Fuel")}};
    Table("ObjTypes", types);
    NdbSpec objects;
    objects.columns = {{"TypeID", sample::kNdbByte},   {"Name", sample::kNdbText},     {"StateID", sample::kNdbShort},
                       {"RegionID", sample::kNdbShort}, {"CityID", sample::kNdbShort},  {"Address", sample::kNdbText},
                       {"Phone", sample::kNdbText},     {"Info", sample::kNdbText},     {"X1", sample::kNdbDouble},
                       {"Y1", sample::kNdbDouble}};
    objects.rows = {
        {I(1), T("School No 1"), I(1), I(1), I(10), T("Mill Lane 7"), T("100-200"), T("Open 8-17"), D(55.75 * kDeg), D(37.61 * kDeg)},
        {I(2), T("Corner Shop"), I(1), I(1), I(10), T("Lake Road 1"), T(""), T("Fresh bread"), D(55.76 * kDeg), D(37.61 * kDeg)},
        {I(2), T("Corner Shop"), I(1), I(1), I(10), T("Second row"), T("2"), T("later"), D(55.76 * kDeg), D(37.61 * kDeg)},
        {I(3), T("Fuel North"), I(1), I(2), I(20), T("Main Street 3"), T("300"), T("24 h"), D(56.5 * kDeg), D(37.61 * kDeg)}};
    for (const auto& d : drop) {
      for (size_t c = 0; c < objects.columns.size(); ++c)
        if (objects.columns[c].name == d.name) {
          objects.columns.erase(objects.columns.begin() + long(c));
          for (auto& row : objects.rows) row.erase(row.begin() + long(c));
          break;
        }
    }
    Table("Objects", objects);
  }

  HWND combo = nullptr;
};

TEST_F(SearchWindow, TheQuerySkipsAnyFiltersAndListsSortedNamesAfterTheNotSelectedItem) {
  WriteTown();
  std::string path;
  ASSERT_TRUE(OpenSearchTable(g_SearchTables, "Regions", &path));
  EXPECT_EQ(path, "\\Vorna\\DB\\Regions.ndb");
  FillList("Regions", nullptr, 0, Combo(), 0, 0, 0);
  EXPECT_EQ(Texts(combo), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"Hills", L"North", L"South"}));
  EXPECT_EQ(Item(combo, 0), nullptr);
  EXPECT_EQ(Item(combo, 2)->RegionID, 1);
  EXPECT_EQ(Item(combo, 2)->StateID, 1);
  EXPECT_EQ(Item(combo, 2)->CityID, kAnyId);
  EXPECT_FALSE(Item(combo, 2)->hasCoordinates);

  TSearchFilter any[2] = {{kAnyId, 1, "StateID"}, {kAnyId, 1, "RegionID"}};
  FillList("Regions", any, 2, combo, 0, 0, 0);
  EXPECT_EQ(Texts(combo).size(), 1u) << "filters that all mean any list nothing";
  TSearchFilter missing[1] = {{1, 1, "CityID"}};
  FillList("Regions", missing, 1, combo, 0, 0, 0);
  EXPECT_EQ(Texts(combo).size(), 1u) << "a filter on a column the table lacks is skipped: none is left";
  TSearchFilter lacking[2] = {{1, 1, "CityID"}, {2, 1, "StateID"}};
  FillList("Regions", lacking, 2, combo, 0, 0, 0);
  EXPECT_EQ(Texts(combo), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"Hills"}));
  TSearchFilter state[2] = {{1, 1, "StateID"}, {kAnyId, 1, "RegionID"}};
  FillList("Regions", state, 2, combo, 0, 0, 0);
  EXPECT_EQ(Texts(combo).size(), 3u);
  FillList("Nowhere", nullptr, 0, combo, 0, 0, 0);
  EXPECT_EQ(Texts(combo).size(), 1u);
}

TEST_F(SearchWindow, NamesSortCaseFreeByCodePointStableAmongEqualsAndCutAt255) {
  NdbSpec t;
  t.columns = {{"Name", sample::kNdbText}, {"CityID", sample::kNdbLong}};
  // Code page 1251: "Ёж" "ель" "Яма" "абв" "ЕЛЬ".
  t.rows = {{T("\xA8\xE6"), I(1)}, {T("\xE5\xEB\xFC"), I(2)}, {T("\xDF\xEC\xE0"), I(3)},
            {T("\xE0\xE1\xE2"), I(4)}, {T("\xC5\xCB\xDC"), I(70000)}, {T(std::string(255, 'z')), I(6)}};
  Table("Cities", t);
  ASSERT_TRUE(OpenSearchTable(g_SearchTables, "Cities", nullptr));
  FillList("Cities", nullptr, 0, Combo(), 0, 0, 0);
  const auto texts = Texts(combo);
  ASSERT_EQ(texts.size(), 7u);
  EXPECT_EQ(texts[1], std::wstring(255, L'z')) << "Latin before Cyrillic; a 255-byte name whole";
  EXPECT_EQ(texts[2], L"абв");
  EXPECT_EQ(texts[3], L"ель");
  EXPECT_EQ(texts[4], L"ЕЛЬ");
  EXPECT_EQ(Item(combo, 4)->CityID, 70000) << "equal names keep table order; ids above 16 bits";
  EXPECT_EQ(texts[5], L"Яма");
  EXPECT_EQ(texts[6], L"Ёж") << "Ё folds to ё, after я by code point";
}

TEST_F(SearchWindow, DistanceLimitsAreStrictInMetresAndNeedCoordinates) {
  WriteObjects();
  ASSERT_TRUE(OpenSearchTable(g_SearchTables, "Objects", nullptr));
  double sx, sy, hx, hy;
  ASSERT_TRUE(g_MapView.GeoToPlane(55.75 * kDeg, 37.61 * kDeg, &sx, &sy));
  ASSERT_TRUE(g_MapView.GeoToPlane(55.76 * kDeg, 37.61 * kDeg, &hx, &hy));
  const double shop = std::hypot(hx - sx, hy - sy);
  ASSERT_GT(shop, 1000);
  ASSERT_LT(shop, 1200);
  // Reference 500 m east of the school: exactly at the limit is not listed.
  const double rx = sx, ry = sy + 500.0;
  FillList("Objects", nullptr, 0, Combo(), rx, ry, 500);
  EXPECT_EQ(Texts(combo).size(), 1u);
  FillList("Objects", nullptr, 0, combo, rx, ry, 501);
  EXPECT_EQ(Texts(combo), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"School No 1"}));
  FillList("Objects", nullptr, 0, combo, rx, ry, 0);
  EXPECT_EQ(Texts(combo).size(), 5u) << "no limit";
  FillList("Objects", nullptr, 0, combo, rx, ry, -1);
  EXPECT_EQ(Texts(combo).size(), 1u) << "a negative limit lists none";
  FillList("Objects", nullptr, 0, combo, sx, sy, 1300);
  EXPECT_EQ(Texts(combo).size(), 4u);

  EXPECT_EQ(DistanceLimitMetres(L"0.5"), 500);
  EXPECT_EQ(DistanceLimitMetres(L""), 0);
  EXPECT_EQ(DistanceLimitMetres(L"abc"), 0);
  EXPECT_EQ(DistanceLimitMetres(L"1e400"), 0);
  EXPECT_EQ(DistanceLimitMetres(L"nan"), 0);
  EXPECT_EQ(DistanceLimitMetres(L"-1"), -1000);
  EXPECT_EQ(DistanceLimitMetres(L"0.0004"), 1);
  EXPECT_EQ(DistanceLimitMetres(L"99999999999"), 2147483647);
  EXPECT_EQ(DistanceLimitMetres(L"0"), 0);
  // The Russian keyboard's decimal comma: "0,6" is 600 m, not "no limit"; "1,5" is not 1 km.
  EXPECT_EQ(DistanceLimitMetres(L"0,6"), 600);
  EXPECT_EQ(DistanceLimitMetres(L" 1,5 "), 1500);
  // Text with a number in it is no distance: no limit, and refused for the beep, never 1 km.
  bool refused = false;
  EXPECT_EQ(DistanceLimitMetres(L"1,5 km", &refused), 0);
  EXPECT_TRUE(refused);
  EXPECT_EQ(DistanceLimitMetres(L"1e300", &refused), 0);
  EXPECT_TRUE(refused);
  EXPECT_EQ(DistanceLimitMetres(L"  ", &refused), 0);
  EXPECT_FALSE(refused);
  EXPECT_EQ(DistanceLimitMetres(L"0,6", &refused), 600);
  EXPECT_FALSE(refused);
}

TEST_F(SearchWindow, CoordinatesFromXYNaNAndTheMissingMark) {
  NdbSpec t;
  t.columns = {{"Name", sample::kNdbText}, {"X", sample::kNdbDouble}, {"Y", sample::kNdbFloat}};
  t.rows = {{T("a"), D(55.75 * kDeg), D(37.61 * kDeg)},
            {T("b"), D(std::nan("")), D(0.6)},
            {T("c"), D(9223372036854775808.0), D(0.6)}};
  Table("Cities", t);
  ASSERT_TRUE(OpenSearchTable(g_SearchTables, "Cities", nullptr));
  FillList("Cities", nullptr, 0, Combo(), 0, 0, 0);
  const TSearchItem* a = Item(combo, 1);
  ASSERT_TRUE(a->hasCoordinates);
  EXPECT_EQ(a->X2, a->X1);
  EXPECT_EQ(a->Y2, a->Y1);
  EXPECT_FALSE(Item(combo, 2)->hasCoordinates);
  EXPECT_FALSE(Item(combo, 3)->hasCoordinates);
  // A point item centres the view at 1:5000; one without coordinates moves nothing.
  g_MapView.SetScale(25000);
  ShowItemOnMap(Item(combo, 3));
  EXPECT_EQ(g_MapView.GetScale(), 25000);
  EXPECT_EQ(host.fullRedraws, 0);
  ShowItemOnMap(a);
  EXPECT_EQ(g_MapView.GetScale(), 5000);
  double cx, cy, px, py;
  g_MapView.GetCenter(&cx, &cy, 0);
  ASSERT_TRUE(g_MapView.GeoToPlane(a->X1, a->Y1, &px, &py));
  // Centred, then scaled about the centre pixel: within a pixel of the old scale (6.25 m).
  EXPECT_NEAR(cx, px, 6.25);
  EXPECT_NEAR(cy, py, 6.25);
  EXPECT_EQ(host.fullRedraws, 1);
  EXPECT_EQ(GetChosenItem(combo), nullptr);
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  EXPECT_EQ(GetChosenItem(combo), nullptr);
  SendMessageW(combo, CB_SETCURSEL, 1, 0);
  EXPECT_EQ(GetChosenItem(combo), a);
}

TEST_F(SearchWindow, AddressPageCascadesFromStateToHouseAndShowsTheHouse) {
  WriteTown();
  g_MapView.SetScale(25000);
  int result = Run(0, [&](HWND page) {
    EXPECT_EQ(Texts(GetDlgItem(page, kState)), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"Berg", L"Земля"}));
    Pick(page, kState, L"Земля");
    EXPECT_EQ(Texts(GetDlgItem(page, kRegion)).size(), 3u);
    Pick(page, kRegion, L"North");
    EXPECT_EQ(Texts(GetDlgItem(page, kCity)), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"Vorna"}));
    Pick(page, kCity, L"Vorna");
    EXPECT_EQ(Texts(GetDlgItem(page, kStreet)).size(), 3u);
    Pick(page, kStreet, L"Mill Lane");
    EXPECT_EQ(Texts(GetDlgItem(page, kHouse)), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"  7", L" 12"}));
    SetFocus(GetDlgItem(page, kHouse));
    EXPECT_EQ(g_AddressPage.lastFocused, kHouse);
    Pick(page, kHouse, L" 12");
    // Choosing another state empties the lists below.
  });
  EXPECT_EQ(result, kShow);
  EXPECT_EQ(g_MapView.GetScale(), 5000);
  double cx, cy, px, py;
  g_MapView.GetCenter(&cx, &cy, 0);
  ASSERT_TRUE(g_MapView.GeoToPlane(55.746 * kDeg, 37.605 * kDeg, &px, &py));
  EXPECT_NEAR(cx, px, 6.25);
  EXPECT_NEAR(cy, py, 6.25);
  EXPECT_EQ(host.partRedraws, 1) << "the window's own redraw at closing";
}

TEST_F(SearchWindow, AChoiceTypedOverIsNotShown) {
  WriteTown();
  g_MapView.SetScale(25000);
  std::wstring typed;
  int chosenAfter = 0;
  Run(0, [&](HWND page) {
    Pick(page, kState, L"Земля");
    Pick(page, kRegion, L"North");
    Pick(page, kCity, L"Vorna");
    Pick(page, kStreet, L"Mill Lane");
    Pick(page, kHouse, L" 12");
    HWND house = GetDlgItem(page, kHouse);
    SetFocus(house);  // its text all selected: the key replaces it
    harness::Type(L"9");
    wchar_t text[16] = L"";
    GetWindowTextW(house, text, 16);
    typed = text;
    chosenAfter = GetChosenItem(house) != nullptr;
  });
  EXPECT_EQ(typed, L"9");
  EXPECT_EQ(chosenAfter, 0);
  EXPECT_EQ(g_MapView.GetScale(), 25000) << "no house 9: the map stays";
  EXPECT_EQ(host.fullRedraws, 0);
  // A key that keeps the box reading the choice keeps it.
  Run(0, [&](HWND page) {
    Pick(page, kState, L"Земля");
    Pick(page, kRegion, L"North");
    HWND city = GetDlgItem(page, kCity);
    Pick(page, kCity, L"Vorna");
    SetFocus(city);
    SendMessageW(city, CB_SETEDITSEL, 0, MAKELPARAM(2, 5));
    harness::Type(L"r");  // "Vor"
    chosenAfter = GetChosenItem(city) != nullptr;
  }, kClose);
  EXPECT_EQ(chosenAfter, 1);
}

TEST_F(SearchWindow, AddressPageRulesForMissingColumnsAndDropDowns) {
  WriteTown();
  Run(0, [&](HWND page) {
    // An empty region list dropped down before a state is chosen holds every region.
    SendDlgItemMessageW(page, kRegion, CB_SHOWDROPDOWN, TRUE, 0);
    SendDlgItemMessageW(page, kRegion, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(Texts(GetDlgItem(page, kRegion)).size(), 4u);
    // The house list is never filled by dropping it down.
    SendDlgItemMessageW(page, kHouse, CB_SHOWDROPDOWN, TRUE, 0);
    SendDlgItemMessageW(page, kHouse, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(Texts(GetDlgItem(page, kHouse)).size(), 0u);
    // A city but no street: houses by city, region and state.
    Pick(page, kRegion, L"South");
    Pick(page, kCity, L"Dol");
    FillDependentList(page, kHouse);
    EXPECT_EQ(Texts(GetDlgItem(page, kHouse)), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"  3"}));
  }, kClose);

  // Streets without StateID and RegionID: the house query filters by StreetID and CityID only;
  // houses without RegionID are listed for a city by its CityID and StateID.
  NdbSpec streets;
  streets.columns = {{"StreetID", sample::kNdbShort}, {"CityID", sample::kNdbShort}, {"Name", sample::kNdbText}};
  streets.rows = {{I(1), I(10), T("Mill Lane")}};
  Table("Streets", streets);
  NdbSpec houses;
  houses.columns = {{"StreetID", sample::kNdbShort}, {"CityID", sample::kNdbShort}, {"StateID", sample::kNdbShort},
                    {"Name", sample::kNdbText}};
  houses.rows = {{I(1), I(10), I(1), T("  7")}, {I(1), I(11), I(1), T("  9")}};
  Table("Houses", houses);
  g_SearchTables.CloseAll();
  Run(0, [&](HWND page) {
    FillList("Streets", nullptr, 0, GetDlgItem(page, kStreet), 0, 0, 0);
    Pick(page, kStreet, L"Mill Lane");
    const TSearchItem* street = GetChosenItem(GetDlgItem(page, kStreet));
    ASSERT_NE(street, nullptr);
    EXPECT_EQ(street->StateID, kAnyId);
    EXPECT_EQ(street->RegionID, kAnyId);
    EXPECT_EQ(Texts(GetDlgItem(page, kHouse)), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"  7"}));
    Pick(page, kState, L"Земля");
    Pick(page, kRegion, L"North");
    Pick(page, kCity, L"Vorna");
    FillDependentList(page, kHouse);
    EXPECT_EQ(Texts(GetDlgItem(page, kHouse)), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"  7"}));
    // "Показать" with the first item chosen leaves the map alone.
    SendDlgItemMessageW(page, kCity, CB_SETCURSEL, 0, 0);
    SetFocus(GetDlgItem(page, kCity));
  });
  EXPECT_EQ(host.fullRedraws, 0);
}

TEST_F(SearchWindow, StreetsAndHousesOfTheCataloguesColumnsAreListedBelowAChosenCity) {
  // Streets and Houses with only the columns the catalogue names: no StateID, no RegionID.
  WriteTown();
  NdbSpec streets;
  streets.columns = {{"CityID", sample::kNdbShort}, {"Name", sample::kNdbText}, {"StreetID", sample::kNdbShort}};
  streets.rows = {{I(10), T("Mill Lane"), I(1)}, {I(10), T("Lake Road"), I(2)}, {I(20), T("Main Street"), I(1)}};
  Table("Streets", streets);
  NdbSpec houses;
  houses.columns = {{"CityID", sample::kNdbShort}, {"StreetID", sample::kNdbShort}, {"Name", sample::kNdbText},
                    {"ListID", sample::kNdbShort}, {"OFFS", sample::kNdbShort}};
  houses.rows = {{I(10), I(1), T("  7"), I(1), I(4)}, {I(10), I(1), T(" 12"), I(1), I(5)},
                 {I(10), I(2), T("  1"), I(1), I(6)}, {I(20), I(1), T("  3"), I(1), I(7)}};
  Table("Houses", houses);
  Run(0, [&](HWND page) {
    Pick(page, kState, L"Земля");
    Pick(page, kRegion, L"North");
    Pick(page, kCity, L"Vorna");
    EXPECT_EQ(Texts(GetDlgItem(page, kStreet)),
              (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"Lake Road", L"Mill Lane"}));
    // The city alone: its houses of every street.
    FillDependentList(page, kHouse);
    EXPECT_EQ(Texts(GetDlgItem(page, kHouse)), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"  1", L"  7", L" 12"}));
    Pick(page, kStreet, L"Mill Lane");
    EXPECT_EQ(Texts(GetDlgItem(page, kHouse)), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"  7", L" 12"}));
    // The other city's street of the same StreetID keeps its own house.
    Pick(page, kRegion, L"South");
    Pick(page, kCity, L"Dol");
    Pick(page, kStreet, L"Main Street");
    EXPECT_EQ(Texts(GetDlgItem(page, kHouse)), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"  3"}));
  }, kClose);
}

TEST_F(SearchWindow, ObjectPageNarrowsByTypePlaceAndDistanceAndShowsDetails) {
  WriteTown();
  WriteObjects();
  double sx, sy;
  ASSERT_TRUE(g_MapView.GeoToPlane(55.75 * kDeg, 37.61 * kDeg, &sx, &sy));
  ViewAt(sx, sy + 500.0, 25000);
  std::wstring details, firstDetails;
  Run(1, [&](HWND page) {
    EXPECT_EQ(Texts(GetDlgItem(page, kType)).size(), 4u);
    // No type, no place: every object, duplicates included.
    SendMessageW(page, WM_COMMAND, kFillNames, 0);
    EXPECT_EQ(Texts(GetDlgItem(page, kName)).size(), 5u);
    SendDlgItemMessageW(page, kName, CB_SHOWDROPDOWN, FALSE, 0);
    // 0.6 km from a view centre 500 m from the school.
    SetDlgItemTextW(page, kDistance, L"0.6");
    Pick(page, kType, L"School");
    EXPECT_EQ(Texts(GetDlgItem(page, kName)), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"School No 1"}));
    SetDlgItemTextW(page, kDistance, L"0.45");
    FillDependentList(page, kName);
    EXPECT_EQ(Texts(GetDlgItem(page, kName)).size(), 1u);
    SetDlgItemTextW(page, kDistance, L"");
    Pick(page, kType, L"Shop");
    Pick(page, kState, L"Земля");
    Pick(page, kRegion, L"North");
    Pick(page, kCity, L"Vorna");
    FillDependentList(page, kName);
    EXPECT_EQ(Texts(GetDlgItem(page, kName)).size(), 3u);
    Pick(page, kName, L"Corner Shop");
    wchar_t text[256] = L"";
    GetDlgItemTextW(page, kDetails, text, 256);
    firstDetails = text;
    SendDlgItemMessageW(page, kName, CB_SETCURSEL, 2, 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(kName, CBN_SELENDOK), LPARAM(GetDlgItem(page, kName)));
    GetDlgItemTextW(page, kDetails, text, 256);
    details = text;
  });
  EXPECT_EQ(firstDetails, L"Fresh bread\r\n\r\nLake Road 1");
  EXPECT_EQ(details, firstDetails) << "two rows alike: the first in table order";
  EXPECT_EQ(g_MapView.GetScale(), 5000) << "the chosen name is shown";
}

TEST_F(SearchWindow, DetailsWithoutStateIdAndWithoutInfo) {
  WriteTown();
  WriteObjects({{"StateID", 0}});
  std::wstring details = L"x";
  Run(1, [&](HWND page) {
    SendMessageW(page, WM_COMMAND, kFillNames, 0);
    SendDlgItemMessageW(page, kName, CB_SHOWDROPDOWN, FALSE, 0);
    Pick(page, kName, L"Fuel North");
    wchar_t text[256] = L"";
    GetDlgItemTextW(page, kDetails, text, 256);
    details = text;
  }, kClose);
  EXPECT_EQ(details, L"24 h\r\n300\r\nMain Street 3");

  g_SearchTables.CloseAll();
  WriteObjects({{"Info", 0}});
  Run(1, [&](HWND page) {
    SetDlgItemTextW(page, kDetails, L"old");
    SendMessageW(page, WM_COMMAND, kFillNames, 0);
    SendDlgItemMessageW(page, kName, CB_SHOWDROPDOWN, FALSE, 0);
    Pick(page, kName, L"Fuel North");
    wchar_t text[256] = L"";
    GetDlgItemTextW(page, kDetails, text, 256);
    details = text;
  }, IDOK);
  EXPECT_EQ(details, L"");
}

TEST_F(SearchWindow, AMissingTableIsReportedAtEachOpeningWithItsPathUntilItIsBack) {
  WriteTown();
  const std::filesystem::path cities = harness::HostPath(L"\\Vorna\\DB\\Cities.ndb");
  const std::filesystem::path aside = cities.string() + ".aside";
  std::filesystem::rename(cities, aside);
  Run(0, [&](HWND page) { EXPECT_EQ(Texts(GetDlgItem(page, kState)).size(), 0u); }, IDCANCEL);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Ошибка при открытии \\Vorna\\DB\\Cities.ndb");
  // Still missing: told again, the lists empty.
  Run(1, [&](HWND page) { EXPECT_EQ(Texts(GetDlgItem(page, kState)).size(), 0u); }, IDCANCEL);
  ASSERT_EQ(harness::MessageBoxes().size(), 2u);
  EXPECT_EQ(harness::MessageBoxes()[1].text, L"Ошибка при открытии \\Vorna\\DB\\Cities.ndb");
  // The card put back: the table is read, the lists filled, nothing said.
  std::filesystem::rename(aside, cities);
  Run(0, [&](HWND page) {
    EXPECT_EQ(Texts(GetDlgItem(page, kState)).size(), 3u);
    Pick(page, kState, L"Земля");
    Pick(page, kRegion, L"North");
    EXPECT_EQ(Texts(GetDlgItem(page, kCity)), (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", L"Vorna"}));
  }, IDCANCEL);
  EXPECT_EQ(harness::MessageBoxes().size(), 2u);
  // A project folder with its own table wins over the program's folder.
  g_SearchTables.CloseAll();
  std::strcpy(g_MapView.projectFolder, "\\Proj\\");
  NdbSpec states;
  states.columns = {{"StateID", sample::kNdbShort}, {"Name", sample::kNdbText}};
  states.rows = {{I(5), T("Own")}};
  searchtest::PutFile("\\Proj\\States.ndb", sample::BuildNdb(states));
  EXPECT_EQ(SearchTablePath("States"), "\\Proj\\States.ndb");
  g_Ini.SetString("DBRegions", "\\Elsewhere\\R.ndb");
  EXPECT_EQ(SearchTablePath("Regions"), "\\Elsewhere\\R.ndb");
  EXPECT_EQ(SearchTablePath("Houses"), "\\Vorna\\DB\\Houses.ndb");
}

// Two project folders, each with its own address tables: the window lists the places of the
// project open now and shows them, and comes back to the first one's when it is opened again.
TEST_F(SearchWindow, EachProjectOpenedListsAndShowsThePlacesOfItsOwnTables) {
  WriteTown();  // the program folder's tables, which the projects' own ones stand in front of
  struct Place {
    const char* folder;
    const char* state;
    const char* city;
    double lat, lon;  // degrees, the city's one corner
  };
  const Place places[2] = {{"\\ProjA\\", "Alpha", "Alpha Town", 55.70, 37.50},
                           {"\\ProjB\\", "Beta", "Beta Town", 56.20, 38.10}};
  for (const Place& p : places) {
    const std::string folder = p.folder;
    auto put = [&](const char* table, const NdbSpec& plan) { searchtest::PutFile(folder + table + ".ndb", sample::BuildNdb(plan)); };
    NdbSpec states;
    states.columns = {{"StateID", sample::kNdbShort}, {"Name", sample::kNdbText}};
    states.rows = {{I(1), T(p.state)}};
    put("States", states);
    NdbSpec regions;
    regions.columns = {{"RegionID", sample::kNdbShort}, {"StateID", sample::kNdbShort}, {"Name", sample::kNdbText}};
    regions.rows = {{I(1), I(1), T("Shire")}};
    put("Regions", regions);
    NdbSpec cities;
    cities.columns = {{"CityID", sample::kNdbShort}, {"StateID", sample::kNdbShort}, {"RegionID", sample::kNdbShort},
                      {"Name", sample::kNdbText}, {"X1", sample::kNdbDouble}, {"Y1", sample::kNdbDouble}};
    cities.rows = {{I(10), I(1), I(1), T(p.city), D(p.lat * kDeg), D(p.lon * kDeg)}};
    put("Cities", cities);
    const std::string corners = "6180000.0\t7400000.0\n6190000.0\t7410000.0";
    searchtest::PutFile(folder + "P.mpj", sample::Bytes(corners.begin(), corners.end()));
  }
  auto openProject = [](const char* folder) {
    ASSERT_EQ(g_MapView.OpenProject((std::string(folder) + "P.mpj").c_str(), nullptr, 0), 0);
  };
  auto visit = [&](const Place& p) {
    g_MapView.SetScale(25000);
    std::vector<std::wstring> states, cities;
    Run(0, [&](HWND page) {
      states = Texts(GetDlgItem(page, kState));
      Pick(page, kState, std::wstring(p.state, p.state + std::strlen(p.state)));
      Pick(page, kRegion, L"Shire");
      cities = Texts(GetDlgItem(page, kCity));
      SetFocus(GetDlgItem(page, kCity));
      Pick(page, kCity, std::wstring(p.city, p.city + std::strlen(p.city)));
    });
    EXPECT_EQ(states, (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", std::wstring(p.state, p.state + std::strlen(p.state))}));
    EXPECT_EQ(cities, (std::vector<std::wstring>{L"  (НЕ ВЫБРАНО)", std::wstring(p.city, p.city + std::strlen(p.city))}));
    double cx, cy, px, py;
    g_MapView.GetCenter(&cx, &cy, 0);
    ASSERT_TRUE(g_MapView.GeoToPlane(p.lat * kDeg, p.lon * kDeg, &px, &py));
    EXPECT_NEAR(cx, px, 6.25) << p.folder;
    EXPECT_NEAR(cy, py, 6.25) << p.folder;
  };
  openProject(places[0].folder);
  visit(places[0]);
  openProject(places[1].folder);
  visit(places[1]);
  openProject(places[0].folder);
  visit(places[0]);
  EXPECT_TRUE(harness::MessageBoxes().empty());
}

TEST_F(SearchWindow, TheTabsSwitchPagesByPenAndClosingFreesEveryRecord) {
  WriteTown();
  WriteObjects();
  HWND pages[2] = {};
  bool hiddenAfterSwitch = false;
  harness::OnDialog(kWindow, [&](HWND dialog) {
    pages[0] = g_AddressPage.window;
    EXPECT_EQ(g_ObjectPage.window, nullptr) << "a page is made the first time it is shown";
    // The object tab, tapped with the pen.
    HWND tab = GetDlgItem(dialog, kTab);
    RECT item{};
    SendMessageW(tab, TCM_GETITEMRECT, 1, LPARAM(&item));
    POINT p{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(tab, &p);
    harness::Tap(p.x, p.y);
    harness::PumpUntilIdle();
    pages[1] = g_ObjectPage.window;
    hiddenAfterSwitch = pages[0] && !IsWindowVisible(pages[0]) && pages[1] && IsWindowVisible(pages[1]);
    SendMessageW(pages[1], WM_COMMAND, kFillNames, 0);
    SendDlgItemMessageW(pages[1], kName, CB_SHOWDROPDOWN, FALSE, 0);
    harness::SaveScreen(harness::Root() + "/search_window.png");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(RunSearchWindow(host.main, GetModuleHandleW(nullptr), 0), kClose);
  EXPECT_TRUE(hiddenAfterSwitch);
  ASSERT_NE(pages[1], nullptr);
  // Leak checkers see the records: closing deleted them all.
}

}  // namespace
