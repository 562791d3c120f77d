// The chooser and the viewer driven through the device harness on the virtual clock, with the
// library loaded by name as the program loads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/harness.h"
#include "rasterlib/tilvex.h"
#include "tests/rasterlib/bmp_writer.h"
#include "tools/sampledata/image_writer.h"

namespace {

constexpr int kBlock = 50;

// 400 x 300 of 50-pixel blocks in 8 palette colours, so a pixel read back does not depend on
// sampling within a block.
bmpw::Picture Town(std::vector<uint32_t>* pal) {
  *pal = {0x203040, 0x80A0C0, 0x40C040, 0xC04040, 0xE0E0A0, 0x606060, 0x2060E0, 0xF0F0F0};
  bmpw::Picture p{400, 300, {}};
  for (int y = 0; y < p.h; ++y)
    for (int x = 0; x < p.w; ++x) p.px.push_back((*pal)[size_t((x / kBlock + 3 * (y / kBlock)) % 8)]);
  return p;
}

void WriteHost(const std::wstring& device, const std::string& bytes) {
  std::ofstream(harness::HostPath(device), std::ios::binary) << bytes;
}

std::string ReadHost(const std::wstring& device) {
  std::ifstream in(harness::HostPath(device), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

COLORREF AsColorref(uint32_t rgb) { return RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF); }

struct Device {
  HMODULE lib = nullptr;
  bmpw::Picture town;
  Device() {
    harness::Start();
    CreateDirectoryW(L"\\Maps", nullptr);
    std::vector<uint32_t> pal;
    town = Town(&pal);
    WriteHost(L"\\Maps\\town.bmp", bmpw::Write(town, 8, false, pal));
    WriteHost(L"\\Maps\\town.ides", "100 200\n50:60:Well;\n");
    lib = LoadLibraryW(L"Tilvex");
  }
  ~Device() {
    if (lib) FreeLibrary(lib);
    harness::Stop();
  }
  TTilvexShow Show() const { return reinterpret_cast<TTilvexShow>(GetProcAddressW(lib, L"Show")); }
};

void Command(HWND dlg, int id) { SendMessageW(dlg, WM_COMMAND, static_cast<WPARAM>(id), 0); }

void Hold(int x, int y) {
  harness::PenDown(x, y);  // nothing else waiting: held past the long delay
  harness::PenUp(x, y);
}

}  // namespace

TEST(RasterViewer, HoldDragDeleteCentreAndCloseWriteBothFiles) {
  Device d;
  ASSERT_TRUE(d.Show());
  bool ran = false;
  harness::OnDialog(138, [&](HWND dlg) {
    ran = true;
    harness::PumpUntilIdle();
    // The picture fills the screen at "1:1", its bottom row at the screen's bottom.
    EXPECT_EQ(harness::ScreenPixel(25, 319 - 25), AsColorref(d.town.At(25, 299 - 25)));
    EXPECT_EQ(harness::ScreenPixel(230, 100), AsColorref(d.town.At(230, 299 - 220)));
    harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/rasterlib_viewer_bmp.png");
    Hold(120, 160);  // empty spot: a new point in slot 1, named by its slot
    Hold(50, 260);   // on "Well" (50, 60 from the bottom): selected
    harness::PenDown(50, 260);  // on the selected point: a drag
    harness::PenUp(70, 250);
    Hold(120, 160);
    Command(dlg, 1001);  // "-": the new point goes
    Hold(200, 300);      // and a newer one takes its slot and its index name
    Command(dlg, 1007);  // centre on "Well": selected
    Command(dlg, 1006);  // "X"
  });
  char path[kTilvexBufferBytes], name[kTilvexBufferBytes];
  EXPECT_EQ(d.Show()(0, "\\Maps\\town.bmp", 1, 2, nullptr, nullptr, path, name), 1);
  EXPECT_TRUE(ran);
  EXPECT_STREQ(path, "\\Maps\\town.bmp");
  EXPECT_STREQ(name, "Well");
  EXPECT_EQ(ReadHost(L"\\Maps\\town.ides"), "100 200\n70:70:Well;\n200:20:1;\n");
  EXPECT_EQ(ReadHost(L"\\Maps\\town.poi"), "NONAME 0 0\n1 70 70\n2 200 20\n");
}

TEST(RasterViewer, ChooserOpensTheNearestPictureAndRemembersIt) {
  Device d;
  CreateDirectoryW(L"\\Maps\\Old", nullptr);
  WriteHost(L"\\Maps\\Old\\far.bmp", "not a picture");
  WriteHost(L"\\Maps\\Old\\far.ides", "900 900\n");
  int viewers = 0;
  harness::OnDialog(103, [&](HWND dlg) {
    harness::PumpUntilIdle();
    Command(dlg, 1004);  // "Ближний"
    harness::PumpUntilIdle();
    harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/rasterlib_chooser.png");
    Command(dlg, 1005);  // OK
  });
  harness::OnDialog(138, [&](HWND dlg) {
    ++viewers;
    harness::PumpUntilIdle();
    Hold(50, 260);  // "Well"
    Command(dlg, 1006);
  });
  char path[kTilvexBufferBytes], name[kTilvexBufferBytes];
  EXPECT_EQ(d.Show()(0, nullptr, 110, 190, nullptr, nullptr, path, name), 1);
  EXPECT_EQ(viewers, 1);
  EXPECT_STREQ(path, "\\Maps\\town.bmp");
  EXPECT_STREQ(name, "Well");
  EXPECT_EQ(ReadHost(L"\\Rastr.ini"), "\\Maps\\town.bmp;\n");
  // "Выход" at the next start: nothing chosen, both outputs empty.
  harness::OnDialog(103, [&](HWND dlg) { Command(dlg, 1001); });
  EXPECT_EQ(d.Show()(0, nullptr, 110, 190, nullptr, nullptr, path, name), 0);
  EXPECT_EQ(viewers, 1);
}

// A 1-bit bitmap of w x h whose pixels are all there: a valid file of any size cheaply.
std::string BlankBitmap(int w, int h) {
  std::string s = bmpw::Write(bmpw::Picture{8, 1, std::vector<uint32_t>(8, 0)}, 1, false, {0, 0xFFFFFF});
  const size_t stride = (size_t(w) + 31) / 32 * 4;
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(v >> (8 * i) & 0xFF);
  };
  const uint32_t offBits = uint32_t(uint8_t(s[10])) | uint32_t(uint8_t(s[11])) << 8;
  s.resize(offBits);
  s.append(stride * size_t(h), '\0');
  put32(2, uint32_t(s.size()));
  put32(18, uint32_t(w));
  put32(22, uint32_t(h));
  put32(34, uint32_t(stride * size_t(h)));
  return s;
}

// The screen box where a black picture shows on the white viewer, below the top row of
// controls: left, top, right, bottom (inclusive); right < left when none.
RECT BlackOnScreen() {
  RECT r{240, 320, -1, -1};
  for (int y = 20; y < 320; ++y)
    for (int x = 0; x < 240; ++x)
      if (harness::ScreenPixel(x, y) == RGB(0, 0, 0)) {
        r.left = std::min<LONG>(r.left, x), r.right = std::max<LONG>(r.right, x);
        r.top = std::min<LONG>(r.top, y), r.bottom = std::max<LONG>(r.bottom, y);
      }
  return r;
}

// A field scan of 3000 x 2400 panned by taps to its far corner (right and top: a bitmap's Y
// counts from the bottom row) at "1:1" and at "1:4": the corner comes into the screen, and a
// point held there is saved at the corner's pixel.
TEST(RasterViewer, ALargeScanIsPannedToItsFarCornerAndMarkedThere) {
  Device d;
  WriteHost(L"\\Maps\\scan.bmp", BlankBitmap(3000, 2400));
  RECT at1to1{}, at1to4{};
  harness::OnDialog(138, [&](HWND dlg) {
    harness::PumpUntilIdle();
    auto panToCorner = [] {
      for (int i = 0; i < 40; ++i) {
        harness::Tap(235, 25);
        harness::PumpUntilIdle();
      }
    };
    panToCorner();
    at1to1 = BlackOnScreen();
    // Just inside the corner the screen shows.
    Hold(int(at1to1.right) - 1, int(at1to1.top) + 1);
    harness::PumpUntilIdle();
    HWND scale = ChildWindowFromPoint(dlg, POINT{95, 10});
    SendMessageW(scale, CB_SETCURSEL, 0, 0);  // "1:4"
    InvalidateRect(dlg, nullptr, FALSE);
    harness::PumpUntilIdle();
    panToCorner();
    at1to4 = BlackOnScreen();
    Command(dlg, 1006);
  });
  char path[kTilvexBufferBytes], name[kTilvexBufferBytes];
  d.Show()(0, "\\Maps\\scan.bmp", 0, 0, nullptr, nullptr, path, name);
  // The picture ends on the screen: white beyond its right column and above its top row.
  EXPECT_LT(at1to1.right, 200);
  EXPECT_GT(at1to1.top, 40);
  EXPECT_LT(at1to4.right, 200);
  EXPECT_GT(at1to4.top, 40);
  unsigned x = 0, y = 0;
  const std::string ides = ReadHost(L"\\Maps\\scan.ides");
  ASSERT_EQ(std::sscanf(ides.c_str(), "0 0\n%u:%u:", &x, &y), 2) << ides;
  EXPECT_GE(x, 2996u);
  EXPECT_LE(x, 2999u);
  EXPECT_GE(y, 2396u);
  EXPECT_LE(y, 2399u);
}

// Pictures the library cannot show get their message and no viewer: before, a blank viewer
// opened and points placed on it were saved beside the broken file. Through the chooser: a
// bitmap just over 25 million pixels ("too large", not "not a bitmap") and a JPEG cut short.
TEST(RasterViewer, PicturesThatCannotBeShownSaySoAndOpenNoViewer) {
  Device d;
  int viewers = 0;
  harness::OnDialog(138, [&](HWND dlg) {
    ++viewers;
    Hold(100, 100);
    Command(dlg, 1006);
  });
  harness::AnswerMessageBox(L"", IDOK);
  char path[kTilvexBufferBytes], name[kTilvexBufferBytes];
  WriteHost(L"\\Maps\\bad.bmp", "BM");
  EXPECT_EQ(d.Show()(0, "\\Maps\\bad.bmp", 0, 0, nullptr, nullptr, path, name), 0);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Not Bmp File");
  EXPECT_STREQ(path, "");
  EXPECT_FALSE(std::ifstream(harness::HostPath(L"\\Maps\\bad.ides")).good());

  // Chosen as the nearest picture to the position handed to Show.
  auto choose = [&](double x, double y) {
    harness::OnDialog(103, [](HWND dlg) {
      Command(dlg, 1004);  // "Ближний"
      Command(dlg, 1005);  // OK
    });
    harness::ClearMessageBoxes();
    return d.Show()(0, nullptr, x, y, nullptr, nullptr, path, name);
  };
  WriteHost(L"\\Maps\\big.bmp", BlankBitmap(5001, 5000));
  WriteHost(L"\\Maps\\big.ides", "5000 5000\n");
  EXPECT_EQ(choose(5000, 5000), 0);
  EXPECT_EQ(ReadHost(L"\\Rastr.ini"), "\\Maps\\big.bmp;\n");
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_NE(harness::MessageBoxes()[0].text.find(L"too large"), std::wstring::npos);
  // One column fewer is a picture the viewer shows.
  WriteHost(L"\\Maps\\big.bmp", BlankBitmap(5000, 5000));
  EXPECT_EQ(choose(5000, 5000), 0);
  EXPECT_EQ(viewers, 1);
  EXPECT_TRUE(harness::MessageBoxes().empty());

  HMODULE pelnor = LoadLibraryW(L"Pelnor");
  if (!pelnor) GTEST_SKIP() << "the image module is not built here";
  FreeLibrary(pelnor);
  sample::JpegSpec plan;
  plan.width = 400;
  plan.height = 300;
  const std::string jpeg = harness::HostPath(L"\\Maps\\cut.jpg");
  ASSERT_TRUE(sample::WriteJpeg(jpeg, plan));
  const std::string bytes = ReadHost(L"\\Maps\\cut.jpg");
  WriteHost(L"\\Maps\\cut.jpg", bytes.substr(0, bytes.size() / 3));
  WriteHost(L"\\Maps\\cut.ides", "-7000 -7000\n");
  EXPECT_EQ(choose(-7000, -7000), 0);
  EXPECT_EQ(ReadHost(L"\\Rastr.ini"), "\\Maps\\cut.jpg;\n");
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_NE(harness::MessageBoxes()[0].text.find(L"\\Maps\\cut.jpg"), std::wstring::npos);
  EXPECT_EQ(viewers, 1);
  EXPECT_STREQ(path, "");
  EXPECT_EQ(ReadHost(L"\\Maps\\cut.ides"), "-7000 -7000\n");
}

TEST(RasterViewer, JpegWithoutTheImageModuleDrawsNothingAndStillCloses) {
  Device d;
  HMODULE pelnor = LoadLibraryW(L"Pelnor");
  if (pelnor) {
    FreeLibrary(pelnor);
    GTEST_SKIP() << "the image module is present; its pictures are tested with it";
  }
  WriteHost(L"\\Maps\\town.jpg", "\xFF\xD8\xFF");
  harness::OnDialog(138, [&](HWND dlg) {
    harness::PumpUntilIdle();
    EXPECT_TRUE(harness::MessageBoxes().empty());
    Command(dlg, 1006);
  });
  char path[kTilvexBufferBytes], name[kTilvexBufferBytes];
  EXPECT_EQ(d.Show()(0, "\\Maps\\town.jpg", 0, 0, nullptr, nullptr, path, name), 0);
  EXPECT_STREQ(path, "\\Maps\\town.jpg");
}

TEST(RasterViewer, JpegThroughTheImageModuleCountsYFromTheTop) {
  Device d;
  HMODULE pelnor = LoadLibraryW(L"Pelnor");
  if (!pelnor) GTEST_SKIP() << "the image module is not built here";
  FreeLibrary(pelnor);
  sample::JpegSpec plan;
  plan.width = 400;
  plan.height = 300;
  plan.quality = 95;
  ASSERT_TRUE(sample::WriteJpeg(harness::HostPath(L"\\Maps\\town.jpg"), plan));
  WriteHost(L"\\Maps\\town.ides", "1 2\n50:60:Top;\n");
  auto near = [](COLORREF got, uint32_t want) {
    auto ch = [](uint32_t v, int s) { return int(v >> s & 0xFF); };
    return std::abs(int(GetRValue(got)) - ch(want, 16)) <= 24 && std::abs(int(GetGValue(got)) - ch(want, 8)) <= 24;
  };
  harness::OnDialog(138, [&](HWND dlg) {
    harness::PumpUntilIdle();
    EXPECT_TRUE(near(harness::ScreenPixel(100, 150), sample::PatternColour(100, 150)));
    EXPECT_TRUE(near(harness::ScreenPixel(200, 290), sample::PatternColour(200, 290)));
    harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/rasterlib_viewer_jpg.png");
    Hold(50, 60);  // "Top", counted from the top row
    Command(dlg, 1006);
  });
  char path[kTilvexBufferBytes], name[kTilvexBufferBytes];
  EXPECT_EQ(d.Show()(0, "\\Maps\\town.jpg", 0, 0, nullptr, nullptr, path, name), 1);
  EXPECT_STREQ(name, "Top");
  EXPECT_EQ(ReadHost(L"\\Maps\\town.ides"), "1 2\n50:60:Top;\n");
}

// A ".poi" written by another tool, without ".ides": its points are there to pick, and a close
// that changed nothing leaves it as it was and makes no ".ides". A point placed afterwards
// writes both files with the old points kept.
TEST(RasterViewer, PointsOfAPoiAloneAreShownAndAnUnchangedCloseWritesNothing) {
  Device d;
  ASSERT_TRUE(DeleteFileW(L"\\Maps\\town.ides"));
  const std::string poi = "FIELD 10 20\r\n1 100 50\r\n2 200 150\r\n3 300 250\r\n";
  WriteHost(L"\\Maps\\town.poi", poi);
  harness::OnDialog(138, [&](HWND dlg) {
    harness::PumpUntilIdle();
    Command(dlg, 1013);  // centre on the third point: selected
    Command(dlg, 1006);
  });
  char path[kTilvexBufferBytes], name[kTilvexBufferBytes];
  EXPECT_EQ(d.Show()(0, "\\Maps\\town.bmp", 1, 2, nullptr, nullptr, path, name), 1);
  EXPECT_STREQ(name, "2");  // named by its slot
  EXPECT_EQ(ReadHost(L"\\Maps\\town.poi"), poi);
  EXPECT_FALSE(std::ifstream(harness::HostPath(L"\\Maps\\town.ides")).good());

  harness::OnDialog(138, [&](HWND dlg) {
    harness::PumpUntilIdle();
    Hold(120, 160);  // an empty spot: a fourth point
    Command(dlg, 1006);
  });
  EXPECT_EQ(d.Show()(0, "\\Maps\\town.bmp", 1, 2, nullptr, nullptr, path, name), 0);
  const std::string ides = ReadHost(L"\\Maps\\town.ides");
  EXPECT_EQ(ides.substr(0, ides.find('\n', ides.find("300:250"))),
            "0 0\n100:50:0;\n200:150:1;\n300:250:2;");
  EXPECT_EQ(ReadHost(L"\\Maps\\town.poi").rfind("FIELD 10 20\n1 100 50\n2 200 150\n3 300 250\n4 ", 0), 0u);
}

// An ".ides" as a PC left it (CR LF) keeps its bytes when the viewer closes without a change.
TEST(RasterViewer, AnUnchangedCloseKeepsBothFilesByteForByte) {
  Device d;
  WriteHost(L"\\Maps\\town.ides", "100 200\r\n50:60:Well;\r\n");
  harness::OnDialog(138, [&](HWND dlg) { Command(dlg, 1006); });
  char path[kTilvexBufferBytes], name[kTilvexBufferBytes];
  d.Show()(0, "\\Maps\\town.bmp", 1, 2, nullptr, nullptr, path, name);
  EXPECT_EQ(ReadHost(L"\\Maps\\town.ides"), "100 200\r\n50:60:Well;\r\n");
  EXPECT_FALSE(std::ifstream(harness::HostPath(L"\\Maps\\town.poi")).good());
}
