#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maps/style_list_fill.h"
#include "maps/style_table.h"
#include "platform/harness.h"
#include "tools/sampledata/mol_writer.h"

namespace {

// A stand-in list view that keeps the rows it is sent.
struct Row {
  std::wstring text;
  LPARAM code;
  int image;
};
std::vector<Row> g_rows;

LRESULT RowsProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case LVM_DELETEALLITEMS: g_rows.clear(); return TRUE;
    case LVM_GETITEMCOUNT: return LRESULT(g_rows.size());
    case LVM_INSERTITEMW: {
      const auto* item = reinterpret_cast<const LVITEMW*>(lp);
      EXPECT_EQ(item->mask, UINT(LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE));
      EXPECT_EQ(item->iItem, int(g_rows.size()));  // appended
      g_rows.push_back({item->pszText, item->lParam, item->iImage});
      return item->iItem;
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

class StyleList : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RowsProc;
    wc.lpszClassName = L"MolRows";
    RegisterClassW(&wc);
    list = CreateWindowExW(0, L"MolRows", L"", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                           nullptr);
    ASSERT_NE(list, nullptr);
    std::vector<sample::MolStyle> styles = {
        {9, sample::PointKind(0x0102), "Well", 0, {}},
        {17, sample::PointKind(3), "", 0, {}},  // unnamed: never listed
        {18, sample::SimpleLineKind(0x40, 1, 1), "Path", 0, {}},
        {25, sample::PointKind(4), "Spring", 0, {}},
    };
    const sample::Bytes section = sample::StyleSection(styles, 0);
    ASSERT_EQ(table.Load(section.data(), section.size()), 0);
  }
  void TearDown() override {
    DestroyWindow(list);
    harness::Stop();
  }
  HWND list = nullptr;
  TStyleTable table;
};

TEST_F(StyleList, FillsOneKindInTableOrder) {
  g_rows.push_back({L"old", 0, 0});
  FillStyleList(table, list, 1);
  ASSERT_EQ(g_rows.size(), 2u);
  EXPECT_EQ(g_rows[0].text, L"Well");
  EXPECT_EQ(g_rows[0].code, 9);
  EXPECT_EQ(g_rows[0].image, 0x0102);  // a point's symbol number is its image
  EXPECT_EQ(g_rows[1].text, L"Spring");

  FillStyleList(table, list, 2);
  ASSERT_EQ(g_rows.size(), 1u);
  EXPECT_EQ(g_rows[0].code, 18);
  EXPECT_EQ(g_rows[0].image, 0);

  AddStyleItem(table, list, 25);
  AddStyleItem(table, list, 17);  // no name
  AddStyleItem(table, list, 99);  // no style
  ASSERT_EQ(g_rows.size(), 2u);
  EXPECT_EQ(g_rows[1].text, L"Spring");
}

}  // namespace
