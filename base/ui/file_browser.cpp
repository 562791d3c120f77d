#include "base/ui/file_browser.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <map>

#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "platform/win.h"

namespace {

constexpr int kTree = 3, kList = 4, kName = 5, kFilter = 6;
constexpr UINT kRelist = WM_APP + 0x122;  // posted: list the shown folder again
constexpr int kFolderImage = 0, kFileImage = 1, kProgramImage = 2;

const TColumnDesc kColumns[3] = {{L"Name", 150}, {L"Size", 55}, {L"Date/Time", 100}};

// Dialogs open now, by handle: a browser opened inside another's modal loop (a hot key can)
// gets its own messages.
std::map<HWND, TFileBrowser*>& Open() {
  static std::map<HWND, TFileBrowser*> open;
  return open;
}

wchar_t FoldCase(wchar_t c) { return vplat::FoldNameCase(c); }

// Names compare as UTF-16 code units, as the handheld's do: a character past U+FFFF is a
// surrogate pair (0xD800..0xDFFF) and sorts below U+E000.
std::u16string Utf16(const std::wstring& s) {
  std::u16string out;
  out.reserve(s.size());
  for (wchar_t wc : s) {
    const uint32_t c = uint32_t(wc);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      out.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(char16_t(c));
    }
  }
  return out;
}

std::vector<std::wstring> SplitPatterns(const std::wstring& patterns) {
  std::vector<std::wstring> out;
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t comma = patterns.find(L',', start);
    if (comma == std::wstring::npos) comma = patterns.size();
    std::wstring p = patterns.substr(start, comma - start);
    if (!p.empty()) out.push_back(p);  // ",," names nothing
    start = comma + 1;
  }
  return out;
}

uint64_t SizeOf(const WIN32_FIND_DATAW& f) { return uint64_t(f.nFileSizeHigh) << 32 | f.nFileSizeLow; }

bool HasTime(const FILETIME& t) { return t.dwLowDateTime || t.dwHighDateTime; }

std::wstring TextOf(HWND control) {
  wchar_t buffer[TFileBrowser::kMaxPath + 1] = {};
  GetWindowTextW(control, buffer, int(TFileBrowser::kMaxPath + 1));
  return buffer;
}

// A folder is listed by the pattern "<folder>*.*", which must itself be a device path (at most
// 255 characters): a folder whose pattern is longer would list as empty though it holds files,
// so it is not entered.
constexpr wchar_t kEveryName[] = L"*.*";

bool Listable(const std::wstring& folder) {
  return folder.size() + std::size(kEveryName) - 1 <= TFileBrowser::kMaxPath;
}

// A folder path ending in "\".
std::wstring WithSlash(std::wstring path) {
  if (path.empty() || path.back() != L'\\') path += L'\\';
  return path;
}

bool IsFolder(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.size() > 1 && path.back() == L'\\'
                                         ? path.substr(0, path.size() - 1).c_str()
                                         : path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The identity of a folder: volume and file index; false when it cannot be opened.
bool IdentityOf(const std::wstring& path, std::pair<uint64_t, uint32_t>* id) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  *id = {uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow, info.dwVolumeSerialNumber};
  return ok;
}

std::wstring ItemText(HWND tree, HTREEITEM item) {
  wchar_t buffer[MAX_PATH + 1] = {};
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = buffer;
  tv.cchTextMax = MAX_PATH + 1;
  SendMessageW(tree, TVM_GETITEMW, 0, LPARAM(&tv));
  return buffer;
}

HTREEITEM Next(HWND tree, HTREEITEM item, UINT how) {
  return HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, how, LPARAM(item)));
}

HTREEITEM Insert(HWND tree, HTREEITEM parent, const wchar_t* text, int image) {
  TVINSERTSTRUCTW ins{};
  ins.hParent = parent;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  ins.item.pszText = const_cast<wchar_t*>(text);
  ins.item.iImage = ins.item.iSelectedImage = image;
  return HTREEITEM(SendMessageW(tree, TVM_INSERTITEMW, 0, LPARAM(&ins)));
}

// Adds the folders of `path` under `parent`, each followed by its own, sorted by name. `chain`
// holds the identities of `path` and its ancestors: a folder already on it (a link back up)
// is shown but not entered, or the walk would never end.
void AddFolders(TFileBrowser& b, HWND tree, HTREEITEM parent, const std::wstring& path,
                std::vector<std::pair<uint64_t, uint32_t>>& chain) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW f;
  HANDLE find = FindFirstFileW((path + kEveryName).c_str(), &f);
  if (find != INVALID_HANDLE_VALUE) {  // an unreadable folder lists as empty
    do
      if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) names.push_back(f.cFileName);
    while (FindNextFileW(find, &f));
    FindClose(find);
  }
  std::sort(names.begin(), names.end(), [](const std::wstring& x, const std::wstring& y) {
    std::wstring a = x, c = y;
    for (auto& ch : a) ch = FoldCase(ch);
    for (auto& ch : c) ch = FoldCase(ch);
    return Utf16(a) < Utf16(c);
  });
  for (const std::wstring& name : names) {
    if (b.treeFolders >= TFileBrowser::kMaxTreeFolders) {
      if (b.treeFolders++ == TFileBrowser::kMaxTreeFolders)
        fprintf(stderr, "folder tree: stopped after %d folders\n", TFileBrowser::kMaxTreeFolders);
      return;
    }
    ++b.treeFolders;
    HTREEITEM item = Insert(tree, parent, name.c_str(), kFolderImage);
    const std::wstring child = path + name + L"\\";
    if (child.size() > TFileBrowser::kMaxPath) continue;
    std::pair<uint64_t, uint32_t> id;
    if (!IdentityOf(path + name, &id)) continue;
    if (std::find(chain.begin(), chain.end(), id) != chain.end()) continue;
    chain.push_back(id);
    AddFolders(b, tree, item, child, chain);
    chain.pop_back();
  }
}

void BuildTree(TFileBrowser& b, HWND tree) {
  SendMessageW(tree, TVM_DELETEITEM, 0, LPARAM(TVI_ROOT));
  SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, LPARAM(nullptr));
  HTREEITEM root = Insert(tree, TVI_ROOT, L"\\My Device", kFolderImage);
  HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  b.treeFolders = 0;
  std::vector<std::pair<uint64_t, uint32_t>> chain;
  std::pair<uint64_t, uint32_t> rootId;
  if (IdentityOf(L"\\", &rootId)) chain.push_back(rootId);
  AddFolders(b, tree, root, L"\\", chain);
  SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, LPARAM(root));
  SetCursor(old);
  // The start folder, matched part by part without regard to case.
  HTREEITEM at = root;
  bool found = false;
  size_t start = 0;
  const std::wstring& path = b.folder;
  while (start < path.size()) {
    size_t cut = path.find(L'\\', start);
    if (cut == std::wstring::npos) cut = path.size();
    const std::wstring part = path.substr(start, cut - start);
    start = cut + 1;
    if (part.empty()) continue;
    HTREEITEM child = Next(tree, at, TVGN_CHILD);
    while (child && !vplat::SameFileName(ItemText(tree, child), part)) child = Next(tree, child, TVGN_NEXT);
    if (!child) return;  // a part not found: nothing selected
    at = child;
    found = true;
  }
  if (found) {
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(at));
    SendMessageW(tree, TVM_ENSUREVISIBLE, 0, LPARAM(at));
  }
}

// "." and ".." (any name of dots alone) name the folder or its parent, never a file.
bool ValidSaveName(const std::wstring& name) {
  return !name.empty() && name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos &&
         name.find_first_not_of(L'.') != std::wstring::npos;
}

}  // namespace

bool TFileBrowser::Row::IsFolder() const { return up || (find.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY); }

TFileBrowser::TFileBrowser(HWND ownerWindow, HINSTANCE inst) : owner(ownerWindow), instance(inst) {
  images_ = ImageList_Create(16, 16, ILC_COLOR, 4, 4);
  if (images_) ImageList_SetBkColor(images_, RGB(255, 255, 255));
}

TFileBrowser::~TFileBrowser() {
  fileList.Clear();
  if (images_) ImageList_Destroy(images_);
}

void TFileBrowser::AddIcons(const wchar_t* iconFile, int folderIcon, int fileIcon, int programIcon) {
  if (!images_) return;
  for (int id : {folderIcon, fileIcon, programIcon}) {
    HICON icon = iconFile ? HICON(LoadImageW(nullptr, iconFile, IMAGE_ICON, 16, 16, LR_LOADFROMFILE))
                          : HICON(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
    // A missing icon still takes its place, so that the fixed indexes stay right.
    if (!icon) icon = HICON(LoadImageW(instance, MAKEINTRESOURCEW(kFileIcon), IMAGE_ICON, 16, 16, 0));
    if (icon) {
      ImageList_AddIcon(images_, icon);
      DestroyIcon(icon);
    }
  }
}

void TFileBrowser::SetFilters(const wchar_t* list) {
  filters.clear();
  if (!list) return;
  // The buffer the callers fill is 4096 bytes: 2048 UTF-16 units at most.
  const wchar_t* end = list + 2048;
  for (const wchar_t* p = list; p < end && *p;) {
    const std::wstring description = p;
    p += description.size() + 1;
    if (p >= end || !*p) break;  // no patterns string: dropped
    const std::wstring patterns = p;
    p += patterns.size() + 1;
    filters.push_back({description, patterns});
  }
}

const std::wstring& TFileBrowser::Patterns() const {
  static const std::wstring none;
  if (filterIndex < 0 || filterIndex >= int(filters.size())) return none;
  return filters[size_t(filterIndex)].second;
}

bool TFileBrowser::MatchPattern(const std::wstring& pattern, const std::wstring& name) {
  return vplat::MatchFileName(pattern, name);
}

std::wstring TFileBrowser::SizeText(const WIN32_FIND_DATAW& f) {
  if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return L"<DIR>";
  if (!HasTime(f.ftLastWriteTime)) return L"";
  const uint64_t size = SizeOf(f);
  wchar_t text[40];
  if (size <= 1023)
    swprintf(text, 40, L"%u b", unsigned(size));
  else if (size <= 1048575)
    swprintf(text, 40, L"%0.1f k", double(size) / 1024.0);
  else
    swprintf(text, 40, L"%0.1f M", double(size) / 1048576.0);
  return text;
}

std::wstring TFileBrowser::DateText(const WIN32_FIND_DATAW& f) {
  SYSTEMTIME t{};
  if (!HasTime(f.ftLastWriteTime) || !FileTimeToSystemTime(&f.ftLastWriteTime, &t)) return L"";
  wchar_t text[40];
  swprintf(text, 40, L"%02i.%02i.%02i %02i:%02i", t.wDay, t.wMonth, t.wYear % 100, t.wHour, t.wMinute);
  return text;
}

int TFileBrowser::IconOf(const WIN32_FIND_DATAW& f) {
  if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return kFolderImage;
  const wchar_t* dot = wcsrchr(f.cFileName, L'.');
  const std::wstring extension = dot ? dot : L"";
  // Programs show the generic program icon: the layer reads no icons out of executables.
  if (extension == L".exe") return kProgramImage;
  for (const auto& [ext, index] : iconCache_)
    if (ext == extension) return index;
  int index = kFileImage;
  wchar_t iconPath[MAX_PATH] = {};
  int iconIndex = 0;
  if (images_ && GetFileTypeIcon(extension.c_str(), iconPath, &iconIndex, MAX_PATH)) {
    if (HICON icon = HICON(LoadImageW(nullptr, iconPath, IMAGE_ICON, 16, 16, LR_LOADFROMFILE))) {
      const int added = ImageList_AddIcon(images_, icon);
      if (added >= 0) index = added;
      DestroyIcon(icon);
    }
  }
  iconCache_.push_back({extension, index});
  return index;
}

void TFileBrowser::AddRow(const WIN32_FIND_DATAW& f, bool up) {
  auto row = std::make_unique<Row>();
  row->find = f;
  row->up = up;
  const std::wstring size = up ? L"" : SizeText(f), date = up ? L"" : DateText(f);
  const wchar_t* texts[3] = {up ? L".." : f.cFileName, size.c_str(), date.c_str()};
  fileList.AddRow(texts, up ? kFolderImage : IconOf(f), std::move(row));
}

void TFileBrowser::ListFolder() {
  HWND list = fileList.list;
  if (!list) return;
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(images_));
  fileList.Clear();
  HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  // One scan of the folder; the patterns are matched here, each file listed once.
  std::vector<WIN32_FIND_DATAW> folders, files;
  const std::vector<std::wstring> patterns = SplitPatterns(Patterns());
  WIN32_FIND_DATAW f;
  HANDLE find = FindFirstFileW((shownFolder + kEveryName).c_str(), &f);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        folders.push_back(f);
        continue;
      }
      const std::wstring name = f.cFileName;
      for (const std::wstring& p : patterns) {
        if (MatchPattern(p, name)) {
          files.push_back(f);
          break;
        }
      }
    } while (FindNextFileW(find, &f));
    FindClose(find);
  }
  auto byName = [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
    return Utf16(a.cFileName) < Utf16(b.cFileName);
  };
  std::sort(folders.begin(), folders.end(), byName);
  std::sort(files.begin(), files.end(), byName);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  if (shownFolder.size() > 1) {
    WIN32_FIND_DATAW up{};
    up.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    wcscpy(up.cFileName, L"..");
    AddRow(up, true);
  }
  for (const auto& d : folders) AddRow(d, false);
  for (const auto& file : files) AddRow(file, false);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  SetCursor(old);
}

std::wstring TFileBrowser::TreePath(HWND tree, void* item) const {
  std::vector<std::wstring> names;
  for (HTREEITEM at = HTREEITEM(item); at;) {
    HTREEITEM parent = Next(tree, at, TVGN_PARENT);
    if (!parent) break;  // the root item itself
    names.push_back(ItemText(tree, at));
    at = parent;
  }
  std::wstring path = L"\\";
  for (auto it = names.rbegin(); it != names.rend(); ++it) path += *it + L"\\";
  return path;
}

namespace {

// What the dialog does with its messages; `b` is the browser that opened it.
struct Dialog {
  TFileBrowser& b;
  HWND dialog;

  void Init() {
    SHINITDLGINFO shell{SHIDIM_FLAGS, dialog,
                        SHIDIF_DONEBUTTON | SHIDIF_FULLSCREENNOMENUBAR | SHIDIF_SIPDOWN};
    SHInitDialog(&shell);
    SHFullScreen(dialog, SHFS_HIDETASKBAR);
    MoveWindow(dialog, 0, 0, b.area.right - b.area.left, b.area.bottom - b.area.top, TRUE);
    if (b.mode == TFileBrowser::kFolder) {
      if (HWND tree = GetDlgItem(dialog, kTree)) BuildTree(b, tree);
      return;
    }
    // The start folder must be an existing folder path from the root that can be listed.
    std::wstring start = WithSlash(b.folder);
    const bool usable = !b.folder.empty() && b.folder[0] == L'\\' && Listable(start) && IsFolder(start);
    b.shownFolder = usable ? start : L"\\";
    b.fileList.Attach(b.instance, dialog, kColumns, 3, kList);
    if (HWND combo = GetDlgItem(dialog, kFilter)) {
      for (size_t i = 0; i < b.filters.size(); ++i) {
        const LRESULT at = SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(b.filters[i].first.c_str()));
        SendMessageW(combo, CB_SETITEMDATA, WPARAM(at), LPARAM(i));
      }
      if (b.filterIndex < 0 || b.filterIndex >= int(b.filters.size())) b.filterIndex = 0;
      SendMessageW(combo, CB_SETCURSEL, WPARAM(b.filterIndex), 0);
    }
    b.ListFolder();
    if (b.mode == TFileBrowser::kSave)
      SetDlgItemTextW(dialog, kName, b.fileNames.empty() ? L"" : b.fileNames[0].c_str());
  }

  void RowChanged(const NMLISTVIEW* nm) {
    // Only the row that becomes selected acts, once: not its deselection, not the focus.
    if (!(nm->uChanged & LVIF_STATE) || !(nm->uNewState & LVIS_SELECTED) ||
        (nm->uOldState & LVIS_SELECTED))
      return;
    const auto* row = static_cast<const TFileBrowser::Row*>(b.fileList.GetRowData(nm->iItem));
    if (!row) return;
    if (!row->IsFolder()) {
      if (b.mode == TFileBrowser::kSave) SetDlgItemTextW(dialog, kName, row->find.cFileName);
      return;
    }
    std::wstring next = b.shownFolder;
    if (row->up) {
      next.pop_back();
      next.erase(next.find_last_of(L'\\') + 1);
    } else {
      next += std::wstring(row->find.cFileName) + L"\\";
    }
    if (!Listable(next)) {
      MessageBeep(MB_ICONEXCLAMATION);
      return;
    }
    b.shownFolder = next;
    // Not from inside the list view's own notification: its items are about to be replaced.
    PostMessageW(dialog, kRelist, 0, 0);
  }

  bool FinishOk() {
    HWND combo = GetDlgItem(dialog, kFilter);
    if (b.mode != TFileBrowser::kFolder) {
      b.folder = b.shownFolder;
      if (combo) {
        const LRESULT sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        if (sel >= 0) b.filterIndex = int(SendMessageW(combo, CB_GETITEMDATA, WPARAM(sel), 0));
      }
    }
    if (b.mode == TFileBrowser::kSave) {
      std::wstring name = TextOf(GetDlgItem(dialog, kName));
      if (!ValidSaveName(name)) return Refuse();
      if (name.find(L'.') == std::wstring::npos) name += b.defaultExtension;
      const std::wstring full = b.shownFolder + name;
      if (full.size() > TFileBrowser::kMaxPath) return Refuse();
      const DWORD existing = GetFileAttributesW(full.c_str());
      // A folder is no file to write: the caller's write would fail after "replace?" said yes.
      if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY))
        return Refuse();
      if (existing != INVALID_FILE_ATTRIBUTES &&
          MessageBoxW(dialog, L"File exists - do you want to replace the existing file?",
                      L"Confirmation", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
      b.fileNames = {name};
    } else if (b.mode == TFileBrowser::kOpen) {
      std::vector<std::wstring> names;
      HWND list = b.fileList.list;
      for (int i = int(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); i >= 0;
           i = int(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED))) {
        const auto* row = static_cast<const TFileBrowser::Row*>(b.fileList.GetRowData(i));
        if (row && !row->IsFolder()) names.push_back(row->find.cFileName);
      }
      if (names.empty()) return false;
      b.fileNames = std::move(names);
    } else {
      HWND tree = GetDlgItem(dialog, kTree);
      if (!tree) {
        b.folder.clear();
      } else {
        HTREEITEM item = Next(tree, nullptr, TVGN_CARET);
        if (!item) return false;
        b.folder = b.TreePath(tree, item);
      }
    }
    b.fileList.Clear();
    EndDialog(dialog, 1);
    return true;
  }

  bool Refuse() {
    MessageBeep(MB_ICONEXCLAMATION);
    return false;
  }
};

INT_PTR CALLBACK BrowserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* browser = reinterpret_cast<TFileBrowser*>(lParam);
    Open()[dialog] = browser;
    browser->dialog = dialog;
    Dialog{*browser, dialog}.Init();
    return TRUE;
  }
  auto it = Open().find(dialog);
  if (it == Open().end()) return FALSE;
  TFileBrowser& b = *it->second;
  Dialog d{b, dialog};
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          d.FinishOk();
          return TRUE;
        case IDCANCEL:
          b.fileList.Clear();
          EndDialog(dialog, 0);
          return TRUE;
        case kName:
          SipCommand(dialog, kName, HIWORD(wParam));
          return TRUE;
        case kFilter:
          if (HIWORD(wParam) == CBN_SELCHANGE) {
            const LRESULT sel = SendMessageW(HWND(lParam), CB_GETCURSEL, 0, 0);
            if (sel >= 0) b.filterIndex = int(SendMessageW(HWND(lParam), CB_GETITEMDATA, WPARAM(sel), 0));
            b.ListFolder();
          }
          return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lParam);
      if (nm->hdr.idFrom == UINT_PTR(kList) && nm->hdr.code == LVN_ITEMCHANGED) d.RowChanged(nm);
      return TRUE;
    }
    case kRelist:
      b.ListFolder();
      return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_DRAWITEM:
      return TRUE;
    case WM_ERASEBKGND: {
      RECT rc;
      GetClientRect(dialog, &rc);
      FillRect(HDC(wParam), &rc, HBRUSH(GetStockObject(WHITE_BRUSH)));
      return TRUE;
    }
    case WM_DESTROY:
      Open().erase(dialog);
      return FALSE;
  }
  return FALSE;
}

}  // namespace

int TFileBrowser::Run(int newMode, int templateId, const RECT* rc) {
  mode = newMode;
  if (rc) {
    area = *rc;
  } else if (!owner || !GetWindowRect(owner, &area)) {
    area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  const HWND outer = dialog;  // a browser run again from inside its own dialog keeps the first
  const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, BrowserProc,
                                         LPARAM(this));
  dialog = outer;
  fileList.Clear();
  return result == 1 ? 1 : 0;
}

int TFileBrowser::RunOpen(int templateId, const RECT* rc) { return Run(kOpen, templateId, rc); }
int TFileBrowser::RunSave(int templateId, const RECT* rc) { return Run(kSave, templateId, rc); }
int TFileBrowser::RunFolder(int templateId, const RECT* rc) { return Run(kFolder, templateId, rc); }

int TFileBrowser::GetFullPathW(wchar_t* out, size_t size) const {
  if (!out || size == 0) return 0;
  out[0] = 0;
  const std::wstring full = folder + (fileNames.empty() ? L"" : fileNames[0]);
  if (full.size() > kMaxPath || full.size() >= size) return 0;
  wcscpy(out, full.c_str());
  return int(full.size());
}

int TFileBrowser::GetFullPathA(char* out, size_t size) const {
  if (!out || size == 0) return 0;
  out[0] = 0;
  const std::wstring full = folder + (fileNames.empty() ? L"" : fileNames[0]);
  if (full.size() > kMaxPath) return 0;
  std::string narrow;
  // A character the path page cannot hold would name another file, or none.
  if (!WideToPathExact(full, &narrow) || narrow.size() > kMaxPath || narrow.size() >= size) return 0;
  memcpy(out, narrow.c_str(), narrow.size() + 1);
  return int(narrow.size());
}

int BrowseForOpenFile(HWND owner, HINSTANCE instance, const wchar_t* filter, const char* startFolder,
                      char* path, size_t size) {
  TFileBrowser browser(owner, instance);
  browser.AddIcons(nullptr, TFileBrowser::kFolderIcon, TFileBrowser::kFileIcon,
                   TFileBrowser::kProgramIcon);
  browser.SetFilters(filter);
  if (startFolder) browser.folder = PathToWide(startFolder);
  if (!browser.RunOpen(TFileBrowser::kOpenTemplate, nullptr)) return 0;
  char full[TFileBrowser::kMaxPath + 1];
  const int n = browser.GetFullPathA(full, sizeof full);
  if (n == 0 || !path || size_t(n) >= size) return -1;
  memcpy(path, full, size_t(n) + 1);
  return 1;
}
