// Attribute lists: item encoding, the typed setters and getters, text forms, checks and the
// display levels.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "maps/attr_list.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "tools/sampledata/mol_writer.h"

namespace {

std::vector<uint8_t> Bytes(const TMapObject& o) {
  return std::vector<uint8_t>(o.attrs, o.attrs + o.attrLength);
}

// A map with a placeholder and `n` empty lines.
void AddLines(TMdmMap& map, int n) {
  for (int i = 0; i < n; i++) map.AddObject(18, mdm::kKindLine);
}

}  // namespace

TEST(AttrList, TextItemEncoding) {
  TMdmMap map;
  AddLines(map, 1);
  ASSERT_EQ(map.SetStrAttr(1, 9, "Hello"), 1);
  EXPECT_EQ(Bytes(map.objects[1]),
            (std::vector<uint8_t>{0x4D, 0x00, 0x05, 0x48, 0x65, 0x6C, 0x6C, 0x6F}));
  ASSERT_NE(map.objects[1].name, nullptr);
  EXPECT_STREQ(map.objects[1].name, L"Hello");
  char buf[256];
  ASSERT_EQ(map.GetStrAttr(1, 9, buf), 1);
  EXPECT_STREQ(buf, "Hello");
}

TEST(AttrList, SetAttrReplacesOnlyTheItemOfTheSameTagAndType) {
  TMdmMap map;
  AddLines(map, 1);
  map.AddAttr(1, 7, mdm::kAttrText, "abc", 3);
  int32_t v1 = 11, v2 = 22;
  map.AddAttr(1, 7, mdm::kAttrI32, &v1, 4);
  ASSERT_EQ(map.SetAttr(1, 7, mdm::kAttrI32, &v2), 1);
  char text[256];
  EXPECT_EQ(map.GetStrAttr(1, 7, text), 1);  // the text item stays
  EXPECT_STREQ(text, "abc");
  uint8_t raw[4];
  uint16_t n;
  ASSERT_EQ(map.GetAttr(1, 7, mdm::kAttrI32, raw, &n), 1);
  EXPECT_EQ(mdm::GetI32(raw), 22);
  EXPECT_EQ(map.objects[1].attrLength, 6 + 6);  // one text item, one int32 item

  // A type not yet present is appended: the tag now stands under two types.
  float f = 1.5f;
  ASSERT_EQ(map.SetAttr(1, 7, mdm::kAttrFloat, &f), 1);
  EXPECT_EQ(map.objects[1].attrLength, 6 + 6 + 6);
}

TEST(AttrList, LongTextsAreCutTo255Bytes) {
  TMdmMap map;
  AddLines(map, 1);
  std::string longText(300, 'x');
  ASSERT_EQ(map.SetStrAttr(1, 20, longText.c_str()), 1);
  map.SetStrAttr(1, 21, "after");
  EXPECT_EQ(map.objects[1].attrLength, 3 + 255 + 3 + 5);
  char buf[256];
  ASSERT_EQ(map.GetStrAttr(1, 20, buf), 1);
  EXPECT_EQ(std::strlen(buf), 255u);
  ASSERT_EQ(map.GetStrAttr(1, 21, buf), 1);  // the next item is intact
  EXPECT_STREQ(buf, "after");
  // A buffer too small for the value gets nothing rather than an overrun.
  char small[4];
  EXPECT_EQ(map.GetStrAttr(1, 21, small, sizeof(small)), 0);
}

TEST(AttrList, InvalidItemsEndEveryScan) {
  // "ab" under tag 3, a zero header, then tag 4: the item after the zero header is unreachable.
  std::vector<uint8_t> list = {0x1D, 0x00, 0x02, 'a', 'b', 0x00, 0x00, 0x25, 0x00, 0x01, 'c'};
  const uint8_t* v;
  uint16_t n;
  EXPECT_TRUE(AttrListFind(list.data(), uint32_t(list.size()), 3, 5, &v, &n));
  EXPECT_FALSE(AttrListFind(list.data(), uint32_t(list.size()), 4, 5, &v, &n));
  EXPECT_EQ(v, nullptr);

  TAttrItem item;
  EXPECT_FALSE(AttrListReadItem(list.data(), uint32_t(list.size()), 5, &item));
  EXPECT_EQ(item.type, 255);
  EXPECT_EQ(item.next, kAttrNone);

  // An item whose length byte runs past the list's end is invalid too.
  std::vector<uint8_t> over = {0x1D, 0x00, 0x09, 'a', 'b'};
  EXPECT_FALSE(AttrListReadItem(over.data(), uint32_t(over.size()), 0, &item));
  std::vector<uint8_t> cutDouble = {0x24, 0x00, 1, 2, 3};
  EXPECT_FALSE(AttrListReadItem(cutDouble.data(), uint32_t(cutDouble.size()), 0, &item));
  uint16_t len = uint16_t(over.size());
  EXPECT_FALSE(AttrListRemove(over.data(), len, 3));
  EXPECT_EQ(len, over.size());

  TMdmMap map;
  AddLines(map, 1);
  map.objects[1].attrs = static_cast<uint8_t*>(std::malloc(list.size()));
  std::memcpy(map.objects[1].attrs, list.data(), list.size());
  map.objects[1].attrLength = uint16_t(list.size());
  uint32_t next = map.NextAttr(1, 0, &item);
  EXPECT_EQ(item.tag, 3);
  EXPECT_EQ(next, 5u);
  EXPECT_EQ(map.NextAttr(1, next, &item), kAttrNone);
  EXPECT_EQ(item.type, 255);
}

TEST(AttrList, RemoveTakesTheFirstItemOfTheTag) {
  uint8_t* list = nullptr;
  uint16_t len = 0;
  int32_t v = 5;
  ASSERT_TRUE(AttrListAppend(list, len, 2, mdm::kAttrText, "ab", 2));
  ASSERT_TRUE(AttrListAppend(list, len, 3, mdm::kAttrI32, &v, 4));
  ASSERT_TRUE(AttrListAppend(list, len, 2, mdm::kAttrI32, &v, 4));
  EXPECT_FALSE(AttrListAppend(list, len, 0, mdm::kAttrI32, &v, 4));  // tag 0 is no tag
  ASSERT_TRUE(AttrListRemove(list, len, 2));
  EXPECT_EQ(len, 12);
  TAttrItem item;
  ASSERT_TRUE(AttrListReadItem(list, len, 0, &item));
  EXPECT_EQ(item.tag, 3);
  EXPECT_FALSE(AttrListRemove(list, len, 9));
  std::free(list);
}

TEST(AttrList, IndexZeroMeansTheHeaderListOnlyForSetAttr) {
  TMdmMap map;
  AddLines(map, 1);
  ASSERT_EQ(map.SetStrAttr(0, 1, "Lib"), 1);
  EXPECT_EQ(map.HeaderListLength(), 6);
  EXPECT_EQ(map.objects[0].attrLength, 0);
  char buf[256];
  EXPECT_EQ(map.GetStrAttr(0, 1, buf), 0);  // reads the placeholder's own (empty) list
  EXPECT_EQ(map.GetStrAttr(2, 1, buf), 0);  // out of range
  EXPECT_EQ(map.SetStrAttr(2, 1, "x"), 0);
}

TEST(AttrList, CopyAndClear) {
  TMdmMap map;
  AddLines(map, 2);
  map.SetStrAttr(1, 9, "A");
  ASSERT_EQ(map.CopyAttrs(2, 1), 1);
  EXPECT_EQ(Bytes(map.objects[2]), Bytes(map.objects[1]));
  ASSERT_EQ(map.ClearAttrs(1), 1);
  EXPECT_EQ(map.objects[1].attrLength, 0);
  EXPECT_EQ(map.CopyAttrs(2, 1), 0);  // nothing to copy from
  EXPECT_EQ(map.objects[2].attrLength, 4);
}

TEST(AttrFormat, NumbersLoseTrailingZerosButKeepThePoint) {
  TMdmMap map;
  char buf[64];
  uint8_t raw[8];
  auto fmtFloat = [&](float f) {
    mdm::PutF32(raw, f);
    return std::string(map.FormatAttr(mdm::kAttrFloat, raw, buf, sizeof(buf), 4, 0));
  };
  EXPECT_EQ(fmtFloat(0.5f), "0.5");
  EXPECT_EQ(fmtFloat(10.0f), "10.");
  EXPECT_EQ(fmtFloat(0.0f), "0.");
  EXPECT_EQ(fmtFloat(2.5f), "2.5");
  mdm::PutF64(raw, 1.125);
  EXPECT_STREQ(map.FormatAttr(mdm::kAttrDouble, raw, buf, sizeof(buf), 8, 0), "1.125");
  mdm::PutU16(raw, 0xFFFF);
  EXPECT_STREQ(map.FormatAttr(mdm::kAttrI16, raw, buf, sizeof(buf), 2, 0), "-1");
  raw[0] = 200;
  EXPECT_STREQ(map.FormatAttr(mdm::kAttrU8, raw, buf, sizeof(buf), 1, 0), "200");
  // A text longer than the buffer is cut to it.
  const char text[] = "abcdefgh";
  EXPECT_STREQ(map.FormatAttr(mdm::kAttrText, text, buf, 4, 8, 0), "abc");
  EXPECT_EQ(map.FormatAttr(9, raw, buf, sizeof(buf), 1, 0), nullptr);
}

TEST(AttrCheck, TextsAcceptedForEachType) {
  EXPECT_TRUE(ValidateAttrText(mdm::kAttrFloat, "3.5"));
  EXPECT_TRUE(ValidateAttrText(mdm::kAttrFloat, "-1.2"));
  EXPECT_FALSE(ValidateAttrText(mdm::kAttrFloat, "3,0005"));
  EXPECT_TRUE(ValidateAttrText(mdm::kAttrDouble, "1\xC5" "5"));
  EXPECT_FALSE(ValidateAttrText(mdm::kAttrDouble, "1e5"));
  EXPECT_TRUE(ValidateAttrText(mdm::kAttrU8, "255"));
  EXPECT_FALSE(ValidateAttrText(mdm::kAttrU8, "256"));
  EXPECT_FALSE(ValidateAttrText(mdm::kAttrU8, "-1"));
  EXPECT_TRUE(ValidateAttrText(mdm::kAttrI32, ""));
  EXPECT_FALSE(ValidateAttrText(mdm::kAttrI16, "12a"));
  EXPECT_TRUE(ValidateAttrText(mdm::kAttrText, std::string(254, 'a').c_str()));
  EXPECT_FALSE(ValidateAttrText(mdm::kAttrText, std::string(255, 'a').c_str()));
  EXPECT_FALSE(ValidateAttrText(8, "1"));
}

TEST(AttrParse, NumbersAndTexts) {
  TMdmMap map;
  uint8_t v[16];
  uint16_t n = sizeof(v);
  // The Cyrillic Ie is the exponent letter: 1, Ie, 5 is 100000, not 1.
  ASSERT_EQ(map.ParseAttr("1\xC5" "5", mdm::kAttrFloat, v, &n, 0), 1);
  EXPECT_EQ(n, 4);
  EXPECT_FLOAT_EQ(mdm::GetF32(v), 100000.0f);
  n = sizeof(v);
  ASSERT_EQ(map.ParseAttr("2\xE5-1", mdm::kAttrDouble, v, &n, 0), 1);
  EXPECT_DOUBLE_EQ(mdm::GetF64(v), 0.2);
  n = sizeof(v);
  ASSERT_EQ(map.ParseAttr("-3", mdm::kAttrI16, v, &n, 0), 1);
  EXPECT_EQ(int16_t(mdm::GetU16(v)), -3);
  n = 4;
  ASSERT_EQ(map.ParseAttr("abcdef", mdm::kAttrText, v, &n, 0), 1);
  EXPECT_EQ(n, 3);
  EXPECT_STREQ(reinterpret_cast<char*>(v), "abc");
  n = 4;
  EXPECT_EQ(map.ParseAttr("1.0", mdm::kAttrDouble, v, &n, 0), 0);  // no room for 8 bytes
  n = sizeof(v);
  EXPECT_EQ(map.ParseAttr("x", 8, v, &n, 0), 0);
}

// What the attribute editors let through: one number of the type, in its range, or nothing.
TEST(AttrParse, ANumberIsWholeInItsRangeOrRefused) {
  struct Case {
    uint8_t type;
    const char* text;
    int fit;
    double value;
  } cases[] = {
      {mdm::kAttrI16, "40000", kAttrNumberBad, 0},       // was stored as -25536
      {mdm::kAttrI16, "-40000", kAttrNumberBad, 0},      // was 25536
      {mdm::kAttrI16, "32767", kAttrNumberWhole, 32767},
      {mdm::kAttrI16, "-32768", kAttrNumberWhole, -32768},
      {mdm::kAttrI32, "99999999999", kAttrNumberBad, 0},  // was 1215752191
      {mdm::kAttrI32, "2147483648", kAttrNumberBad, 0},
      {mdm::kAttrI32, "-2147483648", kAttrNumberWhole, -2147483648.0},
      {mdm::kAttrI32, "1-2", kAttrNumberBad, 0},         // was 1
      {mdm::kAttrI32, "+7", kAttrNumberWhole, 7},
      {mdm::kAttrI32, "-", kAttrNumberPartial, 0},
      {mdm::kAttrI32, "", kAttrNumberPartial, 0},
      {mdm::kAttrU8, "0255", kAttrNumberWhole, 255},
      {mdm::kAttrU8, "-0", kAttrNumberWhole, 0},
      {mdm::kAttrDouble, "1.2.3", kAttrNumberBad, 0},    // was 1.2
      {mdm::kAttrDouble, "1.", kAttrNumberWhole, 1},
      {mdm::kAttrDouble, "-.5", kAttrNumberWhole, -0.5},
      {mdm::kAttrDouble, ".", kAttrNumberPartial, 0},
      {mdm::kAttrDouble, "1\xE5", kAttrNumberPartial, 0},
      {mdm::kAttrDouble, "1\xE5-", kAttrNumberPartial, 0},
      {mdm::kAttrDouble, "\xE5" "5", kAttrNumberBad, 0},
      {mdm::kAttrDouble, "1\xE5" "400", kAttrNumberBad, 0},
      {mdm::kAttrDouble, "1e5", kAttrNumberBad, 0},
      {mdm::kAttrDouble, "inf", kAttrNumberBad, 0},
      {mdm::kAttrFloat, "1\xC5" "39", kAttrNumberBad, 0},
      {mdm::kAttrFloat, "1\xC5-50", kAttrNumberBad, 0},
      {mdm::kAttrFloat, "0.000", kAttrNumberWhole, 0},
      {mdm::kAttrFloat, "2.5\xC5+2", kAttrNumberWhole, 250},
  };
  TMdmMap map;
  for (const Case& c : cases) {
    double value = 0;
    EXPECT_EQ(ScanAttrNumber(c.type, c.text, &value), c.fit) << int(c.type) << " " << c.text;
    if (c.fit == kAttrNumberWhole) {
      EXPECT_DOUBLE_EQ(value, c.value) << c.text;
    }
    // The editor lets a partial number stand; the parser takes only whole ones.
    EXPECT_EQ(ValidateAttrText(c.type, c.text), c.fit != kAttrNumberBad ? 1 : 0) << c.text;
    uint8_t v[16] = {};
    uint16_t n = sizeof(v);
    EXPECT_EQ(map.ParseAttr(c.text, c.type, v, &n, 0), c.fit == kAttrNumberWhole ? 1 : 0) << c.text;
  }
  uint8_t v[16] = {};
  uint16_t n = sizeof(v);
  ASSERT_EQ(map.ParseAttr("-32768", mdm::kAttrI16, v, &n, 0), 1);
  EXPECT_EQ(int16_t(mdm::GetU16(v)), -32768);
  n = sizeof(v);
  ASSERT_EQ(map.ParseAttr("-2147483648", mdm::kAttrI32, v, &n, 0), 1);
  EXPECT_EQ(mdm::GetI32(v), INT32_MIN);
}

TEST(AttrValueTables, IndexesAndTheirTexts) {
  TObjectLibrary lib;
  sample::Bytes section =
      sample::ValueTableSection({{5, {{2, "Oak"}, {3, "Pine"}, {5, ""}}}}, 2);
  ASSERT_EQ(lib.valueTables.Load(section.data(), section.size(), 2), 0);
  TMdmMap map;
  map.library = &lib;
  char buf[64];
  uint8_t raw[16];

  mdm::PutU16(raw, 3);
  EXPECT_STREQ(map.FormatAttr(mdm::kAttrIndex, raw, buf, sizeof(buf), 2, 5), "Pine");
  mdm::PutU16(raw, 4);
  EXPECT_EQ(map.FormatAttr(mdm::kAttrIndex, raw, buf, sizeof(buf), 2, 5), nullptr);
  EXPECT_EQ(map.FormatAttr(mdm::kAttrIndex, raw, buf, sizeof(buf), 2, 6), nullptr);

  // Index 5 has no text and is left out of the joined form.
  EXPECT_STREQ(map.FormatAttr(mdm::kAttrIndexList, "2,5,3", buf, sizeof(buf), 5, 5), "Oak,Pine");
  EXPECT_STREQ(map.FormatAttr(mdm::kAttrIndexList, "2,3", buf, 5, 3, 5), "Oak,");
  EXPECT_STREQ(map.FormatAttr(mdm::kAttrIndexList, "2", buf, sizeof(buf), 1, 6), "");

  uint16_t n = sizeof(raw);
  ASSERT_EQ(map.ParseAttr("Oak", mdm::kAttrIndex, raw, &n, 5), 1);
  EXPECT_EQ(mdm::GetU16(raw), 2);
  n = sizeof(raw);
  EXPECT_EQ(map.ParseAttr("Birch", mdm::kAttrIndex, raw, &n, 5), 0);  // not a value of the table
  n = sizeof(raw);
  ASSERT_EQ(map.ParseAttr("Pine,Birch,Oak", mdm::kAttrIndexList, raw, &n, 5), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(raw), n), "3,2");
}

TEST(AttrLevels, SizesRankedAgainstTheRange) {
  TMdmMap map;
  auto add = [&](uint16_t code, uint8_t kind, int32_t w, int32_t h) {
    int32_t i = map.AddObject(code, kind);
    map.objects[i].box[2] = w;
    map.objects[i].box[3] = h;
    return i;
  };
  int32_t big = add(18, mdm::kKindLine, 6000, 4000);  // extent 10000
  int32_t small = add(18, mdm::kKindLine, 60, 40);    // extent 100
  int32_t mid = add(27, mdm::kKindArea, 4950, 0);
  int32_t point = add(9, mdm::kKindPoint, 500, 500);
  map.ComputeObjectLevels();
  EXPECT_EQ(map.objects[big].level, 255);  // saturates rather than wrapping to 1
  EXPECT_EQ(map.objects[small].level, 2);
  EXPECT_EQ(map.objects[mid].level, 127);
  EXPECT_EQ(map.objects[point].level, 255);
  EXPECT_FLOAT_EQ(map.largestExtent, 10000.0f);

  TMdmMap same;
  for (int i = 0; i < 3; i++) {
    int32_t k = same.AddObject(18, mdm::kKindLine);
    same.objects[k].box[2] = 100;
  }
  same.ComputeObjectLevels();  // every sized object alike: no range to rank in
  EXPECT_EQ(same.objects[1].level, 255);
  EXPECT_EQ(same.objects[3].level, 255);
}
