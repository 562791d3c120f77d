#include "edit/number_list_edit.h"

#include <charconv>
#include <cstdio>
#include <cwchar>

#include "base/typed_number.h"
#include "platform/win.h"

std::wstring FormatG(double value) {
  // The shortest text that reads back as the same value: a typed 1234.5678 comes back as typed
  // when the user steps through the list, where six digits would round it to 1234.57.
  char text[64];
  const auto r = std::to_chars(text, text + sizeof text, value);
  return r.ec == std::errc() ? std::wstring(text, r.ptr) : std::wstring(L"0");
}

void TNumberListEdit::Attach(HWND window) {
  edit = window;
  if (edit) SetWindowTextW(edit, L"");
  index = 0;
  values.clear();
  values.shrink_to_fit();
}

void TNumberListEdit::Clear() {
  index = 0;
  values.clear();
  values.shrink_to_fit();
}

int32_t TNumberListEdit::Append() {
  if (mode == 0) StoreText();
  try {
    values.push_back(double(values.size() + 1));
  } catch (...) {
    Clear();
    return -1;
  }
  index = GetCount() - 1;
  return index;
}

void TNumberListEdit::Next() {
  if (index >= GetCount()) return;
  StoreText();
  ++index;
  Show();
}

void TNumberListEdit::Prev() {
  if (index <= 0) return;
  if (mode == 0) StoreText();
  --index;
  Show();
}

void TNumberListEdit::StoreText() {
  if (!edit || index < 0 || index >= GetCount()) return;
  wchar_t text[256] = {};
  GetWindowTextW(edit, text, 256);
  // A text that is no number keeps the element: the user hears it rather than finding a 0.
  if (!ReadTypedNumber(std::wstring_view(text), &values[size_t(index)])) MessageBeep(MB_ICONHAND);
}

double TNumberListEdit::At(int32_t i) const {
  if (values.empty()) return 0.0;
  return i >= 0 && i < GetCount() ? values[size_t(i)] : values[0];
}

void TNumberListEdit::Show() const {
  if (!edit) return;
  std::wstring text;
  if (!values.empty()) text = mode ? std::to_wstring(index + 1) : FormatG(At(index));
  SetWindowTextW(edit, text.c_str());
}

void TNumberListEdit::RemoveAt(int32_t at) {
  if (at < 0 || at >= GetCount()) return;
  values.erase(values.begin() + at);
  if (values.empty()) values.shrink_to_fit();
}
