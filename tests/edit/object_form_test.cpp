#include "edit/object_form.h"

#include <cstring>

#include "maps/attr_list.h"
#include "maps/mdm_map.h"
#include "tests/edit/edit_fixture.h"

namespace {

using edittest::Area;
using edittest::Line;
using edittest::Point;
using sample::MdmObject;

class ObjectForm : public edittest::EditTest {
 protected:
  TMdmMap* Map(int i) { return g_MapView.GetVectorMap(i); }
  // The stored item of `tag` on object 1 of map 0.
  bool Stored(uint16_t tag, TAttrItem* out) {
    uint32_t pos = 0;
    for (;;) {
      TAttrItem item;
      const uint32_t next = Map(0)->NextAttr(1, pos, &item);
      if (item.type == 255 || !item.value) return false;
      if (item.tag == tag) {
        *out = item;
        return true;
      }
      if (next == kAttrNone) return false;
      pos = next;
    }
  }
};

MdmObject AreaWith(sample::Bytes attrs) {
  MdmObject o = sample::MdmShape(Area(1), {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}});
  o.attrs = std::move(attrs);
  return o;
}

void AttrShort(sample::Bytes& list, uint16_t tag, int16_t value) {
  // Item header: tag << 3 | type, little-endian.
  const uint16_t head = uint16_t(tag << 3 | 1);
  list.push_back(uint8_t(head)), list.push_back(uint8_t(head >> 8));
  list.push_back(uint8_t(value)), list.push_back(uint8_t(value >> 8));
}

TEST_F(ObjectForm, RowsMatchDefinitionsByTypePairAndShowTheRestApart) {
  sample::Bytes attrs;
  sample::AttrText(attrs, 30, "asphalt");  // definition 7 takes a text and keeps its type
  sample::AttrFloat(attrs, 31, 2.5f);      // definition 4 takes a single
  sample::AttrDouble(attrs, 32, 3.25);     // definition 3 takes a double
  sample::AttrInt32(attrs, 33, 7);         // definition 1 takes a long
  AttrShort(attrs, 34, 9);                 // definition 2 takes a short
  sample::AttrText(attrs, 35, "first");
  sample::AttrText(attrs, 35, "second");   // a second of the number: a row of its own
  sample::AttrText(attrs, 99, "extra");    // no definition
  ASSERT_EQ(AddMap("\\Vorna\\Work.mdm", {AreaWith(attrs)}), 0);
  const std::vector<TAttrRow> rows = BuildAttrRows(*Map(0), 1);
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows[0].type, 7);
  EXPECT_TRUE(rows[0].hasValue);
  EXPECT_EQ(rows[1].type, 3);
  EXPECT_EQ(rows[2].type, 4);
  EXPECT_EQ(rows[3].type, 2);
  EXPECT_EQ(rows[4].type, 1);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(rows[size_t(i)].hasValue) << i;
  EXPECT_EQ(FormatAttrRow(*Map(0), rows[5]), "first");
  EXPECT_FALSE(rows[6].hasValue);  // definition 36 without a value
  EXPECT_EQ(rows[7].number, 35);
  EXPECT_EQ(rows[7].tableRef, 0xFFFF);
  EXPECT_EQ(FormatAttrRow(*Map(0), rows[7]), "second");
  EXPECT_EQ(rows[8].number, 99);
  EXPECT_TRUE(rows[8].caption.empty());
}

TEST_F(ObjectForm, StoreKeepsUneditedBytesAndParsesEditedCells) {
  sample::Bytes attrs;
  const std::string longText(255, 'x');
  sample::AttrText(attrs, 35, longText);
  sample::AttrFloat(attrs, 32, 0.12345f);
  AttrShort(attrs, 33, 5);
  sample::AttrText(attrs, 99, "gone");
  ASSERT_EQ(AddMap("\\Vorna\\Work.mdm", {AreaWith(attrs)}), 0);
  std::vector<TAttrRow> rows = BuildAttrRows(*Map(0), 1);
  std::vector<TAttrCell> cells(rows.size());
  // Rows: 30 31 32 33 34 35 36 99. Edit 33, clear 99, refuse a text for 34.
  cells[3] = {true, "42"};
  cells[4] = {true, "abc"};
  cells[7] = {true, ""};
  ASSERT_EQ(StoreAttrRows(*Map(0), 1, rows, cells), 1);
  TAttrItem item;
  ASSERT_TRUE(Stored(35, &item));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(item.value), strnlen(reinterpret_cast<const char*>(item.value), item.size)), longText);
  ASSERT_TRUE(Stored(32, &item));
  float single = 0;
  ASSERT_EQ(item.size, 4);
  std::memcpy(&single, item.value, 4);
  const float expected = 0.12345f;
  EXPECT_EQ(std::memcmp(&single, &expected, 4), 0);
  ASSERT_TRUE(Stored(33, &item));
  int16_t shortValue = 0;
  std::memcpy(&shortValue, item.value, 2);
  EXPECT_EQ(shortValue, 42);
  EXPECT_FALSE(Stored(34, &item));
  EXPECT_FALSE(Stored(99, &item));
}

TEST_F(ObjectForm, LengthAndAreaTexts) {
  ASSERT_EQ(AddMap("\\Vorna\\Work.mdm",
                   {sample::MdmShape(Line(1), {{0, 0}, {1500, 0}}),
                    sample::MdmShape(Line(1), {{0, 0}, {4000, 0}}),
                    AreaWith({}),
                    sample::MdmShape(Area(1), {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}}),
                    sample::MdmPoint(Point(1), 5, 5),
                    sample::MdmShape(Line(1), {{2147480000, 0}, {2147483000, 0}})}),
            0);
  LoadLanguage();
  std::wstring length, area;
  LengthAndArea(*Map(0), 1, &length, &area);
  EXPECT_EQ(length, L"1.5 км");
  EXPECT_EQ(area, L"");
  // Whole numbers without a dangling point.
  LengthAndArea(*Map(0), 2, &length, &area);
  EXPECT_EQ(length, L"4 км");
  LengthAndArea(*Map(0), 3, &length, &area);
  EXPECT_EQ(length, L"4 км");
  EXPECT_EQ(area, L"1 км2");
  LengthAndArea(*Map(0), 4, &length, &area);  // not closed in its file: closed for both
  EXPECT_EQ(length, L"4 км");
  EXPECT_EQ(area, L"1 км2");
  LengthAndArea(*Map(0), 5, &length, &area);
  EXPECT_EQ(length, L"");
  LengthAndArea(*Map(0), 6, &length, &area);
  EXPECT_EQ(length, L"3 км");
  // Decimetre units: 999.99952 m rounds to a kilometre in thousandths; 120.5 m keeps its half.
  ASSERT_EQ(AddMap("\\Vorna\\Deci.mdm",
                   {sample::MdmShape(Line(1), {{0, 0}, {6748, 7380}}),
                    sample::MdmShape(Line(1), {{0, 0}, {1205, 0}})},
                   2),
            1);
  LengthAndArea(*Map(1), 1, &length, &area);
  EXPECT_EQ(length, L"1 км");
  LengthAndArea(*Map(1), 2, &length, &area);
  EXPECT_EQ(length, L"120.5 м");
}

// The form in its dialog: layout by the view settings, and the row remembered after Cancel.
class FormDialog : public ObjectForm {
 protected:
  void Open(int button, std::function<void(HWND)> act = {}) {
    harness::OnDialog(TObjectForm::kTemplate, [=](HWND d) {
      if (act) act(d);
      PostMessageW(d, WM_COMMAND, button, 0);
    });
    TObjectRef ref;
    ref.map = 0;
    ref.object = 1;
    result = ShowObjectForm(nullptr, GetModuleHandleW(nullptr), ref, attributeOut, typeOut);
  }
  // Map 0 as the working map: its form edits.
  void MakeWorking() {
    TMdmMap* map = Map(0);
    map->working = 1;
    map->loadAll = 0;  // set by AddMap; with it the map counts as a route's road map
  }
  int result = 0;
  int32_t* attributeOut = nullptr;
  uint8_t* typeOut = nullptr;
};

TEST_F(FormDialog, ColumnLayoutsFollowTheViewSettings) {
  sample::Bytes attrs;
  sample::AttrText(attrs, 35, "Lake");
  ASSERT_EQ(AddMap("\\Vorna\\Work.mdm", {AreaWith(attrs)}), 0);
  struct Case {
    int number, shortName, full, columns, rows;
  } cases[] = {{0, 0, 0, 1, 7}, {1, 0, 0, 2, 7}, {0, 1, 0, 2, 7}, {1, 1, 0, 3, 7}, {1, 1, 1, 3, 14}};
  for (const Case& c : cases) {
    g_Ini.SetInt("BlankViewNum", c.number);
    g_Ini.SetInt("BlankViewShort", c.shortName);
    g_Ini.SetInt("BlankViewFull", c.full);
    int columns = -1, rows = -1;
    std::string value, caption, fullCaption;
    Open(IDCANCEL, [&](HWND) {
      TGrid& g = g_ObjectForm.grid;
      columns = g.GetColumnCount();
      rows = g.GetRowCount();
      const int r = g_ObjectForm.GridRowOf(5);
      const char* v = g.GetCellText(r, columns - 1);
      value = v ? v : "";
      if (c.shortName) {
        const char* s = g.GetCellText(r, c.number ? 1 : 0);
        caption = s ? s : "";
      }
      if (c.full) {
        const char* s = g.GetCellText(r - 1, 0);
        fullCaption = s ? s : "";
      }
    });
    EXPECT_EQ(columns, c.columns);
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(value, "Lake");
    if (c.shortName) {
      EXPECT_EQ(caption, "N");
    }
    if (c.full) {
      EXPECT_EQ(fullCaption, "Name");
    }
  }
}

TEST_F(FormDialog, CancelRemembersTheCurrentRowPerTypeCode) {
  ASSERT_EQ(AddMap("\\Vorna\\Work.mdm", {AreaWith({})}), 0);
  g_Ini.SetString("LastXNumList", "17:3;");
  Open(IDCANCEL, [](HWND) { g_ObjectForm.grid.SelectCell(g_ObjectForm.GridRowOf(2), 0); });
  std::string list;
  g_Ini.GetString("LastXNumList", list);
  EXPECT_EQ(list, "17:3;" + std::to_string(Area(1)) + ":32;");
  // The next opening preselects it.
  int selected = -1;
  Open(IDCANCEL, [&](HWND) { selected = g_ObjectForm.grid.GetSelectedRow(); });
  EXPECT_EQ(selected, g_ObjectForm.GridRowOf(2));
}

TEST_F(FormDialog, CallerPointersGetTheCurrentRow) {
  ASSERT_EQ(AddMap("\\Vorna\\Work.mdm", {AreaWith({})}), 0);
  int32_t attribute = 34;
  uint8_t type = 0;
  attributeOut = &attribute;
  typeOut = &type;
  Open(IDOK, [](HWND) { g_ObjectForm.grid.SelectCell(g_ObjectForm.GridRowOf(5), 0); });
  EXPECT_EQ(attribute, 35);
  EXPECT_EQ(type, 5);
  EXPECT_FALSE(g_Ini.HasKey("LastXNumList"));
}

// The grid cell (row, column) of the open form tapped with the pen.
void TapCell(int row, int column) {
  TGrid& g = g_ObjectForm.grid;
  RECT rc{};
  ASSERT_TRUE(g.CellRect(row, column, &rc));
  POINT p{rc.left + 10, (rc.top + rc.bottom) / 2};  // the value column runs past the grid's edge
  ClientToScreen(g.window, &p);
  harness::Tap(p.x, p.y);
}

// Typed numbers as a user types them: a key that leaves no number of the attribute's type is
// refused with a beep, and OK with a number not finished stays on its cell; what is stored is the
// number the cell shows.
TEST_F(FormDialog, TypedNumbersStayInTheirTypeAndRange) {
  sample::Bytes attrs;
  AttrShort(attrs, 33, 5);
  ASSERT_EQ(AddMap("\\Vorna\\Work.mdm", {AreaWith(attrs)}), 0);
  MakeWorking();
  vplat::ClearRecordedBeeps();
  // Rows: 30 31 (double) 32 33 (short) 34 (long) 35 36; one column of values.
  bool stayed = false, onCell = false;
  Open(IDOK, [&](HWND d) {
    TapCell(3, 0);
    harness::Type(L"40000");  // the fifth key would leave the range of a short
    TapCell(1, 0);
    harness::Type(L"1.2.3");  // the second point is no number
    TapCell(4, 0);
    harness::Type(L"-");
    SendMessageW(d, WM_COMMAND, IDOK, 0);  // "-" is no value yet: refused
    stayed = IsWindow(d) && g_ObjectForm.window == d;
    onCell = GetFocus() == g_ObjectForm.grid.EditBox() && g_ObjectForm.grid.GetSelectedRow() == 4;
    harness::Type(L"-5");  // the cell's text comes back selected whole
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(stayed);
  EXPECT_TRUE(onCell);
  EXPECT_EQ(vplat::RecordedBeeps().size(), 3u);
  TAttrItem item;
  ASSERT_TRUE(Stored(33, &item));
  ASSERT_EQ(item.size, 2);
  EXPECT_EQ(int16_t(item.value[0] | item.value[1] << 8), 4000);
  ASSERT_TRUE(Stored(31, &item));
  double real = 0;
  ASSERT_EQ(item.size, 8);
  std::memcpy(&real, item.value, 8);
  EXPECT_DOUBLE_EQ(real, 1.23);
  ASSERT_TRUE(Stored(34, &item));
  int32_t whole = 0;
  std::memcpy(&whole, item.value, 4);
  EXPECT_EQ(whole, -5);
}

// The name emptied in the form and OK: the object's name goes with the attribute, so the map's
// label and the named-points list no longer show the old one. A name typed in its place shows.
TEST_F(FormDialog, ANameClearedInTheFormLeavesTheObjectWithoutAName) {
  sample::Bytes attrs;
  sample::AttrText(attrs, 35, "Lake");
  sample::AttrText(attrs, 9, "River");
  ASSERT_EQ(AddMap("\\Vorna\\Work.mdm", {AreaWith(attrs)}), 0);
  MakeWorking();
  ASSERT_NE(Map(0)->objects[1].name, nullptr);
  ASSERT_EQ(std::wstring(Map(0)->objects[1].name), L"River");
  // Rows: 30 to 36, then the name (tag 9) among the rest.
  Open(IDOK, [&](HWND) {
    TapCell(g_ObjectForm.GridRowOf(7), 0);
    SetWindowTextW(g_ObjectForm.grid.EditBox(), L"");
  });
  ASSERT_EQ(result, IDOK);
  TAttrItem item;
  EXPECT_FALSE(Stored(9, &item));
  EXPECT_TRUE(Stored(35, &item));
  const wchar_t* name = Map(0)->objects[1].name;
  EXPECT_TRUE(name == nullptr || name[0] == 0) << "still named " << (name ? "River" : "");
  // A list copied from a named object gives its name with it; from an unnamed one, none.
  const int32_t copy = Map(0)->AddObject(Area(1), 3);
  ASSERT_GT(copy, 0);
  Map(0)->SetStrAttr(uint16_t(copy), 9, "Pond");
  ASSERT_EQ(Map(0)->CopyAttrs(uint16_t(copy), 1), 1);
  name = Map(0)->objects[copy].name;
  EXPECT_TRUE(name == nullptr || name[0] == 0);
}

// With short names shown: a value typed, then a tap on the caption of another row (a cell that
// cannot be edited) and a key. The key goes nowhere; the other row keeps its value.
TEST_F(FormDialog, ATapOnACaptionCellTakesNoTextIntoItsRow) {
  sample::Bytes attrs;
  sample::AttrText(attrs, 35, "Lake");
  sample::AttrText(attrs, 99, "keep");
  ASSERT_EQ(AddMap("\\Vorna\\Work.mdm", {AreaWith(attrs)}), 0);
  MakeWorking();
  g_Ini.SetInt("BlankViewShort", 1);
  Open(IDOK, [&](HWND) {
    TapCell(5, 1);  // the value of 35
    harness::Type(L"River");
    TapCell(7, 0);  // the caption of 99
    harness::Type(L"!");
  });
  TAttrItem item;
  ASSERT_TRUE(Stored(35, &item));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(item.value), item.size), "River");
  ASSERT_TRUE(Stored(99, &item));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(item.value), item.size), "keep");
}

TEST_F(FormDialog, ForeignMapIsReadOnlyAndOkStoresNothing) {
  sample::Bytes attrs;
  sample::AttrText(attrs, 35, "Lake");
  ASSERT_EQ(AddMap("\\Vorna\\Other.mdm", {AreaWith(attrs)}), 0);
  int readOnly = 0;
  Open(IDOK, [&](HWND) {
    readOnly = g_ObjectForm.grid.readOnly;
    g_ObjectForm.EditCheck(g_ObjectForm.GridRowOf(5), 0, "River");
  });
  EXPECT_EQ(readOnly, 1);
  TAttrItem item;
  ASSERT_TRUE(Stored(35, &item));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(item.value), 4), "Lake");
}

}  // namespace
