#include "tools/sampledata/ndb_writer.h"

#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>

#include "tools/sampledata/demo_town.h"
#include "tools/sampledata/lzw_pack.h"
#include "tools/sampledata/mol_writer.h"

namespace sample {

namespace {

void Put16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

void Put32(Bytes& b, uint32_t v) {
  Put16(b, v);
  Put16(b, v >> 16);
}

void Put64(Bytes& b, uint64_t v) {
  Put32(b, uint32_t(v));
  Put32(b, uint32_t(v >> 32));
}

void PutDouble(Bytes& b, double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, 8);
  Put64(b, bits);
}

void PutFloat(Bytes& b, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  Put32(b, bits);
}

void PutText(Bytes& b, const std::string& text) {
  if (text.size() > 255) throw std::invalid_argument("ndb: text longer than 255 bytes");
  b.push_back(uint8_t(text.size()));
  b.insert(b.end(), text.begin(), text.end());
}

void PutHeader(Bytes& b, const std::string& magic, uint8_t spare,
               const std::vector<NdbColumn>& columns, uint32_t rowCount) {
  if (columns.size() > 255) throw std::invalid_argument("ndb: more than 255 columns");
  for (size_t i = 0; i < 7; ++i) b.push_back(i < magic.size() ? uint8_t(magic[i]) : 0);
  b.push_back(spare);
  b.push_back(uint8_t(columns.size()));
  Put32(b, rowCount);
  for (const NdbColumn& c : columns) {
    if (c.name.size() > 8) throw std::invalid_argument("ndb: column name longer than 8 bytes");
    for (size_t i = 0; i < 8; ++i) b.push_back(i < c.name.size() ? uint8_t(c.name[i]) : 0);
    b.push_back(c.type);
  }
}

void PutCell(Bytes& b, uint8_t type, const NdbCell& cell) {
  const int64_t* i = std::get_if<int64_t>(&cell);
  const double* d = std::get_if<double>(&cell);
  const std::string* s = std::get_if<std::string>(&cell);
  switch (type) {
    case kNdbByte:
    case kNdbShort:
    case kNdbLong:
      if (!i) throw std::invalid_argument("ndb: integer column given another value");
      if (type == kNdbByte) b.push_back(uint8_t(*i));
      if (type == kNdbShort) Put16(b, uint32_t(*i));
      if (type == kNdbLong) Put32(b, uint32_t(*i));
      break;
    case kNdbFloat:
    case kNdbDouble:
      if (!d) throw std::invalid_argument("ndb: real column given another value");
      if (type == kNdbFloat) PutFloat(b, float(*d));
      else PutDouble(b, *d);
      break;
    case kNdbText:
      if (!s) throw std::invalid_argument("ndb: text column given another value");
      PutText(b, *s);
      break;
    default: break;  // columns of other types take no bytes
  }
}

}  // namespace

Bytes BuildNdb(const NdbSpec& plan) {
  Bytes b;
  const uint32_t rowCount = plan.rowCount >= 0 ? uint32_t(plan.rowCount) : uint32_t(plan.rows.size());
  PutHeader(b, plan.magic, plan.spare, plan.columns, rowCount);
  for (const auto& row : plan.rows) {
    size_t next = 0;
    for (const NdbColumn& c : plan.columns) {
      if (c.type > kNdbText) continue;
      if (next >= row.size()) throw std::invalid_argument("ndb: row shorter than its columns");
      PutCell(b, c.type, row[next++]);
    }
  }
  return b;
}

Bytes PackNdb(const Bytes& image) {
  Bytes out = {0, 0, 0};
  const Bytes packed = LzwPack(image);
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

bool WriteNdb(const std::string& hostPath, const NdbSpec& plan, bool packed) {
  const Bytes image = BuildNdb(plan);
  return SaveBytes(hostPath, packed ? PackNdb(image) : image);
}

std::vector<std::pair<std::string, NdbSpec>> DemoTownTables() {
  constexpr double kDeg = 3.14159265358979323846 / 180.0;
  // The town spans about 2 km around 55.75 N, 37.62 E.
  const double lat0 = 55.74 * kDeg, lon0 = 37.60 * kDeg, step = 0.005 * kDeg;
  auto I = [](int64_t v) { return NdbCell(v); };
  auto D = [](double v) { return NdbCell(v); };
  auto T = [](const char* v) { return NdbCell(std::string(v)); };
  std::vector<std::pair<std::string, NdbSpec>> t;

  NdbSpec states;
  states.columns = {{"StateID", kNdbShort}, {"Name", kNdbText}};
  states.rows = {{I(1), T("Demo State")}};
  t.emplace_back("States", states);

  NdbSpec regions;
  regions.columns = {{"RegionID", kNdbShort}, {"StateID", kNdbShort}, {"Name", kNdbText}};
  regions.rows = {{I(1), I(1), T("Lake District")}, {I(2), I(1), T("Hill District")}};
  t.emplace_back("Regions", regions);

  NdbSpec cities;
  cities.columns = {{"CityID", kNdbShort}, {"Name", kNdbText},     {"X1", kNdbDouble},
                    {"Y1", kNdbDouble},    {"X2", kNdbDouble},     {"Y2", kNdbDouble},
                    {"StateID", kNdbShort}, {"RegionID", kNdbShort}};
  cities.rows = {
      {I(1), T("Vorna"), D(lat0), D(lon0), D(lat0 + 4 * step), D(lon0 + 4 * step), I(1), I(1)},
      {I(2), T("Little Vorna"), D(lat0 + 10 * step), D(lon0), D(lat0 + 11 * step),
       D(lon0 + step), I(1), I(2)}};
  t.emplace_back("Cities", cities);

  // Streets and houses carry the state and region of their city, so the search window's address
  // page finds them below a chosen city.
  NdbSpec streets;
  streets.columns = {{"CityID", kNdbShort}, {"StreetID", kNdbShort}, {"Name", kNdbText},
                     {"StateID", kNdbShort}, {"RegionID", kNdbShort}};
  for (int s = 0; s < 4; ++s) streets.rows.push_back({I(1), I(s + 1), T(kTownStreetNames[s]), I(1), I(1)});
  streets.rows.push_back({I(2), I(1), T("Main Street"), I(1), I(2)});
  t.emplace_back("Streets", streets);

  // The Demo map's numbered houses: the object ("OFFS") in map 1 ("Demo"), the centre of its
  // footprint, the number right-aligned in three characters as the street bar looks it up.
  NdbSpec houses;
  houses.columns = {{"CityID", kNdbShort}, {"StreetID", kNdbShort}, {"Name", kNdbText},
                    {"ListID", kNdbLong},  {"OFFS", kNdbLong},     {"StateID", kNdbShort},
                    {"RegionID", kNdbShort}, {"X1", kNdbDouble},   {"Y1", kNdbDouble}};
  for (const DemoTownHouse& h : DemoTownHouses()) {
    std::string number = h.number;
    if (number.size() < 3) number.insert(0, 3 - number.size(), ' ');
    double lat, lon;
    TownToGeo(h.u, h.v, &lat, &lon);
    houses.rows.push_back({I(1), I(kTownEastWestNames[h.street] + 1), T(number.c_str()), I(1),
                           I(h.object), I(1), I(1), D(lat), D(lon)});
  }
  t.emplace_back("Houses", houses);

  NdbSpec lists;
  lists.columns = {{"ListID", kNdbLong}, {"Name", kNdbText}};
  lists.rows = {{I(1), T("Demo")}};
  t.emplace_back("Lists", lists);

  NdbSpec types;
  types.columns = {{"TypeID", kNdbByte}, {"Name", kNdbText}};
  types.rows = {{I(1), T("School")}, {I(2), T("Shop")}, {I(3), T("Fuel station")}, {I(4), T("Station")}};
  t.emplace_back("ObjTypes", types);

  // The objects stand at their points of the Streets map; "OFFS" is their public building in
  // the Demo map (1 school, 2 shop, 4 station).
  NdbSpec objects;
  objects.columns = {{"TypeID", kNdbByte},   {"Name", kNdbText},    {"ListID", kNdbLong},
                     {"OFFS", kNdbLong},     {"StateID", kNdbShort}, {"RegionID", kNdbShort},
                     {"CityID", kNdbShort},  {"Address", kNdbText}, {"Phone", kNdbText},
                     {"Info", kNdbText},     {"X1", kNdbDouble},    {"Y1", kNdbDouble}};
  objects.rows = {
      {I(1), T("School No 1"), I(1), I(1), I(1), I(1), I(1), T("Main Street 3"), T("100-200"),
       T("Open 8-17"), D(lat0 + step), D(lon0 + step)},
      {I(2), T("Corner Shop"), I(1), I(2), I(1), I(1), I(1), T("Lake Road 1"), T(""), T(""),
       D(lat0 + 2 * step), D(lon0 + step)},
      {I(4), T("Vorna Station"), I(1), I(4), I(1), I(1), I(1), T("Station Road 1"), T("100-500"),
       T("Trains 5-24"), D(lat0 + 0.3 * step), D(lon0 + 1.75 * step)}};
  t.emplace_back("Objects", objects);

  NdbSpec global;
  global.columns = {{"Priority", kNdbShort}, {"Name", kNdbText}, {"X", kNdbDouble}, {"Y", kNdbDouble}};
  global.rows = {{I(1), T("Vorna"), D(lat0 + 2 * step), D(lon0 + 2 * step)},
                 {I(2), T("Little Vorna"), D(lat0 + 10 * step), D(lon0 + step / 2)},
                 {I(3), T("Demo Lake"), D(lat0 + 6 * step), D(lon0 + 6 * step)}};
  t.emplace_back("Global", global);
  return t;
}

Bytes AddressTableImage(uint32_t rows, uint32_t seed) {
  const std::vector<NdbColumn> columns = {
      {"CityID", kNdbShort}, {"StreetID", kNdbShort}, {"Name", kNdbText}, {"ListID", kNdbLong},
      {"OFFS", kNdbLong},    {"X1", kNdbDouble},      {"Y1", kNdbDouble}};
  Bytes b;
  b.reserve(size_t(rows) * 42 + 100);
  PutHeader(b, "VORNADB", 0, columns, rows);
  std::mt19937 rng(seed);
  static const char* const kSyllables[] = {"ka", "ro", "vi", "len", "sta", "mir", "no", "per",
                                           "tu", "gor", "ska", "ya", "li", "dor", "ve", "zan"};
  std::string name;
  for (uint32_t r = 0; r < rows; ++r) {
    Put16(b, rng() % 1000);
    Put16(b, rng() % 300);
    name.clear();
    const size_t length = 6 + rng() % 8 + rng() % 8;  // 6-20, about 13
    while (name.size() < length) name += kSyllables[rng() % 16];
    name.resize(length);
    name[0] = char(name[0] - 'a' + 'A');
    PutText(b, name);
    Put32(b, rng() % 20);
    Put32(b, rng() % 65536);
    PutDouble(b, 0.97 + (rng() % 1000000) * 1e-8);
    PutDouble(b, 0.65 + (rng() % 1000000) * 1e-8);
  }
  return b;
}

}  // namespace sample
