#include "search/search_window.h"

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "platform/fresh_state.h"
#include "search/search_list.h"
#include "search/search_pages.h"

// The window closes the tables of the set at exit: defined first, the set is destroyed last.
TDbSet g_SearchTables;
TSearchWindow g_SearchWindow;
namespace {
const vplat::FreshStateHook kFresh(5, [] {
  vplat::Renew(g_SearchWindow);
  vplat::Renew(g_SearchTables);
});
}  // namespace

namespace {

using namespace search_ids;

void SelectAllText(HWND control) {
  if (!control) return;
  if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(control, EM_SETSEL, 0, -1);
  else SendMessageW(control, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

INT_PTR CALLBACK SearchWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  ProgramHost().ReportUserInput();
  TSearchWindow& w = g_SearchWindow;
  switch (message) {
    case WM_INITDIALOG: {
      w.window = dialog;
      SHINITDLGINFO info{};
      info.dwMask = SHIDIM_FLAGS;
      info.hDlg = dialog;
      info.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_FULLSCREENNOMENUBAR;
      SHInitDialog(&info);
      RECT r;
      ProgramHost().FitDialogToMainWindow(&r, dialog);
      g_Lang.TranslateDialog(dialog);
      w.tab = GetDlgItem(dialog, kTab);
      const int32_t titles[2] = {lang_id::kDlgSMAddr, lang_id::kDlgSMObj};
      for (int i = 0; i < 2; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<LPWSTR>(g_Lang.GetText(titles[i]));
        SendMessageW(w.tab, TCM_INSERTITEMW, WPARAM(i), LPARAM(&item));
      }
      const int first = w.firstPage == 1 ? 1 : 0;
      SendMessageW(w.tab, TCM_SETCURSEL, WPARAM(first), 0);
      w.ShowPage(first);
      return FALSE;  // the focus is set on the page
    }
    case WM_NOTIFY: {
      const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
      if (hdr && hdr->idFrom == UINT_PTR(kTab) && hdr->code == UINT(TCN_SELCHANGE)) {
        w.ShowPage(int(SendMessageW(w.tab, TCM_GETCURSEL, 0, 0)));
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == kShow) {
        if (SendMessageW(w.tab, TCM_GETCURSEL, 0, 0) == 1) g_ObjectPage.ShowOnMap();
        else g_AddressPage.ShowOnMap();
      }
      // Done and the cancel key close as "Закрыть" does, so the records never outlive the lists.
      if (id == kShow || id == kClose || id == IDOK || id == IDCANCEL) {
        w.ClearPages();
        EndDialog(dialog, id == kShow ? kShow : kClose);
        return TRUE;
      }
      return FALSE;
    }
  }
  return PageMessage(dialog, message) ? TRUE : FALSE;
}

}  // namespace

TSearchWindow::~TSearchWindow() { g_SearchTables.CloseAll(); }

void TSearchWindow::ShowPage(int index) {
  if (index != 0 && index != 1) return;
  if (current) ShowWindow(current, SW_HIDE);
  if (!pages[index])
    pages[index] = index == 0 ? g_AddressPage.Create(instance, tab) : g_ObjectPage.Create(instance, tab);
  current = pages[index];
  if (!current) return;
  ShowWindow(current, SW_SHOW);
  HWND next = GetNextDlgTabItem(current, nullptr, FALSE);
  if (next) {
    SetFocus(next);
    SelectAllText(next);
  }
}

void TSearchWindow::ClearPages() {
  for (HWND page : pages)
    if (page)
      for (int id : kPageLists) ClearList(GetDlgItem(page, id));
}

int TSearchWindow::Run(HWND owner, HINSTANCE module, int page) {
  parent = owner;
  instance = module;
  firstPage = page;
  window = current = tab = nullptr;
  pages[0] = pages[1] = nullptr;
  g_AddressPage.window = g_ObjectPage.window = nullptr;
  const int result = int(DialogBoxParamW(module, MAKEINTRESOURCEW(kWindow), owner, SearchWindowProc, 0));
  pages[0] = pages[1] = current = nullptr;
  g_AddressPage.window = g_ObjectPage.window = nullptr;
  ProgramHost().InvalidateMainView(0);
  return result;
}

int RunSearchWindow(HWND owner, HINSTANCE instance, int page) {
  return g_SearchWindow.Run(owner, instance, page);
}
