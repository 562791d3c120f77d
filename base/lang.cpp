#include "base/lang.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string_view>
#include <unordered_map>

#include "base/lang_ids.h"
#include "base/language_path.h"
#include "base/text_utils.h"

namespace {

constexpr size_t kMaxText = 255;   // wide characters a language text keeps
const wchar_t kEmpty[] = L"";

// Ids whose texts are printf formats; their callers pass the arguments through FormatLangText.
constexpr int32_t kFormatIds[] = {
    lang_id::kMsgGeoOffConf,    lang_id::kMsgDLLNotFoundS,    lang_id::kMsgDLLBadFormatS,
    lang_id::kMsgOpenMapConfS,  lang_id::kMsgBreakAndBegin,   lang_id::kMsgCopyTimeAndConf,
    lang_id::kMsgReplaceFileConf, lang_id::kMsgLegendReadErrI, lang_id::kMsgSaveFileErrS,
    lang_id::kMsgWMKeptUnsavedS, lang_id::kMsgPrjMapsNotOpenedS, lang_id::kMsgMapCopyFoundSS,
    lang_id::kMsgNotProjectErrS, lang_id::kMsgRouteNoMapS};

struct Conversion {
  std::wstring length;  // length modifiers as written
  wchar_t kind;         // 's', 'c', 'i' (signed), 'u' (unsigned), 'f', 'p'
  size_t at;            // index of the conversion character in the text
};

// The conversions of a format, "%%" not counted. False for anything that could make formatting
// read arguments the caller did not pass or write without bound: '*', %n, an unknown
// conversion, a '%' at the end, a width or precision of more than three digits.
bool ParseConversions(const std::wstring& text, std::vector<Conversion>* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'%') continue;
    if (++i >= text.size()) return false;
    if (text[i] == L'%') continue;
    while (i < text.size() && std::wcschr(L"-+ #0", text[i]) && text[i]) ++i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') ++i, ++digits;
    if (digits > 3) return false;
    if (i < text.size() && text[i] == L'.') {
      ++i;
      digits = 0;
      while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') ++i, ++digits;
      if (digits > 3) return false;
    }
    Conversion c;
    while (i < text.size() && text[i] && std::wcschr(L"hlLqjzt", text[i])) c.length += text[i++];
    if (i >= text.size()) return false;
    switch (text[i]) {
      case L's': case L'S': c.kind = L's'; break;
      case L'c': case L'C': c.kind = L'c'; break;
      case L'd': case L'i': c.kind = L'i'; break;
      case L'u': case L'o': case L'x': case L'X': c.kind = L'u'; break;
      case L'f': case L'F': case L'e': case L'E': case L'g': case L'G': case L'a': case L'A':
        c.kind = L'f';
        break;
      case L'p': c.kind = L'p'; break;
      default: return false;  // '*', 'n' and everything unknown
    }
    c.at = i;
    out->push_back(c);
  }
  return true;
}

// A code page text as the language file writes it: blanks, an optional sign, decimal digits;
// the rest is ignored and no digits give 0, the layer's system page. False for a value outside
// the 32-bit page range.
bool ParseCodePage(const wchar_t* s, UINT* page) {
  while (*s == L' ' || *s == L'\t') ++s;
  bool negative = false;
  if (*s == L'+' || *s == L'-') negative = *s++ == L'-';
  long long value = 0;
  for (; *s >= L'0' && *s <= L'9' && value < 0x100000000LL; ++s) value = value * 10 + (*s - L'0');
  if (negative) value = -value;
  if (value < 0 || value > 0xFFFFFFFFLL) return false;
  *page = static_cast<UINT>(value);
  return true;
}

// Takes `text` as the program code page; false (the page kept) when it is no page or one the
// layer cannot convert with.
bool TakeCodePage(const wchar_t* text) {
  UINT page = 0;
  if (!ParseCodePage(text, &page)) return false;
  return page == GetProgramCodePage() || SetProgramCodePage(page);
}

}  // namespace

bool IsLangFormatId(int32_t id) {
  for (int32_t f : kFormatIds)
    if (f == id) return true;
  return false;
}

bool LangFormatsMatch(const std::wstring& reference, const std::wstring& candidate) {
  std::vector<Conversion> a, b;
  if (!ParseConversions(reference, &a) || !ParseConversions(candidate, &b)) return false;
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].kind != b[i].kind || a[i].length != b[i].length) return false;
  return true;
}

TLang::TLang() { store.SetHeader("[Lang]"); }

TLang::~TLang() = default;

void TLang::Clear() { std::vector<TLangEntry>().swap(entries_); }

void TLang::Add(int32_t id, const char* key, const wchar_t* text) {
  entries_.push_back(TLangEntry{id, key ? key : "", text ? text : L""});
}

int TLang::Load(const char* path) {
  int rc = store.Load(path);
  if (rc == TIniFile::kOk) {
    // The file's own code page comes first: its texts are written in it. A file that names none
    // is in the page of the code page's entry (the built-in 1251 after a fresh registration),
    // not in whatever page the language before it left behind. The page is a number, so its
    // digits read the same in every page.
    const char* own = store.FindKey("CodePageID");
    if (own && own[0]) TakeCodePage(AnsiToWideString(own).c_str());
    else TakeCodePage(GetText(-1));
    // The first pair of each key, found once: a file may carry thousands of unknown keys.
    std::unordered_map<std::string_view, const char*> values;
    values.reserve(static_cast<size_t>(store.GetCount()));
    for (int i = 0; i < store.GetCount(); ++i) values.emplace(store.GetKeyAt(i), store.GetValueAt(i));
    for (TLangEntry& e : entries_) {
      auto it = values.find(e.key);
      if (it == values.end() || !it->second[0]) continue;
      // Converted whole and then cut, so the cut never falls inside a multi-byte character.
      std::wstring text = AnsiToWideString(it->second);
      if (text.size() > kMaxText) text.resize(kMaxText);
      if (text.empty()) continue;
      if (IsLangFormatId(e.id) && !LangFormatsMatch(e.text, text)) {
        std::fprintf(stderr, "language file %s: text of %s does not match its format, ignored\n",
                     path, e.key.c_str());
        continue;
      }
      e.text = std::move(text);
    }
  }
  store.Clear();
  return rc;
}

const wchar_t* TLang::GetText(int32_t id) const {
  for (const TLangEntry& e : entries_)
    if (e.id == id) return e.text.c_str();
  return kEmpty;
}

void LoadLanguage() {
  g_Lang.Clear();
  int count = 0;
  const TLangKey* keys = GetLangKeys(&count);
  for (int i = 0; i < count; ++i) g_Lang.Add(keys[i].id, keys[i].key, keys[i].text);

  char path[256];
  GetLanguageFilePath(path, sizeof path);
  g_Lang.Load(path);

  // The page the file's texts were read in stays for every later conversion. Without a file
  // (or with one whose page is unusable) this takes the code page entry's text.
  if (!TakeCodePage(g_Lang.GetText(-1))) {
    std::fprintf(stderr, "language file %s: code page %ls cannot be used, keeping %u\n", path,
                 g_Lang.GetText(-1), GetProgramCodePage());
  }
}

std::wstring FormatLangText(int32_t id, ...) {
  std::wstring text = g_Lang.GetText(id);
  std::vector<Conversion> conv;
  if (!IsLangFormatId(id) || !ParseConversions(text, &conv)) return text;
  // Our callers pass wide texts for %s and %c; the host's wide printf wants %ls and %lc.
  std::wstring format = text;
  for (size_t i = conv.size(); i-- > 0;)
    if ((conv[i].kind == L's' || conv[i].kind == L'c') && conv[i].length.empty()) format.insert(conv[i].at, 1, L'l');
  std::vector<wchar_t> buf(512);
  for (;;) {
    va_list args;
    va_start(args, id);
    int n = std::vswprintf(buf.data(), buf.size(), format.c_str(), args);
    va_end(args);
    if (n >= 0) return std::wstring(buf.data(), static_cast<size_t>(n));
    if (buf.size() >= (1u << 20)) return text;
    buf.resize(buf.size() * 4);
  }
}
