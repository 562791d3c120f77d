// Object libraries (".mol"): how every object type of a vector map is drawn and described. A
// library holds styles keyed by type code, vector symbols, fonts, optionally its own palette,
// attribute field lists and value tables. The project keeps one TObjectLibraryList, which loads
// each library the first time a map names it and shares it between all maps that do.
//
// The file is a header of one of three forms chosen by the version byte at offset 8 (17 bytes
// for version 0, 21 for version 1, 38 from version 2), then the body: the sections back to back
// in the order symbols, styles, fonts, palette, field lists, value tables, a section of length 0
// being absent. From version 2 the body may be packed (flags bit 2: a method byte 0 and an LZW
// stream) and is checksummed after unpacking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "maps/field_list_table.h"
#include "maps/font_table.h"
#include "maps/palette.h"
#include "maps/style_table.h"
#include "maps/symbol_table.h"
#include "maps/value_table.h"

// Results of loading a library.
enum : int {
  kMolOk = 0,
  kMolBadFile = 1,     // shorter than its header form, or sections longer than the body
  kMolNoMemory = 3,
  kMolNotOpened = 5,
  kMolBadMethod = 11,  // packed with a method other than 0
  kMolUnpackFailed = 12,
  kMolBadChecksum = 13,
};

struct TMolHeader {
  uint8_t version = 0;
  uint8_t flags = 0;  // bit 0 field-list numbers, bit 1 extra blocks, bit 2 packed body
  uint16_t checksum = 0;
  uint32_t symbolLength = 0;
  uint32_t styleLength = 0;
  uint16_t fontLength = 0;
  uint16_t paletteLength = 0;
  uint32_t fieldListLength = 0;
  uint32_t valueTableLength = 0;
};

class TObjectLibrary {
 public:
  TObjectLibrary() = default;
  TObjectLibrary(const TObjectLibrary&) = delete;
  TObjectLibrary& operator=(const TObjectLibrary&) = delete;

  // The palette used when the file has no palette section (not owned).
  void SetSharedPalette(const TPalette* palette) { sharedPalette = palette; }
  // Reads the library at a device path (path page). A result other than 0 leaves every
  // table empty.
  int Load(const char* path);

  // The field list of the code's field-list number, or null.
  const TFieldList* GetFields(uint16_t code) const;
  // The palette in use: the library's own, else the shared one.
  const TPalette* Palette() const { return palette; }
  bool HasOwnPalette() const { return ownPalette != nullptr; }

  std::string name;  // as the list found it, without extension
  TStyleTable styles;
  TSymbolTable symbols;
  TFontTable fonts;
  TFieldListTable fieldLists;
  TValueTable valueTables;
  TMolHeader header;

 private:
  int ParseSections(const uint8_t* body, size_t length);
  void ClearTables();

  const TPalette* palette = nullptr;
  std::unique_ptr<TPalette> ownPalette;
  const TPalette* sharedPalette = nullptr;
};

class TObjectLibraryList {
 public:
  TObjectLibraryList() = default;
  TObjectLibraryList(const TObjectLibraryList&) = delete;
  TObjectLibraryList& operator=(const TObjectLibraryList&) = delete;

  // The folder is a plain prefix of the file names, so it ends with a backslash. The palette is
  // the shared one handed to every library loaded afterwards (not owned).
  void SetFolder(const char* folder, const TPalette* palette);
  // The loaded library of that name (compared without its extension and without regard to the
  // case of ASCII letters), else the result of LoadLibrary. The caller's text is not changed.
  TObjectLibrary* FindByName(const char* name);
  // Loads folder + name (cut at its last '.') + ".mol". Null, with `result` set, when the load
  // fails; a name that is empty after the cut or holds '\', '/' or ':' names no library file and
  // gives 5. A failed library is not kept, so a later call tries the file again.
  TObjectLibrary* LoadLibrary(const char* name);

  int Count() const { return int(libraries.size()); }
  TObjectLibrary* At(int index) const;

  int result = 0;  // of the last load

 private:
  const TPalette* sharedPalette = nullptr;
  std::vector<std::unique_ptr<TObjectLibrary>> libraries;
  std::string folder;
};
