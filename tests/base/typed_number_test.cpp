// Numbers as the user types them into the program's edits, with the Russian keyboard's comma or
// the English one's point; every other text is refused whole rather than cut to a prefix.
#include "base/typed_number.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(TypedNumber, ACommaOrAPointIsTheDecimalMarkAndAnythingElseIsRefused) {
  const struct {
    const wchar_t* text;
    bool read;
    double value;
  } cases[] = {
      {L"60,5", true, 60.5},   {L"60.5", true, 60.5},  {L" 0,6 ", true, 0.6},
      {L"-1,25", true, -1.25}, {L"+7", true, 7},        {L",5", true, 0.5},
      {L"5,", true, 5},        {L"\t12\t", true, 12},   {L"0", true, 0},
      {L"", false, 0},         {L"   ", false, 0},      {L"-", false, 0},
      {L",", false, 0},        {L"60,5 m", false, 0},   {L"1,5,0", false, 0},
      {L"1.5,0", false, 0},    {L"1 000", false, 0},    {L"1e3", false, 0},
      {L"inf", false, 0},      {L"nan", false, 0},      {L"0x10", false, 0},
      {L"--1", false, 0},      {L"1-", false, 0},       {L"\u0661", false, 0},
  };
  for (const auto& c : cases) {
    double v = -99;
    EXPECT_EQ(ReadTypedNumber(std::wstring_view(c.text), &v), c.read) << '"' << c.text << '"';
    EXPECT_EQ(v, c.read ? c.value : -99) << '"' << c.text << "\": a refusal leaves the value";
  }
  // The 8-bit texts of the settings store read alike.
  double v = 0;
  EXPECT_TRUE(ReadTypedNumber(std::string_view("55,75"), &v));
  EXPECT_EQ(v, 55.75);
  // Too large to be finite: no number.
  EXPECT_FALSE(ReadTypedNumber(std::wstring(400, L'9'), &v));
}

TEST(TypedNumber, WholeNumbersRefuseAnyMarkAndLeaveNoRangeUnchecked) {
  int32_t v = -99;
  EXPECT_TRUE(ReadTypedInt(std::wstring_view(L" -3 "), &v));
  EXPECT_EQ(v, -3);
  EXPECT_TRUE(ReadTypedInt(std::wstring_view(L"2147483647"), &v));
  EXPECT_EQ(v, std::numeric_limits<int32_t>::max());
  EXPECT_TRUE(ReadTypedInt(std::wstring_view(L"-2147483648"), &v));
  EXPECT_EQ(v, std::numeric_limits<int32_t>::min());
  v = 5;
  for (const wchar_t* text : {L"1,5", L"5,0", L"5.", L"2147483648", L"", L"12 s", L"+"})
    EXPECT_FALSE(ReadTypedInt(std::wstring_view(text), &v)) << '"' << text << '"';
  EXPECT_EQ(v, 5);
}

TEST(TypedNumber, TheCanonicalFormIsWhatTheStoreReadsBack) {
  EXPECT_EQ(CanonicalTypedNumber(L" 0,5 "), "0.5");
  EXPECT_EQ(CanonicalTypedNumber(L"+12"), "12");
  EXPECT_EQ(CanonicalTypedNumber(L"-7,25"), "-7.25");
  EXPECT_EQ(CanonicalTypedNumber(L"1,5 km"), "");
  EXPECT_EQ(CanonicalTypedNumber(L""), "");
}

}  // namespace
