#include "base/typed_number.h"

#include <charconv>
#include <cmath>
#include <type_traits>

namespace {

// The text without its blanks, with the comma made a point, when it has the shape of a typed
// number (see the header); false otherwise. `whole` refuses any decimal mark.
template <class Char>
bool Normalize(std::basic_string_view<Char> text, bool whole, std::string* out) {
  size_t first = 0, last = text.size();
  auto blank = [](Char c) { return c == Char(' ') || c == Char('\t'); };
  while (first < last && blank(text[first])) ++first;
  while (last > first && blank(text[last - 1])) --last;
  std::string s;
  bool digit = false, mark = false;
  for (size_t i = first; i < last; ++i) {
    const Char c = text[i];
    if (c >= Char('0') && c <= Char('9')) {
      digit = true;
      s.push_back(char(c));
    } else if ((c == Char('-') || c == Char('+')) && i == first) {
      if (c == Char('-')) s.push_back('-');
    } else if ((c == Char('.') || c == Char(',')) && !mark && !whole) {
      mark = true;
      s.push_back('.');
    } else {
      return false;
    }
  }
  if (!digit) return false;
  *out = s;
  return true;
}

// The typed text as a double or an int32: from_chars reads the point whatever the process
// locale, and refuses an int32 out of its range; a double must come out finite.
template <class Value, class Char>
bool Read(std::basic_string_view<Char> text, Value* value) {
  std::string s;
  if (!Normalize(text, std::is_integral_v<Value>, &s)) return false;
  Value v = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (error != std::errc() || end != s.data() + s.size()) return false;
  if constexpr (!std::is_integral_v<Value>) {
    if (!std::isfinite(v)) return false;
  }
  if (value) *value = v;
  return true;
}

template <class Char>
std::string Canonical(std::basic_string_view<Char> text) {
  std::string s;
  return Normalize(text, false, &s) && Read<double>(text, nullptr) ? s : std::string();
}

}  // namespace

bool ReadTypedNumber(std::wstring_view text, double* value) { return Read(text, value); }
bool ReadTypedNumber(std::string_view text, double* value) { return Read(text, value); }
bool ReadTypedInt(std::wstring_view text, int32_t* value) { return Read(text, value); }
bool ReadTypedInt(std::string_view text, int32_t* value) { return Read(text, value); }

std::string CanonicalTypedNumber(std::wstring_view text) { return Canonical(text); }
std::string CanonicalTypedNumber(std::string_view text) { return Canonical(text); }
