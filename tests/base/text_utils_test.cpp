#include "base/text_utils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "base/int_array.h"
#include "tests/base/device_root.h"

namespace {

std::string Dir(const char* path, size_t size = 256) {
  char buf[256];
  return GetDirPart(buf, path, size);
}

std::string Ext(const char* path) {
  char buf[256];
  return GetExtension(buf, path);
}

std::string Stripped(const char* path) {
  char buf[256];
  std::strcpy(buf, path);
  StripExtension(buf);
  return buf;
}

std::string Incremented(const char* text, int step, size_t size = 256) {
  char buf[256];
  std::strcpy(buf, text);
  EXPECT_TRUE(IncrementTrailingNumber(buf, step, size)) << text;
  return buf;
}

// Writes an empty file at a device path through the layer.
void Touch(const char* devicePath) {
  FILE* f = vfopen(devicePath, "w");
  ASSERT_NE(f, nullptr) << devicePath;
  std::fclose(f);
}

}  // namespace

TEST(TextUtilsPaths, SplitsFolderNameAndExtension) {
  EXPECT_EQ(Dir("\\a\\b/c.txt"), "\\a\\b/");
  EXPECT_EQ(Dir("name.txt"), "");
  EXPECT_EQ(Dir("\\a\\b\\c.txt", 4), "\\a\\");  // cut to the buffer

  wchar_t wbuf[256];
  EXPECT_STREQ(GetDirPartW(wbuf, L"\\a\\b/c.txt"), L"\\a\\");  // wide paths split at '\' only
  EXPECT_STREQ(GetDirPartW(wbuf, L"c.txt"), L"");

  char buf[256];
  EXPECT_STREQ(GetFileNamePart(buf, "\\a\\b/c.txt"), "c.txt");
  EXPECT_STREQ(GetFileNamePart(buf, "c.txt"), "c.txt");
  EXPECT_STREQ(GetFileNamePart(buf, "\\a\\"), "");

  EXPECT_EQ(Ext("\\maps\\x.mdm"), ".mdm");
  EXPECT_EQ(Ext("\\maps\\x"), "");
  EXPECT_EQ(Ext("\\a.b\\c"), "");  // a dotted folder is no extension
  EXPECT_EQ(Ext("\\a.b\\c.txt"), ".txt");
  EXPECT_EQ(Ext("x.tar.gz"), ".gz");
  EXPECT_STREQ(GetExtensionW(wbuf, L"\\a.b/c"), L"");
  EXPECT_STREQ(GetExtensionW(wbuf, L"\\a\\c.JPG"), L".JPG");

  EXPECT_EQ(Stripped("\\a.b\\c.txt"), "\\a.b\\c");
  EXPECT_EQ(Stripped("\\a.b\\c"), "\\a.b\\c");
  EXPECT_EQ(Stripped("\\Vorna\\Vorna.exe"), "\\Vorna\\Vorna");
  wchar_t w[] = L"\\a.b\\c.ini";
  StripExtensionW(w);
  EXPECT_STREQ(w, L"\\a.b\\c");
}

TEST(TextUtilsPaths, FilesThroughTheDevice) {
  ScopedDeviceRoot root;
  CreateDirectoryW(L"\\maps", nullptr);
  Touch("\\maps\\x.mdm");
  Touch("\\maps\\x_bak2.mdm");

  EXPECT_TRUE(FileExists("\\maps\\x.mdm"));
  EXPECT_TRUE(FileExists("\\MAPS\\X.MDM"));  // device names match without regard to case
  EXPECT_FALSE(FileExists("\\maps\\y.mdm"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists(std::string(300, 'a').c_str()));
  EXPECT_TRUE(PathExistsW(L"\\maps\\"));
  EXPECT_TRUE(PathExistsW(L"\\maps"));
  EXPECT_FALSE(PathExistsW(L"\\nomaps\\"));

  char out[256];
  EXPECT_TRUE(MakeBackupName("\\maps\\x.mdm", out, "bak"));
  EXPECT_STREQ(out, "\\maps\\x_bak3.mdm");
  EXPECT_TRUE(MakeBackupName("\\maps\\new.mdm", out, "bak"));
  EXPECT_STREQ(out, "\\maps\\new.mdm");
  EXPECT_FALSE(MakeBackupName("\\maps\\x.mdm", out, "bak", 16));  // no free name fits
  EXPECT_STREQ(out, "");

  FILE* f = vfopen("\\maps\\len.bin", "wb+");
  ASSERT_NE(f, nullptr);
  std::fwrite("0123456789", 1, 10, f);
  std::fseek(f, 3, SEEK_SET);
  EXPECT_EQ(GetFileLength(f), 10);
  EXPECT_EQ(std::ftell(f), 3);  // position restored
  std::fclose(f);
}

TEST(TextUtilsCodePage, CyrillicAndCapacity) {
  ASSERT_TRUE(SetProgramCodePage(1251));
  const char cyr[] = "\xCA\xE0\xF0\xF2\xE0";  // "Карта" in 1251
  wchar_t w[256];
  EXPECT_EQ(AnsiToWide(w, cyr, 5), 5);
  EXPECT_STREQ(w, L"Карта");

  wchar_t small[4];
  EXPECT_EQ(AnsiToWide(small, cyr, 5, 4), 3);  // cut to the destination, terminated
  EXPECT_STREQ(small, L"Кар");

  EXPECT_EQ(AnsiToWide(w, cyr, -1), 0);  // a negative count converts nothing
  EXPECT_STREQ(w, L"");
  EXPECT_EQ(AnsiToWide(w, cyr, 0x10003), 3);  // the count is a 16-bit number
  EXPECT_STREQ(w, L"Кар");

  char a[256];
  EXPECT_EQ(WideToAnsi(a, L"Карта", 5), 5);
  EXPECT_STREQ(a, cyr);
  char a3[3];
  EXPECT_EQ(WideToAnsi(a3, L"Карта", 5, 3), 2);
  EXPECT_STREQ(a3, "\xCA\xE0");

  EXPECT_EQ(AnsiToWideString("\xCA\xE0"), L"Ка");
  EXPECT_EQ(WideToAnsiString(L"Ка"), "\xCA\xE0");
}

TEST(TextUtilsCodePage, MultiBytePageKeepsWholeCharacters) {
  ASSERT_TRUE(SetProgramCodePage(65001));
  const char utf8[] = "\xD0\x96\xD0\x96\xD0\x96";  // three Cyrillic Zhe, two bytes each
  wchar_t w[4];
  // Four characters of room: three bytes fit, the third byte only starts a character.
  EXPECT_EQ(AnsiToWide(w, utf8, 6, 4), 1);
  EXPECT_STREQ(w, L"Ж");

  char a[4];
  EXPECT_EQ(WideToAnsi(a, L"ЖЖЖ", 3, 4), 2);
  EXPECT_STREQ(a, "\xD0\x96");
  char full[7];
  EXPECT_EQ(WideToAnsi(full, L"ЖЖЖ", 3, 7), 6);
  EXPECT_STREQ(full, utf8);
}

TEST(TextUtilsCodePage, UnknownPageIsRefused) {
  ASSERT_TRUE(SetProgramCodePage(1251));
  EXPECT_FALSE(SetProgramCodePage(4242));
  EXPECT_EQ(GetProgramCodePage(), 1251u);
  wchar_t w[8];
  EXPECT_EQ(AnsiToWide(w, "\xC0", 1, 8), 1);
  EXPECT_EQ(w[0], L'А');
  EXPECT_TRUE(SetProgramCodePage(1252));
  EXPECT_EQ(AnsiToWide(w, "\xC0", 1, 8), 1);
  EXPECT_EQ(w[0], L'À');
}

// Paths keep the one path page whatever the program code page says; texts follow the latter.
TEST(TextUtilsCodePage, PathsKeepThePathPageUnderAnyLanguage) {
  ScopedDeviceRoot root;
  { std::ofstream(root.Host("\xd0\x9a\xd0\xb0\xd1\x80\xd1\x82\xd0\xb0.txt")) << "ru"; }  // "Карта.txt"
  for (UINT page : {1251u, 1252u, 65001u}) {
    ASSERT_TRUE(SetProgramCodePage(page));
    EXPECT_EQ(PathToWide("\\\xCA\xE0\xF0\xF2\xE0.txt"), L"\\Карта.txt") << page;
    EXPECT_EQ(WideToPath(L"\\Карта.txt"), "\\\xCA\xE0\xF0\xF2\xE0.txt") << page;
    EXPECT_TRUE(FileExists("\\\xCA\xE0\xF0\xF2\xE0.txt")) << page;
    FILE* f = vfopen("\\\xCA\xE0\xF0\xF2\xE0.txt", "r");
    EXPECT_NE(f, nullptr) << page;
    if (f) std::fclose(f);
  }
  ASSERT_TRUE(SetProgramCodePage(1252));
  EXPECT_EQ(AnsiToWideString("\xC0"), L"\u00C0");  // the text of a 1252 language
  std::string out = "kept";
  EXPECT_FALSE(WideToPathExact(L"\\日本.txt", &out));
  EXPECT_EQ(out, "kept");
  EXPECT_TRUE(WideToPathExact(L"\\Карта.txt", &out));
  EXPECT_EQ(out, "\\\xCA\xE0\xF0\xF2\xE0.txt");
  ASSERT_TRUE(SetProgramCodePage(1251));
}

TEST(TextUtilsLines, FieldPositionsAndCopy) {
  int pos[5];
  EXPECT_EQ(FindCharPositions(';', 5, "a;b;c", pos), 2);
  EXPECT_EQ(pos[0], 1);
  EXPECT_EQ(pos[1], 3);
  EXPECT_EQ(pos[2], 5);  // the length follows the last one found
  EXPECT_EQ(FindCharPositions(';', 0, "a;b", pos), -1);
  EXPECT_EQ(FindCharPositions(';', 2, "", pos), 0);
  EXPECT_EQ(pos[0], 0);
  EXPECT_EQ(FindCharPositions(';', 2, ";", pos), 0);  // position 0 is never counted

  EXPECT_EQ(FindNthChar(',', 1, ",a,b,c"), 2);
  EXPECT_EQ(FindNthChar(',', 3, ",a,b,c"), -1);
  EXPECT_EQ(FindNthChar(',', 1, ""), -1);

  // A GPS line reaches 600 bytes: fields past byte 255 must come out whole.
  std::string line = "$GPGSV";
  for (int i = 0; i < 119; ++i) line += "," + std::to_string(1000 + i);
  ASSERT_EQ(line.size(), 601u);
  int commas[130];
  ASSERT_EQ(FindCharPositions(',', 130, line.c_str(), commas), 119);
  char field[256];
  EXPECT_STREQ(CopyField(field, line.c_str(), commas[0], commas[1]), "1000");
  EXPECT_STREQ(CopyField(field, line.c_str(), commas[55], commas[56]), "1055");
  EXPECT_STREQ(CopyField(field, line.c_str(), commas[100], commas[101]), "1100");
  EXPECT_STREQ(CopyField(field, line.c_str(), commas[118], commas[119]), "1118");  // to the end
  EXPECT_STREQ(CopyField(field, "a,,b", 1, 2), "");
  EXPECT_STREQ(CopyField(field, "a,b", 2, 1), "");
  EXPECT_STREQ(CopyField(field, "a,b", 1, 900), "b");  // past the end: to the end
  EXPECT_STREQ(CopyField(field, "a,b", 900, 901), "");
  EXPECT_STREQ(CopyField(field, "abcdef", -1, 4, 3), "ab");  // cut to the buffer
}

TEST(TextUtilsLines, ValueLists) {
  std::string rest;
  EXPECT_EQ(TakeValueFromList(7, "3:1;7:9;8:2;", rest), 9);
  EXPECT_EQ(rest, "3:1;8:2;");

  rest.clear();
  EXPECT_EQ(TakeValueFromList(7, "7:9", rest), 0);  // no ';': nothing is an entry
  EXPECT_EQ(rest, "");
  rest.clear();
  EXPECT_EQ(TakeValueFromList(7, "7:;x;:9;;3:4;tail", rest), 0);
  EXPECT_EQ(rest, "x;:9;;3:4;");  // malformed entries pass unchanged, the tail is dropped
  rest.clear();
  EXPECT_EQ(TakeValueFromList(0, ":9;", rest), 0);  // no key digits: never key 0
  EXPECT_EQ(rest, ":9;");

  // More than 298 entries: no cap.
  std::string big;
  for (int i = 0; i < 400; ++i) big += std::to_string(i) + ":" + std::to_string(i * 2) + ";";
  rest.clear();
  EXPECT_EQ(TakeValueFromList(350, big.c_str(), rest), 700);
  EXPECT_EQ(rest.size(), big.size() - std::strlen("350:700;"));

  std::string list;
  for (int i = 10; list.size() <= 100; ++i) PushValueList(i, i, list);
  std::string before = list;
  ASSERT_GT(before.size(), 100u);
  PushValueList(1, 2, list);
  EXPECT_EQ(list, before.substr(std::strlen("10:10;11:11;")) + "1:2;");

  std::string wide;
  for (int i = 0; i < 20; ++i) wide += "1234567890:1234567890;";
  PushValueList(5, 6, wide);
  EXPECT_LE(wide.size(), 255u);
  EXPECT_EQ(wide.substr(wide.size() - 4), "5:6;");
  EXPECT_EQ(wide.find(';') + 1, std::strlen("1234567890:1234567890;"));  // whole entries only
}

TEST(TextUtilsNumbers, IncrementTrailingNumber) {
  EXPECT_EQ(Incremented("A009", 1), "A010");
  EXPECT_EQ(Incremented("A0099", 1), "A0100");
  EXPECT_EQ(Incremented("A99", 1), "A100");
  EXPECT_EQ(Incremented("A09", 5), "A14");
  EXPECT_EQ(Incremented("A000", 1), "A001");
  EXPECT_EQ(Incremented("", 3), "3");
  EXPECT_EQ(Incremented("Pt", 1), "Pt1");
  EXPECT_EQ(Incremented("A010", -1), "A009");
  EXPECT_EQ(Incremented("A10", -1), "A9");
  EXPECT_EQ(Incremented("123456789012345678901234567899", 1), "123456789012345678901234567900");
  EXPECT_EQ(Incremented("999999999999999999999999999999", 1), "1000000000000000000000000000000");

  char buf[8] = "A999999";
  EXPECT_FALSE(IncrementTrailingNumber(buf, 1, sizeof buf));  // would not fit
  EXPECT_STREQ(buf, "A999999");
}

TEST(TextUtilsNumbers, TrimRoundChecksum) {
  struct {
    const char* in;
    const char* out;
  } trims[] = {{"12.500", "12.5"}, {"3.000", "3."}, {"00", "0"}, {"0", "0"}, {"100", "1"}, {"", ""}};
  for (auto& t : trims) {
    char buf[16];
    std::strcpy(buf, t.in);
    TrimTrailingZeros(buf);
    EXPECT_STREQ(buf, t.out) << t.in;
  }
  wchar_t w[] = L"7.250";
  TrimTrailingZerosW(w);
  EXPECT_STREQ(w, L"7.25");

  EXPECT_EQ(RoundHalfUp(2.5), 3);
  EXPECT_EQ(RoundHalfUp(2.7), 3);
  EXPECT_EQ(RoundHalfUp(2.2), 2);
  EXPECT_EQ(RoundHalfUp(-2.7), -2);
  EXPECT_EQ(RoundHalfUp(1e300), INT32_MAX);
  EXPECT_EQ(RoundHalfUp(-1e300), INT32_MIN);

  const uint8_t two[] = {0x12, 0x34};
  const uint8_t four[] = {0x12, 0x34, 0x56, 0x78};
  EXPECT_EQ(XorChecksum16(two, 2), 0x1234);  // big-endian words
  EXPECT_EQ(XorChecksum16(four, 4), 0x444C);
  EXPECT_EQ(XorChecksum16(four, 3), 0x1234 ^ 0x5600);
}

TEST(TextUtilsTexts, SqueezeEscapeMultiString) {
  char s[] = "a\t\t b  c\t";
  EXPECT_EQ(SqueezeSpaces(s), 6);
  EXPECT_STREQ(s, "a b c ");

  char buf[256];
  EXPECT_STREQ(UnescapeText(buf, "a\\bc"), "a\\bc");
  EXPECT_STREQ(EscapeText(buf, "\\navi\t.mpj"), "\\\\navi\\t.mpj");
  EXPECT_STREQ(EscapeText(buf, "x\ny", 3), "x");  // an escape pair is never cut in half
  EXPECT_STREQ(EscapeText(buf, "x\r", 6), "x");   // nor the carriage return's five characters
  EXPECT_STREQ(EscapeText(buf, "x\r"), "x\\\\x0D");
  EXPECT_STREQ(UnescapeText(buf, "\\Vorna\\roads"), "\\Vorna\\roads");

  const char* values[] = {"\\navi\t.mpj", "ends\\", "\\\n", "\\\\n", "a\\b", "\\\\", "\n\t\\t",
                          "cr\r", "\\\r", "\\x0D", "\\\\x0D", "\\\\\\x0D\r"};
  for (const char* v : values) EXPECT_EQ(UnescapeValue(EscapeValue(v)), v);
  EXPECT_EQ(EscapeValue("C:\\maps\\x.mdm"), "C:\\maps\\x.mdm");  // unchanged without n/t after '\'

  const wchar_t src[] = L"ab\0c\0\0";
  wchar_t dst[8];
  EXPECT_EQ(CopyMultiString(dst, src, 8), 6u);
  EXPECT_EQ(std::wmemcmp(dst, src, 6), 0);
  EXPECT_EQ(CopyMultiString(dst, src, 5), 4u);  // "c" no longer fits with the closing string
  EXPECT_EQ(std::wmemcmp(dst, L"ab\0\0", 4), 0);
  EXPECT_EQ(CopyMultiString(dst, L"", 8), 1u);
}

TEST(TextUtilsIntArray, PushAndPop) {
  TIntArray a;
  EXPECT_EQ(a.Pop(), 0);  // empty
  for (int i = 1; i <= 25; ++i) ASSERT_TRUE(a.Push(i * 3));
  EXPECT_EQ(a.count, 25);
  EXPECT_EQ(a.capacity, 30);
  for (int i = 25; i >= 1; --i) EXPECT_EQ(a.Pop(), i * 3);
  EXPECT_EQ(a.Pop(), 0);
}
