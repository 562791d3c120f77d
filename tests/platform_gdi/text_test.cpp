// Text: measuring equals drawing, cell heights, rotation, fallback glyphs, DrawTextW layout.
#include <string>
#include <vector>

#include "tests/platform_gdi/gdi_test_support.h"

namespace {

class FontScope {
 public:
  FontScope(HDC dc, int height, const wchar_t* face, int weight = FW_NORMAL, int esc = 0,
            bool italic = false)
      : dc_(dc) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfEscapement = esc;
    lf.lfItalic = italic;
    wcscpy(lf.lfFaceName, face);
    font_ = CreateFontIndirectW(&lf);
    old_ = SelectObject(dc, font_);
  }
  ~FontScope() {
    SelectObject(dc_, old_);
    DeleteObject(font_);
  }

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ old_;
};

TEST(Text, PositiveHeightIsTheCellNegativeTheEm) {
  Canvas c(10, 10);
  for (int h : {9, 13, 20, 64}) {
    FontScope f(c.dc(), h, L"Arial");
    TEXTMETRICW tm{};
    ASSERT_TRUE(GetTextMetricsW(c.dc(), &tm));
    EXPECT_EQ(tm.tmHeight, h);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, h);
  }
  FontScope f(c.dc(), -20, L"Arial");
  TEXTMETRICW tm{};
  GetTextMetricsW(c.dc(), &tm);
  EXPECT_GT(tm.tmHeight, 20);  // em 20 plus internal leading
  EXPECT_LT(tm.tmHeight, 26);
  FontScope d(c.dc(), 0, L"No Such Face At All");
  GetTextMetricsW(c.dc(), &tm);
  EXPECT_GE(tm.tmHeight, 12);
  EXPECT_LE(tm.tmHeight, 15);
  SIZE sz{};
  EXPECT_TRUE(GetTextExtentPoint32W(c.dc(), L"abc", 3, &sz));
  EXPECT_GT(sz.cx, 0);
}

TEST(Text, PrefixWidthsAreWhereDrawingPutsEachCharacter) {
  const std::wstring s = L"Villa Wolf, 17 km";
  for (const wchar_t* face : {L"Tahoma", L"Courier New"}) {
    for (int h : {11, -13, 18}) {
      Canvas whole(240, 40), pieces(240, 40);
      FontScope fw(whole.dc(), h, face), fp(pieces.dc(), h, face);
      SetBkMode(whole.dc(), TRANSPARENT);
      SetBkMode(pieces.dc(), TRANSPARENT);
      std::vector<INT> dx(s.size());
      INT fit = 0;
      SIZE sz{};
      ASSERT_TRUE(GetTextExtentExPointW(whole.dc(), s.c_str(), int(s.size()), 60, &fit, dx.data(),
                                        &sz));
      EXPECT_EQ(sz.cx, dx.back());
      EXPECT_LE(dx[size_t(fit) - 1], 60);
      if (size_t(fit) < s.size()) {
        EXPECT_GT(dx[size_t(fit)], 60);
      }
      ExtTextOutW(whole.dc(), 5, 5, 0, nullptr, s.c_str(), UINT(s.size()), nullptr);
      for (size_t i = 0; i < s.size(); ++i)
        ExtTextOutW(pieces.dc(), 5 + (i ? dx[i - 1] : 0), 5, 0, nullptr, &s[i], 1, nullptr);
      for (int y = 0; y < 40; ++y) EXPECT_EQ(whole.Row(y), pieces.Row(y)) << y;
    }
  }
}

TEST(Text, AdvanceArrayPlacesCharacters) {
  Canvas a(200, 30), b(200, 30);
  FontScope fa(a.dc(), 14, L"Arial"), fb(b.dc(), 14, L"Arial");
  INT dx[] = {30, 30, 30};
  ExtTextOutW(a.dc(), 0, 0, 0, nullptr, L"WWW", 3, dx);
  for (int i = 0; i < 3; ++i) ExtTextOutW(b.dc(), 30 * i, 0, 0, nullptr, L"W", 1, nullptr);
  for (int y = 0; y < 30; ++y) EXPECT_EQ(a.Row(y), b.Row(y)) << y;
}

TEST(Text, EscapementNineHundredDrawsUpwards) {
  Canvas c(100, 200);
  FontScope f(c.dc(), 16, L"Arial", FW_NORMAL, 900);
  SetBkMode(c.dc(), TRANSPARENT);
  const wchar_t* s = L"Upwards text";
  SIZE sz{};
  GetTextExtentPoint32W(c.dc(), s, 12, &sz);
  ExtTextOutW(c.dc(), 30, 180, 0, nullptr, s, 12, nullptr);
  RECT box = c.InkBox();
  EXPECT_GT(box.bottom - box.top, 3 * (box.right - box.left));
  EXPECT_LE(box.bottom, 181);                     // above the reference point
  EXPECT_GE(box.top, 180 - sz.cx - 2);            // as long as the extent
  EXPECT_GE(box.left, 30);                        // glyph tops face left, cell to the right
  EXPECT_LE(box.right, 30 + 17);
}

TEST(Text, NegativeEscapementTurnsClockwise) {
  Canvas c(200, 200);
  FontScope f(c.dc(), 16, L"Arial", FW_NORMAL, -450);
  SetBkMode(c.dc(), TRANSPARENT);
  ExtTextOutW(c.dc(), 20, 20, 0, nullptr, L"diagonal", 8, nullptr);
  RECT box = c.InkBox();
  EXPECT_GT(box.bottom, 50);  // runs down and to the right
  EXPECT_GT(box.right, 50);
  EXPECT_GE(box.top, 18);
}

TEST(Text, OpaqueModeFillsTheTurnedCell) {
  Canvas c(100, 100);
  FontScope f(c.dc(), 12, L"Arial", FW_NORMAL, 900);
  SetBkMode(c.dc(), OPAQUE);
  SetBkColor(c.dc(), RGB(255, 0, 0));
  ExtTextOutW(c.dc(), 10, 90, 0, nullptr, L"  ", 2, nullptr);
  // The cell spans 12 px to the right of the reference point (its "down" once turned) and
  // runs upwards from it.
  EXPECT_EQ(c.At(15, 88), RGB(255, 0, 0));
  EXPECT_EQ(c.At(5, 88), RGB(255, 255, 255));
  EXPECT_EQ(c.At(15, 92), RGB(255, 255, 255));
}

TEST(Text, CyrillicAndBoldRender) {
  Canvas c(200, 40);
  {
    FontScope f(c.dc(), 20, L"Tahoma");
    SetBkMode(c.dc(), TRANSPARENT);
    ExtTextOutW(c.dc(), 2, 2, 0, nullptr, L"\u0416\u0438\u0442", 3, nullptr);
    EXPECT_GT(c.InkCount(), 40);
  }
  int regular = c.InkCount();
  c.Clear(RGB(255, 255, 255));
  FontScope f(c.dc(), 20, L"Tahoma", FW_BOLD);
  ExtTextOutW(c.dc(), 2, 2, 0, nullptr, L"\u0416\u0438\u0442", 3, nullptr);
  EXPECT_GT(c.InkCount(), regular);
}

TEST(Text, HugeLabelsDrawOnlyTheirVisiblePart) {
  Canvas c(240, 320);
  FontScope f(c.dc(), 10000, L"Arial");
  SetBkMode(c.dc(), TRANSPARENT);
  ExtTextOutW(c.dc(), -3000, -3000, 0, nullptr, L"WM", 2, nullptr);
  std::wstring longText(5000, L'x');
  FontScope g(c.dc(), 12, L"Arial");
  EXPECT_TRUE(ExtTextOutW(c.dc(), -100000, 100, 0, nullptr, longText.c_str(), 5000, nullptr));
  EXPECT_TRUE(ExtTextOutW(c.dc(), INT32_MAX - 10, INT32_MIN + 5, 0, nullptr, L"edge", 4, nullptr));
}

TEST(Text, DrawTextAlignsBreaksAndMeasures) {
  Canvas c(200, 100);
  FontScope f(c.dc(), 14, L"Arial");
  RECT calc{0, 0, 60, 0};
  int h = DrawTextW(c.dc(), L"one two three four", -1, &calc, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_GE(h, 14 * 2);
  EXPECT_EQ(calc.bottom, h);
  EXPECT_LE(calc.right, 60);
  EXPECT_EQ(c.InkCount(), 0);  // measuring draws nothing
  RECT r{0, 0, 200, 40};
  SetBkMode(c.dc(), TRANSPARENT);
  DrawTextW(c.dc(), L"mid", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  RECT box = c.InkBox();
  SIZE sz{};
  GetTextExtentPoint32W(c.dc(), L"mid", 3, &sz);
  EXPECT_NEAR((box.left + box.right) / 2.0, 100, 3);
  EXPECT_NEAR((box.top + box.bottom) / 2.0, 20, 4);
  // A prefix '&' is not drawn; with DT_NOPREFIX it is.
  RECT p1{0, 0, 200, 20}, p2{0, 0, 200, 20};
  DrawTextW(c.dc(), L"&File", -1, &p1, DT_CALCRECT | DT_SINGLELINE);
  DrawTextW(c.dc(), L"&File", -1, &p2, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_LT(p1.right, p2.right);
}

}  // namespace
