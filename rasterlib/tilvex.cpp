// The library's application object, its two dialogs and its exports.
#include "rasterlib/tilvex.h"

#include <cstring>
#include <memory>

#include "platform/win.h"
#include "rasterlib/chooser_model.h"
#include "rasterlib/pictures.h"
#include "rasterlib/raster_files.h"
#include "rasterlib/tilvex_ids.h"
#include "rasterlib/viewer_geometry.h"

#define TILVEX_EXPORT extern "C" __attribute__((visibility("default")))

namespace tilvex {
namespace {

constexpr int kPointButtons[kSlots] = {IDC_VIEW_POINT1, IDC_VIEW_POINT2, IDC_VIEW_POINT3,
                                       IDC_VIEW_POINT4, IDC_VIEW_POINT5};
constexpr int kMaxPicture = 5000;
constexpr const char* kIniPath = "\\Rastr.ini";

struct TRasterChooserDlg {
  std::wstring fullPath;
  std::wstring name;
  int type = -1;
  int link[4] = {0, 0, 0, 0};
  ChooserTree tree;
  std::vector<HTREEITEM> items;  // by node
  HWND hwnd = nullptr;
  bool modeless = false;
};

struct TRasterViewDlg {
  HWND hwnd = nullptr;
  ViewGeometry geo;
  int selected = -1;
  bool drag = false;
  std::unique_ptr<TPicture> picture;
  IdesFile ides;
  PoiFile poi;
  std::string path8;  // the picture's 8-bit path, copied out by Show
  // The two files as the points read at start-up would write them: a close that changed
  // nothing writes neither (a ".poi" without ".ides" keeps its points, a file keeps its bytes).
  std::string loadedPoi, loadedIdes;
  HWND label = nullptr, combo = nullptr;
};

struct TRasterApp {
  TRasterChooserDlg chooser;
  TRasterViewDlg viewer;
  bool result = false;
  double x = 0, y = 0;
  std::string pointName;
  std::string picturePath;
};

TRasterApp& App() {
  static TRasterApp app;
  return app;
}

HINSTANCE Self() { return GetModuleHandleW(L"Tilvex"); }

void GoFullScreen(HWND hwnd) {
  SHFullScreen(hwnd, SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON);
  MoveWindow(hwnd, 0, 0, 240, 320, FALSE);
}

void RemoveMenuBar(HWND hwnd) {
  SHINITDLGINFO info{SHIDIM_FLAGS, hwnd, SHIDIF_FULLSCREENNOMENUBAR};
  SHInitDialog(&info);
}

// ---- viewer ----

void SaveViewer(TRasterViewDlg& v) {
  TRasterApp& app = App();
  std::string poiPath = CompanionPath(v.path8, ".poi");
  std::string idesPath = CompanionPath(v.path8, ".ides");
  const std::string poiBytes = FormatPoi(v.poi, v.ides), idesBytes = FormatIdes(v.ides);
  // Nothing changed: both files stay as they are.
  const bool changed = poiBytes != v.loadedPoi || idesBytes != v.loadedIdes;
  for (const std::string* p : {&poiPath, &idesPath}) {
    if (!changed) break;
    const std::string& bytes = p == &poiPath ? poiBytes : idesBytes;
    if (!ReplaceFile(*p, bytes)) {
      std::wstring text = L"Cannot write " + Widen(*p);
      MessageBoxW(v.hwnd, text.c_str(), L"Tilvex", MB_OK);
    }
  }
  if (v.selected >= 0) {
    app.result = true;
    app.pointName = v.ides.slots[v.selected].name.substr(0, kMaxPath);
  } else {
    app.result = false;
    app.pointName.clear();
  }
}

void SetCaption(HWND dlg, int slot, const wchar_t* text) { SetDlgItemTextW(dlg, kPointButtons[slot], text); }

void ViewerInit(TRasterViewDlg& v, HWND hwnd) {
  TRasterApp& app = App();
  v.hwnd = hwnd;
  RemoveMenuBar(hwnd);
  v.selected = -1;
  v.drag = false;
  v.geo = ViewGeometry{};
  v.geo.type = app.chooser.type == 1 ? 1 : 0;
  v.geo.offX = v.geo.offY = 0;
  if (v.picture) {
    v.geo.picW = v.picture->width;
    v.geo.picH = v.picture->height;
  }
  app.picturePath = v.path8;
  std::string bytes;
  v.poi = ReadWholeFile(CompanionPath(v.path8, ".poi"), &bytes) ? ParsePoi(bytes) : PoiFile{};
  v.ides = ReadWholeFile(CompanionPath(v.path8, ".ides"), &bytes) ? ParseIdes(bytes) : IdesFromPoi(v.poi);
  v.loadedPoi = FormatPoi(v.poi, v.ides);
  v.loadedIdes = FormatIdes(v.ides);
  for (int i = 0; i < kSlots; ++i) {
    wchar_t cap[2] = {static_cast<wchar_t>(L'1' + i), 0};
    SetCaption(hwnd, i, cap);
  }
  GoFullScreen(hwnd);
  RECT rc;
  GetClientRect(hwnd, &rc);
  v.geo.W = rc.right - rc.left;
  v.geo.H = rc.bottom - rc.top;
  v.label = CreateWindowExW(0, L"static", app.chooser.name.c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER,
                            0, 0, 70, 19, hwnd, nullptr, Self(), nullptr);
  // The layer's combo height is the closed box; the open list sizes itself.
  v.combo = CreateWindowExW(0, L"combobox", nullptr, WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 70, 0,
                            50, 19, hwnd, nullptr, Self(), nullptr);
  for (const wchar_t* item : {L"1:4", L"1:1", L"3:1"})
    SendMessageW(v.combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  SendMessageW(v.combo, CB_SETCURSEL, kScale1to1, 0);
}

void ViewerPaint(TRasterViewDlg& v) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(v.hwnd, &ps);
  LRESULT sel = SendMessageW(v.combo, CB_GETCURSEL, 0, 0);
  v.geo.scale = sel >= 0 && sel <= 2 ? static_cast<int>(sel) : kScale1to1;
  RECT all{0, 0, v.geo.W, v.geo.H};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  int sx, sy, sw, sh;
  v.geo.Source(&sx, &sy, &sw, &sh);
  if (v.picture) v.picture->Draw(dc, v.geo.W, v.geo.H, sx, sy, sw, sh);
  HPEN yellow = CreatePen(PS_SOLID, 2, RGB(220, 220, 0));
  HPEN red = CreatePen(PS_SOLID, 2, RGB(255, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, red);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
  for (int i = 0; i < kSlots; ++i) {
    const RasterPoint& p = v.ides.slots[i];
    if (!p.set) continue;
    int x, y;
    v.geo.PictureToScreen(p.x, p.y, &x, &y);
    SelectObject(dc, i == v.selected ? yellow : red);
    if (p.hasTexts)
      Rectangle(dc, x - 10, y - 10, x + 10, y + 10);
    else
      Ellipse(dc, x - 10, y - 10, x + 11, y + 11);
    SetPixel(dc, x, y, RGB(255, 0, 0));
  }
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(yellow);
  DeleteObject(red);
  EndPaint(v.hwnd, &ps);
  for (int i = 0; i < kSlots; ++i) {
    if (!v.ides.slots[i].set) continue;
    wchar_t cap[2] = {i == v.selected ? L'S' : static_cast<wchar_t>(L'1' + i), 0};
    SetCaption(v.hwnd, i, cap);
  }
  GoFullScreen(v.hwnd);
}

// Inside the picture, so new and moved points can be found again.
void ClampToPicture(const TRasterViewDlg& v, int* x, int* y) {
  int w = v.picture ? v.picture->width : 0, h = v.picture ? v.picture->height : 0;
  *x = *x < 0 ? 0 : (w > 0 && *x >= w ? w - 1 : *x);
  *y = *y < 0 ? 0 : (h > 0 && *y >= h ? h - 1 : *y);
}

bool InsidePicture(const TRasterViewDlg& v, int x, int y) {
  return v.picture && x >= 0 && y >= 0 && x < v.picture->width && y < v.picture->height;
}

void ViewerPenDown(TRasterViewDlg& v, int tx, int ty) {
  int px, py;
  v.geo.TapToPicture(tx, ty, &px, &py);
  if (v.selected >= 0 && v.geo.Hits(px, py, v.ides.slots[v.selected].x, v.ides.slots[v.selected].y))
    v.drag = true;
  SHRGINFO info{sizeof(SHRGINFO), v.hwnd, {tx, ty}, SHRG_RETURNCMD | SHRG_LONGDELAY};
  bool hold = SHRecognizeGesture(&info) == GN_CONTEXTMENU;
  if (hold || v.drag) {
    int hit = -1;
    for (int i = 0; i < kSlots && hit < 0; ++i)
      if (v.ides.slots[i].set && v.geo.Hits(px, py, v.ides.slots[i].x, v.ides.slots[i].y)) hit = i;
    if (hit >= 0) {
      v.selected = hit;
    } else if (InsidePicture(v, px, py)) {
      for (int i = 0; i < kSlots; ++i) {
        RasterPoint& p = v.ides.slots[i];
        if (p.set) continue;
        p.Place(px, py);
        p.hasTexts = false;
        wchar_t cap[2] = {static_cast<wchar_t>(L'1' + i), 0};
        SetCaption(v.hwnd, i, cap);
        break;
      }
    }
  } else {
    v.geo.PanTo(tx, ty);
  }
  InvalidateRect(v.hwnd, nullptr, FALSE);
}

void ViewerPenUp(TRasterViewDlg& v, int tx, int ty) {
  if (!v.drag || v.selected < 0) return;
  int px, py;
  v.geo.TapToPicture(tx, ty, &px, &py);
  ClampToPicture(v, &px, &py);
  v.ides.slots[v.selected].Place(px, py);
  v.drag = false;
  InvalidateRect(v.hwnd, nullptr, FALSE);
}

void ViewerCommand(TRasterViewDlg& v, int id) {
  if (id == IDC_VIEW_DELETE) {
    if (v.selected < 0) return;
    v.ides.slots[v.selected].Clear(v.selected);
    SetCaption(v.hwnd, v.selected, L" ");
    v.selected = -1;
    InvalidateRect(v.hwnd, nullptr, FALSE);
  } else if (id == IDC_VIEW_CLOSE) {
    v.picture.reset();
    if (v.label) DestroyWindow(v.label);
    v.label = nullptr;
    SaveViewer(v);
    EndDialog(v.hwnd, 1);
  } else {
    for (int i = 0; i < kSlots; ++i) {
      if (id != kPointButtons[i]) continue;
      const RasterPoint& p = v.ides.slots[i];
      if (!p.set) return;
      v.selected = i;
      v.geo.offX = p.x - v.geo.W / 2;
      v.geo.offY = p.y - v.geo.H / 2;
      InvalidateRect(v.hwnd, nullptr, FALSE);
    }
  }
}

INT_PTR CALLBACK ViewerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  TRasterViewDlg& v = App().viewer;
  switch (msg) {
    case WM_INITDIALOG: ViewerInit(v, hwnd); return TRUE;
    case WM_SIZE:
      v.geo.W = LOWORD(lp);
      v.geo.H = HIWORD(lp);
      return TRUE;
    case WM_PAINT: ViewerPaint(v); return TRUE;
    case WM_LBUTTONDOWN: ViewerPenDown(v, GET_X_LPARAM(lp), GET_Y_LPARAM(lp)); return TRUE;
    case WM_LBUTTONUP: ViewerPenUp(v, GET_X_LPARAM(lp), GET_Y_LPARAM(lp)); return TRUE;
    case WM_COMMAND:
      if (HIWORD(wp) == CBN_SELCHANGE) {
        InvalidateRect(hwnd, nullptr, FALSE);
        return TRUE;
      }
      ViewerCommand(v, LOWORD(wp));
      return TRUE;
    case WM_DESTROY:
      v.picture.reset();
      v.hwnd = nullptr;
      v.label = v.combo = nullptr;
      return FALSE;
  }
  return FALSE;
}

// The chosen picture, decoded before its viewer opens: one that cannot be read is said so and
// gets no viewer, where points placed on a blank screen would be saved beside a broken file.
// Without the image module a JPEG still opens with nothing drawn, as before.
std::unique_ptr<TPicture> LoadPicture(const TRasterChooserDlg& c, const std::string& path8, HWND owner) {
  if (c.type != 1) {
    auto bmp = std::make_unique<TBmpImage>(c.fullPath, owner);  // says why it failed itself
    if (!bmp->ok()) return nullptr;
    return bmp;
  }
  auto lib = std::make_unique<TLibImage>();
  HDC screen = GetDC(nullptr);
  const int found = lib->Load(path8.c_str(), screen, kMaxPicture, kMaxPicture);
  ReleaseDC(nullptr, screen);
  if (found && !lib->bitmap()) {
    const std::wstring text = L"Cannot read picture\n" + c.fullPath;
    MessageBoxW(owner, text.c_str(), L"Tilvex", MB_OK);
    return nullptr;
  }
  return lib;
}

void RunViewer(HWND owner) {
  TRasterApp& app = App();
  TRasterViewDlg& v = app.viewer;
  if (!Narrow(app.chooser.fullPath, &v.path8)) v.path8.clear();
  v.picture = LoadPicture(app.chooser, v.path8, owner);
  if (!v.picture) {
    // Nothing was chosen: no path or point goes back to the caller.
    app.picturePath.clear();
    app.pointName.clear();
    app.result = false;
    return;
  }
  DialogBoxParamW(Self(), MAKEINTRESOURCEW(IDD_RASTER_VIEW), owner, ViewerProc, 0);
}

// ---- chooser ----

void FillTree(TRasterChooserDlg& c) {
  HWND tree = GetDlgItem(c.hwnd, IDC_CHOOSER_TREE);
  const auto& nodes = c.tree.nodes();
  c.items.assign(nodes.size(), nullptr);
  std::vector<int> stack{0};
  while (!stack.empty()) {
    int n = stack.back();
    stack.pop_back();
    TVINSERTSTRUCTW ins{};
    ins.hParent = n == 0 ? TVI_ROOT : c.items[size_t(nodes[size_t(n)].parent)];
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM;
    ins.item.pszText = const_cast<LPWSTR>(nodes[size_t(n)].text.c_str());
    ins.item.lParam = n;
    c.items[size_t(n)] = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    const auto& ch = nodes[size_t(n)].children;
    for (auto it = ch.rbegin(); it != ch.rend(); ++it) stack.push_back(*it);
  }
}

void Select(TRasterChooserDlg& c, int node) {
  if (node < 0 || size_t(node) >= c.items.size()) return;
  SendMessageW(GetDlgItem(c.hwnd, IDC_CHOOSER_TREE), TVM_SELECTITEM, TVGN_CARET,
               reinterpret_cast<LPARAM>(c.items[size_t(node)]));
}

void ChooserInit(TRasterChooserDlg& c, HWND hwnd) {
  c.hwnd = hwnd;
  RemoveMenuBar(hwnd);
  GoFullScreen(hwnd);
  c.type = -1;
  c.tree = ChooserTree{};
  c.tree.Build();
  FillTree(c);
  std::string ini;
  if (ReadWholeFile(kIniPath, &ini)) Select(c, c.tree.Reselect(ini));
}

int CaretNode(TRasterChooserDlg& c) {
  HWND tree = GetDlgItem(c.hwnd, IDC_CHOOSER_TREE);
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return -1;
  TVITEMW it{};
  it.mask = TVIF_PARAM;
  it.hItem = item;
  if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return -1;
  return static_cast<int>(it.lParam);
}

void ChooserOk(TRasterChooserDlg& c) {
  int node = CaretNode(c);
  if (node <= 0 || !c.tree.nodes()[size_t(node)].children.empty()) return;
  const std::wstring& text = c.tree.nodes()[size_t(node)].text;
  c.name = text.size() > 4 ? text.substr(0, text.size() - 4) : std::wstring();
  int t = TypeOfChoice(text);
  if (t >= 0) c.type = t;
  c.fullPath = c.tree.PathOf(node);
  std::string line;
  if (c.tree.IniLine(node, &line) && !ReplaceFile(kIniPath, line)) {
    std::wstring msg = L"Cannot write " + Widen(kIniPath);
    MessageBoxW(c.hwnd, msg.c_str(), L"Tilvex", MB_OK);
  }
  HWND hwnd = c.hwnd;
  if (c.modeless)
    DestroyWindow(hwnd);
  else
    EndDialog(hwnd, 1);
  RunViewer(nullptr);
}

INT_PTR CALLBACK ChooserProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM) {
  TRasterChooserDlg& c = App().chooser;
  switch (msg) {
    case WM_INITDIALOG: ChooserInit(c, hwnd); return TRUE;
    case WM_PAINT: GoFullScreen(hwnd); return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDC_CHOOSER_OK: ChooserOk(c); return TRUE;
        case IDC_CHOOSER_EXIT:
          if (c.modeless)
            DestroyWindow(hwnd);
          else
            EndDialog(hwnd, 1);
          return TRUE;
        case IDC_CHOOSER_NEAREST: Select(c, c.tree.Nearest(App().x, App().y)); return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      c.hwnd = nullptr;
      c.modeless = false;
      return FALSE;
  }
  return FALSE;
}

void RunChooser() {
  App().chooser.modeless = false;
  DialogBoxParamW(Self(), MAKEINTRESOURCEW(IDD_RASTER_CHOOSER), nullptr, ChooserProc, 0);
}

void CopyOut(char* out, const std::string& s) {
  if (!out) return;
  size_t n = s.size() > kMaxPath ? kMaxPath : s.size();
  std::memcpy(out, s.data(), n);
  out[n] = 0;
}

// "a\b\name.x.y" -> "name": after the last backslash up to the first '.'.
std::wstring PictureName(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  std::wstring file = slash == std::wstring::npos ? path : path.substr(slash + 1);
  size_t dot = file.find(L'.');
  return dot == std::wstring::npos ? file : file.substr(0, dot);
}

}  // namespace
}  // namespace tilvex

using namespace tilvex;

TILVEX_EXPORT int Link(const char* path, const char* name, const char* text1, const char* text2) {
  bool failed = false;
  int r = LinkTexts(path, name, text1, text2, &failed);
  if (failed) {
    std::wstring msg = L"Cannot write " + Widen(CompanionPath(std::string(path), ".ides"));
    MessageBoxW(nullptr, msg.c_str(), L"Tilvex", MB_OK);
  }
  return r;
}

TILVEX_EXPORT int Show(int, const char* mapPath, double x, double y, const char* text1,
                       const char* text2, char* chosenMap, char* chosenPoint) {
  TRasterApp& app = App();
  app.x = x;
  app.y = y;
  app.result = false;
  if (mapPath && std::strlen(mapPath) > kMaxPath) {
    CopyOut(chosenMap, {});
    CopyOut(chosenPoint, {});
    return 0;
  }
  if (!mapPath) {
    RunChooser();
  } else {
    app.chooser.fullPath = Widen(mapPath);
    app.chooser.name = PictureName(app.chooser.fullPath);
    app.chooser.type = TypeOfPath(mapPath);
    RunViewer(nullptr);
  }
  CopyOut(chosenMap, app.picturePath);
  CopyOut(chosenPoint, app.pointName);
  if (text1 && text2 && !app.picturePath.empty())
    Link(app.picturePath.c_str(), app.pointName.c_str(), text1, text2);
  return app.result ? 1 : 0;
}

TILVEX_EXPORT int Link1(int, int a, int b, int c, int d, char* chosenMap, char* chosenPoint) {
  TRasterApp& app = App();
  int v[4] = {a, b, c, d};
  std::memcpy(app.chooser.link, v, sizeof v);
  RunChooser();
  CopyOut(chosenMap, app.picturePath);
  CopyOut(chosenPoint, app.pointName);
  return 1;
}

TILVEX_EXPORT int My() {
  TRasterChooserDlg& c = App().chooser;
  if (c.hwnd) return 1;
  c.modeless = true;
  HWND h = CreateDialogParamW(Self(), MAKEINTRESOURCEW(IDD_RASTER_CHOOSER), nullptr, ChooserProc, 0);
  if (h) ShowWindow(h, SW_SHOW);
  else c.modeless = false;
  return 1;
}
