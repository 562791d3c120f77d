// Damaged pictures: each gives a result code and never a crash or a read past a buffer (the
// sanitizer build runs these too).
#include "tests/imagelib/pelnor_test_util.h"

namespace pelnortest {
namespace {

// Head, then whatever load the record asks for; the last non-zero result, or 0.
int LoadAll(const char* path) {
  Record r;
  int rc = LoadMapImageHead(path, &r.image);
  if (rc != 0) return rc;
  if (!r.image.tiled) return LoadMapImageFull(path, &r.image);
  for (PelnorImage* im = &r.image; im; im = im->next) {
    for (int32_t i = 0; i < im->tileCount && i < 64; ++i) im->tiles[i].wanted = 1;
    int t = LoadMapImageTiles(path, im);
    if (t != 0) rc = t;
  }
  return rc;
}

void ExpectCode(int rc) { EXPECT_TRUE(rc >= 0 && rc <= 3) << rc; }

// Little-endian TIFF: the value field of `tag` in the first directory, as a 32-bit word.
size_t TagValueAt(const std::vector<uint8_t>& b, uint16_t tag) {
  uint32_t ifd;
  std::memcpy(&ifd, &b[4], 4);
  uint16_t n;
  std::memcpy(&n, &b[ifd], 2);
  for (uint16_t i = 0; i < n; ++i) {
    size_t e = ifd + 2 + 12 * size_t(i);
    uint16_t t;
    std::memcpy(&t, &b[e], 2);
    if (t == tag) return e + 8;
  }
  return 0;
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); }

TEST_F(PelnorTest, EmptyCutAndForeignFilesGiveCodes) {
  sample::JpegSpec jspec;
  jspec.width = 200;
  jspec.height = 120;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\j.jpg"), jspec));
  sample::TiffSpec tspec;
  tspec.width = 200;
  tspec.height = 120;
  tspec.tileWidth = tspec.tileHeight = 64;
  tspec.compression = sample::TiffCompression::kJpeg;
  ASSERT_TRUE(sample::WriteTiff(Host("\\t.tif"), tspec));
  sample::BmpSpec bspec;
  bspec.width = 50;
  bspec.height = 40;
  WriteBytes("\\b.bmp", sample::BmpBytes(bspec));
  for (const char* name : {"\\j.jpg", "\\t.tif", "\\b.bmp"}) {
    const std::vector<uint8_t> whole = ReadBytes(name);
    WriteBytes("\\x.dat", {});
    EXPECT_EQ(LoadAll("\\x.dat"), 1) << name << " empty";
    for (int tenth = 1; tenth < 10; ++tenth) {
      std::vector<uint8_t> cut(whole.begin(), whole.begin() + ptrdiff_t(whole.size() * size_t(tenth) / 10));
      WriteBytes("\\x.dat", cut);
      int rc = LoadAll("\\x.dat");
      ExpectCode(rc);
      EXPECT_NE(rc, 0) << name << " cut at " << tenth << "/10";
    }
    std::vector<uint8_t> foreign = whole;
    foreign[0] ^= 0x55;
    WriteBytes("\\x.dat", foreign);
    EXPECT_EQ(LoadAll("\\x.dat"), 1) << name;
  }
}

TEST_F(PelnorTest, BadHuffmanTableIsABadPicture) {
  sample::JpegSpec plan;
  ASSERT_TRUE(sample::WriteJpeg(Host("\\h.jpg"), plan));
  std::vector<uint8_t> b = ReadBytes("\\h.jpg");
  size_t at = 0;
  for (size_t i = 0; i + 1 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == 0xC4) {
      at = i;
      break;
    }
  ASSERT_GT(at, 0u);
  // Code counts summing past 256 symbols.
  for (size_t i = 0; i < 16; ++i) b[at + 5 + i] = 0xFF;
  WriteBytes("\\h.jpg", b);
  EXPECT_EQ(LoadAll("\\h.jpg"), 1);
}

TEST_F(PelnorTest, TiffWithImpossibleTilesSizesOffsetsOrLoopsGivesCodes) {
  sample::TiffSpec tiled;
  tiled.width = 200;
  tiled.height = 150;
  tiled.tileWidth = tiled.tileHeight = 64;
  ASSERT_TRUE(sample::WriteTiff(Host("\\t.tif"), tiled));
  const std::vector<uint8_t> t = ReadBytes("\\t.tif");
  sample::TiffSpec strips = tiled;
  strips.tileWidth = strips.tileHeight = 0;
  ASSERT_TRUE(sample::WriteTiff(Host("\\s.tif"), strips));
  const std::vector<uint8_t> s = ReadBytes("\\s.tif");
  ASSERT_LT(s.size(), 200u * 150u * 3u + 2048u);

  struct Case {
    const char* what;
    bool tiledFile;
    uint16_t tag;
    uint32_t value;
  };
  const Case cases[] = {
      {"0-px tile", true, 322, 0},
      {"40000-px tile", true, 322, 40000},
      {"100000^2 picture", false, 256, 100000},
      {"tile offsets past the end", true, 324, 0x7FFFFFF0u},
      {"strip offsets past the end", false, 273, 0x7FFFFFF0u},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> b = c.tiledFile ? t : s;
    size_t at = TagValueAt(b, c.tag);
    ASSERT_GT(at, 0u) << c.what;
    // Short and long values alike sit at the start of the field.
    uint16_t type;
    std::memcpy(&type, &b[at - 6], 2);
    if (type == 3) Put16(b, at, uint16_t(c.value > 0xFFFF ? 0xFFFF : c.value)), Put32(b, at - 6, 4);
    Put32(b, at, c.value);
    if (c.tag == 256) Put32(b, TagValueAt(b, 257), 100000);
    WriteBytes("\\x.tif", b);
    int rc = LoadAll("\\x.tif");
    ExpectCode(rc);
    EXPECT_NE(rc, 0) << c.what;
  }

  // The directory chain pointing back at the first directory.
  std::vector<uint8_t> loop = t;
  uint32_t ifd;
  std::memcpy(&ifd, &loop[4], 4);
  uint16_t n;
  std::memcpy(&n, &loop[ifd], 2);
  Put32(loop, ifd + 2 + 12 * size_t(n), ifd);
  WriteBytes("\\x.tif", loop);
  ExpectCode(LoadAll("\\x.tif"));
}

TEST_F(PelnorTest, BitmapsWithLyingSizesAreBadPictures) {
  sample::BmpSpec plan;
  plan.width = 40;
  plan.height = 30;
  const std::vector<uint8_t> good = sample::BmpBytes(plan);
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
  };
  const Case cases[] = {
      {"width beyond the bits", 18, 400000},  {"height beyond the bits", 22, 0x7FFFFFFF},
      {"bits offset past the end", 10, 0x7FFFFFF0}, {"zero width", 18, 0},
      {"header size 7", 14, 7},                {"run-length", 30, 1},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> b = good;
    Put32(b, c.at, c.value);
    WriteBytes("\\x.bmp", b);
    EXPECT_EQ(LoadAll("\\x.bmp"), 1) << c.what;
  }
  // A palette longer than the depth allows.
  sample::BmpSpec grey = plan;
  grey.bitsPerPixel = 8;
  std::vector<uint8_t> b = sample::BmpBytes(grey);
  Put32(b, 46, 1000);
  WriteBytes("\\x.bmp", b);
  EXPECT_EQ(LoadAll("\\x.bmp"), 1);
}

TEST_F(PelnorTest, RecordsOfTheWrongKindAreRefused) {
  sample::BmpSpec plan;
  WriteBytes("\\b.bmp", sample::BmpBytes(plan));
  Record r;
  ASSERT_EQ(LoadMapImageHead("\\b.bmp", &r.image), 0);
  EXPECT_EQ(LoadMapImageTiles("\\b.bmp", &r.image), 1);  // a whole picture has no tiles
  EXPECT_EQ(LoadMapImageHead(nullptr, &r.image), 1);
  EXPECT_EQ(LoadMapImageFull("\\b.bmp", nullptr), 1);
}

}  // namespace
}  // namespace pelnortest
