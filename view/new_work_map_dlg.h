// The new-working-map dialog: folder, file name, object library and scale of a new working map,
// or, in properties mode, the existing working map's path with only its library and scale to
// change. It fills the caller's record; the project-maps dialog acts on it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win.h"

struct TWorkMapParams {
  char path[256] = {};     // 8-bit device path: folder, name and ".mdm"
  char library[256] = {};  // library file name without extension
  int32_t scale = 0;       // scale denominator
  int32_t propertiesMode = 0;  // 0 a new map, non-zero the working map's properties
};

class TNewWorkMapDlg {
 public:
  static constexpr int kTemplate = 214;
  // Control ids of template 214.
  enum : int {
    kName = 2038,
    kFolder = 1031,
    kLibrary = 2332,
    kScale = 2333,
    kChooseFolder = 2345,
  };

  // Modal over `owner`; 1 for OK, 2 for Cancel (0 when the template is missing).
  int Run(HWND owner, HINSTANCE instance, TWorkMapParams* record);

  // The dialog's steps, for its procedure.
  void Fill(HWND dialog);
  // 7: the dialog stays open (a question answered No, or a name or folder that cannot be used);
  // 6: the record is filled.
  int OnOk();
  void ChooseFolder();

  // The path OK makes of a folder text and a name: the folder gets a final '\' when it has none,
  // the name's own extension (only the name's) becomes ".mdm". Empty when the name is empty, only
  // an extension, holds '\', '/' or ':', or the path passes 255 bytes or holds a character the
  // path page cannot hold.
  static std::string MakeMapPath(const std::wstring& folder, const std::wstring& name);

  HWND dialog = nullptr;
  HINSTANCE instance = nullptr;
  HWND owner = nullptr;
  TWorkMapParams* record = nullptr;
};

extern TNewWorkMapDlg g_NewWorkMapDlg;
