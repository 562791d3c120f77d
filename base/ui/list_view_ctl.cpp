#include "base/ui/list_view_ctl.h"

#include <climits>

#include "platform/win.h"

bool InsertListColumns(HWND list, const TColumnDesc* descriptors, int columns) {
  for (int i = 0; i < columns; ++i) {
    // The descriptor is a caller's table; the column keeps its own copy of the title, and a
    // title that fills all 100 units without a terminator is cut rather than over-read.
    wchar_t title[100];
    int n = 0;
    while (n < 99 && descriptors[i].title[n]) {
      title[n] = descriptors[i].title[n];
      ++n;
    }
    title[n] = 0;
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = descriptors[i].width;
    column.pszText = title;
    column.iSubItem = i;
    if (SendMessageW(list, LVM_INSERTCOLUMNW, WPARAM(i), LPARAM(&column)) < 0) return false;
  }
  return true;
}

TListViewCtl::~TListViewCtl() { Clear(); }

HWND TListViewCtl::Attach(HINSTANCE inst, HWND dlg, const TColumnDesc* descriptors, int count,
                          int id) {
  Clear();
  instance = inst;
  dialog = dlg;
  columns = count;
  controlId = id;
  InitCommonControls();
  list = GetDlgItem(dialog, controlId);
  if (!list) return nullptr;
  if (!InsertListColumns(list, descriptors, columns)) {
    DestroyWindow(list);
    // A dead handle must not be used by the next call.
    list = nullptr;
    return nullptr;
  }
  return list;
}

int TListViewCtl::AddRow(const wchar_t* const* texts, int image,
                         std::unique_ptr<TListRowData> data) {
  if (!list || !IsWindow(list)) return 0;
  TListRowData* block = data.get();
  wchar_t empty[1] = {0};
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  item.iItem = INT_MAX;  // at the end
  item.iImage = image;
  item.lParam = LPARAM(block);
  item.pszText = columns > 0 && texts && texts[0] ? const_cast<wchar_t*>(texts[0]) : empty;
  const LRESULT at = SendMessageW(list, LVM_INSERTITEMW, 0, LPARAM(&item));
  if (at < 0) return 0;  // `data` is freed here
  owned_.push_back(std::move(data));
  ++rows;
  for (int c = 1; c < columns; ++c) {
    LVITEMW sub{};
    sub.mask = LVIF_TEXT;
    sub.iSubItem = c;
    sub.pszText = texts && texts[c] ? const_cast<wchar_t*>(texts[c]) : empty;
    SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(at), LPARAM(&sub));
  }
  return 1;
}

TListRowData* TListViewCtl::GetRowData(int index) const {
  if (index < 0 || index >= rows || !list) return nullptr;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  if (!SendMessageW(list, LVM_GETITEMW, 0, LPARAM(&item))) return nullptr;
  return reinterpret_cast<TListRowData*>(item.lParam);
}

void TListViewCtl::Clear() {
  // Items first, so the list never holds a pointer to a freed block, even for a moment in which
  // a notification could read it.
  if (list && IsWindow(list)) SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  owned_.clear();
  rows = 0;
}
