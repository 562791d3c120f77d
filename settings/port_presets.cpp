#include "settings/port_presets.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/text_utils.h"
#include "platform/fresh_state.h"
#include "platform/win.h"

TPortPresets g_PortPresets;
namespace {
const vplat::FreshStateHook kFresh(5, [] { vplat::Renew(g_PortPresets); });
}  // namespace

namespace {

// A decimal integer filling the whole field: optional '-', then 1 to 10 digits, within int32.
bool ParseField(const char* p, size_t n, int32_t* out) {
  bool negative = false;
  if (n > 0 && *p == '-') {
    negative = true;
    ++p;
    --n;
  }
  if (n == 0 || n > 10) return false;
  int64_t value = 0;
  for (size_t i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
    value = value * 10 + (p[i] - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return false;
  *out = static_cast<int32_t>(value);
  return true;
}

}  // namespace

bool TPortPresets::ParseLine(const char* line, size_t length, PortPreset* out) {
  // The line end goes, whatever the writer used: CR LF, LF or a lone CR.
  while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
  if (length == 0 || line[0] == '#') return false;
  const char* tabs[3];
  size_t found = 0;
  for (size_t i = 0; i < length && found < 3; ++i)
    if (line[i] == '\t') tabs[found++] = line + i;
  if (found < 3) return false;
  PortPreset preset{};
  if (!ParseField(line, static_cast<size_t>(tabs[0] - line), &preset.type) ||
      !ParseField(tabs[0] + 1, static_cast<size_t>(tabs[1] - tabs[0] - 1), &preset.port) ||
      !ParseField(tabs[1] + 1, static_cast<size_t>(tabs[2] - tabs[1] - 1), &preset.baud))
    return false;
  if (preset.type < 1 || preset.type > 2 || preset.port < 1 || preset.port > kMaxPort ||
      preset.baud <= 0)
    return false;
  const char* name = tabs[2] + 1;
  size_t nameLength = static_cast<size_t>(line + length - name);
  // A NUL inside ends the name as the program reads it.
  if (const void* nul = std::memchr(name, 0, nameLength))
    nameLength = static_cast<size_t>(static_cast<const char*>(nul) - name);
  if (nameLength > kMaxName) nameLength = kMaxName;
  // A nameless preset could not be chosen back by its name from the store.
  if (nameLength == 0) return false;
  std::memcpy(preset.name, name, nameLength);
  preset.name[nameLength] = 0;
  *out = preset;
  return true;
}

int TPortPresets::Load(const char* path) {
  list_.clear();
  FILE* f = path && path[0] ? vfopen(path, "rb") : nullptr;
  if (!f) return 0;
  std::string data;
  char chunk[4096];
  size_t got;
  bool ok = true;
  try {
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.append(chunk, got);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  if (std::ferror(f)) ok = false;
  std::fclose(f);
  if (!ok) return 1;  // opened; what could not be read gives no presets
  try {
    size_t pos = 0;
    while (pos < data.size()) {
      size_t nl = data.find('\n', pos);
      const size_t end = nl == std::string::npos ? data.size() : nl;
      PortPreset preset;
      if (ParseLine(data.data() + pos, end - pos, &preset)) list_.push_back(preset);
      pos = nl == std::string::npos ? data.size() : nl + 1;
    }
  } catch (const std::bad_alloc&) {
    list_.clear();  // the list could not grow: none rather than a part
  }
  return 1;
}

void TPortPresets::FillCombo(HWND combo) {
  combo_ = combo;
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
  for (const PortPreset& p : list_) {
    const std::wstring name = AnsiToWideString(p.name);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
}

const PortPreset* TPortPresets::GetSelected() const {
  if (!combo_) return nullptr;
  const LRESULT sel = SendMessageW(combo_, CB_GETCURSEL, 0, 0);
  if (sel <= 0 || sel > static_cast<LRESULT>(list_.size())) return nullptr;
  return &list_[static_cast<size_t>(sel - 1)];
}

void TPortPresets::Apply(HWND typeCombo, HWND portCombo, HWND baudCombo) const {
  const PortPreset* p = GetSelected();
  if (!p) return;
  SendMessageW(typeCombo, CB_SETCURSEL, static_cast<WPARAM>(p->type - 1), 0);
  SendMessageW(portCombo, CB_SETCURSEL, static_cast<WPARAM>(p->port - 1), 0);
  wchar_t baud[16];
  swprintf(baud, 16, L"%i", p->baud);
  // The equal item only: a preset of 11520 must not turn into 115200.
  const LRESULT index = SendMessageW(baudCombo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(baud));
  SendMessageW(baudCombo, CB_SETCURSEL, static_cast<WPARAM>(index == CB_ERR ? -1 : index), 0);
}

void TPortPresets::Free() { list_.clear(); }
