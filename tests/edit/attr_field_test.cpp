#include "edit/attr_field.h"

#include "maps/mdm_map.h"
#include "tests/edit/edit_fixture.h"

namespace {

using edittest::Point;

class AttrField : public edittest::EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    sample::MdmObject named = sample::MdmPoint(Point(1), 10, 10);
    sample::AttrText(named.attrs, 9, "Well");
    sample::AttrInt32(named.attrs, 21, 12);
    ASSERT_EQ(AddMap("\\Vorna\\Work.mdm", {named, sample::MdmPoint(Point(2), 20, 20)}), 0);
    map = g_MapView.GetVectorMap(0);
    owner = CreateWindowExW(0, L"static", L"", WS_POPUP | WS_VISIBLE, 0, 26, 240, 100, nullptr,
                            nullptr, nullptr, nullptr);
    combo = CreateWindowExW(0, L"combobox", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 4, 4, 200,
                            100, owner, nullptr, nullptr, nullptr);
    ASSERT_NE(combo, nullptr);
  }
  void TearDown() override {
    DestroyWindow(owner);
    EditTest::TearDown();
  }
  std::wstring Text() const {
    wchar_t text[300] = {};
    GetWindowTextW(combo, text, 300);
    return text;
  }
  int32_t StoredInt(uint16_t tag) {
    int32_t v = 0;
    uint16_t size = 0;
    return map->GetAttr(1, tag, 2, &v, &size, sizeof(v)) ? v : -1;
  }
  TMdmMap* map = nullptr;
  HWND owner = nullptr, combo = nullptr;
  TAttrField field;
};

TEST_F(AttrField, LoadsTheValueAndKeepsTheFlagForAMissingAttribute) {
  field.Bind(combo, 9, 5, 0);
  EXPECT_EQ(field.LoadValue(map, 1), 0);
  EXPECT_EQ(Text(), L"Well");
  field.OnNotify(CBN_EDITCHANGE, nullptr);
  EXPECT_EQ(field.modified, 1);
  EXPECT_EQ(field.LoadValue(map, 2), 1);  // object 2 has no name: box empty, flag kept
  EXPECT_EQ(Text(), L"");
}

TEST_F(AttrField, StoresTypedTextAndKeepsAHistoryWithoutPrefixes) {
  field.Bind(combo, 9, 5, 0);
  field.LoadValue(map, 1);
  SetWindowTextW(combo, L"Spring head");
  field.OnNotify(CBN_EDITCHANGE, nullptr);
  EXPECT_EQ(field.StoreValue(), 1);
  EXPECT_EQ(field.modified, 0);
  char name[256] = {};
  ASSERT_TRUE(map->GetStrAttr(1, 9, name));
  EXPECT_STREQ(name, "Spring head");
  SetWindowTextW(combo, L"spring");  // a prefix of the entry, in other case
  field.OnNotify(CBN_SELCHANGE, nullptr);
  field.StoreValue();
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
}

TEST_F(AttrField, ANumberFieldRefusesTextAndKeepsTheValueAndFlag) {
  field.Bind(combo, 21, 2, 0);
  field.LoadValue(map, 1);
  EXPECT_EQ(Text(), L"12");
  SetWindowTextW(combo, L"abc");
  field.OnNotify(CBN_EDITCHANGE, nullptr);
  EXPECT_EQ(field.StoreValue(), 0);
  EXPECT_EQ(field.modified, 1);
  EXPECT_EQ(StoredInt(21), 12);
  // Past the range of a long, or two numbers: refused with a beep, never cut to another number.
  vplat::ClearRecordedBeeps();
  for (const wchar_t* text : {L"99999999999", L"1-2"}) {
    SetWindowTextW(combo, text);
    EXPECT_EQ(field.StoreValue(), 0) << text;
    EXPECT_EQ(StoredInt(21), 12) << text;
  }
  EXPECT_EQ(vplat::RecordedBeeps().size(), 2u);
  SetWindowTextW(combo, L"40");
  EXPECT_EQ(field.StoreValue(), 1);
  EXPECT_EQ(StoredInt(21), 40);
}

TEST_F(AttrField, ObjectZeroAndTheDisabledFieldWriteNothing) {
  field.Bind(combo, 21, 2, 21);
  field.LoadValue(map, 0);
  EXPECT_FALSE(IsWindowEnabled(combo));  // the disabling attribute: shown but disabled
  SetWindowTextW(combo, L"5");
  field.OnNotify(CBN_EDITCHANGE, nullptr);
  EXPECT_EQ(field.StoreValue(), 0);

  field.LoadValue(map, 1);
  field.disabled = 1;
  SetWindowTextW(combo, L"77");
  field.OnNotify(CBN_EDITCHANGE, nullptr);
  EXPECT_EQ(field.StoreValue(), 0);
  EXPECT_EQ(field.LoadValue(map, 2), 0);
  EXPECT_EQ(StoredInt(21), 12);
}

TEST_F(AttrField, EditInFormWithResetStaysOnTheName) {
  field.Bind(combo, 21, 2, 0);
  field.LoadValue(map, 1);
  harness::OnDialog(179, [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); });
  field.EditInForm(owner, GetModuleHandleW(nullptr), 0, 1);
  EXPECT_EQ(field.attribute, 9);
  EXPECT_EQ(field.valueType, 5);
  EXPECT_EQ(Text(), L"Well");
}

}  // namespace
