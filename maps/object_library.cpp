#include "maps/object_library.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "base/text_utils.h"
#include "maps/lzw.h"
#include "platform/win.h"

namespace {

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Header forms: bytes 0-7 are never read; the version byte at 8 chooses the rest.
size_t HeaderSize(uint8_t version) { return version == 0 ? 17 : version == 1 ? 21 : 38; }

TMolHeader ParseHeader(const uint8_t* h) {
  TMolHeader x;
  x.version = h[8];
  if (x.version == 0) {
    x.symbolLength = U16(h + 9);
    x.styleLength = U16(h + 11);
    x.paletteLength = U16(h + 15);  // 13-14 unused: version 0 has no fonts
  } else if (x.version == 1) {
    x.symbolLength = U32(h + 9);
    x.styleLength = U32(h + 13);
    x.fontLength = U16(h + 17);
    x.paletteLength = U16(h + 19);
  } else {
    x.flags = h[9];
    x.checksum = U16(h + 10);
    x.symbolLength = U32(h + 16);
    x.styleLength = U32(h + 20);
    x.fontLength = U16(h + 24);
    x.paletteLength = U16(h + 26);
    x.fieldListLength = U32(h + 28);
    x.valueTableLength = U32(h + 32);
  }
  return x;
}

// The library name of a map's text: cut at its last '.', so "Demo.mol", "demo" and "DEMO.xyz"
// name one library. False when nothing is left or the name would leave the library folder.
bool LibraryName(const char* text, std::string* out) {
  if (!text) return false;
  std::string n(text);
  const size_t dot = n.rfind('.');
  if (dot != std::string::npos) n.resize(dot);
  if (n.empty() || n.find_first_of("\\/:") != std::string::npos) return false;
  *out = std::move(n);
  return true;
}

// As the platform's _stricmp: only ASCII letters fold.
bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

void TObjectLibrary::ClearTables() {
  styles.Clear();
  symbols.Clear();
  fonts.Clear();
  fieldLists.Clear();
  valueTables.Clear();
  ownPalette.reset();
  palette = sharedPalette;
  styles.SetPalette(palette);
  symbols.SetPalette(palette);
}

int TObjectLibrary::Load(const char* path) {
  ClearTables();
  header = TMolHeader{};
  FILE* f = path ? vfopen(path, "rb") : nullptr;
  if (!f) return kMolNotOpened;
  std::unique_ptr<FILE, int (*)(FILE*)> closer(f, std::fclose);

  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) return kMolBadFile;
  std::unique_ptr<uint8_t[]> file(new (std::nothrow) uint8_t[size_t(size) + 1]);
  if (!file) return kMolNoMemory;
  if (std::fread(file.get(), 1, size_t(size), f) != size_t(size)) return kMolBadFile;
  closer.reset();

  const size_t fileSize = size_t(size);
  if (fileSize < 9 || fileSize < HeaderSize(file[8])) return kMolBadFile;
  header = ParseHeader(file.get());
  styles.SetFlags(header.flags & 1, header.flags & 2);

  const uint8_t* body = file.get() + HeaderSize(header.version);
  size_t bodyLength = fileSize - HeaderSize(header.version);
  LzwBuffer unpacked;
  if (header.flags & 4) {
    if (bodyLength > 0 && body[0] != 0) return kMolBadMethod;
    size_t n = 0;
    if (bodyLength > 0) unpacked = LzwDecode(body + 1, bodyLength - 1, &n);
    if (!unpacked) return kMolUnpackFailed;
    file.reset();
    body = unpacked.get();
    bodyLength = n;
  }

  // XorChecksum16 pads an odd last byte with a zero low byte.
  if (header.version >= 2 && XorChecksum16(body, bodyLength) != header.checksum)
    return kMolBadChecksum;

  // No declared length is trusted before it is compared with the bytes present (the sum of six
  // 32-bit lengths cannot overflow 64 bits).
  const uint64_t total = uint64_t(header.symbolLength) + header.styleLength + header.fontLength +
                         header.paletteLength + header.fieldListLength + header.valueTableLength;
  if (total > bodyLength) return kMolBadFile;

  return ParseSections(body, bodyLength);
}

int TObjectLibrary::ParseSections(const uint8_t* body, size_t length) {
  (void)length;  // checked by the caller against the sum of the section lengths
  size_t at = 0;
  // The readers' own results (a cut record, no memory) leave their table short but do not fail
  // the library: a map draws what its library could give.
  if (header.symbolLength) symbols.Load(body + at, header.symbolLength);
  at += header.symbolLength;
  if (header.styleLength) styles.Load(body + at, header.styleLength);
  at += header.styleLength;
  if (header.fontLength) fonts.Load(body + at, header.fontLength);
  at += header.fontLength;
  palette = sharedPalette;
  if (header.paletteLength) {
    ownPalette.reset(new (std::nothrow) TPalette);
    if (ownPalette) {
      ownPalette->SetColors(body + at, header.paletteLength);
      palette = ownPalette.get();
    }
  }
  at += header.paletteLength;
  symbols.SetPalette(palette);
  styles.SetPalette(palette);
  if (header.fieldListLength) fieldLists.Load(body + at, header.fieldListLength);
  at += header.fieldListLength;
  if (header.valueTableLength) valueTables.Load(body + at, header.valueTableLength, header.version);
  return kMolOk;
}

const TFieldList* TObjectLibrary::GetFields(uint16_t code) const {
  return fieldLists.FindByNumber(styles.GetFieldListNumber(code));
}

void TObjectLibraryList::SetFolder(const char* folderPath, const TPalette* palette) {
  folder = folderPath ? folderPath : "";
  sharedPalette = palette;
}

TObjectLibrary* TObjectLibraryList::At(int index) const {
  return index >= 0 && size_t(index) < libraries.size() ? libraries[size_t(index)].get() : nullptr;
}

TObjectLibrary* TObjectLibraryList::FindByName(const char* text) {
  std::string n;
  if (!LibraryName(text, &n)) {
    result = kMolNotOpened;
    return nullptr;
  }
  for (const auto& lib : libraries)
    if (SameName(lib->name, n)) return lib.get();
  return LoadLibrary(text);
}

TObjectLibrary* TObjectLibraryList::LoadLibrary(const char* text) {
  std::string n;
  if (!LibraryName(text, &n)) {
    result = kMolNotOpened;
    return nullptr;
  }
  auto lib = std::unique_ptr<TObjectLibrary>(new (std::nothrow) TObjectLibrary);
  if (!lib) {
    result = kMolNoMemory;
    return nullptr;
  }
  lib->SetSharedPalette(sharedPalette);
  const std::string path = folder + n + ".mol";
  result = lib->Load(path.c_str());
  if (result != kMolOk) return nullptr;
  lib->name = std::move(n);
  libraries.push_back(std::move(lib));
  return libraries.back().get();
}
