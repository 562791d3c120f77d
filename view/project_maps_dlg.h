// The project editor: the raster and vector maps of the view's project, added, removed and
// reordered, project files loaded and saved, a working map made new, chosen among the vector
// maps or given another scale and library.
//
// Invariants:
// - A backup of the project is written when the dialog opens and removed when it closes, by OK
//   or by Cancel. Cancel after a change reopens the project from it, but only from the backup
//   written at this opening: without one the project stays as edited.
// - The working map is the last vector map while the layer holds it: it never moves, and no
//   map moves below it.
// - The working map stays attached while the GPS port is open or a construction tool is on
//   screen (the project host says so).
#pragma once

#include <cstdint>
#include <string>

#include "platform/win.h"
#include "view/new_work_map_dlg.h"

class TMapView;
class TUserLayer;

class TProjectMapsDlg {
 public:
  static constexpr int kTemplate = 210, kWaitTemplate = 212;
  // Control ids of template 210.
  enum : int {
    kList = 1023,
    kCancel = 4,
    kNewWorkMap = 2136,
    kAssign = 2138,
    kProperties = 2437,
    kWorkMapName = 2140,
    kUp = 2129,
    kDown = 2130,
    kAdd = 2131,
    kDelete = 2132,
    kDeleteAll = 2133,
    kLoad = 2134,
    kSave = 2139,
  };

  // Runs dialog 210 modally over `owner` on the view's project, then asks for a full redraw.
  // Answers the dialog's result: 1 OK, 4 Cancel, 0 when it could not open.
  int Run(HWND owner, HINSTANCE instance, TMapView* view);

  // The dialog's steps, for its procedure and tests.
  void Open(HWND dialog);
  // Refills the list and selects line `select` (-1: none); the working map's name goes to 2140.
  void FillList(int select);
  void OnCommand(int id);
  void MoveUp();
  void MoveDown();
  void Delete();
  void DeleteAll();
  void AddMaps();
  void LoadProject();
  void SaveProjectAs();
  void NewWorkingMap();
  void AssignWorkingMap();
  void EditProperties();
  void Finish(int result);
  // Makes the record's map the working map; 1 made, 0 nothing made (refused or cancelled).
  int CreateWorkingMap(const TWorkMapParams& params);

  // The message box of an open failure's result (nothing for 0).
  static void ShowOpenFailure(int result);
  // The backup's path: the program's path without its extension, then ".prj.bak".
  static std::string BackupPath();

  HWND dialog = nullptr;
  int32_t modified = 0;
  TMapView* view = nullptr;
  HINSTANCE instance = nullptr;
  HWND waitBox = nullptr;
  int32_t rasterRows = 0;
  int32_t vectorRows = 0;
  bool backupWritten = false;  // the backup of this opening exists

 private:
  int Selection() const;
  TUserLayer* Layer() const;
  bool LayerHasWorkingMap() const;
  // The working map must stay: the GPS port is open, or a construction tool is shown.
  bool MustKeepWorkingMap() const;
  void OpenWaitBox();
  void CloseWaitBox();
};

extern TProjectMapsDlg g_ProjectMapsDlg;
