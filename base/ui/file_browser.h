// The program's own full-screen dialog for choosing files to open, a name to save under, or a
// folder. The caller fills the inputs (filter list, start folder, proposed name, default
// extension, filter index), runs one mode and reads the chosen folder and names back.
//
// Open and save list one folder (folders first, then the files matching the chosen filter's
// patterns) with icon, size and date; a tap on a folder enters it, on ".." goes up. Folder mode
// shows the device's whole folder tree. Paths are device paths ending in "\".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/ui/list_view_ctl.h"
#include "platform/win.h"

class TFileBrowser {
 public:
  enum Mode { kOpen = 0, kSave = 1, kFolder = 2 };
  static constexpr int kOpenTemplate = 317, kSaveTemplate = 316, kFolderTemplate = 319;
  static constexpr int kFolderIcon = 321, kFileIcon = 320, kProgramIcon = 322;
  static constexpr size_t kMaxPath = 255;       // characters of a device path
  static constexpr int kMaxTreeFolders = 10000;  // folders the tree shows at most

  TFileBrowser(HWND owner, HINSTANCE instance);
  ~TFileBrowser();
  TFileBrowser(const TFileBrowser&) = delete;
  TFileBrowser& operator=(const TFileBrowser&) = delete;

  // Adds the folder, file and program icons (in that order): from `iconFile` at those indexes
  // when one is given, else the instance's icon resources of those ids.
  void AddIcons(const wchar_t* iconFile, int folderIcon, int fileIcon, int programIcon);
  // The filter list as the callers write it: "description", "patterns" pairs, each string
  // zero-terminated, closed by an empty string; patterns are separated by commas
  // ("*.jpg,*.tif"). A description without its patterns string is dropped.
  void SetFilters(const wchar_t* list);

  // Modal; 1 for OK, 0 for Cancel. `area` (null: the owner's window rectangle) gives the
  // dialog's size; it lies at the screen's origin.
  int RunOpen(int templateId, const RECT* area);
  int RunSave(int templateId, const RECT* area);
  int RunFolder(int templateId, const RECT* area);

  // Folder + first chosen name. The length, or 0 with empty text when the path passes 255
  // characters, or (8-bit form) holds a character outside the path page.
  int GetFullPathW(wchar_t* out, size_t size = 256) const;
  int GetFullPathA(char* out, size_t size = 256) const;

  // Inputs and results.
  std::vector<std::pair<std::wstring, std::wstring>> filters;  // description, patterns
  std::wstring folder;                 // in: start folder; out: shown or chosen folder
  std::vector<std::wstring> fileNames;  // in (save): the proposed name; out: the chosen names
  std::wstring defaultExtension;       // appended to a save name without one (".mpj")
  int filterIndex = 0;

  // The dialog's working state, for the dialog procedure.
  struct Row : TListRowData {
    WIN32_FIND_DATAW find{};
    bool up = false;  // the ".." row
    bool IsFolder() const;
  };
  // Lists `shownFolder` with the patterns of the selected filter.
  void ListFolder();
  // Size and date texts of a find record as the list shows them.
  static std::wstring SizeText(const WIN32_FIND_DATAW& find);
  static std::wstring DateText(const WIN32_FIND_DATAW& find);
  // Whether `name` matches one comma-separated pattern (case folded, "x.*" also matches "x").
  static bool MatchPattern(const std::wstring& pattern, const std::wstring& name);
  // The tree's path of an item: "\" for the root, "\a\b\" below it.
  std::wstring TreePath(HWND tree, void* item) const;

  HWND dialog = nullptr;
  HWND owner = nullptr;
  HINSTANCE instance = nullptr;
  RECT area{};
  int mode = kOpen;
  TListViewCtl fileList;
  std::wstring shownFolder;
  int treeFolders = 0;  // folders added to the tree so far

 private:
  friend struct TFileBrowserAccess;
  int Run(int newMode, int templateId, const RECT* rc);
  int IconOf(const WIN32_FIND_DATAW& find);
  void AddRow(const WIN32_FIND_DATAW& find, bool up);
  const std::wstring& Patterns() const;

  std::vector<std::pair<std::wstring, int>> iconCache_;  // extension, image index
  HIMAGELIST images_ = nullptr;
};

// Runs the browser in open mode from `startFolder` (8-bit, path page) with `filter` (a
// filter list as SetFilters takes it) and writes the chosen folder and first name to `path`.
// 1: chosen and written; 0: cancelled; -1: the chosen path passes 255 characters, is not
// representable in the path page, or does not fit `size` (nothing written).
int BrowseForOpenFile(HWND owner, HINSTANCE instance, const wchar_t* filter, const char* startFolder,
                      char* path, size_t size);
