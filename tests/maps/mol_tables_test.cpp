#include <gtest/gtest.h>

#include <cstring>

#include "maps/object_library.h"
#include "tests/maps/mol_files.h"

namespace {

using sample::Bytes;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Cut(const Bytes& b, size_t drop) { return Bytes(b.begin(), b.end() - ptrdiff_t(drop)); }

Bytes Element(uint8_t colour) {
  Bytes e(12, 0);
  e[1] = colour;
  return e;
}

TEST(MolStyles, PatternBlockLengthFollowsThePatternByte) {
  const sample::MolStyle compound{18, {0x83}, "Rail", 0, {}};
  Bytes section = sample::StyleSection({compound}, 0);
  // 0x83 carries three elements: add them by hand so the bytes are exactly the layout.
  section.insert(section.begin() + 3, 36, 0x11);
  for (uint8_t p : {uint8_t(0xC3), uint8_t(0x03)})
    section = Cat({section, sample::StyleSection({{18 + 8, {p, 7, 0}, "Chain", 0, {}}}, 0)});
  section = Cat({section, sample::StyleSection({{9, sample::PointKind(4), "Last", 0, {}}}, 0)});

  TStyleTable t;
  ASSERT_EQ(t.Load(section.data(), section.size()), 0);
  ASSERT_EQ(t.Count(), 4);
  const uint8_t* rail = t.FindStyle(18);
  ASSERT_NE(rail, nullptr);
  EXPECT_EQ(rail[0], 0x83);
  uint32_t number = uint32_t(rail[1] | rail[2] << 8 | rail[3] << 16 | rail[4] << 24);
  std::span<const uint8_t> elements = t.PatternElements(number);
  EXPECT_EQ(elements.size(), 36u);
  EXPECT_EQ(elements[35], 0x11);
  // 0xC3 (symbol chain) and 0x03 (pen) hold their 2 bytes inline.
  EXPECT_EQ(t.Entry(1)->kind[1], 7);
  EXPECT_EQ(t.Entry(2)->kind[0], 0x03);
  EXPECT_STREQ(t.GetTypeName(9), "Last");
  EXPECT_TRUE(t.PatternElements(0).empty());
  EXPECT_TRUE(t.PatternElements(number + 1).empty());
}

// The renderer resolves the cached bytes long after they were copied: growth of the table must
// not move what they name.
TEST(MolStyles, CompoundStyleBytesResolveAfterTableGrowth) {
  std::vector<sample::MolStyle> styles;
  styles.push_back({3 | (7 << 3), sample::AreaKind(1, 2, sample::CompoundLineKind(
                                                             {Element(5), Element(6), Element(7)})),
                    "Marsh", 0, {}});
  for (int i = 0; i < 1000; ++i)
    styles.push_back({uint16_t(2 | ((100 + i) << 3)),
                      sample::CompoundLineKind({Element(uint8_t(i))}), "", 0, {}});
  const Bytes section = sample::StyleSection(styles, 0);
  TStyleTable t;
  ASSERT_EQ(t.Load(section.data(), section.size()), 0);
  ASSERT_EQ(t.Count(), 1001);

  uint8_t cached[7];
  std::memcpy(cached, t.FindStyle(3 | (7 << 3)), 7);
  const uint32_t number = uint32_t(cached[3] | cached[4] << 8 | cached[5] << 16 | cached[6] << 24);
  std::span<const uint8_t> elements = t.PatternElements(number);
  ASSERT_EQ(elements.size(), 36u);
  EXPECT_EQ(elements[1], 5);
  EXPECT_EQ(elements[13], 6);
  EXPECT_EQ(elements[25], 7);
  EXPECT_EQ(t.GetTypeName(2 | (100 << 3)), nullptr);  // an empty name is none
}

TEST(MolStyles, CutRecordsKeepTheStylesBefore) {
  const uint8_t flags = 3;
  const Bytes first = sample::StyleSection({{9, sample::PointKind(1), "One", 7, {1, 2}}}, flags);
  const Bytes second = sample::StyleSection({{17, {0x40, 1, 2}, "Two", 8, {3, 4, 5}}}, flags);
  // Cut inside the extra block, the field-list number, the name; and a compound pattern of
  // 0xBF (63 x 12 = 756 bytes) that runs past the section.
  const size_t cuts[] = {1, 3 + 2 + 1, 3 + 2 + 2 + 2};
  for (size_t drop : cuts) {
    const Bytes section = Cat({first, Cut(second, drop)});
    TStyleTable t;
    t.SetFlags(true, true);
    EXPECT_EQ(t.Load(section.data(), section.size()), 1) << drop;
    ASSERT_EQ(t.Count(), 1) << drop;
    EXPECT_EQ(t.GetFieldListNumber(9), 7);
    EXPECT_EQ(t.Entry(0)->extra, Bytes({1, 2}));
  }
  Bytes long_pattern = Cat({first, {18, 0, 0xBF}, Bytes(700, 0)});
  TStyleTable t;
  t.SetFlags(true, true);
  EXPECT_EQ(t.Load(long_pattern.data(), long_pattern.size()), 1);
  EXPECT_EQ(t.Count(), 1);
  EXPECT_EQ(t.GetFieldListNumber(17), 0);
}

TEST(MolSymbols, RecordLengthsThatCannotAdvanceStopTheReader) {
  const Bytes good = sample::SymbolSection({{10, {{3, true, {{0, 0}, {4, 0}, {0, 4}}}}}});
  for (uint8_t length : {0, 1, 7, 200}) {
    Bytes bad = Cat({good, good});
    bad[good.size()] = length;
    bad[good.size() + 1] = 0;
    TSymbolTable t;
    EXPECT_EQ(t.Load(bad.data(), bad.size()), 1) << int(length);
    EXPECT_EQ(t.Count(), 1) << int(length);
  }
  // A point count past its record.
  Bytes pointsPast = Cat({good, good});
  pointsPast[good.size() + 8] = 9;
  TSymbolTable t;
  EXPECT_EQ(t.Load(pointsPast.data(), pointsPast.size()), 1);
  EXPECT_EQ(t.Count(), 1);
  // A record longer than its elements still advances by its own length.
  Bytes padded = good;
  padded[0] = uint8_t(padded[0] + 3);
  padded.insert(padded.end(), 3, 0xEE);
  padded = Cat({padded, good});
  EXPECT_EQ(t.Load(padded.data(), padded.size()), 0);
  EXPECT_EQ(t.Count(), 2);
}

TEST(MolSymbols, Extent) {
  const Bytes section = sample::SymbolSection(
      {{20, {{1, false, {{3, 5}, {9, 2}}}}}, {0, {{1, false, {{-4, -6}, {-1, -2}}}}}, {7, {}}});
  TSymbolTable t;
  ASSERT_EQ(t.Load(section.data(), section.size()), 0);
  TSymbolExtent a = t.GetSymbolExtent(1);  // all positive: the origin is still inside
  EXPECT_EQ(a.minX, 0);
  EXPECT_EQ(a.maxX, 9);
  EXPECT_EQ(a.minY, 0);
  EXPECT_EQ(a.maxY, 5);
  EXPECT_EQ(a.designSize, 20);
  TSymbolExtent b = t.GetSymbolExtent(2);
  EXPECT_EQ(b.minX, -4);
  EXPECT_EQ(b.maxX, 0);
  EXPECT_EQ(b.minY, -6);
  for (int n : {0, 4, -1}) {
    TSymbolExtent z = t.GetSymbolExtent(n);
    EXPECT_EQ(z.minX | z.maxX | z.minY | z.maxY | z.designSize, 0) << n;
  }
}

TEST(MolFonts, LookupAndCutNames) {
  const Bytes section = sample::FontSection(
      {{3, "Tahoma", false, true}, {1, "Courier New", true, false}, {1, "Second", false, false}});
  TFontTable t;
  ASSERT_EQ(t.Load(section.data(), section.size()), 0);
  EXPECT_EQ(t.FindFont(1)->face, L"Courier New");
  EXPECT_TRUE(t.FindFont(1)->Italic());
  EXPECT_TRUE(t.FindFont(3)->Bold());
  EXPECT_EQ(t.FindFont(9)->face, L"Tahoma");  // unknown: the first
  const Bytes cut = Cut(section, 2);
  EXPECT_EQ(t.Load(cut.data(), cut.size()), 1);
  EXPECT_EQ(t.Count(), 2);
  EXPECT_EQ(t.Load(nullptr, 0), 0);
  EXPECT_EQ(t.FindFont(1), nullptr);
}

TEST(MolFieldLists, ShortSectionsAndCutNames) {
  TFieldListTable t;
  const Bytes tiny = {1, 0, 0};
  EXPECT_EQ(t.Load(tiny.data(), tiny.size()), 2);
  const Bytes section = sample::FieldListSection(
      {{4, {{9, 5, 0, "Name"}, {30, 7, 12, "Kinds"}}}, {5, {{31, 0, 99, "Small"}}}});
  ASSERT_EQ(t.Load(section.data(), section.size()), 0);
  EXPECT_EQ(t.FindByNumber(4)->items[1].valueTable, 12);
  EXPECT_EQ(t.FindByNumber(5)->items[0].valueTable, 0);  // a code is only stored for 6 and 7
  EXPECT_EQ(t.FindByNumber(6), nullptr);
  const Bytes cut = Cut(section, 2);
  EXPECT_EQ(t.Load(cut.data(), cut.size()), 1);
  ASSERT_NE(t.FindByNumber(4), nullptr);
  EXPECT_EQ(t.FindByNumber(4)->items.size(), 2u);
  EXPECT_TRUE(t.FindByNumber(5)->items.empty());
}

TEST(MolValueTables, LookupsAndLengths) {
  TValueTable t;
  const Bytes tiny = {1, 0, 5, 0, 0};
  EXPECT_EQ(t.Load(tiny.data(), tiny.size(), 3), 2);

  const Bytes section = sample::ValueTableSection(
      {{7, {{1, "Oak"}, {2, ""}, {3, "oak"}, {1, "Other"}}}, {8, {{5, "x"}}}}, 3);
  ASSERT_EQ(t.Load(section.data(), section.size(), 3), 0);
  const TValueList* trees = t.FindByCode(7);
  ASSERT_NE(trees, nullptr);
  EXPECT_EQ(TValueTable::GetValue(trees, "oak"), 3);  // case-sensitive
  EXPECT_EQ(TValueTable::GetValue(trees, "Oak"), 1);
  EXPECT_EQ(TValueTable::GetValue(trees, ""), 0xFFFF);  // the text-less item is skipped
  EXPECT_EQ(TValueTable::GetValue(trees, "Elm"), 0xFFFF);
  EXPECT_EQ(TValueTable::GetValue(trees, nullptr), 0xFFFF);
  EXPECT_EQ(TValueTable::GetValue(nullptr, "Oak"), 0xFFFF);
  EXPECT_STREQ(TValueTable::GetText(trees, 1), "Oak");
  EXPECT_EQ(TValueTable::GetText(trees, 2), nullptr);
  EXPECT_EQ(TValueTable::GetText(trees, 9), nullptr);
  EXPECT_EQ(TValueTable::GetText(nullptr, 1), nullptr);
  EXPECT_NE(t.FindByCode(8), nullptr);

  // A 32-bit length of 0xFFFFFFFF reads to the section end and stops there.
  Bytes huge = sample::ValueTableSection({{9, {{1, "a"}, {2, "b"}}}}, 3);
  for (int i = 2; i < 6; ++i) huge[size_t(i)] = 0xFF;
  ASSERT_EQ(t.Load(huge.data(), huge.size(), 3), 0);
  EXPECT_EQ(t.FindByCode(9)->items.size(), 2u);
  // An item cut by the section end keeps the items before it.
  const Bytes cut = Cut(huge, 1);
  EXPECT_EQ(t.Load(cut.data(), cut.size(), 3), 1);
  EXPECT_EQ(t.FindByCode(9)->items.size(), 1u);
}

TEST(MolPalette, Counts) {
  Bytes twelve = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0};
  TPalette p;
  EXPECT_EQ(p.SetColors(twelve.data(), 12), 0);
  EXPECT_EQ(p.Count(), 3);
  EXPECT_EQ(p.GetColor(2), 0x090807);
  EXPECT_EQ(p.GetColor(3), -1);
  EXPECT_EQ(p.GetColor(259), -1);
  EXPECT_EQ(p.GetColor(258), 0x090807);  // only the low 8 bits count
  p.SetColors(twelve.data(), 6);
  EXPECT_EQ(p.Count(), 1);
  p.SetColors(twelve.data(), 3);
  EXPECT_EQ(p.Count(), 0);
  EXPECT_EQ(p.GetColor(0), -1);

  Bytes full(1028);
  for (size_t i = 0; i < full.size(); ++i) full[i] = i % 4 == 3 ? 0 : uint8_t(i / 4);
  p.SetColors(full.data(), 1024);
  EXPECT_EQ(p.Count(), 256);
  EXPECT_EQ(p.GetColor(255), 0xFFFFFF);
  EXPECT_EQ(p.GetColor(254), 0xFEFEFE);
  p.SetColors(full.data(), 1028);
  EXPECT_EQ(p.Count(), 256);  // the index is one byte: the 257th colour is never reachable
  p.Clear();
  EXPECT_EQ(p.Count(), 0);
}

class MolPaletteFile : public ::testing::Test {
 protected:
  void SetUp() override { harness::Start(); }
  void TearDown() override { harness::Stop(); }
};

TEST_F(MolPaletteFile, LoadsThroughTheDevice) {
  TPalette p;
  EXPECT_EQ(p.Load("\\Vorna\\Obj\\Vorna.rgb"), 2);
  moltest::PutFile(L"\\Vorna\\Obj\\Vorna.rgb", sample::PaletteBytes({0x123456, 0xABCDEF, 7}));
  ASSERT_EQ(p.Load("\\Vorna\\obj\\vorna.RGB"), 0);
  EXPECT_EQ(p.Count(), 3);
  EXPECT_EQ(p.GetColor(1), 0xABCDEF);
  // No whole colour (empty, or cut short of the first): refused, the colours held kept.
  moltest::PutFile(L"\\Vorna\\Obj\\Empty.rgb", {});
  EXPECT_EQ(p.Load("\\Vorna\\Obj\\Empty.rgb"), 1);
  moltest::PutFile(L"\\Vorna\\Obj\\Cut.rgb", {0x56, 0x34, 0x12});
  EXPECT_EQ(p.Load("\\Vorna\\Obj\\Cut.rgb"), 1);
  EXPECT_EQ(p.Count(), 3);
  EXPECT_EQ(p.GetColor(1), 0xABCDEF);
}

}  // namespace
