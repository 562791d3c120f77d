#include "base/ini_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <string>

#include "tests/base/device_root.h"

namespace {

void WriteDeviceFile(const char* path, const std::string& bytes) {
  FILE* f = vfopen(path, "wb");
  ASSERT_NE(f, nullptr) << path;
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
}

std::string ReadDeviceFile(const char* path) {
  FILE* f = vfopen(path, "rb");
  if (!f) return "<missing>";
  std::string data;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  std::fclose(f);
  return data;
}

std::string Value(const TIniFile& ini, const char* key) {
  std::string v;
  return ini.GetString(key, v) ? v : "<missing>";
}

}  // namespace

TEST(IniFileStore, DuplicatesOrderAndOddLines) {
  ScopedDeviceRoot root;
  WriteDeviceFile("\\s.ini", "[Ini]\nA=1\nX=1\nX=2\n=a=b\n=\n\nno equals here\n");
  TIniFile ini;
  ASSERT_EQ(ini.Load("\\s.ini"), 0);
  ASSERT_EQ(ini.GetCount(), 4);
  EXPECT_EQ(ini.GetInt("X"), 1);  // the first of duplicates wins
  EXPECT_EQ(Value(ini, "=a"), "b");  // an '=' in the first position belongs to the key
  EXPECT_FALSE(ini.HasKey(""));
  EXPECT_FALSE(ini.HasKey("x"));  // keys are case-sensitive

  int index = -1;
  EXPECT_STREQ(ini.FindKey("X", &index), "1");
  EXPECT_EQ(index, 1);
  EXPECT_EQ(ini.FindKey("nope", &index), nullptr);
  EXPECT_EQ(index, -1);

  ASSERT_EQ(ini.SetInt("X", 5), 0);
  ASSERT_EQ(ini.SetFloat("F", 0.5), 0);
  ASSERT_EQ(ini.AddPair("N", nullptr), 0);
  ASSERT_EQ(ini.Save(), 0);
  EXPECT_EQ(ReadDeviceFile("\\s.ini"), "[Ini]\nA=1\nX=5\nX=2\n=a=b\nF=0.500000\nN=\n");
}

TEST(IniFileStore, MissingFileLeavesEmptyStoreWithNewPath) {
  ScopedDeviceRoot root;
  WriteDeviceFile("\\old.ini", "[Ini]\nA=1\n");
  TIniFile ini;
  ASSERT_EQ(ini.Load("\\old.ini"), 0);
  EXPECT_EQ(ini.Load("\\new.ini"), 2);
  EXPECT_EQ(ini.GetCount(), 0);
  EXPECT_STREQ(ini.GetPath(), "\\new.ini");
  EXPECT_EQ(ini.GetInt("A"), 0);
  char buf[8] = "keep";
  EXPECT_EQ(ini.GetString("A", buf), nullptr);
  EXPECT_STREQ(buf, "keep");
  ASSERT_EQ(ini.Save(), 0);
  EXPECT_EQ(ReadDeviceFile("\\new.ini"), "[Ini]\n");
}

TEST(IniFileStore, ValuesRoundTrip) {
  ScopedDeviceRoot root;
  const std::string values[] = {
      "\\navi\t.mpj",            // a path whose backslashes precede n and t
      "C:\\maps\\",              // ends in a backslash
      "a\\\nb",                  // a backslash before a line feed
      "\\\\n",                   // two backslashes before n
      "line1\nline2\ttab",
      std::string(100000, 'v') + "\\n",  // longer than any line buffer
      " spaced = value ",
  };
  TIniFile ini;
  int i = 0;
  for (const std::string& v : values) ini.SetString(("K" + std::to_string(i++)).c_str(), v.c_str());
  ini.SetHeader("[Lang]");
  ASSERT_EQ(ini.SaveAs("\\rt.ini"), 0);
  TIniFile back;
  ASSERT_EQ(back.Load("\\rt.ini"), 0);
  ASSERT_EQ(back.GetCount(), i);
  for (int k = 0; k < i; ++k) EXPECT_EQ(Value(back, ("K" + std::to_string(k)).c_str()), values[k]) << k;
  EXPECT_EQ(ReadDeviceFile("\\rt.ini").substr(0, 7), "[Lang]\n");
}

TEST(IniFileStore, FileFormDetails) {
  ScopedDeviceRoot root;
  // CRLF lines (as the handheld writes them), a legacy doubled backslash, no final newline.
  WriteDeviceFile("\\crlf.ini", "[Ini]\r\nA=1\r\nP=\\\\server\\x\r\nEsc=a\\qb\\\r\nLast=z");
  TIniFile ini;
  ASSERT_EQ(ini.Load("\\crlf.ini"), 0);
  EXPECT_EQ(Value(ini, "A"), "1");
  EXPECT_EQ(Value(ini, "P"), "\\server\\x");
  EXPECT_EQ(Value(ini, "Esc"), "a\\qb\\");  // other backslashes stay
  EXPECT_EQ(Value(ini, "Last"), "z");

  // A file without escape sequences is written back byte for byte.
  const std::string plain = "[Ini]\nGPSCOMNUM_NMEA=4\nLangFile=English\nDBGlobal=DB\\Global.ndb\nE=\n";
  WriteDeviceFile("\\plain.ini", plain);
  TIniFile p;
  ASSERT_EQ(p.Load("\\plain.ini"), 0);
  ASSERT_EQ(p.Save(), 0);
  EXPECT_EQ(ReadDeviceFile("\\plain.ini"), plain);
}

TEST(IniFileStore, TypedGetters) {
  TIniFile ini;
  ini.AddPair("Long", std::string(300, 'x').c_str());
  ini.AddPair("Big", "9999999999999999999999999999999999999999");
  ini.AddPair("Small", "-9999999999999999999999999999999999999999");
  ini.AddPair("Mixed", "12abc");
  ini.AddPair("Text", "abc");
  ini.AddPair("Huge", "1e999");
  ini.AddPair("Nan", "nan");
  ini.AddPair("Inf", "-inf");
  ini.AddPair("Half", " 2.5xyz");

  char buf[256];
  ASSERT_NE(ini.GetString("Long", buf), nullptr);
  EXPECT_EQ(std::string(buf), std::string(255, 'x'));
  char four[4];
  EXPECT_STREQ(ini.GetString("Mixed", four, sizeof four), "12a");

  EXPECT_EQ(ini.GetInt("Big"), INT_MAX);
  EXPECT_EQ(ini.GetInt("Small"), INT_MIN);
  EXPECT_EQ(ini.GetInt("Mixed"), 12);
  EXPECT_EQ(ini.GetInt("Text"), 0);
  EXPECT_EQ(ini.GetInt("Missing"), 0);

  EXPECT_EQ(ini.GetFloat("Huge"), 0.0);
  EXPECT_EQ(ini.GetFloat("Nan"), 0.0);
  EXPECT_EQ(ini.GetFloat("Inf"), 0.0);
  EXPECT_EQ(ini.GetFloat("Half"), 2.5);
  EXPECT_EQ(ini.GetFloat("Text"), 0.0);
  EXPECT_EQ(ini.GetFloat("Missing"), 0.0);

  ini.SetInt("Neg", -42);
  EXPECT_EQ(Value(ini, "Neg"), "-42");
}

TEST(IniFileStore, FloatsIgnoreTheHostLocale) {
  const char* comma[] = {"ru_RU.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.utf8", "de_DE.utf8"};
  const char* found = nullptr;
  for (const char* name : comma)
    if (std::setlocale(LC_ALL, name)) {
      found = name;
      break;
    }
  if (!found) GTEST_SKIP() << "no decimal-comma locale installed";
  TIniFile ini;
  ini.SetFloat("F", 0.5);
  ini.AddPair("G", "1.25");
  double g = ini.GetFloat("G");
  std::string f = Value(ini, "F");
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(f, "0.500000");
  EXPECT_EQ(g, 1.25);
}

TEST(IniFileStore, BadFilesAndPaths) {
  ScopedDeviceRoot root;
  TIniFile ini;
  WriteDeviceFile("\\empty.ini", "");
  EXPECT_EQ(ini.Load("\\empty.ini"), 0);
  EXPECT_EQ(ini.GetCount(), 0);

  // Binary bytes, a NUL inside a line, a 1 MB line: loaded, nothing else lost.
  std::string bin = "[Ini]\nA=\x01\xff\xfe\n";
  bin += std::string("B=x\0y", 5) + "\n";
  bin += "C=" + std::string(1 << 20, 'c') + "\n";
  bin += "D=4\n";
  WriteDeviceFile("\\bin.ini", bin);
  ASSERT_EQ(ini.Load("\\bin.ini"), 0);
  EXPECT_EQ(ini.GetCount(), 4);
  EXPECT_EQ(Value(ini, "A"), "\x01\xff\xfe");
  EXPECT_EQ(Value(ini, "B"), std::string("x\0y", 3));
  EXPECT_EQ(Value(ini, "C").size(), size_t{1} << 20);
  EXPECT_EQ(ini.GetInt("D"), 4);
  ASSERT_EQ(ini.SaveAs("\\bin2.ini"), 0);
  EXPECT_EQ(ReadDeviceFile("\\bin2.ini"), bin);

  CreateDirectoryW(L"\\folder.ini", nullptr);
  EXPECT_EQ(ini.Load("\\folder.ini"), 2);  // a folder is no settings file
  EXPECT_EQ(ini.GetCount(), 0);
  ini.AddPair("A", "1");
  EXPECT_EQ(ini.SaveAs("\\folder.ini"), 2);
  EXPECT_EQ(ini.SaveAs("\\no\\such\\folder\\x.ini"), 2);
  EXPECT_EQ(ini.SaveAs(""), 2);
  EXPECT_EQ(ini.Load(""), 2);
}
