// The language file: loaded over the built-in keys as a user's file would be; every text then
// answers, and a format text the file supplied is used only with the built-in conversions.
#include <string>

#include "base/ini_file.h"
#include "base/lang.h"
#include "fuzz_device.h"
#include "base/language_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzdev::Start();
  CreateDirectoryW(L"\\Vorna", nullptr);
  if (!fuzzdev::Put("\\Vorna\\Fuzz.lng", data, size)) return 0;
  static const bool named = [] {
    SetLanguageFolder("\\Vorna\\");
    return g_Ini.SetString("LangFile", "Fuzz") == TIniFile::kOk;
  }();
  (void)named;
  LoadLanguage();
  for (int i = 0; i < g_Lang.GetCount(); ++i) {
    const TLangEntry& e = g_Lang.GetEntry(i);
    const wchar_t* text = g_Lang.GetText(e.id);
    FUZZ_CHECK(text != nullptr);
    if (IsLangFormatId(e.id)) {
      // The built-in formats take one or two wide texts, or one int (100072); an argument more
      // than a format reads is ignored.
      std::wstring s = e.id == 100072 ? FormatLangText(e.id, 42) : FormatLangText(e.id, L"x", L"y");
      FUZZ_CHECK(!s.empty() || text[0] == 0);
    }
  }
  return 0;
}
