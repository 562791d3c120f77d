// The language table: every text the user sees is looked up here by a numeric id. The program
// registers each id with a language key and a built-in text; a language file then replaces the
// texts of the keys it names. Dialogs and menus are translated by matching their control and
// command ids against the table. Loading a language also sets the program code page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "platform/win_types.h"

// One row of the built-in key table.
struct TLangKey {
  int32_t id;
  const char* key;
  const wchar_t* text;  // null: no built-in text
};

// The built-in key table in registration order.
const TLangKey* GetLangKeys(int* count);

struct TLangEntry {
  int32_t id;          // control id, menu command id or message id; -1 for the code page
  std::string key;     // as written in a language file
  std::wstring text;   // empty when none was given
};

class TLang {
 public:
  TLang();
  virtual ~TLang();
  TLang(const TLang&) = delete;
  TLang& operator=(const TLang&) = delete;

  void Clear();
  // Appends an entry with copies of the key and the text (empty when null).
  void Add(int32_t id, const char* key, const wchar_t* text);
  // Loads a language file and replaces the text of every entry whose key has a non-empty value;
  // then empties the store. The texts are converted with the file's own "CodePageID", which
  // becomes the program code page first (a file without one: the code page entry's text; a
  // page the layer cannot use: the page in force is kept). Returns the store's load result
  // (0, 2, 3).
  int Load(const char* path);
  // The text of the first entry with the id; the shared empty text when there is none.
  const wchar_t* GetText(int32_t id) const;
  // Sets the text of every child window whose id has a non-empty text (ids 0 and -1, the ids of
  // static labels, are left alone).
  void TranslateDialog(HWND dialog) const;
  // Sets the window's text to the id's text when that is not empty; the result of setting it,
  // else 0.
  BOOL SetWindowText(HWND hwnd, int32_t id) const;
  // Replaces the text of every menu item, submenus included, whose command id has a non-empty
  // text; type and id are kept.
  void TranslateMenu(HMENU menu) const;

  int GetCount() const { return static_cast<int>(entries_.size()); }
  const TLangEntry& GetEntry(int index) const { return entries_[static_cast<size_t>(index)]; }

  // Used only while a language file loads.
  TIniFile store;

 private:
  std::vector<TLangEntry> entries_;
};

// The program's one language table.
extern TLang g_Lang;

// The full reload: clears the table, registers the built-in keys, loads the language file named
// by the setting "LangFile" (its texts read in its own "CodePageID") and keeps that page as the
// program code page for every later conversion; without a file the page is the built-in 1251.
// A page the layer cannot convert with is not taken.
void LoadLanguage();

// Texts that are printf formats (their conversions are fixed by the built-in text; a language
// file text for them is taken only when its conversions match). Formats the text of `id` with
// the arguments: %s takes a wide text (const wchar_t*), %i an int. Any other id's text is
// returned as it stands.
std::wstring FormatLangText(int32_t id, ...);
// True for the ids whose texts are formats.
bool IsLangFormatId(int32_t id);
// True when `candidate` has the same conversions as `reference` (number, kind and order; "%%"
// not counted) and no width or precision that could run away.
bool LangFormatsMatch(const std::wstring& reference, const std::wstring& candidate);
