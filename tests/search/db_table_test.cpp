#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "search/db_set.h"
#include "search/db_table.h"
#include "tests/search/search_files.h"
#include "tools/sampledata/demo_town.h"
#include "tools/sampledata/ndb_writer.h"

namespace {

using sample::Bytes;
using sample::NdbCell;
using sample::NdbSpec;
using searchtest::DeviceTest;
using searchtest::PutFile;

const char* kPath = "\\DB\\T.ndb";

// The example of the format description: CityID (Short), Name (Text); rows (1, "Abc") and
// (2, empty text).
const Bytes kExample = {'V', 'O', 'R', 'N', 'A', 'D', 'B', 0, 2, 2, 0, 0, 0,
                        'C', 'i', 't', 'y', 'I', 'D', 0, 0, 1,
                        'N', 'a', 'm', 'e', 0, 0, 0, 0, 5,
                        1, 0, 3, 'A', 'b', 'c', 2, 0, 0};

NdbCell I(int64_t v) { return NdbCell(v); }
NdbCell D(double v) { return NdbCell(v); }
NdbCell T(const std::string& v) { return NdbCell(v); }

class DbTable : public DeviceTest {
 protected:
  int LoadBytes(const Bytes& bytes) {
    PutFile(kPath, bytes);
    return table.Load(kPath);
  }
  int LoadSpec(const NdbSpec& plan) { return LoadBytes(sample::BuildNdb(plan)); }
  // Rows selected, and the count written (or the marker 999 when the count was left alone).
  std::pair<TDbSelection, uint32_t> Sel(const char* column, int mode, const TDbValue& value,
                                        const TDbSelection* previous = nullptr) {
    uint32_t count = 999;
    TDbSelection rows = table.Select(column, mode, value, &count, previous);
    if (count != 999) {
      EXPECT_EQ(count, rows.size());
    }
    return {rows, count};
  }
  TDbTable table;
};

TEST_F(DbTable, ExampleImageLoads) {
  NdbSpec plan;
  plan.columns = {{"CityID", sample::kNdbShort}, {"Name", sample::kNdbText}};
  plan.rows = {{I(1), T("Abc")}, {I(2), T("")}};
  EXPECT_EQ(sample::BuildNdb(plan), kExample);  // the writer follows the layout byte for byte

  ASSERT_EQ(LoadBytes(kExample), kDbOk);
  EXPECT_EQ(table.ok, 1);
  EXPECT_EQ(table.rows, 2u);
  EXPECT_EQ(table.columns, 2u);
  EXPECT_EQ(std::string(table.descriptors[0].name, 6), "CITYID");
  double v = 0;
  ASSERT_TRUE(table.GetNumber(0, 0, &v));
  EXPECT_EQ(v, 1);
  ASSERT_TRUE(table.GetNumber(1, 0, &v));
  EXPECT_EQ(v, 2);
  EXPECT_STREQ(table.GetText(0, 1), "Abc");
  EXPECT_EQ(table.GetText(1, 1), nullptr);
  EXPECT_FALSE(table.GetNumber(0, 1, &v));  // Text is no number
  EXPECT_EQ(table.GetText(0, 0), nullptr);  // a number is no text
  EXPECT_FALSE(table.GetNumber(2, 0, &v));
  EXPECT_FALSE(table.GetNumber(0, 2, &v));
  EXPECT_EQ(table.GetText(2, 1), nullptr);
}

TEST_F(DbTable, MagicComparedOverSevenBytesAndByteSevenIsFree) {
  for (int i = 0; i < 7; ++i) {
    for (int variant = 0; variant < 2; ++variant) {
      Bytes bad = kExample;
      // Once with the other letter case, once with an unrelated byte.
      bad[size_t(i)] = variant == 0 ? uint8_t(bad[size_t(i)] ^ 0x20) : uint8_t('X');
      EXPECT_EQ(LoadBytes(bad), kDbBadData) << i << " " << variant;
      EXPECT_EQ(table.ok, 0);
      EXPECT_EQ(table.rows, 0u);
      EXPECT_EQ(table.columns, 0u);
    }
  }
  Bytes spare = kExample;
  spare[7] = 0xA5;
  ASSERT_EQ(LoadBytes(spare), kDbOk);
  EXPECT_STREQ(table.GetText(0, 1), "Abc");
}

TEST_F(DbTable, BadFilesGiveResultCodesAndAnEmptyTable) {
  ASSERT_EQ(LoadBytes(kExample), kDbOk);
  EXPECT_EQ(table.Load("\\DB\\Missing.ndb"), kDbNotOpened);
  EXPECT_EQ(table.ok, 0);
  EXPECT_EQ(table.rows, 0u);
  EXPECT_EQ(table.Load(nullptr), kDbNotOpened);

  EXPECT_EQ(LoadBytes(Bytes(kExample.begin(), kExample.begin() + 12)), kDbBadData);  // < 13
  EXPECT_EQ(LoadBytes({}), kDbBadData);
  EXPECT_EQ(LoadBytes({0, 0, 0}), kDbBadData);              // empty stream
  EXPECT_EQ(LoadBytes({0, 0, 0, 0xFF}), kDbBadData);        // ends before its first code
  EXPECT_EQ(LoadBytes({0, 0, 0, 0x80, 0x00}), kDbBadData);  // code 256 fails the stream
  // A packed stream that unpacks to something that is no table.
  EXPECT_EQ(LoadBytes(sample::PackNdb(Bytes{'V', 'O', 'R', 'N', 'A'})), kDbBadData);

  // Descriptors past the image: 3 columns declared, 2 present.
  Bytes cut(kExample.begin(), kExample.begin() + 31);
  cut[8] = 3;
  EXPECT_EQ(LoadBytes(cut), kDbBadData);
  EXPECT_EQ(table.columns, 0u);
}

TEST_F(DbTable, PackedFileLoadsCellForCellAsPlain) {
  // Large enough for the packer to fill the dictionary and prune it several times.
  const Bytes image = sample::AddressTableImage(3000, 5);
  const Bytes packed = sample::PackNdb(image);
  ASSERT_GT(image.size(), 100000u);
  TDbTable plain;
  PutFile("\\DB\\Plain.ndb", image);
  ASSERT_EQ(plain.Load("\\DB\\Plain.ndb"), kDbOk);
  ASSERT_EQ(LoadBytes(packed), kDbOk);
  ASSERT_EQ(table.rows, 3000u);
  ASSERT_EQ(table.columns, plain.columns);
  for (uint32_t r = 0; r < table.rows; ++r) {
    for (uint8_t c = 0; c < table.columns; ++c) {
      double a = -1, b = -2;
      ASSERT_EQ(table.GetNumber(r, c, &a), plain.GetNumber(r, c, &b));
      if (c == 2) {
        ASSERT_STREQ(table.GetText(r, c), plain.GetText(r, c)) << r;
      } else {
        ASSERT_EQ(a, b) << r << " " << int(c);
      }
    }
  }
}

TEST_F(DbTable, ColumnLookup) {
  NdbSpec plan;
  plan.columns = {{"CityID", sample::kNdbShort}, {"Abcdefgh", sample::kNdbByte},
                  {"Name", sample::kNdbText},    {"NAME", sample::kNdbLong},
                  {"\xC0\xE1", sample::kNdbByte}};
  plan.rows = {{I(1), I(2), T("x"), I(4), I(5)}};
  ASSERT_EQ(LoadSpec(plan), kDbOk);
  EXPECT_EQ(table.GetColumnIndex("CityID"), 0);
  EXPECT_EQ(table.GetColumnIndex("cityid"), 0);
  EXPECT_EQ(table.GetColumnIndex("CITYID"), 0);
  EXPECT_EQ(table.GetColumnIndex("City"), kDbNoColumn);      // a prefix is not the name
  EXPECT_EQ(table.GetColumnIndex("CityIDs"), kDbNoColumn);   // nor is a longer short name
  EXPECT_EQ(table.GetColumnIndex("abcdefgh"), 1);            // 8 characters, no terminator
  EXPECT_EQ(table.GetColumnIndex("ABCDEFGHIJKL"), 1);        // only 8 characters count
  EXPECT_EQ(table.GetColumnIndex("Abcdefg"), kDbNoColumn);
  EXPECT_EQ(table.GetColumnIndex("name"), 2);                // the first of two equal names
  // Bytes from 0x80 are compared as they are: 0xE0 is not folded onto 0xC0.
  EXPECT_EQ(table.GetColumnIndex("\xC0\xE1"), 4);
  EXPECT_EQ(table.GetColumnIndex("\xE0\xE1"), kDbNoColumn);
  EXPECT_EQ(table.GetColumnIndex("Missing"), kDbNoColumn);
  EXPECT_EQ(table.GetColumnIndex(nullptr), kDbNoColumn);
  const std::string longName(300, 'q');
  EXPECT_EQ(table.GetColumnIndex(longName.c_str()), kDbNoColumn);
  uint32_t count = 7;
  EXPECT_TRUE(table.Select(longName.c_str(), kDbAll, 0, &count).empty());
  EXPECT_EQ(count, 7u);
}

TEST_F(DbTable, SelectNumbersByTypedComparison) {
  NdbSpec plan;
  plan.columns = {{"B", sample::kNdbByte},  {"S", sample::kNdbShort}, {"L", sample::kNdbLong},
                  {"F", sample::kNdbFloat}, {"D", sample::kNdbDouble}};
  plan.rows = {{I(255), I(-1), I(-100000), D(0.1), D(-2.5)},
               {I(0), I(7), I(100000), D(2.0), D(1e300)},
               {I(7), I(-32768), I(7), D(-1.0), D(7.0)}};
  ASSERT_EQ(LoadSpec(plan), kDbOk);
  using Rows = TDbSelection;
  EXPECT_EQ(Sel("B", kDbGreater, 0).first, (Rows{0, 2}));  // Byte 255 is unsigned
  EXPECT_EQ(Sel("S", kDbGreater, 0).first, (Rows{1}));     // Short -1 is signed
  EXPECT_EQ(Sel("S", kDbLess, -1).first, (Rows{2}));
  EXPECT_EQ(Sel("L", kDbLess, 0).first, (Rows{0}));
  EXPECT_EQ(Sel("L", kDbEqual, 100000).first, (Rows{1}));
  // A Float cell compares in single precision: 0.1 as a double finds the single 0.1.
  EXPECT_EQ(Sel("F", kDbEqual, 0.1).first, (Rows{0}));
  EXPECT_EQ(Sel("F", kDbGreater, 1).first, (Rows{1}));
  EXPECT_EQ(Sel("D", kDbGreater, 7.0).first, (Rows{1}));
  EXPECT_EQ(Sel("D", kDbEqual, 7).first, (Rows{2}));
  // An integer too wide for the column equals no cell (it is not cut to the column's width).
  EXPECT_TRUE(Sel("B", kDbEqual, 256 + 7).first.empty());
  // Every column holds 7 once, found by one value whatever the width.
  for (const char* c : {"B", "S", "L", "D"}) EXPECT_EQ(Sel(c, kDbEqual, 7).first.size(), 1u) << c;
  // Text modes on numbers and a text value on numbers select nothing, with the count 0.
  EXPECT_EQ(Sel("S", kDbContains, "7"), (std::pair<Rows, uint32_t>{{}, 0}));
  EXPECT_EQ(Sel("S", kDbBeginsWith, ""), (std::pair<Rows, uint32_t>{{}, 0}));
  EXPECT_EQ(Sel("S", kDbEqual, "7"), (std::pair<Rows, uint32_t>{{}, 0}));
  EXPECT_EQ(Sel("S", 6, 7), (std::pair<Rows, uint32_t>{{}, 0}));
  EXPECT_EQ(Sel("S", -1, 7), (std::pair<Rows, uint32_t>{{}, 0}));
}

TEST_F(DbTable, SelectTexts) {
  NdbSpec plan;
  plan.columns = {{"Name", sample::kNdbText}};
  plan.rows = {{T("Apple")}, {T("")}, {T("\xDF" "ber")}, {T("Pineapple")}, {T("apple")},
               {T(std::string("Ap\0x", 4))}};
  ASSERT_EQ(LoadSpec(plan), kDbOk);
  using Rows = TDbSelection;
  EXPECT_EQ(Sel("Name", kDbEqual, "Apple").first, (Rows{0}));  // case matters in values
  // Byte-wise unsigned: 0xDF sorts above every ASCII letter.
  EXPECT_EQ(Sel("Name", kDbGreater, "A").first, (Rows{0, 2, 3, 4, 5}));
  EXPECT_EQ(Sel("Name", kDbGreater, "z").first, (Rows{2}));
  EXPECT_EQ(Sel("Name", kDbLess, "B").first, (Rows{0, 1, 5}));
  EXPECT_EQ(Sel("Name", kDbContains, "pple").first, (Rows{0, 3, 4}));
  EXPECT_EQ(Sel("Name", kDbBeginsWith, "Ap").first, (Rows{0, 5}));
  EXPECT_EQ(Sel("Name", kDbBeginsWith, "apple").first, (Rows{4}));
  // The empty value is in, and begins, every text, the empty text included.
  EXPECT_EQ(Sel("Name", kDbContains, "").first.size(), 6u);
  EXPECT_EQ(Sel("Name", kDbBeginsWith, nullptr).first.size(), 6u);
  // A text of length 0 is the empty text.
  EXPECT_EQ(Sel("Name", kDbEqual, "").first, (Rows{1}));
  // Texts end at a NUL in the file, as the program compares them.
  EXPECT_EQ(Sel("Name", kDbEqual, "Ap").first, (Rows{5}));
  EXPECT_TRUE(Sel("Name", kDbContains, "x").first.empty());
  // Numbers never match a Text column.
  EXPECT_EQ(Sel("Name", kDbEqual, 0).second, 0u);
}

TEST_F(DbTable, SelectCountRulesAndNarrowing) {
  NdbSpec plan;
  plan.columns = {{"City", sample::kNdbShort}, {"Odd", 9}, {"Street", sample::kNdbByte}};
  std::mt19937 rng(3);
  for (int r = 0; r < 300; ++r) plan.rows.push_back({I(rng() % 5), I(rng() % 4)});
  ASSERT_EQ(LoadSpec(plan), kDbOk);
  ASSERT_EQ(table.rows, 300u);

  auto [city, cityCount] = Sel("City", kDbEqual, 3);
  TDbSelection expected;
  for (uint32_t r = 0; r < 300; ++r) {
    if (std::get<int64_t>(plan.rows[r][0]) == 3 && std::get<int64_t>(plan.rows[r][1]) == 1) {
      expected.push_back(r);
    }
  }
  const auto [narrow, narrowCount] = Sel("Street", kDbEqual, 1, &city);
  EXPECT_EQ(narrow, expected);  // in table order, each row once
  EXPECT_EQ(narrowCount, expected.size());
  // A previous selection is taken in its own order; entries past the table are skipped.
  TDbSelection previous = {299, 5, 100000, 0};
  EXPECT_EQ(Sel(nullptr, kDbAll, 0).first.size(), 300u);
  EXPECT_EQ(Sel("City", kDbLess, 9, &previous).first, (TDbSelection{299, 5, 0}));
  // An empty previous selection has no candidates (it is not "all rows").
  const TDbSelection none;
  EXPECT_EQ(Sel("City", kDbLess, 9, &none), (std::pair<TDbSelection, uint32_t>{{}, 0}));
  // All with a previous selection, or a mode other than All without a column: count 0.
  EXPECT_EQ(Sel("City", kDbAll, 0, &city), (std::pair<TDbSelection, uint32_t>{{}, 0}));
  EXPECT_EQ(Sel(nullptr, kDbEqual, 3), (std::pair<TDbSelection, uint32_t>{{}, 0}));
  // A missing column, or one of a type outside 0-5: the count is left as it was.
  EXPECT_EQ(Sel("Nothing", kDbAll, 0).second, 999u);
  EXPECT_EQ(Sel("Odd", kDbEqual, 0).second, 999u);
  EXPECT_EQ(Sel("Odd", kDbAll, 0).second, 999u);
  double v;
  EXPECT_FALSE(table.GetNumber(0, 1, &v));
  EXPECT_TRUE(table.GetNumber(0, 2, &v));  // the column after it is read in place
  EXPECT_EQ(v, double(std::get<int64_t>(plan.rows[0][1])));
}

TEST_F(DbTable, EmptyTables) {
  NdbSpec plan;
  plan.columns = {{"City", sample::kNdbShort}};
  ASSERT_EQ(LoadSpec(plan), kDbOk);  // 0 rows
  EXPECT_EQ(table.ok, 1);
  EXPECT_EQ(Sel(nullptr, kDbAll, 0), (std::pair<TDbSelection, uint32_t>{{}, 0}));
  EXPECT_EQ(Sel("City", kDbEqual, 0), (std::pair<TDbSelection, uint32_t>{{}, 0}));

  // No columns, or only columns of unknown types: no rows, whatever the header claims.
  NdbSpec bare;
  bare.rowCount = 5;
  ASSERT_EQ(LoadSpec(bare), kDbOk);
  EXPECT_EQ(table.rows, 0u);
  bare.columns = {{"X", 6}, {"Y", 200}};
  ASSERT_EQ(LoadSpec(bare), kDbOk);
  EXPECT_EQ(table.rows, 0u);
  EXPECT_EQ(table.columns, 2u);
  EXPECT_EQ(table.GetColumnIndex("y"), 1);
}

TEST_F(DbTable, TruncatedImageKeepsTheCellsThatFit) {
  NdbSpec plan;
  plan.columns = {{"Id", sample::kNdbLong}, {"Name", sample::kNdbText}, {"X", sample::kNdbDouble}};
  for (int r = 0; r < 4; ++r) plan.rows.push_back({I(r), T("Row" + std::to_string(r)), D(r / 2.0)});
  const Bytes full = sample::BuildNdb(plan);
  const size_t header = 13 + 27, row = 4 + 5 + 8;
  // Cut inside row 2's text: row 2 keeps its Id only.
  ASSERT_EQ(LoadBytes(Bytes(full.begin(), full.begin() + long(header + 2 * row + 6))), kDbOk);
  EXPECT_EQ(table.ok, 1);
  EXPECT_EQ(table.rows, 3u);
  double v = -1;
  EXPECT_TRUE(table.GetNumber(2, 0, &v));
  EXPECT_EQ(v, 2);
  EXPECT_EQ(table.GetText(2, 1), nullptr);
  EXPECT_FALSE(table.GetNumber(2, 2, &v));
  EXPECT_STREQ(table.GetText(1, 1), "Row1");
  // Unreached cells are kept by no comparison, only by All.
  EXPECT_EQ(Sel("Name", kDbContains, "").first, (TDbSelection{0, 1}));
  EXPECT_EQ(Sel("X", kDbLess, 100.0).first, (TDbSelection{0, 1}));
  EXPECT_EQ(Sel("Id", kDbGreater, -1).first, (TDbSelection{0, 1, 2}));
  EXPECT_EQ(Sel(nullptr, kDbAll, 0).first.size(), 3u);

  // Cut exactly at a row boundary: the next row has no cell and does not count.
  ASSERT_EQ(LoadBytes(Bytes(full.begin(), full.begin() + long(header + 3 * row))), kDbOk);
  EXPECT_EQ(table.rows, 3u);
  EXPECT_TRUE(table.GetNumber(2, 2, &v));
  EXPECT_EQ(v, 1.0);

  // A header claiming 2^32 - 1 rows over 100 bytes: rows are bounded by the bytes present.
  Bytes huge = full;
  huge.resize(100);
  huge[9] = huge[10] = huge[11] = huge[12] = 0xFF;
  ASSERT_EQ(LoadBytes(huge), kDbOk);
  EXPECT_EQ(table.rows, 4u);  // (100 - 40) / 17: three whole rows and the start of a fourth
  EXPECT_TRUE(table.GetNumber(3, 0, &v));
  EXPECT_EQ(Sel(nullptr, kDbAll, 0).first.size(), 4u);

  // A length byte that runs past the end.
  Bytes longText = {'V', 'O', 'R', 'N', 'A', 'D', 'B', 0, 1, 0xFF, 0xFF, 0xFF, 0xFF,
                    'T', 0, 0, 0, 0, 0, 0, 0, 5, 2, 'a', 'b', 200, 'c'};
  ASSERT_EQ(LoadBytes(longText), kDbOk);
  EXPECT_EQ(table.rows, 1u);
  EXPECT_STREQ(table.GetText(0, 0), "ab");
}

TEST_F(DbTable, NaNIsKeptOnlyByAll) {
  NdbSpec plan;
  plan.columns = {{"F", sample::kNdbFloat}, {"D", sample::kNdbDouble}};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  plan.rows = {{D(nan), D(nan)}, {D(1), D(1)}};
  ASSERT_EQ(LoadSpec(plan), kDbOk);
  for (const char* c : {"F", "D"}) {
    for (int mode : {kDbEqual, kDbGreater, kDbLess}) {
      EXPECT_EQ(Sel(c, mode, 1.0).first, (mode == kDbEqual ? TDbSelection{1} : TDbSelection{}));
      EXPECT_TRUE(Sel(c, mode, nan).first.empty()) << c << mode;
    }
  }
  EXPECT_EQ(Sel("D", kDbAll, 0).first.size(), 2u);
  double v = 0;
  EXPECT_TRUE(table.GetNumber(0, 1, &v));
  EXPECT_TRUE(std::isnan(v));
}

TEST_F(DbTable, GetNumberConvertsEveryNumberType) {
  NdbSpec plan;
  plan.columns = {{"S", sample::kNdbShort}, {"F", sample::kNdbFloat}, {"D", sample::kNdbDouble},
                  {"T", sample::kNdbText},  {"B", sample::kNdbByte},  {"L", sample::kNdbLong}};
  plan.rows = {{I(-5), D(0.5), D(9223372036854775808.0), T("12"), I(200), I(-70000)}};
  ASSERT_EQ(LoadSpec(plan), kDbOk);
  double v = 0;
  EXPECT_TRUE(table.GetNumber(0, 0, &v));
  EXPECT_EQ(v, -5);
  EXPECT_TRUE(table.GetNumber(0, 1, &v));
  EXPECT_EQ(v, 0.5);
  // 2^63, the callers' mark of a missing coordinate, passes through bit for bit.
  EXPECT_TRUE(table.GetNumber(0, 2, &v));
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  EXPECT_EQ(bits, 0x43E0000000000000u);
  EXPECT_FALSE(table.GetNumber(0, 3, &v));
  EXPECT_TRUE(table.GetNumber(0, 4, &v));
  EXPECT_EQ(v, 200);
  EXPECT_TRUE(table.GetNumber(0, 5, &v));
  EXPECT_EQ(v, -70000);
}

class DbSet : public DeviceTest {};

TEST_F(DbSet, OpensEachNameOnceAndQueriesByName) {
  PutFile("\\DB\\Cities.ndb", kExample);
  TDbSet set;
  EXPECT_EQ(set.OpenTable("Cities", "\\DB\\Cities.ndb"), kDbOk);
  // Same name in another case, from the same path in another case: already open, nothing
  // loaded (the file changed under it is not read).
  PutFile("\\DB\\Cities.ndb", sample::Bytes{'N', 'O'});
  EXPECT_EQ(set.OpenTable("CITIES", "\\db\\cities.NDB"), 0);
  EXPECT_EQ(set.Count(), 1u);
  EXPECT_EQ(set.FindTable("cities"), 0);
  EXPECT_EQ(set.GetTable("Cities")->name, "Cities");
  EXPECT_EQ(set.GetTable("Cities")->rows, 2u);

  // A failed load stays in the set, empty; the next opening reads the file put back since.
  EXPECT_EQ(set.OpenTable("Streets", "\\DB\\Missing.ndb"), kDbNotOpened);
  EXPECT_EQ(set.GetTable("streets")->ok, 0);
  uint32_t count = 5;
  EXPECT_TRUE(set.Select("Streets", "CityID", kDbAll, 0, &count).empty());
  EXPECT_EQ(count, 5u);  // no such column in the empty table
  EXPECT_EQ(set.OpenTable("Streets", "\\DB\\Missing.ndb"), kDbNotOpened) << "a failure again";
  PutFile("\\DB\\Missing.ndb", kExample);
  EXPECT_EQ(set.OpenTable("Streets", "\\DB\\Missing.ndb"), kDbOk);
  EXPECT_EQ(set.Count(), 2u);
  EXPECT_EQ(set.GetTable("streets")->rows, 2u);

  // Another path for a name held: read in its place, under the name first given; a path that
  // fails empties it.
  EXPECT_EQ(set.OpenTable("cities", "\\DB\\Missing.ndb"), kDbOk);
  EXPECT_EQ(set.Count(), 2u);
  EXPECT_EQ(set.GetTable("Cities")->name, "Cities");
  EXPECT_EQ(set.GetTable("Cities")->source, "\\DB\\Missing.ndb");
  EXPECT_EQ(set.OpenTable("Cities", "\\DB\\Cities.ndb"), kDbBadData);
  EXPECT_EQ(set.GetTable("Cities")->rows, 0u);
  EXPECT_EQ(set.OpenTable("Cities", "\\DB\\Missing.ndb"), kDbOk);
  set.CloseTable("STREETS");
  EXPECT_EQ(set.Count(), 1u);
  EXPECT_EQ(set.FindTable("Streets"), -1);
  set.CloseTable("Streets");  // none: nothing
  EXPECT_EQ(set.Count(), 1u);

  EXPECT_EQ(set.Select("Cities", "Name", kDbEqual, "Abc", &count), (TDbSelection{0}));
  EXPECT_EQ(count, 1u);
  count = 5;
  EXPECT_TRUE(set.Select("Houses", "Name", kDbAll, 0, &count).empty());
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(set.GetColumnIndex("Houses", "Name"), kDbNoColumn);
  EXPECT_EQ(set.GetColumnIndex("cities", "name"), 1);
  EXPECT_EQ(set.GetTable("Houses"), nullptr);
  EXPECT_EQ(set.FindTable(nullptr), -1);

  set.CloseAll();
  EXPECT_EQ(set.Count(), 0u);
  EXPECT_EQ(set.FindTable("Cities"), -1);
  EXPECT_EQ(set.OpenTable("Streets", "\\DB\\Missing.ndb"), kDbOk);  // filled again
  EXPECT_EQ(set.GetTable("Streets")->rows, 2u);
}

TEST_F(DbSet, DemoTownTablesLoad) {
  TDbSet set;
  for (const auto& [name, plan] : sample::DemoTownTables()) {
    const std::string path = "\\DB\\" + name + ".ndb";
    PutFile(path, sample::PackNdb(sample::BuildNdb(plan)));
    ASSERT_EQ(set.OpenTable(name.c_str(), path.c_str()), kDbOk) << name;
  }
  uint32_t count = 0;
  TDbSelection houses = set.Select("Houses", "CityID", kDbEqual, 1, &count);
  houses = set.Select("Houses", "StreetID", kDbEqual, 2, &count, &houses);
  uint32_t onStreet2 = 0;  // the Demo map's numbered houses on the street of StreetID 2
  for (const sample::DemoTownHouse& h : sample::DemoTownHouses())
    onStreet2 += sample::kTownEastWestNames[h.street] + 1 == 2;
  EXPECT_GT(onStreet2, 3u);
  EXPECT_EQ(count, onStreet2);
  const TDbSelection types = set.Select("ObjTypes", "TypeID", kDbLess, 255, &count);
  EXPECT_EQ(count, 4u);
  const TDbTable* cities = set.GetTable("Cities");
  double x1 = 0;
  ASSERT_TRUE(cities->GetNumber(0, set.GetColumnIndex("Cities", "X1"), &x1));
  EXPECT_NEAR(x1, 0.973, 0.001);  // radians
}

}  // namespace
