// Code-page conversions: round trips over every byte, unmappable characters, sizes and errors.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/win.h"

namespace {

std::wstring ToWide(UINT cp, const std::string& s) {
  int n = MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  EXPECT_EQ(MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), out.data(), n), n);
  return out;
}

std::string ToNarrow(UINT cp, const std::wstring& s, BOOL* usedDefault = nullptr) {
  int n = WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  EXPECT_EQ(WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr,
                                usedDefault), n);
  return out;
}

class EveryByte : public ::testing::TestWithParam<UINT> {};

TEST_P(EveryByte, RoundTripsUnchangedAndDistinct) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::wstring wide = ToWide(GetParam(), all);
  ASSERT_EQ(wide.size(), all.size());
  std::set<wchar_t> distinct(wide.begin(), wide.end());
  EXPECT_EQ(distinct.size(), wide.size()) << "two bytes decode to one character";
  BOOL usedDefault = TRUE;
  EXPECT_EQ(ToNarrow(GetParam(), wide, &usedDefault), all);
  EXPECT_FALSE(usedDefault);
}

INSTANTIATE_TEST_SUITE_P(Pages, EveryByte, ::testing::Values(1251u, 1252u, 1250u, 866u, CP_ACP));

TEST(CodePages, KnownCharacters) {
  EXPECT_EQ(ToWide(1251, "\xC0\xE0\xA8\xB8\xB9\x88"), L"Аа\u0401\u0451\u2116\u20AC");
  EXPECT_EQ(ToWide(CP_ACP, "\xCF\xF0\xE8\xE2\xE5\xF2"), L"Привет");
  EXPECT_EQ(ToWide(1252, "\x80\xE9\x9F\xDF"), L"\u20AC\u00E9\u0178\u00DF");
  EXPECT_EQ(ToWide(866, "\x8F\xE0\xA8\xA2\xA5\xE2"), L"Привет");
  // Bytes the page leaves undefined become the C1 control of the same number.
  EXPECT_EQ(ToWide(1251, "\x98"), L"\u0098");
  EXPECT_EQ(ToWide(1252, "\x81\x8D\x8F\x90\x9D"), L"\u0081\u008D\u008F\u0090\u009D");
}

TEST(CodePages, UnmappableBecomesTheDefaultCharacter) {
  BOOL used = FALSE;
  EXPECT_EQ(ToNarrow(1251, L"Añ日", &used), "A??");
  EXPECT_TRUE(used);
  used = FALSE;
  EXPECT_EQ(ToNarrow(1252, L"Жé", &used), "?\xE9");
  EXPECT_TRUE(used);
  char out[8] = {};
  EXPECT_EQ(WideCharToMultiByte(1252, 0, L"Ж", 1, out, sizeof out, "#", &used), 1);
  EXPECT_EQ(out[0], '#');
  // A character outside Unicode, or a lone surrogate, is not a character of any page either.
  EXPECT_EQ(ToNarrow(1251, std::wstring(1, static_cast<wchar_t>(0xD800))), "?");
}

TEST(CodePages, Utf8BothWaysAndMalformedInput) {
  EXPECT_EQ(ToWide(CP_UTF8, "\xD0\x9F\xE2\x82\xAC\xF0\x9F\x98\x80"), L"П€\U0001F600");
  EXPECT_EQ(ToNarrow(CP_UTF8, L"П€\U0001F600"), "\xD0\x9F\xE2\x82\xAC\xF0\x9F\x98\x80");
  // Truncated, overlong and stray bytes decode to U+FFFD without eating good characters.
  EXPECT_EQ(ToWide(CP_UTF8, "a\xE2\x82z\xC0\xAF\x80"), L"a\uFFFDz\uFFFD\uFFFD");
  wchar_t buf[8];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, buf, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  BOOL used;
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"a", 1, nullptr, 0, nullptr, &used), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(CodePages, SizesTerminatorsAndErrors) {
  wchar_t wide[8];
  // -1: up to and including the terminator.
  EXPECT_EQ(MultiByteToWideChar(1251, 0, "\xC0\xC1", -1, nullptr, 0), 3);
  EXPECT_EQ(MultiByteToWideChar(1251, 0, "\xC0\xC1", -1, wide, 8), 3);
  EXPECT_STREQ(wide, L"АБ");
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"Ж", -1, nullptr, 0, nullptr, nullptr), 3);
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(1251, 0, "abc", -1, wide, 3), 0);  // no room for the terminator
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  char narrow[4];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"ЖЖ", 2, narrow, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(MultiByteToWideChar(437, 0, "a", 1, wide, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(MultiByteToWideChar(1251, 0, "a", 0, wide, 8), 0);
  EXPECT_EQ(MultiByteToWideChar(1251, 0, nullptr, 1, wide, 8), 0);
  EXPECT_TRUE(IsValidCodePage(1251));
  EXPECT_TRUE(IsValidCodePage(1252));
  EXPECT_TRUE(IsValidCodePage(CP_UTF8));
  EXPECT_FALSE(IsValidCodePage(437));
}

}  // namespace
