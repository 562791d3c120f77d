// Window DCs on the screen surface, painting, the screen as PNG, icons, cursors, image lists and
// the SDL2 presenter.
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core/internal.h"
#include "platform/harness.h"
#include "platform/host/presenter_sdl.h"
#include "tests/platform_gdi/gdi_test_support.h"

namespace {

LRESULT CALLBACK PaintRed(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HBRUSH b = CreateSolidBrush(RGB(255, 0, 0));
    RECT r{0, 0, 1000, 1000};
    FillRect(dc, &r, b);  // clipped to the window and its update rectangle
    DeleteObject(b);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"GdiPlain";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&wc);
    wc.lpfnWndProc = PaintRed;
    wc.lpszClassName = L"GdiRed";
    RegisterClassW(&wc);
  }
  void TearDown() override { harness::Stop(); }
};

TEST_F(WindowTest, WindowDcDrawsAtTheClientOriginClippedToTheWindow) {
  HWND top = CreateWindowExW(0, L"GdiPlain", L"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr,
                             nullptr, nullptr, nullptr);
  HWND child = CreateWindowExW(0, L"GdiPlain", L"", WS_CHILD | WS_VISIBLE, 20, 30, 50, 40, top,
                               nullptr, nullptr, nullptr);
  harness::PumpUntilIdle();
  HDC dc = GetDC(child);
  ASSERT_NE(dc, nullptr);
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  Rectangle(dc, -100, -100, 500, 500);
  EXPECT_EQ(harness::ScreenPixel(20, 30), RGB(0, 0, 0));
  EXPECT_EQ(harness::ScreenPixel(69, 69), RGB(0, 0, 0));
  EXPECT_EQ(harness::ScreenPixel(70, 30), RGB(255, 255, 255));
  EXPECT_EQ(harness::ScreenPixel(19, 30), RGB(255, 255, 255));
  // Reading back returns what the screen holds there.
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 0));
  Canvas copy(10, 10);
  BitBlt(copy.dc(), 0, 0, 10, 10, dc, -5, -5, SRCCOPY);
  EXPECT_EQ(copy.At(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(copy.At(9, 9), RGB(0, 0, 0));
  EXPECT_EQ(ReleaseDC(child, dc), 1);
  EXPECT_EQ(ReleaseDC(child, dc), 0);
  // The parent's DC leaves the visible child alone only with WS_CLIPCHILDREN; the screen DC
  // covers everything.
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 240);
  SetPixel(screen, 239, 319, RGB(1, 2, 3));
  EXPECT_EQ(harness::ScreenPixel(239, 319), RGB(1, 2, 3));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x1234)), nullptr);
}

TEST_F(WindowTest, BeginPaintErasesAndClipsToTheUpdateRectangle) {
  HWND w = CreateWindowExW(0, L"GdiRed", L"", WS_POPUP | WS_VISIBLE, 10, 10, 100, 100, nullptr,
                           nullptr, nullptr, nullptr);
  harness::PumpUntilIdle();
  EXPECT_EQ(harness::ScreenPixel(10, 10), RGB(255, 0, 0));
  EXPECT_EQ(harness::ScreenPixel(110, 110), RGB(255, 255, 255));
  HDC dc = GetDC(w);
  RECT all{0, 0, 100, 100};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(w, dc);
  RECT part{10, 10, 20, 20};
  InvalidateRect(w, &part, FALSE);
  harness::PumpUntilIdle();
  EXPECT_EQ(harness::ScreenPixel(25, 25), RGB(255, 0, 0));
  EXPECT_EQ(harness::ScreenPixel(30, 30), RGB(0, 0, 0));
}

TEST_F(WindowTest, ScreenRoundTripsThroughPng) {
  HDC screen = GetDC(nullptr);
  for (int i = 0; i < 240; ++i) SetPixel(screen, i, i, RGB(i, 255 - i, 7));
  ReleaseDC(nullptr, screen);
  std::string path = harness::Root() + "/shot.png";
  ASSERT_TRUE(harness::SaveScreen(path));
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_read_info(png, info);
  ASSERT_EQ(png_get_image_width(png, info), 240u);
  ASSERT_EQ(png_get_image_height(png, info), 320u);
  ASSERT_EQ(png_get_color_type(png, info), PNG_COLOR_TYPE_RGB);
  std::vector<png_byte> row(240 * 3);
  const uint32_t* px = vplat::ScreenPixels();
  int mismatches = 0;
  for (int y = 0; y < 320; ++y) {
    png_read_row(png, row.data(), nullptr);
    for (int x = 0; x < 240; ++x) {
      uint32_t p = px[y * 240 + x];
      mismatches += row[size_t(x) * 3] != ((p >> 16) & 255) ||
                    row[size_t(x) * 3 + 1] != ((p >> 8) & 255) || row[size_t(x) * 3 + 2] != (p & 255);
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  EXPECT_EQ(mismatches, 0);
  EXPECT_FALSE(vplat::SaveScreenPng("/nonexistent-folder/x.png"));
}

// An icon in our resource format: 4 x 2, left half opaque red, right half transparent.
std::vector<uint8_t> IconData() {
  std::vector<uint8_t> d;
  auto put = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) d.push_back(uint8_t(v >> (8 * i)));
  };
  put(4);
  put(2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) put(x < 2 ? 0xFFFF0000u : 0x00000000u);
  return d;
}

TEST_F(WindowTest, IconsImageListsAndCursors) {
  static const std::vector<uint8_t> icon = IconData();
  vplat::RegisterResource(RT_GROUP_ICON, 901, icon.data(), icon.size());
  static const std::vector<uint8_t> shortIcon(icon.begin(), icon.end() - 4);
  vplat::RegisterResource(RT_GROUP_ICON, 902, shortIcon.data(), shortIcon.size());
  HICON h = LoadIconW(nullptr, MAKEINTRESOURCEW(901));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(902)), nullptr);  // header lies about its size
  EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(903)), nullptr);
  Canvas c(8, 4);
  c.Clear(RGB(0, 0, 255));
  EXPECT_TRUE(DrawIcon(c.dc(), 1, 1, h));
  EXPECT_EQ(c.At(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(c.At(3, 1), RGB(0, 0, 255));  // transparent part
  HIMAGELIST list = ImageList_Create(2, 2, ILC_COLOR32 | ILC_MASK, 4, 4);
  EXPECT_EQ(ImageList_AddIcon(list, h), 0);
  EXPECT_EQ(ImageList_AddMasked(list, c.bitmap(), RGB(0, 0, 255)), 1);  // 8 px wide: 4 images
  EXPECT_EQ(ImageList_GetImageCount(list), 5);
  int cx = 0, cy = 0;
  EXPECT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
  EXPECT_EQ(cx, 2);
  Canvas d(4, 4);
  ImageList_SetBkColor(list, RGB(0, 255, 0));
  EXPECT_TRUE(ImageList_Draw(list, 1, d.dc(), 0, 0, ILD_NORMAL));
  EXPECT_EQ(d.At(0, 0), RGB(0, 255, 0));  // masked pixel gets the list's background
  EXPECT_EQ(d.At(1, 1), RGB(255, 0, 0));
  EXPECT_FALSE(ImageList_Draw(list, 9, d.dc(), 0, 0, ILD_NORMAL));
  EXPECT_TRUE(ImageList_Destroy(list));
  EXPECT_FALSE(ImageList_Draw(list, 0, d.dc(), 0, 0, ILD_NORMAL));
  EXPECT_TRUE(DestroyIcon(h));
  EXPECT_FALSE(DrawIcon(c.dc(), 0, 0, h));

  HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  ASSERT_NE(wait, nullptr);
  SetCursor(arrow);
  EXPECT_EQ(SetCursor(wait), arrow);
  EXPECT_EQ(vplat::CurrentCursor(), wait);
  EXPECT_TRUE(vplat::IsWaitCursor(vplat::CurrentCursor()));
  EXPECT_FALSE(vplat::IsWaitCursor(arrow));
}

TEST_F(WindowTest, BitmapResourceIsAPackedDib) {
  // 2 x 2, 24 bits, bottom-up: stored bottom row first, rows padded to 8 bytes.
  static std::vector<uint8_t> dib;
  auto put32 = [](std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
  };
  put32(dib, 40);
  put32(dib, 2);
  put32(dib, 2);
  dib.insert(dib.end(), {1, 0, 24, 0});
  for (int i = 0; i < 6; ++i) put32(dib, 0);
  const uint8_t rows[16] = {0, 0, 255, 0, 255, 0, 0, 0,     // bottom: red, green
                            255, 0, 0, 255, 255, 255, 0, 0};  // top: blue, white
  dib.insert(dib.end(), rows, rows + 16);
  vplat::RegisterResource(RT_BITMAP, 911, dib.data(), dib.size());
  static std::vector<uint8_t> lying(dib.begin(), dib.end() - 8);
  vplat::RegisterResource(RT_BITMAP, 912, lying.data(), lying.size());
  HBITMAP b = LoadBitmapW(nullptr, MAKEINTRESOURCEW(911));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(912)), nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, b);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 0, 1), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 255, 0));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(b);
}

TEST(SdlPresenter, OpensUnderXvfb) {
  if (std::getenv("VORNA_SDL_CHILD")) {
    vplat::Presenter* p = vplat::MakeSdlPresenter(2);
    ASSERT_NE(p, nullptr);
    p->Present();
    p->WaitInput(10);
    delete p;
    return;
  }
  if (std::system("command -v xvfb-run > /dev/null 2>&1") != 0) GTEST_SKIP() << "no xvfb-run";
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  exe[n] = 0;
  std::string cmd = std::string("VORNA_SDL_CHILD=1 ASAN_OPTIONS=detect_leaks=0 xvfb-run -a '") + exe +
                    "' --gtest_filter=SdlPresenter.OpensUnderXvfb > /dev/null 2>&1";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
}

}  // namespace
