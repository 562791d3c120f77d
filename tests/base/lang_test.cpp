#include "base/lang.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "base/lang_ids.h"
#include "base/language_path.h"
#include "base/text_utils.h"
#include "tests/base/device_root.h"

namespace {

void WriteDeviceFile(const char* path, const std::string& bytes) {
  FILE* f = vfopen(path, "wb");
  ASSERT_NE(f, nullptr) << path;
  ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
}

// A device with "\Vorna\" as program folder and the language file "\Vorna\<name>.lng". These
// tests call LoadLanguage alone, so they set the folder as start-up does; that start-up really
// sets it is the StartUpLanguage test's part.
struct LangDevice {
  ScopedDeviceRoot root;
  LangDevice() {
    CreateDirectoryW(L"\\Vorna", nullptr);
    SetLanguageFolder("\\Vorna\\");
    SetProgramCodePage(1251);
    g_Ini.Clear();
  }
  void UseFile(const std::string& name, const std::string& body) {
    g_Ini.SetString("LangFile", name.c_str());
    WriteDeviceFile(("\\Vorna\\" + name + ".lng").c_str(), "[Lang]\n" + body);
  }
};

}  // namespace

TEST(LangTable, BuiltInKeys) {
  LoadLanguage();
  ASSERT_EQ(g_Lang.GetCount(), 275);
  EXPECT_EQ(g_Lang.GetEntry(0).id, -1);
  EXPECT_EQ(g_Lang.GetEntry(0).key, "CodePageID");
  EXPECT_EQ(g_Lang.GetEntry(0).text, L"1251");

  std::set<int> ids;
  std::map<std::string, int> groups;
  int withText = 0, rotPt = 0;
  for (int i = 0; i < g_Lang.GetCount(); ++i) {
    const TLangEntry& e = g_Lang.GetEntry(i);
    ids.insert(e.id);
    size_t bar = e.key.find('_');
    groups[bar == std::string::npos ? "single" : e.key.substr(0, bar)]++;
    if (e.id == 2342) {
      ++rotPt;
      EXPECT_EQ(e.key, "DlgSetNavi_RotPt");
    }
    if (e.id >= 100000) {
      EXPECT_FALSE(e.text.empty()) << e.key;
      ++withText;
    } else if (e.id >= 0) {
      EXPECT_TRUE(e.text.empty()) << e.key;  // controls and menu items keep resource texts
    }
  }
  EXPECT_EQ(ids.size(), 274u);
  EXPECT_EQ(rotPt, 2);
  EXPECT_EQ(withText, 110);
  const std::map<std::string, int> expected = {
      {"single", 4},     {"MMenu", 21},    {"DlgPE", 13},      {"DlgPENWM", 5},   {"DlgSet", 9},
      {"DlgSetAlm", 12}, {"DlgSetBt", 8},  {"DlgSetGeo", 12},  {"DlgSetNavi", 13}, {"DlgSetMap", 8},
      {"DlgSetOther", 10}, {"DlgSetPorts", 7}, {"DlgSetLang", 2}, {"DlgSetAuto", 8}, {"DlgWMW", 3},
      {"DlgDS", 1},      {"DlgDFM", 10},   {"DlgDFMPB", 1},    {"DlgWayPt", 6},   {"DlgJH", 2},
      {"DlgSG", 3},      {"HBMenu", 5},    {"WPMenu", 2},      {"LVOMenu", 2},    {"DlgSM", 4},
      {"DlgSA", 5},      {"DlgSO", 3},     {"Msg", 70},        {"BtAct", 17},
      {"DlgSBar", 2},    {"DlgRoute", 7}};
  EXPECT_EQ(groups, expected);

  const std::map<int, std::wstring> quoted = {
      {100011, L"Подтверждение"}, {100032, L"Удалить?"},
      {100035, L"Выключить режим геодезии? (Файл: %s)"}, {100036, L"Не найдена DLL %s"},
      {100067, L"мин."}, {100082, L"(НЕ ВЫБРАНО)"}, {100006, L"Ошибка при открытии "},
      {110001, L"нет действия"}, {110002, L"Приблизить карту"}, {110003, L"Отдалить карту"},
      {110004, L"Вкл./выкл. режим навигации"}, {110005, L"Вкл./выкл. сопровождение"},
      {110006, L"Вкл./выкл. запись маршрута"}, {110007, L"Запомнить текущую точку навигации"},
      {110008, L"Установить точку на карте"}, {110009, L"Вкл./выкл. режим геодезии"},
      {110010, L"Сменить тип оккупации (Stop&Go)"}, {110011, L"Вкл./выкл. запись точки"},
      {110012, L"Вкл./выкл. запись линии"}, {110013, L"Адресный поиск"},
      {110014, L"Поиск объектов"}, {110015, L"Завершить поиск"},
      {110016, L"Вкл./выкл. блокировку экрана"}, {110017, L"Закрыть программу"}};
  for (const auto& [id, text] : quoted) EXPECT_EQ(std::wstring(g_Lang.GetText(id)), text) << id;

  EXPECT_TRUE(LangFormatsMatch(g_Lang.GetText(100043), L"%s"));
  EXPECT_TRUE(LangFormatsMatch(g_Lang.GetText(100048), L"%s"));
  EXPECT_TRUE(LangFormatsMatch(g_Lang.GetText(100072), L"%i"));
  EXPECT_STREQ(g_Lang.GetText(99), L"");  // never registered: empty, never null
}

// Every named text id is a row of the key table with the key the name was written for, every
// text row (100000 and above) has a name, and no two names share an id.
TEST(LangTable, NamedTextIdsMatchTheTable) {
  int count = 0;
  const TLangKey* keys = GetLangKeys(&count);
  std::map<int32_t, std::set<std::string>> table;
  for (int i = 0; i < count; ++i) table[keys[i].id].insert(keys[i].key);
  std::set<int32_t> named;
#define VORNA_CHECK_ID(name, id, key)                                    \
  EXPECT_EQ(lang_id::name, id);                                          \
  EXPECT_TRUE(table[id].count(key)) << #name << " " << id << " " << key; \
  EXPECT_TRUE(named.insert(id).second) << #name;
  VORNA_LANG_TEXTS(VORNA_CHECK_ID)
#undef VORNA_CHECK_ID
  for (const auto& [id, names] : table) {
    if (id >= 100000) {
      EXPECT_TRUE(named.count(id)) << id << " has no name";
    }
  }
}

TEST(LangTable, LanguageFileReplacesTexts) {
  LangDevice dev;
  std::string longText(300, 'L');
  dev.UseFile("English",
              "MMenu_FileExit=Exit\n"
              "Msg_Conf=\n"                       // empty: the built-in text stays
              "Msg_DelConf=Delete?\\nSure\n"      // escapes are resolved by the store
              "Msg_Info=" + longText + "\n"
              "Msg_NoSelected=\xC0\xE1\n"         // 1251 bytes
              "NotAKey=whatever\n");
  LoadLanguage();
  EXPECT_STREQ(g_Lang.GetText(40005), L"Exit");
  EXPECT_STREQ(g_Lang.GetText(100011), L"Подтверждение");
  EXPECT_STREQ(g_Lang.GetText(100032), L"Delete?\nSure");
  EXPECT_EQ(std::wstring(g_Lang.GetText(100039)), std::wstring(255, L'L'));
  EXPECT_STREQ(g_Lang.GetText(100082), L"Аб");
  EXPECT_EQ(g_Lang.GetCount(), 275);
  EXPECT_EQ(g_Lang.store.GetCount(), 0);  // emptied after the load
}

TEST(LangTable, MissingFileKeepsDefaults) {
  LangDevice dev;
  LoadLanguage();  // no LangFile: the folder alone, which cannot load
  EXPECT_STREQ(g_Lang.GetText(100011), L"Подтверждение");
  g_Ini.SetString("LangFile", "Absent");
  LoadLanguage();
  EXPECT_STREQ(g_Lang.GetText(100011), L"Подтверждение");
  EXPECT_EQ(g_Lang.Load("\\Vorna\\Absent.lng"), 2);
  EXPECT_EQ(GetProgramCodePage(), 1251u);
}

TEST(LangTable, AFileIsReadInItsOwnCodePageFromTheFirstLoad) {
  LangDevice dev;
  // "CodePageID" last, after the text it governs: the page is still taken first.
  dev.UseFile("West", "Msg_Km=Schlie\xDF" "en\nCodePageID=1252\n");
  LoadLanguage();
  EXPECT_STREQ(g_Lang.GetText(100064), L"Schließen");  // 1251 would give "SchlieЯen"
  EXPECT_EQ(GetProgramCodePage(), 1252u);

  // A file naming no page is in the built-in 1251, whatever page the last language left.
  dev.UseFile("East", "Msg_Km=\xEA\xEC\n");
  LoadLanguage();
  EXPECT_STREQ(g_Lang.GetText(100064), L"км");
  EXPECT_EQ(GetProgramCodePage(), 1251u);

  dev.UseFile("West", "CodePageID=1252\n");
  LoadLanguage();
  dev.UseFile("Bad", "CodePageID=4242\nMsg_Km=\xC0\n");
  LoadLanguage();
  EXPECT_EQ(GetProgramCodePage(), 1252u);  // an unknown page is not taken...
  EXPECT_STREQ(g_Lang.GetText(100064), L"À");  // ...and the texts are read in the kept one

  dev.UseFile("Text", "CodePageID=abc\n");
  LoadLanguage();
  EXPECT_EQ(GetProgramCodePage(), 0u);  // not a number: the system page
  wchar_t w[4];
  AnsiToWide(w, "\xC0", 1, 4);
  EXPECT_EQ(w[0], L'А');  // which is 1251
}

TEST(LangTable, FormatTextsKeepTheirConversions) {
  LangDevice dev;
  dev.UseFile("F",
              "Msg_OpenMapConf_S=Open %s?\n"
              "Msg_BreakAndBegin=%s%s\n"             // two conversions: refused
              "Msg_LegendReadErr_I=Legend error %d\n"  // %d is an integer like %i
              "Msg_DLLNotFound_S=No %n here\n"
              "Msg_DLLBadFormat_S=Bad %*s\n"
              "Msg_CopyTimeAndConf=Takes %s, 100%% sure?\n"
              "Msg_ReplaceFileConf=Replace %i?\n"
              "Msg_GeoOffConf=No conversion\n"
              "Msg_Km=%s\n");                        // not a format id: used as it stands
  LoadLanguage();
  EXPECT_STREQ(g_Lang.GetText(100043), L"Open %s?");
  EXPECT_STREQ(g_Lang.GetText(100048), L"Запись в файл %s была прервана.\nПродолжить её или начать новую?");
  EXPECT_STREQ(g_Lang.GetText(100072), L"Legend error %d");
  EXPECT_STREQ(g_Lang.GetText(100036), L"Не найдена DLL %s");
  EXPECT_STREQ(g_Lang.GetText(100037), L"Неверный формат DLL %s");
  EXPECT_STREQ(g_Lang.GetText(100069), L"Takes %s, 100%% sure?");
  EXPECT_STREQ(g_Lang.GetText(100070), L"Файл с именем \"%s\" уже существует.\nЗаменить?");
  EXPECT_STREQ(g_Lang.GetText(100035), L"Выключить режим геодезии? (Файл: %s)");

  EXPECT_EQ(FormatLangText(100043, L"\\maps\\Карта.mdm"), L"Open \\maps\\Карта.mdm?");
  EXPECT_EQ(FormatLangText(100072, 13), L"Legend error 13");
  EXPECT_EQ(FormatLangText(100069, L"2 мин."), L"Takes 2 мин., 100% sure?");
  EXPECT_EQ(FormatLangText(100064), L"%s");  // never formatted
}

TEST(LangTable, ThousandsOfUnknownKeys) {
  LangDevice dev;
  std::string body;
  for (int i = 0; i < 5000; ++i) body += "Unknown" + std::to_string(i) + "=x\n";
  body += "BtAct_Exit=Quit\n";
  dev.UseFile("Many", body);
  LoadLanguage();
  EXPECT_STREQ(g_Lang.GetText(110017), L"Quit");
}

TEST(LangTable, LanguageFilePath) {
  LangDevice dev;
  char path[256];
  EXPECT_EQ(GetLanguageFilePath(path), 0);
  EXPECT_STREQ(path, "\\Vorna\\");
  g_Ini.SetString("LangFile", "English");
  EXPECT_EQ(GetLanguageFilePath(path), 1);
  EXPECT_STREQ(path, "\\Vorna\\English.lng");
  char small[12];
  EXPECT_EQ(GetLanguageFilePath(small, sizeof small), 0);  // never cut into another name
  EXPECT_STREQ(small, "\\Vorna\\");
}
