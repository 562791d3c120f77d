// GDI objects: ownership, stock objects, GetObjectW, saved states, device capabilities.
#include "tests/platform_gdi/gdi_test_support.h"

namespace {

TEST(Objects, SelectedObjectIsNotDeleted) {
  HDC dc = CreateCompatibleDC(nullptr);
  HPEN pen = CreatePen(PS_DASH, 3, RGB(1, 2, 3));
  HGDIOBJ old = SelectObject(dc, pen);
  EXPECT_FALSE(DeleteObject(pen));
  LOGPEN lp{};
  ASSERT_EQ(GetObjectW(pen, sizeof lp, &lp), int(sizeof lp));  // still alive
  EXPECT_EQ(lp.lopnStyle, UINT(PS_DASH));
  EXPECT_EQ(lp.lopnWidth.x, 3);
  EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
  EXPECT_EQ(SelectObject(dc, old), pen);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen));  // a deleted handle is gone for good
  EXPECT_EQ(GetObjectW(pen, sizeof lp, &lp), 0);
  DeleteDC(dc);
}

TEST(Objects, BitmapLivesInOneDcAtATime) {
  HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(a, 8, 4);
  HGDIOBJ oldA = SelectObject(a, bmp);
  EXPECT_NE(oldA, nullptr);
  EXPECT_EQ(SelectObject(b, bmp), nullptr);
  EXPECT_FALSE(DeleteObject(bmp));
  BITMAP bm{};
  ASSERT_EQ(GetObjectW(bmp, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 8);
  EXPECT_EQ(bm.bmHeight, 4);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  DeleteDC(a);  // releases the bitmap
  EXPECT_NE(SelectObject(b, bmp), nullptr);
  DeleteDC(b);
  EXPECT_TRUE(DeleteObject(bmp));
}

TEST(Objects, StockObjectsSurviveDeletion) {
  HGDIOBJ white = GetStockObject(WHITE_BRUSH);
  ASSERT_NE(white, nullptr);
  EXPECT_TRUE(DeleteObject(white));
  LOGBRUSH lb{};
  ASSERT_EQ(GetObjectW(white, sizeof lb, &lb), int(sizeof lb));
  EXPECT_EQ(lb.lbColor, RGB(255, 255, 255));
  EXPECT_EQ(GetStockObject(999), nullptr);
  LOGPEN np{};
  GetObjectW(GetStockObject(NULL_PEN), sizeof np, &np);
  EXPECT_EQ(np.lopnStyle, UINT(PS_NULL));
}

TEST(Objects, FontRecordRoundTrips) {
  LOGFONTW lf{};
  lf.lfHeight = -17;
  lf.lfWeight = FW_BOLD;
  lf.lfEscapement = 450;
  wcscpy(lf.lfFaceName, L"Tahoma");
  HFONT f = CreateFontIndirectW(&lf);
  LOGFONTW back{};
  ASSERT_EQ(GetObjectW(f, sizeof back, &back), int(sizeof back));
  EXPECT_EQ(back.lfHeight, -17);
  EXPECT_EQ(back.lfEscapement, 450);
  EXPECT_STREQ(back.lfFaceName, L"Tahoma");
  EXPECT_EQ(GetObjectW(f, 4, &back), 0);  // too small a buffer
  DeleteObject(f);
  EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
}

TEST(Objects, SaveAndRestoreStateAndDeviceCaps) {
  HDC dc = CreateCompatibleDC(nullptr);
  int id = SaveDC(dc);
  SetTextColor(dc, RGB(9, 9, 9));
  SetROP2(dc, R2_XORPEN);
  SetBkMode(dc, TRANSPARENT);
  EXPECT_TRUE(RestoreDC(dc, id));
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
  EXPECT_EQ(GetROP2(dc), R2_COPYPEN);
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_FALSE(RestoreDC(dc, 5));
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 240);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 320);
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(nullptr, HORZRES), 0);
  DeleteDC(dc);
}

TEST(Objects, ColourMinusOneDrawsWhite) {
  Canvas c(4, 4);
  c.Clear(RGB(0, 0, 0));
  HPEN p = CreatePen(PS_SOLID, 1, COLORREF(-1));
  SelectObject(c.dc(), p);
  MoveToEx(c.dc(), 0, 1, nullptr);
  LineTo(c.dc(), 4, 1);
  EXPECT_EQ(c.At(2, 1), RGB(255, 255, 255));
  SelectObject(c.dc(), GetStockObject(BLACK_PEN));
  DeleteObject(p);
}

TEST(Objects, DibSectionBitsAreTheSurface) {
  for (int sign : {1, -1}) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 4;
    bi.bmiHeader.biHeight = 3 * sign;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bmp, nullptr);
    ASSERT_NE(bits, nullptr);
    auto* px = static_cast<uint32_t*>(bits);
    px[0] = 0x00FF0000;  // first stored row: bottom when bottom-up, top when top-down
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    int row = sign > 0 ? 2 : 0;
    EXPECT_EQ(GetPixel(dc, 0, row), RGB(255, 0, 0));
    SetPixel(dc, 3, 0, RGB(0, 0, 255));
    size_t topRow = sign > 0 ? 2 : 0;
    EXPECT_EQ(px[topRow * 4 + 3] & 0xFFFFFF, 0x0000FFu);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
  }
  BITMAPINFO bad{};
  bad.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bad.bmiHeader.biWidth = -4;
  bad.bmiHeader.biHeight = 3;
  bad.bmiHeader.biBitCount = 32;
  void* bits = reinterpret_cast<void*>(1);
  EXPECT_EQ(CreateDIBSection(nullptr, &bad, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(bits, nullptr);
}

}  // namespace
