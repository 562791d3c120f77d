#include "view/project_maps_dlg.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/idle_clock.h"
#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "base/ui/file_browser.h"
#include "geodesy/gauss_kruger.h"
#include "maps/mdm_settings.h"
#include "maps/object_library.h"
#include "maps/user_layer.h"
#include "platform/fresh_state.h"
#include "view/map_view.h"
#include "view/project_dialog_host.h"

TProjectMapsDlg g_ProjectMapsDlg;
namespace {
const vplat::FreshStateHook kFresh(4, [] { vplat::Renew(g_ProjectMapsDlg); });
}  // namespace

namespace {

constexpr size_t kMaxPath = 255;  // bytes of a device path

const wchar_t kMapFilters[] =
    L"MDM Maps (*.mdm)\0*.mdm\0Raster Maps (*.jpg, *.tif)\0*.jpg,*.tif\0All Documents (*.*)\0*.*\0";
// The project filter list, its description in the current language.
std::wstring ProjectFilters() {
  using namespace std::string_literals;
  return g_Lang.GetText(lang_id::kDlgPEPrjFilter) + L"\0*.mpj\0All Documents (*.*)\0*.*\0"s;
}

// Whether OpenFile takes files of this extension; another one (picked under "*.*") opens nothing.
bool OpensExtension(const char* path) {
  char ext[256];
  GetExtension(ext, path, sizeof ext);
  for (const char* known : {".mdm", ".jpg", ".tif", ".mpj"}) {
    const char* a = ext;
    const char* b = known;
    while (*a && *b && (*a | 0x20) == *b) ++a, ++b;
    if (!*a && !*b) return true;
  }
  return false;
}

// The browser's folder plus one chosen name as an 8-bit device path; empty when it passes 255
// bytes or holds a character the path page cannot hold (it would name another file).
std::string ChosenPath(const TFileBrowser& browser, const std::wstring& name) {
  std::string path;
  if (!WideToPathExact(browser.folder + name, &path) || path.size() > kMaxPath) return "";
  return path;
}

std::string FirstChosenPath(const TFileBrowser& browser) {
  return browser.fileNames.empty() ? std::string() : ChosenPath(browser, browser.fileNames[0]);
}

// The browser's icons and filters, started in the folder that the settings key remembers.
void PrepareBrowser(TFileBrowser& browser, const wchar_t* filters, const char* folderKey) {
  browser.AddIcons(nullptr, TFileBrowser::kFolderIcon, TFileBrowser::kFileIcon,
                   TFileBrowser::kProgramIcon);
  browser.SetFilters(filters);
  std::string folder;
  if (g_Ini.GetString(folderKey, folder)) browser.folder = PathToWide(folder);
}

// The browsers take the whole screen: over the project dialog alone their buttons would fall
// below its bottom edge.
RECT ScreenArea() { return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

int Ask(HWND owner, int32_t textId, UINT buttons) {
  return MessageBoxW(owner, g_Lang.GetText(textId), g_Lang.GetText(lang_id::kMsgConf),
                     buttons | MB_ICONQUESTION);
}

INT_PTR CALLBACK ProjectMapsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  g_IdleClock.OnUserInput(message);
  TProjectMapsDlg& d = g_ProjectMapsDlg;
  d.dialog = dialog;
  switch (message) {
    case WM_INITDIALOG:
      d.Open(dialog);
      return TRUE;
    case WM_COMMAND:
      // List notifications carry the list's id; only buttons act.
      if (LOWORD(wParam) != TProjectMapsDlg::kList) d.OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK WaitProc(HWND box, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return FALSE;
  g_Lang.TranslateDialog(box);
  return TRUE;
}

}  // namespace

int TProjectMapsDlg::Run(HWND owner, HINSTANCE inst, TMapView* mapView) {
  instance = inst;
  view = mapView;
  if (!view) return 0;
  const INT_PTR result =
      DialogBoxParamW(inst, MAKEINTRESOURCEW(kTemplate), owner, ProjectMapsProc, 0);
  CloseWaitBox();
  dialog = nullptr;
  ProgramHost().InvalidateMainView(1);
  return result == 1 || result == 4 ? int(result) : 0;
}

std::string TProjectMapsDlg::BackupPath() {
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::string path = WideToPath(module);
  if (path.size() > kMaxPath) path.resize(kMaxPath);
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%s", path.c_str());
  StripExtension(buffer);
  return std::string(buffer) + ".prj.bak";
}

void TProjectMapsDlg::ShowOpenFailure(int result) {
  int32_t id;
  switch (result) {
    case 0:
    case TMapView::kProjectNotAProject:  // the view named the file in its own message
      return;
    case 1:
      id = lang_id::kMsgBadFileFormat;
      break;
    case 2:
      id = lang_id::kMsgFileNotFound;
      break;
    case 3:
      id = lang_id::kMsgNoMemory;
      break;
    case 5:
      id = lang_id::kMsgObjLib;
      break;
    default:
      id = lang_id::kMsgOpenFileErr;
      break;
  }
  MessageBoxW(nullptr, g_Lang.GetText(id), nullptr, MB_OK);
}

TUserLayer* TProjectMapsDlg::Layer() const { return view ? view->workingLayer : nullptr; }

bool TProjectMapsDlg::LayerHasWorkingMap() const {
  TUserLayer* layer = Layer();
  return layer && layer->open && layer->map;
}

bool TProjectMapsDlg::MustKeepWorkingMap() const {
  TProjectDialogHost& host = ProjectDialogHost();
  return host.IsGpsPortOpen() || host.IsToolPanelShown() || host.IsVertexBarShown();
}

int TProjectMapsDlg::Selection() const {
  const LRESULT sel = SendDlgItemMessageW(dialog, kList, LB_GETCURSEL, 0, 0);
  return sel == LB_ERR ? -1 : int(sel);
}

void TProjectMapsDlg::Open(HWND dlg) {
  dialog = dlg;
  SHINITDLGINFO info{};
  info.dwMask = SHIDIM_FLAGS;
  info.hDlg = dlg;
  info.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_FULLSCREENNOMENUBAR;
  SHInitDialog(&info);
  RECT area{};
  ProgramHost().FitDialogToMainWindow(&area, dlg);
  g_Lang.TranslateDialog(dlg);
  if (HWND main = ProgramHost().MainWindow()) SHFullScreen(main, SHFS_SHOWSIPBUTTON);
  FillList(-1);
  const std::string backup = BackupPath();
  backupWritten = view->SaveProject(backup.c_str()) == 0 && FileExists(backup.c_str());
  modified = 0;
}

void TProjectMapsDlg::FillList(int select) {
  const HWND list = GetDlgItem(dialog, kList);
  int raster = 0, vector = 0;
  view->FillMapListBox(list, &raster, &vector);
  rasterRows = raster;
  vectorRows = vector;
  if (select >= 0 && select < raster + vector) SendMessageW(list, LB_SETCURSEL, WPARAM(select), 0);
  char name[256] = {};
  if (LayerHasWorkingMap()) GetFileNamePart(name, Layer()->map->path, sizeof name);
  SetDlgItemTextW(dialog, kWorkMapName, PathToWide(name).c_str());
}

void TProjectMapsDlg::OnCommand(int id) {
  switch (id) {
    case kUp:
      MoveUp();
      break;
    case kDown:
      MoveDown();
      break;
    case kDelete:
      Delete();
      break;
    case kDeleteAll:
      DeleteAll();
      break;
    case kAdd:
      AddMaps();
      break;
    case kLoad:
      LoadProject();
      break;
    case kSave:
      SaveProjectAs();
      break;
    case kNewWorkMap:
      NewWorkingMap();
      break;
    case kAssign:
      AssignWorkingMap();
      break;
    case kProperties:
      EditProperties();
      break;
    case IDOK:
      Finish(1);
      break;
    case kCancel:
    case IDCANCEL:  // Escape
      Finish(4);
      break;
    default:
      break;
  }
}

void TProjectMapsDlg::MoveUp() {
  const int sel = Selection();
  // A map not found has no place among the open ones to move to.
  if (sel <= 0 || sel >= rasterRows + vectorRows) return;
  int moved = sel;
  if (sel < rasterRows) {
    if (view->MoveRasterMap(sel, sel - 1)) moved = sel - 1;
  } else {
    const int v = sel - rasterRows;
    const bool isWorking = LayerHasWorkingMap() && v == vectorRows - 1;
    if (v > 0 && !isWorking && view->MoveVectorMap(v, v - 1)) moved = sel - 1;
  }
  FillList(moved);
  modified = 1;
}

void TProjectMapsDlg::MoveDown() {
  const int sel = Selection();
  if (sel < 0 || sel >= rasterRows + vectorRows) return;
  bool moved = false;
  if (sel < rasterRows) {
    if (sel < rasterRows - 1) moved = view->MoveRasterMap(sel, sel + 1) != 0;
  } else {
    const int v = sel - rasterRows;
    const int last = LayerHasWorkingMap() ? vectorRows - 2 : vectorRows - 1;
    if (v < last) moved = view->MoveVectorMap(v, v + 1) != 0;
  }
  if (!moved) return;
  FillList(sel + 1);
  modified = 1;
}

void TProjectMapsDlg::Delete() {
  const int sel = Selection();
  if (sel < 0) return;
  const int rows = int(SendDlgItemMessageW(dialog, kList, LB_GETCOUNT, 0, 0));
  if (sel >= rasterRows + vectorRows) {
    // A map not found: its kept line goes, and the project stops naming it.
    view->RemoveUnopenedLine(sel - rasterRows - vectorRows);
    FillList(sel < rows - 1 ? sel : sel - 1);
    modified = 1;
    return;
  }
  if (sel < rasterRows) {
    view->RemoveRasterMap(sel);
  } else {
    const int v = sel - rasterRows;
    if (v == vectorRows - 1 && LayerHasWorkingMap() && ProjectDialogHost().IsGpsPortOpen()) return;
    // The view closes the layer first when this is the map it holds; another map's removal
    // leaves the working map attached.
    view->RemoveVectorMap(v);
  }
  FillList(sel < rasterRows + vectorRows - 1 ? sel : sel - 1);
  modified = 1;
}

void TProjectMapsDlg::DeleteAll() {
  if (Ask(dialog, lang_id::kMsgDelAllConf, MB_YESNO) != IDYES) return;
  TUserLayer* layer = Layer();
  // A working map whose save failed stays (its layer said so).
  if (MustKeepWorkingMap() || (layer && layer->open && !layer->Close())) {
    view->KeepWorkingMapOnly();
  } else {
    view->CloseAllMaps();
  }
  FillList(-1);
  modified = 1;
}

void TProjectMapsDlg::OpenWaitBox() {
  CloseWaitBox();
  waitBox = CreateDialogParamW(instance, MAKEINTRESOURCEW(kWaitTemplate), dialog, WaitProc, 0);
  if (!waitBox) return;
  SetWindowPos(waitBox, HWND_TOP, 0, 0, 240, 100, SWP_SHOWWINDOW);
  UpdateWindow(waitBox);
}

void TProjectMapsDlg::CloseWaitBox() {
  if (waitBox && IsWindow(waitBox)) DestroyWindow(waitBox);
  waitBox = nullptr;
}

void TProjectMapsDlg::AddMaps() {
  OpenWaitBox();
  TFileBrowser browser(dialog, instance);
  const RECT area = ScreenArea();
  PrepareBrowser(browser, kMapFilters, "LastPathMap");
  browser.filterIndex = g_Ini.GetInt("LastFilterMap");
  if (browser.RunOpen(TFileBrowser::kOpenTemplate, &area)) {
    g_Ini.SetString("LastPathMap", WideToPath(browser.folder).c_str());
    g_Ini.SetInt("LastFilterMap", browser.filterIndex);
    for (const std::wstring& name : browser.fileNames) {
      const std::string path = ChosenPath(browser, name);
      if (path.empty()) {
        ShowOpenFailure(2);  // no device path: cutting it would open another file
        continue;
      }
      // An extension the project does not take (picked under "*.*") opens nothing.
      const int rc = OpensExtension(path.c_str()) ? view->OpenFile(path.c_str(), Layer(), 1) : 1;
      ShowOpenFailure(rc);
    }
    modified = 1;
    FillList(-1);
  }
  CloseWaitBox();
}

void TProjectMapsDlg::LoadProject() {
  OpenWaitBox();
  TFileBrowser browser(dialog, instance);
  const RECT area = ScreenArea();
  PrepareBrowser(browser, ProjectFilters().c_str(), "LastPathPrj");
  if (browser.RunOpen(TFileBrowser::kOpenTemplate, &area)) {
    g_Ini.SetString("LastPathPrj", WideToPath(browser.folder).c_str());
    const std::string path = FirstChosenPath(browser);
    if (path.empty()) {
      ShowOpenFailure(2);
    } else {
      ShowOpenFailure(view->OpenProject(path.c_str(), Layer(), MustKeepWorkingMap() ? 1 : 0));
    }
  }
  modified = 1;
  FillList(-1);
  CloseWaitBox();
}

void TProjectMapsDlg::SaveProjectAs() {
  OpenWaitBox();
  TFileBrowser browser(dialog, instance);
  const RECT area = ScreenArea();
  PrepareBrowser(browser, ProjectFilters().c_str(), "LastPathPrj");
  browser.defaultExtension = L".mpj";
  if (browser.RunSave(TFileBrowser::kSaveTemplate, &area)) {
    g_Ini.SetString("LastPathPrj", WideToPath(browser.folder).c_str());
    const std::string path = FirstChosenPath(browser);
    // A project that was not written is said so, not passed over as saved.
    if (path.empty() || view->SaveProject(path.c_str()) != 0)
      ShowOpenFailure(9);
  }
  modified = 1;
  FillList(-1);
  CloseWaitBox();
}

void TProjectMapsDlg::NewWorkingMap() {
  TWorkMapParams params;
  if (g_NewWorkMapDlg.Run(dialog, instance, &params) != 1) return;
  if (CreateWorkingMap(params)) FillList(-1);
}

int TProjectMapsDlg::CreateWorkingMap(const TWorkMapParams& params) {
  // A working map whose library does not read could type and draw nothing it records, and the
  // project would bring the library error back at every start: it is not made.
  if (!view->libraries.FindByName(params.library)) {
    ShowLibraryMissing(view->libraries.result);
    return 0;
  }
  double extents[6] = {};
  view->GetExtents(extents);
  double cx, cy;
  if (extents[0] != 0 || extents[1] != 0 || extents[3] != 0 || extents[4] != 0) {
    cx = (extents[0] + extents[3]) / 2;
    cy = (extents[1] + extents[4]) / 2;
  } else {
    // The marker's position counts only while it holds a fix; before the first one the view
    // holds (0, 0) in no zone, where no map can be made.
    TProjectDialogHost& host = ProjectDialogHost();
    if (host.IsGpsPortOpen() && host.HasValidFix() && view->gpsState == 1) {
      cx = view->gpsX;
      cy = view->gpsY;
    } else {
      if (Ask(dialog, lang_id::kMsgCreateWMConf, MB_OKCANCEL) != IDOK) return 0;
      view->GetCenter(&cx, &cy, 0);
    }
    view->zone = GkZoneOfPlane(cx, cy);
  }
  TUserLayer* layer = Layer();
  // The old working map is saved and let go first; when its save failed it stays the working
  // map (the layer told the user) and no new one is made over it.
  if (layer && layer->open && !layer->Close()) return 0;
  const int same = view->FindVectorMapIndex(params.path);
  if (same >= 0 && !view->RemoveVectorMap(same)) return 0;
  if (!view->CreateVectorMap(params.path, params.library)) return 0;
  if (!layer) return 0;
  if (layer->Attach(view->WorkingMapHost(), view->GetVectorMapCount() - 1))
    layer->CreateMap(uint32_t(params.scale), -2, cx, cy, view->zone);
  view->UpdateLayers(0);
  return 1;
}

void TProjectMapsDlg::AssignWorkingMap() {
  const int sel = Selection();
  if (sel < 0) return;
  const int v = sel - rasterRows;
  if (v < 0 || v >= vectorRows) return;  // a raster map, or a map not found
  // Only a map made for a working map (written by this program) is taken without asking.
  if (!view->IsVectorMapSaved(v) && Ask(dialog, lang_id::kMsgSetWMConf, MB_OKCANCEL) != IDOK) return;
  TUserLayer* layer = Layer();
  // The old working map goes first; when its save failed it stays working (the user was told).
  if (layer && layer->open && !layer->Close()) return;
  view->MoveVectorMapToEnd(v);
  if (layer) layer->Attach(view->WorkingMapHost(), view->GetVectorMapCount() - 1);
  // Refilled also when the map could not be attached: the old working map is closed by then.
  FillList(-1);
}

void TProjectMapsDlg::EditProperties() {
  if (!LayerHasWorkingMap()) return;
  TMdmMap* map = Layer()->map;
  TWorkMapParams params;
  params.propertiesMode = 1;
  std::snprintf(params.path, sizeof params.path, "%s", map->path);
  std::snprintf(params.library, sizeof params.library, "%s", map->libraryName);
  params.scale = int32_t(map->HeaderScale());
  if (g_NewWorkMapDlg.Run(dialog, instance, &params) != 1) return;
  if (params.scale > 0) map->SetNominalScale(uint32_t(params.scale));
  const int last = view->GetVectorMapCount() - 1;
  if (params.library[0] && view->GetVectorMap(last) == map) view->SetMapLibrary(last, params.library);
  Layer()->SetModified();
}

void TProjectMapsDlg::Finish(int result) {
  const std::string backup = BackupPath();
  if (result == 4 && modified && backupWritten && FileExists(backup.c_str())) {
    if (LayerHasWorkingMap()) {
      // Keeping the working map keeps raster maps as well, and a raster map already held is not
      // added again: remove them so the backup's raster order and ranges return.
      while (view->GetRasterMapCount() > 0) view->RemoveRasterMap(view->GetRasterMapCount() - 1);
      view->OpenProject(backup.c_str(), Layer(), 1, false);
    } else {
      // With no working map held the backup's "W" attaches the one the user deleted again.
      view->OpenProject(backup.c_str(), Layer(), 0, false);
    }
  }
  DeleteFileW(PathToWide(backup).c_str());
  backupWritten = false;
  if (modified) ProgramHost().InvalidateMainView(1);
  EndDialog(dialog, result);
}
