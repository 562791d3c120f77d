#include "edit/hot_buff.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/ui/shell_utils.h"
#include "edit/type_rows.h"
#include "maps/library_symbols.h"
#include "maps/object_library.h"

namespace {

// The stored list is split into at most this many fields; the rest of a longer one is ignored.
constexpr int kMaxFields = 200;
constexpr int kColumns = THotBuff::kGridWidth / THotBuff::kCellSize;  // 9

std::string Key(const char* prefix, int n) { return prefix + std::to_string(n); }

}  // namespace

THotBuff::THotBuff() = default;
THotBuff::~THotBuff() = default;

void THotBuff::SetGeometry(HINSTANCE inst, HWND owner, int id, const TColumnDesc* titles, int x,
                           int y, TObjectLibrary* lib) {
  instance = inst;
  dialog = owner;
  controlId = id;
  columns = titles;
  library = lib;
  symbols_ = lib ? std::make_unique<TLibrarySymbols>(*lib) : nullptr;
  if (x == -1 && y == -1) {
    RECT rc{};
    const HWND control = GetDlgItem(owner, id);
    if (control) {
      GetWindowRect(control, &rc);
      MapWindowPoints(nullptr, owner, reinterpret_cast<POINT*>(&rc), 2);
    }
    x = rc.left - 1;
    y = rc.top;
  }
  left = x;
  top = y;
  right = left + kGridWidth;
  bottom = top + rows * kCellPitch + 1;
}

void THotBuff::LoadState(int n, uint16_t preset) {
  listNumber = n;
  if (!library) {
    // Nothing can be loaded or shown without a library; the codes of the last dialog (perhaps
    // of another kind) must not stay on offer, or OK would hand one of them back.
    count = 0;
    selectedIndex = -1;
    Refill();
    return;
  }
  SetViewMode(g_Ini.GetInt(Key("HotBuffView_", n).c_str()));
  count = 0;
  std::string stored;
  g_Ini.GetString(Key("HotBuffList_", n).c_str(), stored);
  size_t from = 0;
  for (int field = 0; field < kMaxFields && count < kMaxCodes && from <= stored.size(); ++field) {
    const size_t semi = stored.find(';', from);
    const std::string text =
        stored.substr(from, semi == std::string::npos ? std::string::npos : semi - from);
    from = semi == std::string::npos ? stored.size() + 1 : semi + 1;
    const int value = atoi(text.c_str());
    if (value <= 0 || value > 0xFFFF) continue;
    const uint16_t code = uint16_t(value);
    // A hand-edited list could hold a code of another kind; the dialog would then offer a line
    // type for an area.
    if ((code & 7) != n || library->styles.IndexOf(code) < 0) continue;
    if (std::find(codes, codes + count, code) != codes + count) continue;
    codes[count++] = code;
  }
  if (preset != 0 && (preset & 7) == n) AddRecent(preset);
  Refill();
}

void THotBuff::SaveState() const {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::to_string(codes[i]) + ";";
  g_Ini.SetString(Key("HotBuffList_", listNumber).c_str(), text.c_str());
  g_Ini.SetInt(Key("HotBuffView_", listNumber).c_str(), viewMode);
}

int THotBuff::AddRecent(uint16_t code) {
  if (code == 0) return 0;
  int at = int(std::find(codes, codes + count, code) - codes);
  if (at == count) {
    at = std::min(count, kMaxCodes - 1);  // the last slot's code falls off when full
    count = std::min(count + 1, kMaxCodes);
  }
  for (int i = at; i > 0; --i) codes[i] = codes[i - 1];
  codes[0] = code;
  Refill();
  return 1;
}

void THotBuff::SetViewMode(int mode) {
  if (mode < 0 || mode > 2) mode = 0;
  const uint16_t selected = GetSelectedId();
  viewMode = uint8_t(mode);
  const HWND control = dialog ? GetDlgItem(dialog, controlId) : nullptr;
  if (mode == 0) {
    if (control) ShowWindow(control, SW_SHOW);
  } else {
    rows = mode;
    if (control) ShowWindow(control, SW_HIDE);
  }
  bottom = top + rows * kCellPitch + 1;
  SelectId(selected);
}

uint16_t THotBuff::GetSelectedId() const {
  if (viewMode == 0) {
    const TOwnerDrawRow* row = list.GetSelectedRow();
    return row ? uint16_t(row->data) : 0;
  }
  return CodeAt(selectedIndex);
}

void THotBuff::SelectId(uint16_t code) {
  if (viewMode == 0) {
    list.FindRow(code);
    return;
  }
  const int at = int(std::find(codes, codes + count, code) - codes);
  selectedIndex = code != 0 && at < count ? at : -1;
  if (dialog) InvalidateRect(dialog, nullptr, TRUE);
}

void THotBuff::SetSelectedIndex(int index) {
  selectedIndex = index;
  if (dialog) InvalidateRect(dialog, nullptr, FALSE);
}

void THotBuff::Paint(HDC dc) {
  if (viewMode == 0) return;
  if (library && symbols_) {
    const int perLine = (right - left) / kCellSize;
    const int needed = perLine > 0 ? count / perLine + 1 : 0;
    const int drawn = rows < needed ? rows : needed;
    for (int j = 0; j < drawn; ++j) {
      for (int l = 0; l < perLine; ++l) {
        const int index = j * perLine + l;
        if (index >= count) break;
        const int frame = index == selectedIndex ? 2 : 1;
        // A bitmap symbol is framed in its cell, a vector one drawn about the cell's centre.
        symbols_->DrawCellSymbol(dc, codes[index], left + kCellPitch * l + 1,
                                 top + kCellPitch * j + 1, kCellSize, frame);
      }
    }
  }
  const HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, left, top, right, bottom);
  SelectObject(dc, old);
}

int THotBuff::CellAt(int x, int y) const {
  if (x < left || x >= right || y < top || y >= bottom) return -1;
  // The last pixel column and the frame row would give a tenth column or an extra row.
  const int column = std::min((x - left) / kCellPitch, kColumns - 1);
  const int row = std::min((y - top) / kCellPitch, rows - 1);
  return column + row * ((right - left) / kCellSize);
}

int THotBuff::OnClick(int x, int y) {
  const int index = CellAt(x, y);
  if (index < 0) return 0;
  if (index < count) SetSelectedIndex(index);
  if (dialog && IsTapAndHold(dialog, x, y)) ShowContextMenu(x, y);
  return 1;
}

int THotBuff::OnCommand(int id) {
  switch (id) {
    case kCmdDelete:
      if (viewMode == 0) {
        const HWND control = dialog ? GetDlgItem(dialog, controlId) : nullptr;
        DeleteAt(control ? int(SendMessageW(control, LVM_GETSELECTIONMARK, 0, 0)) : -1);
      } else {
        DeleteAt(selectedIndex);
      }
      return 1;
    case kCmdDeleteAll:
      if (MessageBoxW(dialog, g_Lang.GetText(lang_id::kMsgDelAllConf), g_Lang.GetText(lang_id::kMsgConf),
                      MB_OKCANCEL | MB_ICONQUESTION) == IDOK) {
        count = 0;
        selectedIndex = -1;
        Refill();
        if (dialog) InvalidateRect(dialog, nullptr, FALSE);
      }
      return 1;
    case kCmdIcons1:
      SetViewMode(1);
      return 1;
    case kCmdIcons2:
      SetViewMode(2);
      return 1;
    case kCmdList:
      SetViewMode(0);
      return 1;
    default:
      return 0;
  }
}

void THotBuff::ShowContextMenu(int x, int y) {
  const HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(kMenu));
  if (!menu) return;
  const HMENU popup = GetSubMenu(menu, 0);
  if (popup) {
    const int checked = viewMode == 1 ? kCmdIcons1 : viewMode == 2 ? kCmdIcons2 : kCmdList;
    CheckMenuRadioItem(popup, kCmdIcons1, kCmdList, checked, MF_BYCOMMAND);
    g_Lang.TranslateMenu(popup);
    POINT pt{x, y};
    if (dialog) ClientToScreen(dialog, &pt);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN, pt.x, pt.y, 0, dialog, nullptr);
  }
  DestroyMenu(menu);
}

void THotBuff::Refill() {
  list.Clear();
  if (!dialog) return;
  list.Create(instance, dialog, columns, 1, controlId, symbols_.get());
  if (!library) return;
  for (int i = 0; i < count; ++i) AddCodeRow(list, library->styles, codes[i]);
}

void THotBuff::DeleteAt(int index) {
  if (index < 0 || index >= count) return;
  for (int i = index; i + 1 < count; ++i) codes[i] = codes[i + 1];
  --count;
  if (selectedIndex >= count) selectedIndex = -1;
  Refill();
  if (dialog) InvalidateRect(dialog, nullptr, TRUE);
}
