// Code pages: the program's 8-bit text <-> wide text.
//
// The single-byte pages are tables of their upper 128 bytes (the lower half is ASCII). Bytes
// that a page leaves undefined map to the C1 control with the same number (0x98 -> U+0098) so
// that any 8-bit text survives a round trip unchanged; a wide character with no byte in the page
// becomes the default character ('?').
#include <algorithm>
#include <array>
#include <cstring>
#include <cwchar>
#include <utility>
#include <vector>

#include "platform/sys/sys_internal.h"

namespace {

using Upper = std::array<char16_t, 128>;

// Cyrillic (Windows).
constexpr Upper kCp1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

// Western European (Windows). A0..FF are Latin-1.
constexpr Upper kCp1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,  // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,  // B8
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,  // C0
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,  // C8
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,  // D0
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,  // D8
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,  // E0
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,  // E8
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,  // F0
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,  // F8
};

// Central European (Windows).
constexpr Upper kCp1250 = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

// Cyrillic (DOS): letters, box drawing, then the remaining letters and signs.
constexpr Upper kCp866 = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 80
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 88
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 90
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 98
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // A0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // E0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // E8
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,  // F8
};

// The layer's system page (what CP_ACP means).
constexpr UINT kSystemCodePage = 1251;

struct SingleBytePage {
  UINT id;
  const Upper* upper;
  // Wide character -> byte for the upper half, sorted by character for binary search.
  std::vector<std::pair<wchar_t, unsigned char>> reverse;
};

const SingleBytePage* FindPage(UINT id) {
  static const std::vector<SingleBytePage> pages = [] {
    std::vector<SingleBytePage> v;
    for (auto [id, table] : {std::pair<UINT, const Upper*>{1250, &kCp1250},
                             {1251, &kCp1251},
                             {1252, &kCp1252},
                             {866, &kCp866}}) {
      SingleBytePage p{id, table, {}};
      for (int i = 0; i < 128; ++i)
        p.reverse.emplace_back(static_cast<wchar_t>((*table)[i]), static_cast<unsigned char>(0x80 + i));
      std::sort(p.reverse.begin(), p.reverse.end());
      v.push_back(std::move(p));
    }
    return v;
  }();
  if (id == CP_ACP) id = kSystemCodePage;
  for (const auto& p : pages)
    if (p.id == id) return &p;
  return nullptr;
}

bool ByteFor(const SingleBytePage& page, wchar_t c, unsigned char* out) {
  if (c >= 0 && c < 0x80) {
    *out = static_cast<unsigned char>(c);
    return true;
  }
  auto it = std::lower_bound(page.reverse.begin(), page.reverse.end(),
                             std::pair<wchar_t, unsigned char>(c, 0));
  if (it == page.reverse.end() || it->first != c) return false;
  *out = it->second;
  return true;
}

constexpr wchar_t kReplacement = 0xFFFD;

// One UTF-8 sequence from s[0..n); returns its length (at least 1) and the code point, or
// kReplacement with *bad set for a malformed, overlong or surrogate sequence.
int DecodeUtf8(const unsigned char* s, int n, wchar_t* cp, bool* bad) {
  *bad = false;
  unsigned char b = s[0];
  if (b < 0x80) {
    *cp = b;
    return 1;
  }
  int len;
  uint32_t v;
  uint32_t min;
  if ((b & 0xE0) == 0xC0) {
    len = 2, v = b & 0x1F, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    len = 3, v = b & 0x0F, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    len = 4, v = b & 0x07, min = 0x10000;
  } else {
    *bad = true;
    *cp = kReplacement;
    return 1;
  }
  int i = 1;
  for (; i < len; ++i) {
    if (i >= n || (s[i] & 0xC0) != 0x80) break;
    v = (v << 6) | (s[i] & 0x3F);
  }
  if (i < len || v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) {
    *bad = true;
    *cp = kReplacement;
    return i;  // skip the lead byte and the continuation bytes that belonged to it
  }
  *cp = static_cast<wchar_t>(v);
  return len;
}

int EncodeUtf8(wchar_t c, char* out) {
  uint32_t v = static_cast<uint32_t>(c);
  if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) v = kReplacement;
  if (v < 0x80) {
    out[0] = static_cast<char>(v);
    return 1;
  }
  if (v < 0x800) {
    out[0] = static_cast<char>(0xC0 | (v >> 6));
    out[1] = static_cast<char>(0x80 | (v & 0x3F));
    return 2;
  }
  if (v < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (v >> 12));
    out[1] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (v & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (v >> 18));
  out[1] = static_cast<char>(0x80 | ((v >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (v & 0x3F));
  return 4;
}

}  // namespace

namespace vplat::sys {

std::wstring Utf8ToWide(const std::string& s) {
  std::wstring out;
  out.reserve(s.size());
  auto p = reinterpret_cast<const unsigned char*>(s.data());
  int n = static_cast<int>(s.size());
  for (int i = 0; i < n;) {
    wchar_t c;
    bool bad;
    i += DecodeUtf8(p + i, n - i, &c, &bad);
    out.push_back(c);
  }
  return out;
}

std::string WideToUtf8(const std::wstring& s) {
  std::string out;
  out.reserve(s.size());
  char buf[4];
  for (wchar_t c : s) out.append(buf, EncodeUtf8(c, buf));
  return out;
}

bool Representable(UINT codePage, const std::wstring& s) {
  if (codePage == CP_UTF8) return true;
  const SingleBytePage* page = FindPage(codePage);
  if (!page) return false;
  unsigned char b;
  for (wchar_t c : s)
    if (!ByteFor(*page, c, &b)) return false;
  return true;
}

bool DecodeNarrow(UINT codePage, const char* s, std::wstring* out) {
  out->clear();
  if (codePage == CP_UTF8) {
    *out = Utf8ToWide(s);
    return true;
  }
  const SingleBytePage* page = FindPage(codePage);
  if (!page) return false;
  for (; *s; ++s) {
    auto b = static_cast<unsigned char>(*s);
    out->push_back(b < 0x80 ? b : static_cast<wchar_t>((*page->upper)[b - 0x80]));
  }
  return true;
}

}  // namespace vplat::sys

using vplat::sys::Fail;

extern "C" int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int cbSrc,
                                   LPWSTR dst, int cchDst) {
  if (!src || cbSrc == 0 || cbSrc < -1 || cchDst < 0 || (cchDst > 0 && !dst) ||
      (dst && static_cast<const void*>(src) == static_cast<const void*>(dst))) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const SingleBytePage* page = nullptr;
  if (codePage != CP_UTF8) {
    page = FindPage(codePage);
    if (!page) {
      Fail(ERROR_INVALID_PARAMETER);
      return 0;
    }
  }
  int n = cbSrc == -1 ? static_cast<int>(std::strlen(src)) + 1 : cbSrc;
  auto s = reinterpret_cast<const unsigned char*>(src);
  int count = 0;
  for (int i = 0; i < n;) {
    wchar_t c;
    if (page) {
      unsigned char b = s[i++];
      c = b < 0x80 ? b : static_cast<wchar_t>((*page->upper)[b - 0x80]);
    } else {
      bool bad;
      i += DecodeUtf8(s + i, n - i, &c, &bad);
      if (bad && (flags & MB_ERR_INVALID_CHARS)) {
        Fail(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
    }
    if (cchDst > 0) {
      if (count >= cchDst) {
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      dst[count] = c;
    }
    ++count;
  }
  return count;
}

extern "C" int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int cchSrc,
                                   LPSTR dst, int cbDst, LPCSTR defaultChar,
                                   LPBOOL usedDefaultChar) {
  if (usedDefaultChar) *usedDefaultChar = FALSE;
  if (!src || cchSrc == 0 || cchSrc < -1 || cbDst < 0 || (cbDst > 0 && !dst) ||
      (dst && static_cast<const void*>(src) == static_cast<const void*>(dst))) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const SingleBytePage* page = nullptr;
  if (codePage == CP_UTF8) {
    // UTF-8 has no default character: every character has an encoding.
    if (defaultChar || usedDefaultChar) {
      Fail(ERROR_INVALID_PARAMETER);
      return 0;
    }
  } else {
    page = FindPage(codePage);
    if (!page) {
      Fail(ERROR_INVALID_PARAMETER);
      return 0;
    }
  }
  int n = cchSrc == -1 ? static_cast<int>(std::wcslen(src)) + 1 : cchSrc;
  char fallback = defaultChar ? *defaultChar : '?';
  int count = 0;
  char buf[4];
  for (int i = 0; i < n; ++i) {
    int len;
    if (page) {
      unsigned char b;
      if (ByteFor(*page, src[i], &b)) {
        buf[0] = static_cast<char>(b);
      } else {
        buf[0] = fallback;
        if (usedDefaultChar) *usedDefaultChar = TRUE;
      }
      len = 1;
    } else {
      len = EncodeUtf8(src[i], buf);
    }
    if (cbDst > 0) {
      if (count + len > cbDst) {
        Fail(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      std::copy(buf, buf + len, dst + count);
    }
    count += len;
  }
  return count;
}

extern "C" BOOL IsValidCodePage(UINT codePage) {
  // CP_ACP is a selector, not a code page.
  return codePage != CP_ACP && (codePage == CP_UTF8 || FindPage(codePage) != nullptr);
}

extern "C" UINT GetACP() { return kSystemCodePage; }

