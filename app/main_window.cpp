#include "app/main_window.h"
#include "gps/gps_port.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "app/auto_actions.h"
#include "app/back_buffer.h"
#include "app/commands.h"
#include "app/input.h"
#include "app/menu_opener.h"
#include "app/navigation.h"
#include "app/track_buffer.h"
#include "app/winmain.h"
#include "base/button_table.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/ui/shell_utils.h"
#include "edit/measure_tool.h"
#include "edit/object_list_panel.h"
#include "edit/selection_panel.h"
#include "edit/tool_panel.h"
#include "edit/vertex_edit_bar.h"
#include "gps/almanac_bar.h"
#include "gps/geodesy_bar.h"
#include "gps/goto_overlay.h"
#include "gps/gps_bar.h"
#include "gps/sight_rule.h"
#include "gps/sky_plot.h"
#include "platform/fresh_state.h"
#include "resources/main_ids.h"
#include "search/route.h"
#include "search/street_search.h"
#include "view/frame_draw.h"
#include "view/map_view.h"
#include "view/point_lists.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// The shell's activation record handed back on every WM_ACTIVATE; its content is the shell's.
unsigned char g_shellActivateInfo[64];

const TMessageEntry kMessageTable[] = {
    {WM_CREATE, OnMainCreate},
    {WM_PAINT, OnMainPaint},
    {WM_HIBERNATE, OnMainHibernate},
    {WM_ACTIVATE, OnMainActivate},
    {WM_DESTROY, OnMainDestroy},
    {WM_COMMAND, OnMainCommand},
    {WM_LBUTTONDOWN, OnMainPenDown},
    {WM_MOUSEMOVE, OnMainPenMove},
    {WM_LBUTTONUP, OnMainPenUp},
    {WM_KEYDOWN, OnMainKeyDown},
    {WM_HOTKEY, OnMainHotKey},
    {WM_NOTIFY, OnMainNotify},
    {WM_INITMENUPOPUP, OnMainInitMenuPopup},
    {WM_CANCELMODE, OnMainCancelMode},
    {WM_BOUNDS_ERROR, OnMainBoundsError},
};

HMENU SubMenu(UINT command) {
  if (!g_MenuBar) return nullptr;
  return reinterpret_cast<HMENU>(SendMessageW(g_MenuBar, SHCMBM_GETSUBMENU, 0, command));
}

int ScaleIndex(int32_t scale) {
  for (int i = 0; i < 21; ++i)
    if (kScaleTable[i] == scale) return i;
  return -1;
}

bool SipVisible() {
  HWND sip = FindWindowW(L"SipWndClass", nullptr);
  return sip && IsWindowVisible(sip);
}

int WindowHeight(HWND w) {
  RECT r;
  if (!w || !GetWindowRect(w, &r)) return 0;
  return r.bottom - r.top;
}

// The map area: the client rectangle less the open search bars and the panels at the top, and
// less the almanac bar and the command bar at the bottom.
RECT LayoutMapArea(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  for (TSearchBar*& bar : g_SearchBars) {
    if (!bar) continue;
    if (!bar->window || !IsWindow(bar->window)) {
      bar = nullptr;  // closed behind our back: forgotten
      continue;
    }
    r.top += WindowHeight(bar->window);
  }
  int topPanels = std::max({g_GpsBar.GetHeight(), g_GeodesyBar.GetHeight(), g_ToolPanel.GetHeight(),
                            g_SelectionPanel.GetHeight() + g_VertexEditBar.GetHeight()});
  r.top += topPanels;
  r.bottom -= g_AlmanacBar.GetHeight() + kCommandBarHeight;
  return r;
}

}  // namespace

HWND g_MainWindow = nullptr;
HWND g_MenuBar = nullptr;
int g_FullScreen = 0;
int g_SipWasShown = 0;
// Nothing has been drawn before the first paint, so it renders the maps.
int g_FullRedraw = 1;
int32_t g_LastNominalScale = 0;
int g_BoundsBoxUp = 0;

const TMessageEntry* GetMainMessageTable(int* count) {
  if (count) *count = static_cast<int>(sizeof kMessageTable / sizeof kMessageTable[0]);
  return kMessageTable;
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  g_AutoActions.OnUserInput(hwnd, message, wParam, lParam);
  for (const TMessageEntry& e : kMessageTable)
    if (e.message == message) return e.handler(hwnd, wParam, lParam);
  // A paced file source of the GPS port has ended; its reader cannot close the port itself.
  if (message == WM_GPS_SOURCE_ENDED && lParam) {
    OnGpsSourceEnded(reinterpret_cast<TGpsPort*>(lParam));
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT OnMainCreate(HWND hwnd, WPARAM, LPARAM) {
  g_MainWindow = hwnd;
  INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_DATE_CLASSES};
  InitCommonControlsEx(&icc);
  g_MenuBar = CreateMainMenuBar(hwnd);
  HINSTANCE inst = g_Instance;
  g_GpsBar.Create(hwnd, inst);
  g_GpsBar.Move(0);
  g_GpsBar.Show(0);
  g_GeodesyBar.Create(hwnd, inst);
  g_GeodesyBar.Move(0);
  g_GeodesyBar.Show(0);
  g_ToolPanel.Create(hwnd, inst);
  g_ToolPanel.MoveTo(0);
  g_ToolPanel.Show(0);
  g_SelectionPanel.Create(hwnd, inst);
  g_SelectionPanel.SetTop(0);
  g_SelectionPanel.Show(0);
  g_ObjectListPanel.Create(hwnd, inst);
  g_ObjectListPanel.PlaceAbove(214);
  g_ObjectListPanel.Show(0);
  g_VertexEditBar.Create(hwnd, inst);
  g_VertexEditBar.Show(0);
  g_AlmanacBar.Create(hwnd, inst);
  g_AlmanacBar.Place(294);
  g_AlmanacBar.Show(0);
  UpdateRasterModeMenu();
  return 0;
}

namespace {
// Set when the last full redraw ran while a popup, a dialog or another program window covered
// part of the map: nothing was drawn under it, and the back buffer has no picture there (the
// device layer does not copy another window's pixels), so the next repaint draws the maps again
// instead of copying those holes back.
bool g_backBufferHasHoles = false;

// Whether a full redraw would draw the working map now: a partial repaint draws it only then, or
// the track of a map shown out of its scale range would appear with every GPS tick and vanish
// with the next full redraw. A working map the view does not hold is drawn as before.
bool WorkingMapShown() {
  if (!g_UserLayer.map) return true;
  for (const TVectorMapSlot& slot : g_MapView.vectorMaps)
    if (slot.map.get() == g_UserLayer.map) return g_MapView.vectorShown && slot.inScale;
  return true;
}

// Whether every pixel of `rect` (client coordinates) is visible in the window.
bool ClientRectVisible(HWND hwnd, const RECT& rect) {
  RECT client{};
  GetClientRect(hwnd, &client);
  const RECT want{std::max(rect.left, client.left), std::max(rect.top, client.top),
                  std::min(rect.right, client.right), std::min(rect.bottom, client.bottom)};
  if (want.right <= want.left || want.bottom <= want.top) return true;
  HDC dc = GetDC(hwnd);
  if (!dc) return false;
  int kind = IntersectClipRect(dc, want.left, want.top, want.right, want.bottom);
  RECT box{};
  GetClipBox(dc, &box);
  ReleaseDC(hwnd, dc);
  return kind == SIMPLEREGION && box.left == want.left && box.top == want.top &&
         box.right == want.right && box.bottom == want.bottom;
}
}  // namespace

LRESULT OnMainPaint(HWND hwnd, WPARAM, LPARAM) {
  if (g_backBufferHasHoles) g_FullRedraw = 1;
  int sip = SipVisible() ? 1 : 0;
  if (sip != g_SipWasShown) {
    g_SipWasShown = sip;
    g_FullRedraw = 1;
  }
  // While the input panel is up its button stays: a dialog over the map (the search window)
  // has no other way to put the panel away from over its own buttons, and the map repaints
  // behind it on every timer.
  SHFullScreen(hwnd, SHFS_HIDETASKBAR | (sip ? 0 : SHFS_HIDESIPBUTTON));
  if (!sip || !g_FullScreen) SetFullScreen(hwnd, 1);

  RECT area;
  if (g_FullRedraw) {
    area = LayoutMapArea(hwnd);
    PrepareFrame(g_MapView, area.left, area.top, area.right, area.bottom);
    int32_t scale = g_MapView.GetScale();
    if (scale != g_LastNominalScale) {
      CheckScaleMenuItem(NearestScale(scale, 0));
      for (int i = 0; i < g_MapView.GetVectorMapCount(); ++i)
        if (TMdmMap* map = g_MapView.GetVectorMap(i)) map->SelectNominalScale(scale);
      g_LastNominalScale = scale;
    }
    g_AlmanacBar.Update();
  } else if (!GetUpdateRect(hwnd, &area, FALSE)) {
    area = RECT{0, 0, 0, 0};
  }

  PAINTSTRUCT ps;
  BeginPaint(hwnd, &ps);
  EndPaint(hwnd, &ps);

  HDC dc = GetDC(hwnd);
  const RECT& view = g_MapView.viewRect;
  g_SkyPlot.Draw(dc, view);
  if (g_FullRedraw) {
    DrawLayers(g_MapView, dc);
    g_BackBuffer.Capture(dc);
    g_TrackBuffer.Invalidate();
    g_backBufferHasHoles = !ClientRectVisible(hwnd, view);
  } else if (!WorkingMapShown()) {
    g_BackBuffer.Restore(dc, area.left, area.top, area.right, area.bottom);
  } else if (!g_TrackBuffer.Repaint(g_UserLayer, g_BackBuffer.memDc, dc, view, &area)) {
    g_BackBuffer.Restore(dc, area.left, area.top, area.right, area.bottom);
    g_UserLayer.PrepareView(view);
    g_UserLayer.Draw(dc);
  }
  DrawHighlights(g_MapView, dc);
  g_MeasureTool.Draw(view, dc);
  g_GotoOverlay.Draw(dc);
  g_Route.Draw(view, dc);
  g_SkyPlot.Blit(dc);
  g_SightRule.SetPosition(g_MapView.gpsState == 1 ? 1 : 0, g_MapView.gpsX, g_MapView.gpsY,
                          g_MapView.gpsCourse / 180.0 * kPi);
  g_SightRule.Draw(dc, view);
  DrawGpsPosition(g_MapView, dc);
  RedrawRubberAfterPaint(dc, g_FullRedraw ? view : area);
  ReleaseDC(hwnd, dc);
  g_FullRedraw = 0;
  return 0;
}

LRESULT OnMainHibernate(HWND hwnd, WPARAM, LPARAM) {
  if (GetActiveWindow() != hwnd) {
    // Nothing of ours carries id 1, so this frees only a child someone else put there.
    if (HWND child = GetDlgItem(hwnd, 1)) DestroyWindow(child);
  }
  return 0;
}

LRESULT OnMainActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  SHHandleWMActivate(hwnd, wParam, lParam, g_shellActivateInfo, 0);
  // The keys report their release as well, so that a held key acts once. Taken back from
  // another window, a key may have been let go unseen: no hold is counted on from before.
  if (GrabHardwareKeys(hwnd, MOD_KEYUP)) g_ButtonTable.ForgetHolds();
  return 0;
}

LRESULT OnMainDestroy(HWND, WPARAM, LPARAM) {
  g_AutoActions.Stop();
  // The unfinished construction goes before the working map is saved, and so does a sketch line
  // of the vertex bar: it is an object of the working map, which the save would keep as a line
  // the user never made. Hiding the panels also lets the exit save regroup the map.
  g_ToolPanel.Show(0);
  g_SelectionPanel.Show(0);
  g_VertexEditBar.Show(0);
  SaveSessionSettings();
  PostQuitMessage(0);
  return 0;
}

LRESULT OnMainNotify(HWND, WPARAM, LPARAM) { return 0; }

namespace {
void CALLBACK MenuOpenerTimerProc(HWND, UINT, UINT_PTR, DWORD) { g_MenuOpener.OnTimer(); }
}  // namespace

LRESULT OnMainInitMenuPopup(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  g_AutoActions.ResetIdle();
  g_MenuOpener.OnInitMenuPopup(reinterpret_cast<HMENU>(wParam),
                               ScaleMenuCommand(g_MapView.GetScale()), MenuOpenerTimerProc);
  return DefWindowProcW(hwnd, WM_INITMENUPOPUP, wParam, lParam);
}

LRESULT OnMainCancelMode(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  g_AutoActions.ResetIdle();
  g_MenuOpener.OnTimer();
  return DefWindowProcW(hwnd, WM_CANCELMODE, wParam, lParam);
}

LRESULT OnMainBoundsError(HWND hwnd, WPARAM wParam, LPARAM) {
  int id = wParam == 14   ? lang_id::kMsgPointOutOfBoundErr
           : wParam == 16 ? lang_id::kMsgObjOutOfBoundErr
                          : 0;
  // One box at a time: the GPS and echo timers keep adding points inside the box's modal loop,
  // and each would open another box on top.
  if (!id || g_BoundsBoxUp) return 0;
  g_BoundsBoxUp = 1;
  MessageBoxW(hwnd, g_Lang.GetText(id), nullptr, MB_OK);
  g_BoundsBoxUp = 0;
  return 0;
}

namespace {
// Gives every command item of `menu` (submenus included) the text its item has in `source`, the
// same menu as the resource builds it. The type is kept, and with it the radio mark.
void RestoreMenuTexts(HMENU menu, HMENU source) {
  const int count = GetMenuItemCount(source);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_TYPE | MIIM_ID | MIIM_SUBMENU;
    item.dwTypeData = text;
    item.cch = 256;
    if (!GetMenuItemInfoW(source, static_cast<UINT>(i), TRUE, &item)) continue;
    if (item.hSubMenu) {
      RestoreMenuTexts(menu, item.hSubMenu);
      continue;
    }
    if (item.fType & (MFT_SEPARATOR | MFT_BITMAP) || item.wID == 0) continue;
    MENUITEMINFOW live{};
    live.cbSize = sizeof live;
    live.fMask = MIIM_TYPE;
    if (!GetMenuItemInfoW(menu, item.wID, FALSE, &live)) continue;
    live.fMask = MIIM_TYPE;
    live.dwTypeData = text;
    live.cch = static_cast<UINT>(std::wcslen(text));
    SetMenuItemInfoW(menu, item.wID, FALSE, &live);
  }
}
}  // namespace

void TranslateMainMenu() {
  if (!g_MenuBar) return;
  HMENU menu = reinterpret_cast<HMENU>(SendMessageW(g_MenuBar, SHCMBM_GETMENU, 0, 0));
  if (!menu) return;
  // The table leaves an item it has no text for as it stands, so after a change of language
  // every item first takes back its resource text: an item the new language does not name, and
  // every item of the built-in language, would otherwise keep the words of the one before.
  if (HMENU source = LoadMenuW(g_Instance, MAKEINTRESOURCEW(IDM_MAIN_MENU))) {
    RestoreMenuTexts(menu, source);
    DestroyMenu(source);
  }
  g_Lang.TranslateMenu(menu);
}

HWND CreateMainMenuBar(HWND mainWindow) {
  SHMENUBARINFO info{};
  info.cbSize = sizeof info;
  info.hwndParent = mainWindow;
  info.dwFlags = SHCMBF_COLORBK;
  info.nToolBarId = IDR_MAIN_MENUBAR;
  info.hInstRes = g_Instance;
  info.nBmpId = IDB_MAIN_TOOLBAR;
  info.cBmpImages = MAIN_TOOLBAR_IMAGES;
  info.clrBk = 0x00FFFF;  // red 255, green 255, blue 0
  if (!SHCreateMenuBar(&info)) return nullptr;
  return info.hwndMB;
}

void InvalidateMainView(int full) {
  if (full) g_FullRedraw = 1;
  if (g_MainWindow) InvalidateRect(g_MainWindow, nullptr, full ? TRUE : FALSE);
}

int SetFullScreen(HWND hwnd, int on) {
  if (on) {
    SHFullScreen(hwnd, SHFS_HIDESIPBUTTON);
    if (g_FullScreen) return 1;
    if (SHFullScreen(hwnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON) &&
        MoveWindow(hwnd, 0, 0, 240, 320, TRUE))
      g_FullScreen = 1;
    return 0;
  }
  if (!g_FullScreen) return 1;
  if (SHFullScreen(hwnd, SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON) &&
      MoveWindow(hwnd, 0, 26, 240, 294, TRUE))
    g_FullScreen = 0;
  return 0;
}

void ShowSipButton(int show) {
  if (g_MainWindow) SHFullScreen(g_MainWindow, show ? SHFS_SHOWSIPBUTTON : SHFS_HIDESIPBUTTON);
}

void FitDialogToMainWindow(RECT* out, HWND dialog) {
  RECT r{0, 0, 0, 0};
  if (g_MainWindow) {
    RECT w;
    GetWindowRect(g_MainWindow, &w);
    r.right = w.right - w.left;
    r.bottom = w.bottom - w.top;
  }
  if (dialog) {
    SHFullScreen(dialog, SHFS_HIDETASKBAR);
    MoveWindow(dialog, r.left, r.top, r.right, r.bottom, TRUE);
  }
  if (out) *out = r;
}

void UpdateRasterModeMenu() {
  HMENU maps = SubMenu(kMapsMenuCommand);
  if (!maps) return;
  int vector = g_MapView.AreVectorMapsShown(), raster = g_MapView.AreRasterMapsShown();
  UINT item = vector && raster ? 40207 : vector ? 40208 : raster ? 40209 : 0;
  if (item) {
    CheckMenuRadioItem(maps, 40207, 40209, item, MF_BYCOMMAND);
  } else {
    for (UINT id = 40207; id <= 40209; ++id) CheckMenuItem(maps, id, MF_BYCOMMAND | MF_UNCHECKED);
  }
}

void CheckMainMenuItem(UINT submenuCommand, UINT itemCommand, int checked) {
  if (HMENU m = SubMenu(submenuCommand))
    CheckMenuItem(m, itemCommand, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

int IsMainMenuItemChecked(UINT submenuCommand, UINT itemCommand) {
  HMENU m = SubMenu(submenuCommand);
  if (!m) return 0;
  UINT state = GetMenuState(m, itemCommand, MF_BYCOMMAND);
  return state != 0xFFFFFFFFu && (state & MF_CHECKED) ? 1 : 0;
}

void CheckScaleMenuItem(int32_t scale) {
  HMENU m = SubMenu(kScaleMenuCommand);
  if (!m) return;
  int i = ScaleIndex(scale);
  if (i >= 0) {
    CheckMenuRadioItem(m, kFirstScaleCommand, kFirstScaleCommand + 20, kFirstScaleCommand + UINT(i),
                       MF_BYCOMMAND);
  } else {
    for (UINT id = kFirstScaleCommand; id <= kFirstScaleCommand + 20; ++id)
      CheckMenuItem(m, id, MF_BYCOMMAND | MF_UNCHECKED);
  }
}

UINT ScaleMenuCommand(int32_t scale) {
  int i = ScaleIndex(NearestScale(scale, 0));
  return i >= 0 ? kFirstScaleCommand + UINT(i) : 0;
}

namespace {
const vplat::FreshStateHook kFresh(6, [] {
  g_MainWindow = nullptr;
  g_MenuBar = nullptr;
  g_FullScreen = 0;
  g_SipWasShown = 0;
  g_FullRedraw = 1;
  g_LastNominalScale = 0;
  g_BoundsBoxUp = 0;
  g_backBufferHasHoles = false;
  std::fill(std::begin(g_shellActivateInfo), std::end(g_shellActivateInfo), 0);
});
}  // namespace
