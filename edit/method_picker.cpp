#include "edit/method_picker.h"

#include "base/lang.h"
#include "base/program_host.h"
#include "edit/dialog_common.h"
#include "platform/fresh_state.h"

TMethodPicker g_MethodPicker;
namespace {
const vplat::FreshStateHook kFresh(5, [] { vplat::Renew(g_MethodPicker); });
}  // namespace

namespace {

constexpr COLORREF kPanelBlue = 0x00FF0000;
constexpr COLORREF kSelectedFrame = 0x0000FFFF;

HBITMAP TileStrip() {
  // Loaded once and shared by every tile, for the whole run.
  static const HBITMAP strip = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(202));
  return strip;
}

INT_PTR CALLBACK PickerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  edit_dialog::ReportInput(message);
  TMethodPicker& p = g_MethodPicker;
  switch (message) {
    case WM_INITDIALOG:
      p.Init(dialog);
      return TRUE;
    case WM_PAINT:
      p.Paint();
      return TRUE;
    case WM_LBUTTONUP: {
      const int tile = p.TileAt(short(LOWORD(lParam)), short(HIWORD(lParam)));
      if (tile < 0) return TRUE;  // between tiles: the dialog stays
      p.selected = tile;
      p.chosen = 1;
      EndDialog(dialog, 1);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == TMethodPicker::kCancel || LOWORD(wParam) == IDCANCEL) {
        p.chosen = 0;
        EndDialog(dialog, 2);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

void TMethodPicker::Init(HWND dialog) {
  window = dialog;
  edit_dialog::InitFrame(dialog, 0, false);
  g_Lang.TranslateDialog(dialog);
  for (int i = 0; i < kTiles; ++i) {
    tiles[i].Attach(dialog, TileStrip());
    tiles[i].SetRect(4 + 44 * (i % 5), 4 + 44 * (i / 5), kTileSize, kTileSize);
    tiles[i].SetState(i, false);
  }
  InvalidateRect(dialog, nullptr, TRUE);
}

void TMethodPicker::Paint() {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(window, &ps);
  RECT rc;
  GetClientRect(window, &rc);
  const HBRUSH blue = CreateSolidBrush(kPanelBlue);
  FillRect(dc, &rc, blue);
  DeleteObject(blue);
  for (const TStripImage& t : tiles) t.Draw(dc);
  if (selected >= 0 && selected < kTiles) {
    // The method in use framed, so the user sees where the choice starts.
    const TStripImage& t = tiles[selected];
    const HPEN pen = CreatePen(PS_SOLID, 2, kSelectedFrame);
    const HGDIOBJ old = SelectObject(dc, pen);
    const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, t.left - 1, t.top - 1, t.right + 2, t.bottom + 2);
    SelectObject(dc, oldBrush);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  EndPaint(window, &ps);
}

int TMethodPicker::TileAt(int x, int y) const {
  for (int i = 0; i < kTiles; ++i)
    if (tiles[i].HitTest(x, y)) return i;
  return -1;
}

int TMethodPicker::Run(HWND owner, HINSTANCE instance, int* method) {
  selected = method ? *method : 0;
  chosen = 0;
  DialogBoxParamW(instance, MAKEINTRESOURCEW(kTemplate), owner, PickerProc, 0);
  window = nullptr;
  if (chosen && method) *method = selected;
  ProgramHost().InvalidateMainView(0);
  return chosen;
}
