#include "edit/value_list_dialog.h"

#include <vector>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "edit/dialog_common.h"
#include "maps/object_library.h"
#include "platform/fresh_state.h"

TValueListDialog g_ValueListDialog;
namespace {
const vplat::FreshStateHook kFresh(5, [] { vplat::Renew(g_ValueListDialog); });
}  // namespace

namespace {

// Pieces of a multiple-choice text; a longer text keeps its first pieces only.
constexpr int kMaxPieces = 254;

const TValueList* TableOf(const TObjectLibrary* library, uint16_t code) {
  return library ? library->valueTables.FindByCode(code) : nullptr;
}

INT_PTR CALLBACK ValueListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  edit_dialog::ReportInput(message);
  TValueListDialog& d = g_ValueListDialog;
  switch (message) {
    case WM_INITDIALOG:
      d.window = dialog;
      edit_dialog::InitFrame(dialog, edit_dialog::kFullScreenFlags, true);
      d.Init(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        d.Collect();
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (edit_dialog::IsCancel(LOWORD(wParam))) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

HWND TValueListDialog::ShownList() const {
  return GetDlgItem(window, multiple ? kMultipleList : kSingleList);
}

void TValueListDialog::Init(HWND dialog) {
  window = dialog;
  ShowWindow(GetDlgItem(dialog, kMultipleList), multiple ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(dialog, kSingleList), multiple ? SW_HIDE : SW_SHOW);
  const HWND list = ShownList();
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  const TValueList* table = TableOf(library, tableCode);
  if (!table) {
    SendMessageW(list, LB_ADDSTRING, 0, LPARAM(g_Lang.GetText(lang_id::kMsgNoDict)));
    EnableWindow(list, FALSE);
    return;
  }
  for (const TValueItem& item : table->items) {
    std::string entry = item.text;
    if (entry.size() > 255) entry.resize(255);
    const std::wstring wide = AnsiToWideString(entry);
    SendMessageW(list, LB_ADDSTRING, 0, LPARAM(wide.c_str()));
  }
  const std::string& current = text ? *text : std::string();
  const int count = int(table->items.size());
  if (multiple) {
    // Cut the text where whole entry texts fit: an entry may hold a comma itself, and cutting
    // at every comma would drop it from the selection and so from the value on OK.
    for (size_t at : TValueTable::SplitJoined(table, current, kMaxPieces))
      SendMessageW(list, LB_SETSEL, TRUE, LPARAM(at));
  } else {
    for (int i = 0; i < count; ++i) {
      if (table->items[size_t(i)].text == current) SendMessageW(list, LB_SETCURSEL, i, 0);
    }
  }
  if (readOnly) EnableWindow(list, FALSE);
}

void TValueListDialog::Collect() {
  const TValueList* table = TableOf(library, tableCode);
  if (!table || !text) return;
  const HWND list = ShownList();
  const int count = int(table->items.size());
  if (multiple) {
    std::string joined;
    bool first = true;
    for (int i = 0; i < count; ++i) {
      if (SendMessageW(list, LB_GETSEL, i, 0) <= 0) continue;
      if (!first) joined += ',';
      joined += table->items[size_t(i)].text;
      first = false;
    }
    *text = joined;
    return;
  }
  const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (selected >= 0 && selected < count) *text = table->items[size_t(selected)].text;
}

int TValueListDialog::Run(HWND parent, HINSTANCE inst, const TObjectLibrary* lib, uint16_t code,
                          std::string& value, int many, int locked) {
  instance = inst;
  library = lib;
  tableCode = code;
  text = &value;
  multiple = many ? 1 : 0;
  readOnly = locked ? 1 : 0;
  const INT_PTR result =
      DialogBoxParamW(inst, MAKEINTRESOURCEW(kTemplate), parent, ValueListProc, 0);
  window = nullptr;
  text = nullptr;
  ProgramHost().InvalidateMainView(0);
  return int(result);
}
