// The map file: layout, reading, writing back, groups, damaged files and backups.
#include <cmath>
#include <cstring>
#include <sys/resource.h>

#include "base/ini_file.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "mdm_test_util.h"

using namespace mdmtest;

namespace {

class MdmFileTest : public DeviceTest {};

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) { return mdm::GetU32(b.data() + at); }

// Loads a map as the working map with all its geometry in memory.
int LoadWorking(TMdmMap& map, const std::string& path) {
  int rc = OpenMap(map, path);
  if (rc) return rc;
  map.working = 1;
  return map.LoadVisibleObjects();
}

}  // namespace

TEST(MdmLayout, DemoMapHasTheDocumentedLayout) {
  std::vector<uint8_t> b = sample::BuildMdm(sample::DemoMdm());
  ASSERT_EQ(b.size(), 297u);
  EXPECT_EQ(std::memcmp(b.data(), "MDM2D", 5), 0);
  EXPECT_EQ(b[6], 0x26);
  EXPECT_EQ(U32At(b, 67), 193u);
  const uint8_t list[] = {0x0D, 0x00, 0x04, 'D', 'e', 'm', 'o'};
  EXPECT_EQ(std::memcmp(b.data() + 193, list, sizeof(list)), 0);
  EXPECT_EQ(U32At(b, 77 + 18), 200u);  // the first object's data follows the header list
}

TEST_F(MdmFileTest, LoadsTheDemoMap) {
  ASSERT_TRUE(sample::WriteMdm(Host("\\demo.mdm"), sample::DemoMdm()));
  TMdmMap map;
  ASSERT_EQ(OpenMap(map, "\\demo.mdm"), 0);
  EXPECT_EQ(map.count, 5);
  EXPECT_EQ(map.objects[0].code, 0);
  EXPECT_EQ(map.zone, 7);
  EXPECT_STREQ(map.libraryName, "Demo");
  EXPECT_FLOAT_EQ(map.unit, 0.01f);
  EXPECT_EQ(map.nominalScale, 10000u);
  EXPECT_EQ(map.extXMin, 0);
  EXPECT_EQ(map.extXMax, 1000000);
  EXPECT_EQ(map.extYMax, 1000000);
  EXPECT_EQ(map.objects[1].kind, mdm::kKindPoint);
  EXPECT_EQ(map.objects[1].box[0], 50000);
  EXPECT_EQ(map.objects[3].kind, mdm::kKindArea);
  EXPECT_EQ(map.objects[3].state, 0);  // geometry stays in the file until asked for
  EXPECT_EQ(map.objects[3].vertexCount, 0);

  // Without a library the geometry is read all the same, and the answer says what is missing.
  map.working = 1;
  EXPECT_EQ(map.LoadVisibleObjects(), kMdmNoLibrary);
  EXPECT_EQ(map.objects[3].state, 1);
  EXPECT_EQ(map.objects[3].vertexCount, 4);
  ASSERT_NE(map.objects[3].name, nullptr);
  EXPECT_STREQ(map.objects[3].name, L"Lake");
  char text[256];
  EXPECT_EQ(map.GetStrAttr(1, 99, text), 1);
  EXPECT_STREQ(text, "P1");
}

TEST_F(MdmFileTest, LoadedAndSavedComesBackByteIdentical) {
  std::vector<uint8_t> original = sample::BuildMdm(sample::DemoMdm());
  ASSERT_TRUE(WriteHost("\\a.mdm", original));
  TMdmMap map;
  ASSERT_EQ(LoadWorking(map, "\\a.mdm"), kMdmNoLibrary);
  ASSERT_EQ(map.Save("\\b.mdm", 0), 0);
  EXPECT_EQ(ReadHost("\\b.mdm"), original);
  // Saving over itself keeps it too.
  ASSERT_EQ(map.Save("\\a.mdm", 0), 0);
  EXPECT_EQ(ReadHost("\\a.mdm"), original);
}

TEST_F(MdmFileTest, NarrowEntryMapIsWidenedOnSave) {
  sample::MdmSpec plan = sample::DemoMdm();
  plan.wideEntries = false;
  plan.writtenFlag = false;
  // Above 32767: the 16-bit values are unsigned.
  plan.objects[1] = sample::MdmShape(18, {{40000, 50000}, {65535, 100}});
  plan.objects[3].vertices = {{60000, 60000}, {60000, 65000}};
  plan.objects[3].box[0] = plan.objects[3].box[1] = plan.objects[3].box[2] = 60000;
  plan.objects[3].box[3] = 65000;
  ASSERT_TRUE(sample::WriteMdm(Host("\\n.mdm"), plan));
  TMdmMap map;
  ASSERT_EQ(LoadWorking(map, "\\n.mdm"), kMdmNoLibrary);
  EXPECT_EQ(map.wideEntries, 0u);
  EXPECT_EQ(map.objects[2].box[2], 65535);
  EXPECT_EQ(map.objects[2].vertices[0].x, 40000);
  EXPECT_EQ(map.objects[2].vertices[1].x, 65535);
  EXPECT_EQ(map.objects[4].vertexCount, 2);  // the text

  ASSERT_EQ(map.Save("\\n2.mdm", 0), 0);
  std::vector<uint8_t> b = ReadHost("\\n2.mdm");
  EXPECT_EQ(b[6] & 0x06, 0x06);  // 29-byte entries, written by the writer
  EXPECT_EQ(U32At(b, 67), 77u + 4 * 29);

  TMdmMap back;
  ASSERT_EQ(LoadWorking(back, "\\n2.mdm"), kMdmNoLibrary);
  EXPECT_EQ(back.objects[2].vertices[1].x, 65535);
  ASSERT_EQ(back.objects[4].vertexCount, 2);  // every text vertex survives, not half of them
  EXPECT_EQ(back.objects[4].vertices[1].y, 65000);
  EXPECT_STREQ(back.objects[4].name, L"Text");
}

TEST_F(MdmFileTest, VersionOneKeepsItsVersionAndHasNoPlacementBytes) {
  sample::MdmSpec plan = sample::DemoMdm();
  plan.version = 1;
  ASSERT_TRUE(sample::WriteMdm(Host("\\v1.mdm"), plan));
  TMdmMap map;
  ASSERT_EQ(LoadWorking(map, "\\v1.mdm"), kMdmNoLibrary);
  EXPECT_EQ(map.objects[4].placement, 0);
  ASSERT_EQ(map.Save("\\v1b.mdm", 0), 0);
  std::vector<uint8_t> b = ReadHost("\\v1b.mdm");
  EXPECT_EQ(b[5], 1);
  EXPECT_EQ(b.size(), 296u);  // the demo's 297 less the text's placement byte
}

TEST_F(MdmFileTest, PlacementBytesSurviveASave) {
  sample::MdmSpec plan = sample::DemoMdm();
  plan.objects[3].placement = 0x25;
  ASSERT_TRUE(sample::WriteMdm(Host("\\p.mdm"), plan));
  TMdmMap map;
  ASSERT_EQ(LoadWorking(map, "\\p.mdm"), kMdmNoLibrary);
  EXPECT_EQ(map.objects[4].placement, 0x25);
  // A new code keeps the text's placement.
  map.SetObjectCode(4, 44);
  ASSERT_EQ(map.Save("\\p2.mdm", 0), 0);
  EXPECT_EQ(ReadHost("\\p2.mdm").back(), 0x25);
}

TEST_F(MdmFileTest, GroupsFromEntryFlags) {
  sample::MdmSpec plan = sample::DemoMdm();
  auto area = [](uint8_t flags) {
    sample::MdmObject o = sample::MdmShape(19, {{10, 10}, {10, 20}, {20, 20}, {10, 10}});
    o.entryFlags = flags;
    return o;
  };
  plan.objects = {area(0x00), area(0x40), area(0x10), area(0x00)};
  ASSERT_TRUE(sample::WriteMdm(Host("\\g.mdm"), plan));
  TMdmMap map;
  ASSERT_EQ(OpenMap(map, "\\g.mdm"), 0);
  EXPECT_EQ(map.objects[2].groupHead, 1);
  EXPECT_EQ(map.objects[3].groupHead, 1);
  EXPECT_EQ(map.objects[4].groupHead, 0);  // the group was closed by R
  EXPECT_TRUE(map.objects[1].flags & TMapObject::kGroupHead);
  EXPECT_TRUE(map.objects[2].flags & TMapObject::kGroupMember);
  EXPECT_TRUE(map.objects[3].flags & TMapObject::kGroupMember);
  EXPECT_FALSE(map.objects[4].flags & (TMapObject::kGroupMember | TMapObject::kGroupHead));
}

// A lake with two islands, then a separate lake of the same code. Dropping the island that ends
// the group, or regrouping a group that a text ends, must not make the next lake a hole of the
// first: the groups are written as memory holds them, and read back the same.
TEST_F(MdmFileTest, GroupsSurviveADroppedLastMemberAndTheRegrouping) {
  sample::MdmSpec plan = sample::DemoMdm();
  auto shape = [](uint16_t code, uint8_t flags, int32_t at) {
    sample::MdmObject o = sample::MdmShape(code, {{at, at}, {at, at + 10}, {at + 10, at + 10}, {at, at}});
    o.entryFlags = flags;
    return o;
  };
  // Which objects of a map read back head each of its objects (by position, 0 none).
  auto heads = [](const TMdmMap& m) {
    std::vector<int32_t> h;
    for (int32_t i = 1; i < m.count; ++i) h.push_back(m.objects[i].groupHead);
    return h;
  };
  const uint8_t member = TMapObject::kGroupMember;

  // Lake 1, islands 2 and 3 (3 ends the group), lake 4; island 3 deleted.
  plan.objects = {shape(19, 0x00, 100), shape(19, 0x40, 110), shape(19, 0x10, 120), shape(19, 0x00, 300)};
  ASSERT_TRUE(sample::WriteMdm(Host("\\d.mdm"), plan));
  {
    TMdmMap map;
    ASSERT_EQ(LoadWorking(map, "\\d.mdm"), kMdmNoLibrary);
    ASSERT_EQ(heads(map), (std::vector<int32_t>{0, 1, 1, 0}));
    ASSERT_EQ(map.DeleteObject(3), 1);
    ASSERT_EQ(map.Save("\\d.mdm", 0), 0);
  }
  {
    TMdmMap map;
    ASSERT_EQ(OpenMap(map, "\\d.mdm"), 0);
    ASSERT_EQ(map.count, 4);
    EXPECT_EQ(heads(map), (std::vector<int32_t>{0, 1, 0}));
    EXPECT_TRUE(map.objects[2].flags & member);
    EXPECT_FALSE(map.objects[3].flags & member) << "the separate lake became a hole";
  }

  // Lake 1, island 2, a text 3 that ends the group, lake 4; saved with the regrouping, which
  // writes the text last. Memory keeps the same groups as the file.
  plan.objects = {shape(19, 0x00, 100), shape(19, 0x40, 110), shape(20, 0x10, 120), shape(19, 0x00, 300)};
  ASSERT_TRUE(sample::WriteMdm(Host("\\t.mdm"), plan));
  {
    TMdmMap map;
    ASSERT_EQ(LoadWorking(map, "\\t.mdm"), kMdmNoLibrary);
    ASSERT_EQ(map.Save("\\t.mdm", 1), 0);
    EXPECT_EQ(heads(map), (std::vector<int32_t>{0, 1, 0, 0}));
    EXPECT_FALSE(map.objects[3].flags & member);
  }
  {
    TMdmMap map;
    ASSERT_EQ(OpenMap(map, "\\t.mdm"), 0);
    ASSERT_EQ(map.count, 5);
    EXPECT_EQ(map.objects[4].code, 20);  // the text, written last
    EXPECT_EQ(heads(map), (std::vector<int32_t>{0, 1, 0, 0}));
    EXPECT_TRUE(map.objects[2].flags & member);
    EXPECT_FALSE(map.objects[3].flags & member) << "the separate lake became a hole";
  }

  // Unchanged, the flags are written as they were: the file comes back byte for byte.
  plan.objects = {shape(19, 0x00, 100), shape(19, 0x40, 110), shape(19, 0x10, 120), shape(19, 0x00, 300)};
  ASSERT_TRUE(sample::WriteMdm(Host("\\u.mdm"), plan));
  const std::vector<uint8_t> before = ReadHost("\\u.mdm");
  TMdmMap map;
  ASSERT_EQ(LoadWorking(map, "\\u.mdm"), kMdmNoLibrary);
  ASSERT_EQ(map.Save("\\u2.mdm", 0), 0);
  EXPECT_EQ(ReadHost("\\u2.mdm"), before);
}

TEST_F(MdmFileTest, SaveDropsEmptyObjectsAndRegroupsByKind) {
  ASSERT_TRUE(sample::WriteMdm(Host("\\r.mdm"), sample::DemoMdm()));
  TMdmMap map;
  ASSERT_EQ(LoadWorking(map, "\\r.mdm"), kMdmNoLibrary);
  int32_t empty = map.AddObject(26, mdm::kKindLine);  // a line that never got a vertex
  ASSERT_GT(empty, 0);
  map.DeleteObject(1);  // the point
  EXPECT_EQ(map.count, 6);  // slots stay until the save
  ASSERT_EQ(map.Save("\\r.mdm", 1), 0);
  // Placeholder, then areas, lines, points, texts.
  ASSERT_EQ(map.count, 4);
  EXPECT_EQ(map.objects[0].code, 0);
  EXPECT_EQ(map.objects[1].code, 27);
  EXPECT_EQ(map.objects[2].code, 18);
  EXPECT_EQ(map.objects[3].code, 36);
  std::vector<uint8_t> b = ReadHost("\\r.mdm");
  EXPECT_EQ(mdm::GetU16(b.data() + 75), 3);

  TMdmMap back;
  ASSERT_EQ(LoadWorking(back, "\\r.mdm"), kMdmNoLibrary);
  EXPECT_EQ(back.objects[1].code, 27);
  EXPECT_STREQ(back.objects[1].name, L"Lake");
  EXPECT_EQ(back.objects[3].vertexCount, 2);
}

TEST_F(MdmFileTest, ANonWorkingMapIsNeverWritten) {
  ASSERT_TRUE(sample::WriteMdm(Host("\\nw.mdm"), sample::DemoMdm()));
  TMdmMap map;
  ASSERT_EQ(OpenMap(map, "\\nw.mdm"), 0);
  EXPECT_EQ(map.Save("\\nw2.mdm", 0), 0);
  EXPECT_TRUE(ReadHost("\\nw2.mdm").empty());
}

TEST_F(MdmFileTest, DamagedHeadersAreRefused) {
  TMdmMap map;
  EXPECT_EQ(map.OpenHeader("\\missing.mdm"), kMdmNoFile);
  EXPECT_EQ(map.Load(), kMdmNoFile);

  std::vector<uint8_t> good = sample::BuildMdm(sample::DemoMdm());
  ASSERT_TRUE(WriteHost("\\short.mdm", std::vector<uint8_t>(good.begin(), good.begin() + 40)));
  EXPECT_EQ(map.OpenHeader("\\short.mdm"), kMdmFormat);
  EXPECT_EQ(map.opened, 0u);

  std::vector<uint8_t> magic = good;
  magic[0] = 'X';
  ASSERT_TRUE(WriteHost("\\magic.mdm", magic));
  EXPECT_EQ(map.OpenHeader("\\magic.mdm"), kMdmFormat);

  sample::MdmSpec flat = sample::DemoMdm();
  flat.x2 = flat.x1;
  ASSERT_TRUE(sample::WriteMdm(Host("\\flat.mdm"), flat));
  EXPECT_EQ(map.OpenHeader("\\flat.mdm"), kMdmFormat);
  flat.x2 = std::nan("");
  ASSERT_TRUE(sample::WriteMdm(Host("\\nan.mdm"), flat));
  EXPECT_EQ(map.OpenHeader("\\nan.mdm"), kMdmFormat);
  EXPECT_EQ(map.Load(), kMdmNoFile);
}

TEST_F(MdmFileTest, DamagedTablesLeaveNoObjects) {
  std::vector<uint8_t> good = sample::BuildMdm(sample::DemoMdm());
  TMdmMap map;

  // The entry count reaches beyond the file.
  std::vector<uint8_t> cut(good.begin(), good.begin() + 77 + 29 * 2 + 5);
  ASSERT_TRUE(WriteHost("\\cut.mdm", cut));
  ASSERT_EQ(map.OpenHeader("\\cut.mdm"), 0);
  EXPECT_EQ(map.Load(), kMdmFormat);
  EXPECT_EQ(map.count, 1);
  EXPECT_EQ(map.loaded, 0u);

  // The header list lies past the end.
  std::vector<uint8_t> list = good;
  mdm::PutU32(list.data() + 67, 5000);
  ASSERT_TRUE(WriteHost("\\list.mdm", list));
  EXPECT_EQ(OpenMap(map, "\\list.mdm"), kMdmFormat);
  EXPECT_EQ(map.count, 1);

  // A library name that would lead out of the library folder is no name.
  sample::MdmSpec plan = sample::DemoMdm();
  plan.library = "..\\x";
  ASSERT_TRUE(sample::WriteMdm(Host("\\lib.mdm"), plan));
  ASSERT_EQ(OpenMap(map, "\\lib.mdm"), 0);
  EXPECT_STREQ(map.libraryName, "");
}

// One object of a wide-entry file as stored: its table entry and its data bytes.
struct StoredObject {
  std::vector<uint8_t> entry;  // code, box and flags; offset and sizes left out
  std::vector<uint8_t> data;   // geometry, attribute list, a text's placement byte
};

std::vector<StoredObject> StoredObjects(const std::vector<uint8_t>& b) {
  std::vector<StoredObject> out;
  if (b.size() < 77) return out;
  uint16_t n = mdm::GetU16(b.data() + mdm::kOffEntryCount);
  for (uint16_t k = 0; k < n; k++) {
    const uint8_t* e = b.data() + 77 + 29 * k;
    StoredObject o;
    o.entry.assign(e, e + 18);
    o.entry.push_back(e[28]);
    uint64_t at = mdm::GetU32(e + 18);
    uint64_t len = uint64_t(mdm::GetU32(e + 22)) + mdm::GetU16(e + 26) +
                   ((mdm::GetU16(e) & 7) == mdm::kKindText ? 1 : 0);
    if (at + len <= b.size()) o.data.assign(b.begin() + long(at), b.begin() + long(at + len));
    out.push_back(o);
  }
  return out;
}

TEST_F(MdmFileTest, AnUnreadableObjectCostsThatObjectOnlyAndIsSavedAsStored) {
  std::vector<uint8_t> good = sample::BuildMdm(sample::DemoMdm());
  for (int variant = 0; variant < 3; variant++) {
    std::vector<uint8_t> bad = good;
    size_t line = 77 + 29;  // the line's entry
    int damaged = variant == 2 ? 1 : 2;
    if (variant == 0) mdm::PutU32(bad.data() + line + 18, 100000);  // offset past the end
    if (variant == 1) mdm::PutU32(bad.data() + line + 22, 20);      // not whole vertices
    if (variant == 2) mdm::PutU16(bad.data() + 77 + 26, 0xFFFF);    // the point's list too long
    ASSERT_TRUE(WriteHost("\\bad.mdm", bad));
    TMdmMap map;
    ASSERT_EQ(OpenMap(map, "\\bad.mdm"), 0);
    map.working = 1;
    EXPECT_EQ(map.LoadVisibleObjects(), kMdmFormat) << variant;
    for (int i = 1; i <= 4; i++) {
      EXPECT_EQ(map.objects[i].state,
                i == damaged ? TMapObject::kStateFailed : TMapObject::kStateRead)
          << variant << " " << i;
      EXPECT_EQ(map.objects[i].damaged, i == damaged ? 1 : 0) << variant << " " << i;
    }
    EXPECT_EQ(map.GetVertexCount(4), 2) << variant;  // read after the failure
    // A damaged object is not retried on each pass.
    EXPECT_EQ(map.LoadVisibleObjects(), kMdmNoLibrary) << variant;

    ASSERT_EQ(map.Save("\\bad.mdm", 0), 0) << variant;
    EXPECT_EQ(map.damagedObjects, 1) << variant;
    std::vector<StoredObject> before = StoredObjects(bad), after = StoredObjects(ReadHost("\\bad.mdm"));
    ASSERT_EQ(after.size(), 4u) << variant;
    for (size_t k = 0; k < 4; k++) {
      EXPECT_EQ(after[k].entry, before[k].entry) << variant << " " << k;
      // Variant 0's geometry does not exist: that object keeps its entry without data.
      if (variant == 0 && int(k) + 1 == damaged)
        EXPECT_TRUE(after[k].data.empty());
      else
        EXPECT_EQ(after[k].data, before[k].data) << variant << " " << k;
    }
    // The file written reopens, the damaged object still damaged and the others whole.
    TMdmMap back;
    ASSERT_EQ(OpenMap(back, "\\bad.mdm"), 0) << variant;
    back.working = 1;
    back.LoadVisibleObjects();
    EXPECT_EQ(back.GetVertexCount(3), 4) << variant;
    EXPECT_EQ(back.GetVertexCount(4), 2) << variant;
  }
}

// A damaged entry whose geometry size claims nearly 4 GiB (whole vertices, so only the read
// fails) is saved without data: the writer copies only bytes the file holds and does not try
// to hold the claimed length in memory.
TEST_F(MdmFileTest, ADamagedEntryClaimingGigabytesIsSavedWithoutData) {
  std::vector<uint8_t> bad = sample::BuildMdm(sample::DemoMdm());
  mdm::PutU32(bad.data() + 77 + 29 + 22, 0xFFFFFFF8u);
  ASSERT_TRUE(WriteHost("\\huge.mdm", bad));
  TMdmMap map;
  ASSERT_EQ(OpenMap(map, "\\huge.mdm"), 0);
  map.working = 1;
  map.LoadVisibleObjects();
  ASSERT_EQ(map.objects[2].damaged, 1);
  struct rusage before {}, after {};
  getrusage(RUSAGE_SELF, &before);
  ASSERT_EQ(map.Save("\\huge.mdm", 0), 0);
  getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024);  // KiB
  std::vector<StoredObject> back = StoredObjects(ReadHost("\\huge.mdm"));
  ASSERT_EQ(back.size(), 4u);
  EXPECT_TRUE(back[1].data.empty());
  EXPECT_FALSE(back[2].data.empty());
}

TEST_F(MdmFileTest, ABoxWithMinimumAboveMaximumCostsThatObjectOnly) {
  std::vector<uint8_t> good = sample::BuildMdm(sample::DemoMdm());
  std::vector<uint8_t> box = good;
  mdm::PutI32(box.data() + 77 + 29 + 2, 90000);  // the line's x minimum above its maximum
  ASSERT_TRUE(WriteHost("\\box.mdm", box));
  TMdmMap map;
  ASSERT_EQ(OpenMap(map, "\\box.mdm"), 0);
  EXPECT_EQ(map.count, 5);
  EXPECT_EQ(map.objects[2].damaged, 1);
  map.working = 1;
  map.LoadVisibleObjects();
  EXPECT_EQ(map.objects[2].vertices, nullptr);  // never read, so never drawn
  EXPECT_EQ(map.objects[2].state, TMapObject::kStateFailed);
  EXPECT_EQ(map.GetVertexCount(3), 4);

  map.SetStrAttr(1, 9, "Changed");
  ASSERT_EQ(map.Save("\\box.mdm", 0), 0);
  std::vector<StoredObject> before = StoredObjects(box), after = StoredObjects(ReadHost("\\box.mdm"));
  ASSERT_EQ(after.size(), 4u);
  for (size_t k = 1; k < 4; k++) {
    EXPECT_EQ(after[k].entry, before[k].entry) << k;
    EXPECT_EQ(after[k].data, before[k].data) << k;
  }
  EXPECT_NE(after[0].data, before[0].data);  // the change was written
}

TEST_F(MdmFileTest, BackupsFollowTheThrottle) {
  g_Ini.SetInt("WMBackUp", 1);
  std::vector<uint8_t> original = sample::BuildMdm(sample::DemoMdm());
  ASSERT_TRUE(WriteHost("\\w.mdm", original));
  TMdmMap map;
  ASSERT_EQ(LoadWorking(map, "\\w.mdm"), kMdmNoLibrary);

  map.SetStrAttr(1, 9, "First");
  ASSERT_EQ(map.Save("\\w.mdm", 0), 0);
  EXPECT_EQ(ReadHost("\\w_bak2.mdm"), original);
  std::vector<uint8_t> first = ReadHost("\\w.mdm");

  // A second save within 30 minutes makes no backup.
  harness::Advance(1000);
  map.SetStrAttr(1, 9, "Second");
  ASSERT_EQ(map.Save("\\w.mdm", 0), 0);
  EXPECT_TRUE(ReadHost("\\w_bak3.mdm").empty());

  harness::Advance(1800001);
  std::vector<uint8_t> second = ReadHost("\\w.mdm");
  ASSERT_EQ(map.Save("\\w.mdm", 0), 0);
  EXPECT_EQ(ReadHost("\\w_bak2.mdm"), original);
  EXPECT_EQ(ReadHost("\\w_bak3.mdm"), second);
  EXPECT_NE(first, second);
}

TEST_F(MdmFileTest, AFailedWriteLeavesTheOldFile) {
  std::vector<uint8_t> original = sample::BuildMdm(sample::DemoMdm());
  ASSERT_TRUE(WriteHost("\\f.mdm", original));
  TMdmMap map;
  ASSERT_EQ(LoadWorking(map, "\\f.mdm"), kMdmNoLibrary);
  map.SetStrAttr(1, 9, "Changed");
  // The temporary file beside the map cannot be made: a folder holds its name.
  ASSERT_TRUE(CreateDirectoryW(L"\\f.mdm.tmp", nullptr));
  EXPECT_EQ(map.Save("\\f.mdm", 0), kMdmNoFile);
  EXPECT_EQ(ReadHost("\\f.mdm"), original);
  ASSERT_TRUE(RemoveDirectoryW(L"\\f.mdm.tmp"));
  EXPECT_EQ(map.Save("\\f.mdm", 0), 0);
  EXPECT_NE(ReadHost("\\f.mdm"), original);
}

TEST_F(MdmFileTest, AMissingLibraryIsToldAndLeavesTheMapUsable) {
  ASSERT_TRUE(sample::WriteMdm(Host("\\demo.mdm"), sample::DemoMdm()));
  TMdmMap map;
  ASSERT_EQ(OpenMap(map, "\\demo.mdm"), 0);
  harness::ClearMessageBoxes();
  TObjectLibraryList libraries;
  libraries.SetFolder("\\Obj\\", nullptr);
  EXPECT_EQ(map.BindLibrary(&libraries), kMdmNoLibrary);
  EXPECT_EQ(map.GetLibrary(), nullptr);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
  map.working = 1;
  EXPECT_EQ(map.LoadVisibleObjects(), kMdmNoLibrary);
  EXPECT_EQ(map.objects[2].vertexCount, 3);
}

// ---- saves that fail, and files that a failure or damage left behind ----

namespace {

// What a save may change in memory: the header and every object's code and place in the file.
std::vector<uint32_t> MapState(const TMdmMap& map) {
  std::vector<uint32_t> s(map.header, map.header + mdm::kHeaderSize);
  s.push_back(map.wideEntries);
  s.push_back(uint32_t(map.count));
  for (int32_t i = 0; i < map.count; i++) {
    const TMapObject& o = map.objects[i];
    s.insert(s.end(), {o.code, o.geomOffset, o.geomSize, o.attrLength, o.damaged});
  }
  return s;
}

}  // namespace

// The working map on a card that fills up: a save that fails (its temporary cannot be made, or
// the card takes only so many bytes of it) leaves the file and the map in memory exactly as they
// were, so the save that finally succeeds still copies the damaged object from where it lies,
// not the Lake's vertices and name from the place the failed save had planned for it.
TEST_F(MdmFileTest, ASaveThatFailsAtAnyByteLeavesTheFileAndTheMapAsTheyWere) {
  std::vector<uint8_t> original = sample::BuildMdm(sample::DemoMdm());
  mdm::PutI32(original.data() + 77 + 29 + 2, 90000);  // the line's box damaged: copied as stored
  ASSERT_TRUE(WriteHost("\\w.mdm", original));
  TMdmMap map;
  ASSERT_EQ(LoadWorking(map, "\\w.mdm"), kMdmNoLibrary);
  ASSERT_EQ(map.objects[2].damaged, 1);
  // The point's list grows and a new point comes first in the regrouped order: every object
  // after them moves in the new file.
  map.SetStrAttr(1, 9, "A much longer name for the point");
  ASSERT_GT(map.AddPointObject(9, 55000, 65000, 1), 0);
  const std::vector<uint32_t> before = MapState(map);

  ASSERT_TRUE(CreateDirectoryW(L"\\w.mdm.tmp", nullptr));
  EXPECT_EQ(map.Save("\\w.mdm", 1), kMdmNoFile);
  ASSERT_TRUE(RemoveDirectoryW(L"\\w.mdm.tmp"));
  EXPECT_EQ(MapState(map), before);
  for (long long limit : {0LL, 1LL, 76LL, 77LL, 150LL, 250LL, 300LL, 340LL}) {
    harness::LimitFileWrites(limit);
    EXPECT_EQ(map.Save("\\w.mdm", 1), kMdmNoFile) << limit;
    EXPECT_EQ(ReadHost("\\w.mdm"), original) << limit;
    EXPECT_TRUE(ReadHost("\\w.mdm.tmp").empty()) << limit;
    EXPECT_EQ(MapState(map), before) << limit;
  }
  harness::LimitFileWrites(-1);

  ASSERT_EQ(map.Save("\\w.mdm", 1), 0);
  std::vector<StoredObject> old = StoredObjects(original), now = StoredObjects(ReadHost("\\w.mdm"));
  ASSERT_EQ(now.size(), 5u);  // regrouped: the area, the line, two points, the text
  EXPECT_EQ(now[1].entry, old[1].entry);
  EXPECT_EQ(now[1].data, old[1].data);  // the damaged line's own bytes
  TMdmMap back;
  ASSERT_EQ(LoadWorking(back, "\\w.mdm"), kMdmNoLibrary);
  EXPECT_EQ(back.GetVertexCount(1), 4);
  EXPECT_STREQ(back.objects[1].name, L"Lake");
  EXPECT_EQ(back.objects[2].damaged, 1);
  EXPECT_STREQ(back.objects[3].name, L"A much longer name for the point");
}

// A damaged object of a map of 4-byte vertices is written into the 8-byte file with its
// vertices widened (the size to match): once its box is mended it reads back whole.
TEST_F(MdmFileTest, ADamagedObjectOfANarrowMapIsWidenedAsItIsCopied) {
  sample::MdmSpec plan = sample::DemoMdm();
  plan.wideEntries = false;
  plan.objects[1] = sample::MdmShape(18, {{10000, 10000}, {20000, 15000}, {65535, 12000}});
  std::vector<uint8_t> narrow = sample::BuildMdm(plan);
  mdm::PutU16(narrow.data() + 77 + 19 + 6, 0);  // the line's x maximum below its minimum
  ASSERT_TRUE(WriteHost("\\n.mdm", narrow));
  TMdmMap map;
  ASSERT_EQ(LoadWorking(map, "\\n.mdm"), kMdmNoLibrary);
  ASSERT_EQ(map.objects[2].damaged, 1);
  map.SetStrAttr(1, 9, "Edited");
  ASSERT_EQ(map.Save("\\n.mdm", 0), 0);

  std::vector<uint8_t> wide = ReadHost("\\n.mdm");
  const uint8_t* e = wide.data() + 77 + 29;  // the line's entry
  EXPECT_EQ(mdm::GetU32(e + 22), 24u);     // three vertices of 8 bytes
  EXPECT_EQ(mdm::GetI32(e + 10), 0);
  mdm::PutI32(wide.data() + 77 + 29 + 10, 65535);  // the box mended
  ASSERT_TRUE(WriteHost("\\n.mdm", wide));
  TMdmMap back;
  ASSERT_EQ(LoadWorking(back, "\\n.mdm"), kMdmNoLibrary);
  EXPECT_EQ(back.objects[2].damaged, 0);
  ASSERT_EQ(back.GetVertexCount(2), 3);
  EXPECT_EQ(back.objects[2].vertices[2].x, 65535);  // widened without sign
  EXPECT_EQ(back.objects[2].vertices[1].y, 15000);
}

// A file cut short keeps what arrived of its last record when it is saved: the text's vertices
// and name when only its placement byte is missing; its whole vertices alone when the cut goes
// through its list or its geometry. The objects before it are untouched.
TEST_F(MdmFileTest, TheLastRecordOfACutFileKeepsWhatArrived) {
  const std::vector<uint8_t> whole = sample::BuildMdm(sample::DemoMdm());
  const uint8_t* textEntry = whole.data() + 77 + 3 * 29;
  const size_t textAt = mdm::GetU32(textEntry + 18);
  const uint16_t listLength = mdm::GetU16(textEntry + 26);
  ASSERT_EQ(textAt + 16 + listLength + 1, whole.size());  // the text is the last record
  struct Cut {
    size_t keep;
    int32_t vertices;
    uint16_t list;
  };
  for (const Cut& cut : {Cut{whole.size() - 1, 2, listLength}, Cut{textAt + 16 + 3, 2, 0},
                         Cut{textAt + 12, 1, 0}}) {
    ASSERT_TRUE(WriteHost("\\cut.mdm", std::vector<uint8_t>(whole.begin(), whole.begin() + long(cut.keep))));
    TMdmMap map;
    ASSERT_EQ(LoadWorking(map, "\\cut.mdm"), kMdmFormat) << cut.keep;
    ASSERT_EQ(map.objects[4].damaged, 1) << cut.keep;
    map.SetStrAttr(1, 9, "Edited");
    ASSERT_EQ(map.Save("\\cut.mdm", 0), 0) << cut.keep;

    TMdmMap back;
    ASSERT_EQ(LoadWorking(back, "\\cut.mdm"), kMdmNoLibrary) << cut.keep;
    EXPECT_EQ(back.objects[4].damaged, 0) << cut.keep;
    ASSERT_EQ(back.GetVertexCount(4), cut.vertices) << cut.keep;
    EXPECT_EQ(back.objects[4].vertices[0].y, 70000) << cut.keep;
    EXPECT_EQ(back.objects[4].attrLength, cut.list) << cut.keep;
    if (cut.list) {
      EXPECT_STREQ(back.objects[4].name, L"Text");
    }
    EXPECT_EQ(back.GetVertexCount(3), 4) << cut.keep;
    EXPECT_STREQ(back.objects[3].name, L"Lake") << cut.keep;
  }
}
