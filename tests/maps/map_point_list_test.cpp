// The lists of named point objects: which objects a map lists, the position text, the row's
// code and index, and the working map's list through the recorder.
#include <string>

#include "base/ui/owner_draw_list.h"
#include "maps/user_layer.h"
#include "mdm_test_util.h"

using namespace mdmtest;

namespace {

constexpr int kListId = 1401;
const DLGITEMTEMPLATEW kItems[] = {
    {L"SysListView32", kListId, nullptr, LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SINGLESEL, 0, 0,
     20, 240, 200},
};
const DLGTEMPLATEW kDialog = {DLGTEMPLATE_MAGIC, 8821, WS_POPUP, 0, L"Points", nullptr, 0,
                              0, 0, 240, 320, kItems, 1};
const TColumnDesc kTwo[2] = {{L"Имя", 120}, {L"Координаты", 120}};
const TColumnDesc kThree[3] = {{L"a", 80}, {L"b", 80}, {L"c", 80}};

INT_PTR CALLBACK Proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class PointListTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    window = std::make_unique<NoticeWindow>();
    dialog = CreateDialogIndirectParamW(nullptr, &kDialog, nullptr, Proc, 0);
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(list.Create(nullptr, dialog, kTwo, 2, kListId, nullptr), nullptr);
  }
  void TearDown() override {
    DestroyWindow(dialog);
    window.reset();
    DeviceTest::TearDown();
  }
  int Items() { return int(SendMessageW(list.list, LVM_GETITEMCOUNT, 0, 0)); }
  const TOwnerDrawRow& Row(int i) { return *list.Row(i); }

  std::unique_ptr<NoticeWindow> window;
  HWND dialog = nullptr;
  TOwnerDrawList list;
};

// Recorder host with one map.
class OneMapView : public IWorkingMapHost {
 public:
  TMdmMap* GetVectorMap(int number) override { return number == 0 ? &map : nullptr; }
  void LoadVectorMapObjects(int) override {}
  void PrepareMap(TMdmMap*, const RECT&) override {}
  void DrawWorkingMap(TMdmMap*, HDC) override {}
  TMdmMap map;
};

}  // namespace

TEST_F(PointListTest, NamedPointsWithTheirPlanePositions) {
  TMdmMap map;
  MakeMemoryMap(map, 1, 6180000.0, 7400000.0, 6190000.0, 7410000.0);  // centimetres
  const int32_t well = map.AddPointObject(9, 12345, 67890, 0);
  const int32_t unnamed = map.AddPointObject(9, 100, 100, 0);
  const int32_t line = map.AddObject(18, mdm::kKindLine);
  const int32_t gone = map.AddPointObject(17, 200, 200, 0);
  const int32_t spring = map.AddPointObject(17, 60, 999999, 0);
  const int32_t empty = map.AddPointObject(17, 300, 300, 0);
  ASSERT_TRUE(well > 0 && unnamed > 0 && line > 0 && gone > 0 && spring > 0 && empty > 0);
  ASSERT_EQ(map.SetObjectName(uint16_t(well), "\xCA\xEE\xEB\xEE\xE4\xE5\xF6"), 1);  // 1251
  ASSERT_EQ(map.SetObjectName(uint16_t(line), "Fence"), 1);
  ASSERT_EQ(map.SetObjectName(uint16_t(gone), "Gone"), 1);
  ASSERT_EQ(map.SetObjectName(uint16_t(spring), "Spring"), 1);
  ASSERT_EQ(map.SetObjectName(uint16_t(empty), ""), 1);
  ASSERT_EQ(map.DeleteObject(uint16_t(gone)), 1);

  // Rows from before are dropped.
  const wchar_t* old[2] = {L"old", L"row"};
  ASSERT_EQ(list.AddRow(old, 2, 1, 1), 1);

  list.SetRows(map.ListPointObjects());
  ASSERT_EQ(list.RowCount(), 2);
  EXPECT_EQ(Items(), 2);
  // 6180000 + 123.45 m and 7400000 + 678.90 m, rounded to whole metres.
  EXPECT_EQ(Row(0).texts, (std::vector<std::wstring>{L"Колодец", L"x:6180123 y:7400679"}));
  EXPECT_EQ(Row(0).code, 9);
  EXPECT_EQ(Row(0).data, uint32_t(well));
  EXPECT_EQ(Row(1).texts, (std::vector<std::wstring>{L"Spring", L"x:6180001 y:7410000"}));
  EXPECT_EQ(Row(1).code, 17);
  EXPECT_EQ(Row(1).data, uint32_t(spring));

  // A list of another shape takes no rows.
  ASSERT_NE(list.Create(nullptr, dialog, kThree, 3, kListId, nullptr), nullptr);
  list.SetRows(map.ListPointObjects());
  EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(PointListTest, WorkingMapPoints) {
  OneMapView view;
  TUserLayer layer;
  const wchar_t* old[2] = {L"old", L"row"};
  ASSERT_EQ(list.AddRow(old, 2, 1, 1), 1);
  // Closed: nothing to list, and the last map's rows do not stay.
  list.SetRows(layer.ListPointCoordinates());
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(Items(), 0);

  std::snprintf(view.map.path, sizeof(view.map.path), "%s", "\\wm.mdm");
  ASSERT_EQ(layer.Attach(&view, 0), 1);
  ASSERT_EQ(layer.CreateMap(10000, -2, 6200000.0, 6600000.0, 6), 1);
  const int32_t a = layer.AddObject(9, 6200010.25, 6600020.75, "A1");
  ASSERT_GT(layer.AddObject(9, 6200030.0, 6600040.0, nullptr), 0);  // no text, no name
  const int32_t b = layer.AddObject(17, 6199990.75, 6599980.49, "B2");
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  list.SetRows(layer.ListPointCoordinates());
  ASSERT_EQ(list.RowCount(), 2);
  EXPECT_EQ(Row(0).texts, (std::vector<std::wstring>{L"A1", L"x:6200010 y:6600021"}));
  EXPECT_EQ(Row(0).data, uint32_t(a));
  EXPECT_EQ(Row(1).texts, (std::vector<std::wstring>{L"B2", L"x:6199991 y:6599980"}));
  EXPECT_EQ(Row(1).code, 17);
  EXPECT_EQ(Row(1).data, uint32_t(b));
}
