#include "view/image_lib.h"

#include <string>

#include "base/lang.h"
#include "platform/fresh_state.h"

TImageLib g_ImageLib;
TRasterLib g_RasterLib;

namespace {
// Renewed, each holder lets its module go as at exit.
const vplat::FreshStateHook kFresh(4, [] {
  vplat::Renew(g_RasterLib);
  vplat::Renew(g_ImageLib);
});
}  // namespace

namespace {

// "DLL not found" (100036) or "bad DLL format" (100037) with the module's name, as a stop box.
void ShowBindFailure(int32_t textId, const wchar_t* module) {
  std::wstring text = FormatLangText(textId, module);
  MessageBoxW(FindWindowW(L"Vorna", nullptr), text.c_str(), g_Lang.GetText(100011), MB_OK | MB_ICONSTOP);
}

template <class T>
T Entry(HMODULE module, const wchar_t* name) {
  return reinterpret_cast<T>(GetProcAddressW(module, name));
}

}  // namespace

TImageLib::~TImageLib() {
  if (module) FreeLibrary(module);
}

int TImageLib::Load() {
  if (loaded) return 1;
  module = LoadLibraryW(L"Pelnor");
  if (!module) {
    ShowBindFailure(100036, L"Pelnor");
    return 0;
  }
  LoadMapImage = Entry<TLoadMapImage>(module, L"LoadMapImage");
  LoadMapImageHead = Entry<TLoadMapImageHead>(module, L"LoadMapImageHead");
  LoadMapImageFull = Entry<TLoadMapImageFull>(module, L"LoadMapImageFull");
  LoadMapImageTiles = Entry<TLoadMapImageTiles>(module, L"LoadMapImageTiles");
  if (LoadMapImage && LoadMapImageHead && LoadMapImageFull && LoadMapImageTiles) {
    loaded = 1;
    return 1;
  }
  // An incomplete module is let go, so that the next use binds afresh (and says so again).
  FreeLibrary(module);
  module = nullptr;
  LoadMapImage = nullptr;
  LoadMapImageHead = nullptr;
  LoadMapImageFull = nullptr;
  LoadMapImageTiles = nullptr;
  ShowBindFailure(100037, L"Pelnor");
  return 0;
}

int TRasterLib::Load() {
  if (loaded) return 1;
  module = LoadLibraryW(L"Tilvex");
  if (!module) {
    ShowBindFailure(100036, L"Tilvex");
    return 0;
  }
  LinkEntry = Entry<TTilvexLink>(module, L"Link");
  ShowEntry = Entry<TTilvexShow>(module, L"Show");
  if (LinkEntry && ShowEntry) {
    loaded = 1;
    return 1;
  }
  Unload();
  ShowBindFailure(100037, L"Tilvex");
  return 0;
}

void TRasterLib::Unload() {
  if (module) FreeLibrary(module);
  module = nullptr;
  ShowEntry = nullptr;
  LinkEntry = nullptr;
  loaded = 0;
}

uint8_t TRasterLib::Show(double x, double y) {
  if (!Load()) return result;
  int r = ShowEntry(0, nullptr, x, y, nullptr, nullptr, path, name);
  result = uint8_t(r & 0xFF);
  Unload();
  return result;
}
