#include <gtest/gtest.h>

#include <cstring>

#include "maps/object_library.h"
#include "tests/maps/mol_files.h"

namespace {

using moltest::BareV2;
using moltest::PutFile;
using sample::Bytes;

const char* kPath = "\\Vorna\\Obj\\Demo.mol";
const wchar_t* kWidePath = L"\\Vorna\\Obj\\Demo.mol";

class MolLibrary : public ::testing::Test {
 protected:
  void SetUp() override { harness::Start(); }
  void TearDown() override { harness::Stop(); }

  int LoadBytes(const Bytes& bytes) {
    PutFile(kWidePath, bytes);
    lib.SetSharedPalette(&shared);
    return lib.Load(kPath);
  }
  bool Empty() const {
    return lib.styles.Count() == 0 && lib.symbols.Count() == 0 && lib.fonts.Count() == 0 &&
           lib.fieldLists.Count() == 0 && lib.valueTables.Count() == 0 && !lib.HasOwnPalette();
  }

  TPalette shared;
  TObjectLibrary lib;
};

TEST(MolWriter, PinnedLayout) {
  const Bytes expected = {
      0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0x00, 0xE4, 0x9E, 0, 0, 0, 0,
      0x14, 0, 0, 0, 0x2C, 0, 0, 0, 0x07, 0, 0x0C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      // symbol: a cross
      0x14, 0x00, 0x14, 0x02, 0, 0, 0, 0, 0x02, 0x01, 0xF6, 0x00, 0x0A, 0x00,
      0x02, 0x01, 0x00, 0xF6, 0x00, 0x0A,
      // styles
      0x09, 0x00, 0x01, 0x00, 0x05, 'P', 'o', 'i', 'n', 't',
      0x12, 0x00, 0x40, 0x05, 0x01, 0x04, 'L', 'i', 'n', 'e',
      0x1B, 0x00, 0x00, 0x02, 0x40, 0x03, 0x01, 0x04, 'A', 'r', 'e', 'a',
      0x24, 0x00, 0x00, 0x19, 0x01, 0x01, 0x05, 'L', 'a', 'b', 'e', 'l',
      // font, palette
      0x01, 0x05, 'A', 'r', 'i', 'a', 'l',
      0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0xFF, 0};
  const Bytes written = sample::WriteMol(sample::DemoLibrary());
  EXPECT_EQ(written.size(), 121u);
  EXPECT_EQ(written, expected);
}

TEST_F(MolLibrary, ReadsEverySectionOfTheDemoLibrary) {
  ASSERT_EQ(LoadBytes(sample::WriteMol(sample::DemoLibrary(2, 1))), kMolOk);
  EXPECT_EQ(lib.header.version, 2);
  EXPECT_EQ(lib.header.flags, 1);

  ASSERT_EQ(lib.symbols.Count(), 1);
  const TSymbol* cross = lib.symbols.Get(1);
  ASSERT_NE(cross, nullptr);
  EXPECT_EQ(cross->designSize, 20);
  ASSERT_EQ(cross->elements.size(), 2u);
  EXPECT_EQ(cross->elements[1].points[0].y, -10);

  ASSERT_EQ(lib.styles.Count(), 4);
  const uint8_t point[] = {1, 0};
  const uint8_t line[] = {0x40, 5, 1, 0, 0};
  const uint8_t area[] = {0, 2, 0x40, 3, 1, 0, 0};
  const uint8_t text[] = {0, 25, 1, 1};
  EXPECT_EQ(std::memcmp(lib.styles.FindStyle(9), point, 2), 0);
  EXPECT_EQ(std::memcmp(lib.styles.FindStyle(18), line, 5), 0);
  EXPECT_EQ(std::memcmp(lib.styles.FindStyle(27), area, 7), 0);
  EXPECT_EQ(std::memcmp(lib.styles.FindStyle(36), text, 4), 0);
  EXPECT_STREQ(lib.styles.GetTypeName(27), "Area");
  EXPECT_EQ(lib.styles.FindStyle(10), nullptr);
  EXPECT_EQ(lib.styles.GetTypeName(10), nullptr);

  ASSERT_NE(lib.fonts.FindFont(1), nullptr);
  EXPECT_EQ(lib.fonts.FindFont(1)->face, L"Arial");

  ASSERT_TRUE(lib.HasOwnPalette());
  EXPECT_EQ(lib.Palette()->Count(), 3);
  EXPECT_EQ(lib.Palette()->GetColor(1), 0x0000FF);
  EXPECT_EQ(lib.Palette(), lib.styles.Palette());
  EXPECT_EQ(lib.Palette(), lib.symbols.Palette());

  // Field lists carry a value-table code for the list-valued types only.
  const TFieldList* fields = lib.GetFields(18);
  ASSERT_NE(fields, nullptr);
  ASSERT_EQ(fields->items.size(), 3u);
  EXPECT_EQ(fields->items[0].tag, 9);
  EXPECT_EQ(fields->items[0].type, 5);
  EXPECT_EQ(fields->items[0].valueTable, 0);
  EXPECT_EQ(fields->items[1].type, 6);
  EXPECT_EQ(fields->items[1].valueTable, 1);
  EXPECT_EQ(fields->items[1].name, "Surface");
  EXPECT_EQ(fields->items[2].valueTable, 0);
  EXPECT_EQ(lib.GetFields(99), nullptr);

  const TValueList* surface = lib.valueTables.FindByCode(1);
  ASSERT_NE(surface, nullptr);
  EXPECT_STREQ(TValueTable::GetText(surface, 2), "gravel");
}

TEST_F(MolLibrary, ValueTableLengthWidthFollowsTheVersion) {
  const Bytes v2 = sample::WriteMol(sample::DemoLibrary(2, 1));
  const Bytes v3 = sample::WriteMol(sample::DemoLibrary(3, 1));
  EXPECT_EQ(v3.size(), v2.size() + 2);  // one table, its length 32 bits wide instead of 16
  for (const Bytes* file : {&v2, &v3}) {
    ASSERT_EQ(LoadBytes(*file), kMolOk);
    ASSERT_EQ(lib.valueTables.Count(), 1);
    const TValueList* t = lib.valueTables.FindByCode(1);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->items.size(), 3u);
    EXPECT_EQ(TValueTable::GetValue(t, "dirt"), 3);
  }
}

TEST_F(MolLibrary, Checksum) {
  EXPECT_EQ(LoadBytes(BareV2({0x12, 0x34}, 0x1234)), kMolOk);
  EXPECT_EQ(LoadBytes(BareV2({0x12, 0x34, 0x56, 0x78}, 0x444C)), kMolOk);
  EXPECT_EQ(LoadBytes(BareV2({0x12, 0x34, 0x56}, 0x4434)), kMolOk);  // odd: padded with 0
  EXPECT_EQ(LoadBytes(BareV2({0x12, 0x34}, 0x1235)), kMolBadChecksum);

  Bytes file = sample::WriteMol(sample::DemoLibrary());
  file[60] ^= 0x01;  // a style byte
  EXPECT_EQ(LoadBytes(file), kMolBadChecksum);
  EXPECT_TRUE(Empty());
}

TEST_F(MolLibrary, PackedBodies) {
  const Bytes plainFile = sample::WriteMol(sample::DemoLibrary(3, 3));
  const Bytes packedFile = sample::WriteMol(sample::DemoLibrary(3, 3, true));
  EXPECT_EQ(packedFile[9], 7);
  ASSERT_EQ(LoadBytes(packedFile), kMolOk);
  EXPECT_EQ(lib.styles.Count(), 4);
  EXPECT_EQ(lib.styles.Entry(0)->extra.size(), 288u);
  EXPECT_EQ(lib.valueTables.Count(), 1);
  const TFieldList* packedFields = lib.GetFields(9);
  ASSERT_NE(packedFields, nullptr);
  const size_t packedItems = packedFields->items.size();
  ASSERT_EQ(LoadBytes(plainFile), kMolOk);
  EXPECT_EQ(lib.GetFields(9)->items.size(), packedItems);

  Bytes badMethod = packedFile;
  badMethod[38] = 1;
  EXPECT_EQ(LoadBytes(badMethod), kMolBadMethod);
  EXPECT_TRUE(Empty());

  Bytes methodOnly(packedFile.begin(), packedFile.begin() + 39);
  EXPECT_EQ(LoadBytes(methodOnly), kMolUnpackFailed);
  EXPECT_EQ(LoadBytes(BareV2({}, 0, 4)), kMolUnpackFailed);  // not even the method byte
  EXPECT_EQ(LoadBytes(BareV2({0, 0x00}, 0, 4)), kMolUnpackFailed);  // shorter than one code
  EXPECT_EQ(LoadBytes(BareV2({0, 0, 0, 0}, 0, 4)), kMolUnpackFailed);  // code 256
  EXPECT_TRUE(Empty());
}

TEST_F(MolLibrary, ShortAndInconsistentFiles) {
  const Bytes good = sample::WriteMol(sample::DemoLibrary());
  const Bytes v0 = sample::WriteMol(sample::DemoLibrary(0));
  const Bytes v1 = sample::WriteMol(sample::DemoLibrary(1));
  EXPECT_EQ(LoadBytes({}), kMolBadFile);
  EXPECT_EQ(LoadBytes(Bytes(good.begin(), good.begin() + 8)), kMolBadFile);
  EXPECT_EQ(LoadBytes(Bytes(v0.begin(), v0.begin() + 16)), kMolBadFile);
  EXPECT_EQ(LoadBytes(Bytes(v1.begin(), v1.begin() + 20)), kMolBadFile);
  EXPECT_EQ(LoadBytes(Bytes(good.begin(), good.begin() + 37)), kMolBadFile);
  // The header alone of each form is a library without sections.
  EXPECT_EQ(LoadBytes(Bytes(v0.begin(), v0.begin() + 17)), kMolBadFile);  // lengths say more
  EXPECT_EQ(LoadBytes(BareV2({}, 0)), kMolOk);
  EXPECT_TRUE(Empty());

  // A body cut by one byte (checksum fixed up) no longer holds its sections.
  Bytes cut(good.begin(), good.end() - 1);
  Bytes body(cut.begin() + 38, cut.end());
  const uint16_t sum = sample::MolChecksum(body);
  cut[10] = uint8_t(sum);
  cut[11] = uint8_t(sum >> 8);
  EXPECT_EQ(LoadBytes(cut), kMolBadFile);
  EXPECT_TRUE(Empty());

  // Lengths of 4 GB are compared with the body, never used to read.
  Bytes huge = BareV2({}, 0);
  for (int i = 28; i < 36; ++i) huge[size_t(i)] = 0xFF;
  EXPECT_EQ(LoadBytes(huge), kMolBadFile);

  // Version 255 takes the long form; its value tables use 32-bit lengths.
  Bytes v255 = sample::WriteMol(sample::DemoLibrary(3, 1));
  v255[8] = 255;
  ASSERT_EQ(LoadBytes(v255), kMolOk);
  EXPECT_EQ(lib.valueTables.Count(), 1);
}

TEST_F(MolLibrary, OlderVersions) {
  // Version 1: no checksum (the writer leaves none), fonts, palette length at bytes 19-20.
  Bytes v1 = sample::WriteMol(sample::DemoLibrary(1));
  EXPECT_EQ(v1[19], 12);
  ASSERT_EQ(LoadBytes(v1), kMolOk);
  EXPECT_EQ(lib.fonts.Count(), 1);
  EXPECT_EQ(lib.Palette()->Count(), 3);
  EXPECT_EQ(lib.styles.Count(), 4);
  // Damaging the body is not noticed by a checksum in version 1 (the name byte only).
  Bytes renamed = v1;
  renamed[21 + 20 + 5] = 'p';
  ASSERT_EQ(LoadBytes(renamed), kMolOk);
  EXPECT_STREQ(lib.styles.GetTypeName(9), "point");

  // Version 0: no fonts, palette length at bytes 15-16.
  ASSERT_EQ(LoadBytes(sample::WriteMol(sample::DemoLibrary(0))), kMolOk);
  EXPECT_EQ(lib.fonts.Count(), 0);
  EXPECT_EQ(lib.fonts.FindFont(1), nullptr);
  EXPECT_EQ(lib.Palette()->Count(), 3);
  EXPECT_EQ(lib.symbols.Count(), 1);
}

TEST_F(MolLibrary, WithoutPaletteSectionTheSharedPaletteIsUsed) {
  const uint8_t colours[] = {1, 2, 3, 0};
  shared.SetColors(colours, 4);
  sample::MolLibrary demo = sample::DemoLibrary();
  demo.palette.clear();
  ASSERT_EQ(LoadBytes(sample::WriteMol(demo)), kMolOk);
  EXPECT_FALSE(lib.HasOwnPalette());
  EXPECT_EQ(lib.Palette(), &shared);
  EXPECT_EQ(lib.styles.Palette(), &shared);
  EXPECT_EQ(lib.symbols.Palette(), &shared);
}

TEST_F(MolLibrary, MissingFile) {
  lib.SetSharedPalette(&shared);
  EXPECT_EQ(lib.Load("\\Vorna\\Obj\\None.mol"), kMolNotOpened);
  EXPECT_EQ(lib.Load(nullptr), kMolNotOpened);
}

class MolLibraryList : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    list.SetFolder("\\Vorna\\obj\\", &shared);
  }
  void TearDown() override { harness::Stop(); }
  TPalette shared;
  TObjectLibraryList list;
};

TEST_F(MolLibraryList, NamesShareOneLibrary) {
  // On disk "Obj" and "DEMO.MOL"; the list asks for "obj\" and "Demo".
  PutFile(L"\\Vorna\\Obj\\DEMO.MOL", sample::WriteMol(sample::DemoLibrary()));
  char name[] = "Demo.mol";
  TObjectLibrary* a = list.FindByName(name);
  ASSERT_NE(a, nullptr) << list.result;
  EXPECT_STREQ(name, "Demo.mol");  // the caller's text is not cut
  EXPECT_EQ(a->name, "Demo");
  EXPECT_EQ(list.FindByName("demo"), a);
  EXPECT_EQ(list.FindByName("DEMO.xyz"), a);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(a->Palette()->Count(), 3);
}

TEST_F(MolLibraryList, NamesThatNameNoFile) {
  PutFile(L"\\Vorna\\Obj\\Demo.mol", sample::WriteMol(sample::DemoLibrary()));
  for (const char* bad : {"", ".mol", "..\\Demo", "Obj/Demo", "C:Demo", "\\Vorna\\Obj\\Demo"}) {
    list.result = 0;
    EXPECT_EQ(list.FindByName(bad), nullptr) << bad;
    EXPECT_EQ(list.result, kMolNotOpened) << bad;
  }
  EXPECT_EQ(list.FindByName(nullptr), nullptr);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(MolLibraryList, FailedLoadIsRetried) {
  EXPECT_EQ(list.FindByName("Later"), nullptr);
  EXPECT_EQ(list.result, kMolNotOpened);
  Bytes bad = sample::WriteMol(sample::DemoLibrary());
  bad[10] ^= 1;
  PutFile(L"\\Vorna\\Obj\\Later.mol", bad);
  EXPECT_EQ(list.FindByName("Later"), nullptr);
  EXPECT_EQ(list.result, kMolBadChecksum);
  PutFile(L"\\Vorna\\Obj\\Later.mol", sample::WriteMol(sample::DemoLibrary()));
  EXPECT_NE(list.FindByName("Later"), nullptr);
  EXPECT_EQ(list.result, kMolOk);
  EXPECT_EQ(list.Count(), 1);
}

}  // namespace
