// The construction-tools panel: a strip (dialog 187) at the top of the map through which the
// user builds new objects in the working map with one of ten methods. While it is active the
// main window hands it the map's pen events (input mode 12, and tap-and-hold in method 5); the
// panel turns them into picked objects, vertices or a side point, previews the method after
// every change, and on Finish applies it into the builder's pending object, logs its record and
// starts the next pending object.
//
// Methods: 0 vertices by taps, 1 point at a distance square to a line, 2 point at two
// distances, 3 parallel line, 4 line through points, 5 calibration points of the current
// raster map, 6 foot of a perpendicular, 7 midpoint, 8 rectangles, 9 perpendicular from three
// base points (reached only through a stored "GTMethod").
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/ui/soft_button.h"
#include "edit/attr_field.h"
#include "edit/new_object_builder.h"
#include "edit/number_list_edit.h"
#include "maps/map_object.h"
#include "platform/win.h"
#include "view/highlight.h"

class TLibrarySymbols;
class TMdmMap;
class TPictureMap;

class TToolPanel {
 public:
  static constexpr int kTemplate = 187;
  enum : int {
    kName = 2118,
    kAttrCombo = 2125,
    kLabel1 = 2141,
    kLabel2 = 2142,
    kLength1 = 2143,
    kLength2 = 2144,
    kValueEdit = 1028,
  };
  static constexpr int kMethods = 10;
  static constexpr int kMaxPicks = 256;
  static constexpr int kMaxVertices = 256;
  static constexpr double kPickPixels = 10;
  // The panel's soft buttons, by their bitmap.
  enum Button : int {
    kFinish, kDiscard, kAttributes, kKindPoint, kKindLine, kKindArea, kKindText, kPick, kUndo,
    kOption, kRectOption, kChain, kSlot1, kSlot2, kSlot3, kPrev, kNext, kAddPoint, kDeletePoint,
    kViewBoth, kViewVector, kViewRaster, kHidden, kButtonCount
  };

  TToolPanel();
  ~TToolPanel();
  TToolPanel(const TToolPanel&) = delete;
  TToolPanel& operator=(const TToolPanel&) = delete;

  HWND Create(HWND mainWindow, HINSTANCE instance);
  // 1: shown and enabled, then activated (the method stored in "GTMethod", the working map's
  // log and codes, a pending object). 0: hidden; a shown panel is deactivated (codes and method
  // stored, the unfinished pending object deleted).
  void Show(int on);
  void MoveTo(int top);
  int GetHeight() const;
  int IsShown() const { return shown; }
  // Shown, and no construction under way since the last Finish or Discard.
  int IsIdle() const { return shown && !busy; }
  // Non-zero, with both written, when the last tap's plane point is set (neither coordinate 0).
  int GetCurrentPoint(double* x, double* y) const;
  int IsVertexEditActive() const { return shown && method == 5; }
  // Enables (non-zero) or disables the panel's buttons; Finish and Discard are drawn so.
  void Enable(int on);
  // WM_LBUTTONDOWN, WM_MOUSEMOVE and WM_LBUTTONUP on the map (main-window client pixels).
  int OnMapMouse(HWND mainWindow, int x, int y, UINT message);

  // ---- the parts the dialog procedure and tests reach ----
  void SelectMethod(int newMethod);
  // Applies the pending object and starts the next; false, with everything kept, when the
  // apply was refused (a length that is no number).
  bool StartNewObject();
  // Before the kind or the method changes: StartNewObject when taps or picks are drawn, so the
  // drawing is kept as drawn; false when its finish was refused.
  bool FinishDrawing();
  void Reset();
  // The method's geometry: a preview (0) or the apply (1). False when a length edit holds no
  // number: nothing was built.
  bool RunMethod(int final);
  void OnPanelPenDown(int x, int y);
  void OnPanelPenUp(int x, int y);
  void OnCommand(int id, int code);
  void Paint(HDC dc);
  TSoftButton& ButtonAt(Button b) { return buttons[b]; }
  TMdmMap* WorkingMap() const;
  int WorkingMapIndex() const;

  HWND window = nullptr;
  HWND mainWindow = nullptr;
  HINSTANCE instance = nullptr;
  HBRUSH brush = nullptr;
  HWND valueEdit = nullptr;
  int shown = 0;
  int enabled = 1;
  int busy = 0;
  int method = 0;
  // Method 5: the calibration's write failed; the next new object keeps the points as set.
  bool keepCalibrationPoints = false;
  std::vector<TObjectRef> picks;
  int slot = 0;  // method 9: which base point the next tap sets
  TObjectRef slots[3] = {};
  bool slotSet[3] = {false, false, false};
  std::vector<TMapPoint> vertices;  // method 0, working-map units
  TMapPoint sidePoint{};
  bool sideSet = false;
  POINT lastTap{};
  double pointX = 0, pointY = 0;  // plane metres of the last tap; 0, 0 = none
  POINT rubberDown{}, rubberLast{};
  bool rubber = false;
  int blankAutoShowNew = 0;  // "BlankAutoShowNew", copied in by the main window while shown
  TNewObjectBuilder builder;
  TNumberListEdit numbers;
  TAttrField attrField;
  TIconCell typeCell;
  TStripImage methodTile;
  TSoftButton buttons[kButtonCount];

 private:
  void CreateButtons();
  void Activate();
  void Deactivate();
  void Setup();
  void UpdateKindControls();
  void RefreshTypeLabel();
  void RefreshMethod5(int keepView);
  void Retag();
  void AfterChange();
  void PlaceButton(Button b, int x, int y = 2);
  void ShowControl(int id, bool on, int x = -1, int y = -1, int w = 0, int h = 0);
  void PressPickOrKind();
  void ReleaseMethodButtons();
  void StoreLength(const char* key, int id);
  // The length edit's text as a typed number (metres), 0 when empty; false when it is text
  // that is no number.
  bool ReadLength(int id, double* metres) const;
  void OnButton(Button b);
  void OnMethodButton(Button b);
  bool FindOne(int x, int y, int filter, TObjectRef* out) const;
  int FindPick(const TObjectRef& ref) const;
  void RemovePick(const TObjectRef& ref);
  void AddPick(const TObjectRef& ref);
  void TapMethod0(int x, int y, bool hold);
  void TapMethod5(int x, int y, UINT message);
  void TapPicks(int x, int y, bool hold);
  void RememberTap(int x, int y);
  TPictureMap* CurrentPicture() const;
  void StepPoint(int step);
  void CentreOnCurrentPoint();
  void DrawRubber(HDC dc) const;
  void MainCommand(int id);

  std::unique_ptr<TLibrarySymbols> symbols_;
  int downTarget_ = -1;  // pen-down on 0 the method tile, 1 the type cell
};

extern TToolPanel g_ToolPanel;
