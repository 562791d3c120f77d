#include "base/language_path.h"

#include <cstring>
#include <string>

#include "base/ini_file.h"
#include "platform/fresh_state.h"

namespace {
std::string g_folder;
const vplat::FreshStateHook kFresh(2, [] { g_folder.clear(); });
}

void SetLanguageFolder(const char* programFolder) { g_folder.assign(programFolder ? programFolder : ""); }

const char* GetLanguageFolder() { return g_folder.c_str(); }

int GetLanguageFilePath(char* buffer, size_t size) {
  if (!buffer || size == 0) return 0;
  std::string path = g_folder;
  std::string name;
  // An empty name is the built-in language, as the Language page stores it: no file at all,
  // rather than one called ".lng".
  bool named = g_Ini.GetString("LangFile", name) && !name.empty();
  if (named) path += name + ".lng";
  if (path.size() >= size) {
    // A cut path would name another file: fall back to the folder, which no load can open.
    named = false;
    path = g_folder.substr(0, size - 1);
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return named ? 1 : 0;
}
