// Dialog 122: the properties of one point object of the working map, run right after a point is
// taken at the GPS position or from the points list: its plane X, Y and height, its two names,
// its type (from the library's point types or the recently used ones), and for the add-point
// action a signed offset distance ("OK, L", "OK, R") or a second point ("OK, 2").
//
// What OK writes: a coordinate or the height only when its text differs from the text the dialog
// showed (whole metres, so writing the shown text back would move a measured point by up to
// half a metre); names only when not empty; the type only when one is selected. Any typed
// number must read completely, or nothing is written and the dialog stays open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/ui/owner_draw_list.h"
#include "edit/hot_buff.h"
#include "platform/win.h"
#include "view/highlight.h"

class TLibrarySymbols;
class TMdmMap;
class TObjectLibrary;

// The symbols of a type list's rows: the library's, or none when the map has no library (the
// rows then show their texts only).
class TRowSymbols final : public ISymbolPainter {
 public:
  explicit TRowSymbols(TObjectLibrary* library);
  ~TRowSymbols();
  bool HasBitmaps() const override;
  void DrawRowSymbol(HDC dc, uint16_t code, const RECT& rc) override;
  void DrawCellSymbol(HDC dc, uint16_t code, int x, int y, int cell, int frame) override;

 private:
  std::unique_ptr<TLibrarySymbols> library_;
};

class TPointPropertiesDialog {
 public:
  static constexpr int kTemplate = 122;
  static constexpr int kTypeMenu = 314;
  enum : int {
    kEditX = 1038,
    kEditY = 1027,
    kEditH = 1037,
    kEditId = 1012,
    kEditName = 1046,
    kEditDistance = 1049,
    kTypeList = 1015,
    kRecentList = 1017,
    kOk = 1,
    kOkLeft = 9,
    kOkMiddle = 14,
    kOkRight = 12,
    kOkAlone = 15,
    kOkSecond = 16,
    kCancel = 4,
    kAttributes = 2145,
    kCmdIcons = 40200,
    kCmdList = 40201,
  };
  // A hardware key confirms only this long after the dialog came up (ms): the key that took
  // the point may still be bouncing or held.
  static constexpr DWORD kHotKeyDelay = 1500;
  static constexpr uint16_t kAttrName = 9, kAttrName2 = 99, kAttrHeight = 4;

  TPointPropertiesDialog();
  ~TPointPropertiesDialog();

  void Init(HWND dialog);
  void LoadValues();
  // Writes the edits into the object; false, with a beep and the focus on the offending edit,
  // when a number does not read or the point would leave the map (nothing written then).
  bool Store();
  bool Commit();
  void LoadDistance();
  void SaveDistance();
  void OnItemChanged(int controlId);
  void OnPenDown(int x, int y);
  void ShowTypeMenu(int x, int y);
  void Paint();
  // The code the lists select: the type list's row after it was touched last, else the recent
  // list's; 0 when neither selects one.
  uint16_t SelectedCode() const;
  // The object's map while the object is a live point of it; else null.
  TMdmMap* PointMap() const;

  HWND window = nullptr;
  HINSTANCE instance = nullptr;
  TObjectRef object;
  int variant = 0;
  uint16_t typeCode = 0;
  int32_t distance = 0;  // whole map units; kept between runs
  int focus = 0;         // 0 the recent list was touched last, 1 the type list
  bool guard = false;    // keeps the two lists from echoing each other's selection
  DWORD activated = 0;   // tick count of the last activation
  TOwnerDrawList types;
  THotBuff recent;  // the recently used point types (list 1)
  TObjectLibrary* library = nullptr;
  // The coordinate texts as the dialog last showed them: unchanged texts are not written back.
  std::wstring shownX, shownY, shownH;

 private:
  std::unique_ptr<TRowSymbols> symbols_;
};

extern TPointPropertiesDialog g_PointPropertiesDialog;

// The hardware key that last started the add-point action (0 none yet); the main window sets
// it. Without it a hardware key never confirms the dialog.
extern int g_PointKey;

// Runs dialog 122 for `object` over the main window, with the OK buttons of `vectorMode` (0 one
// OK, 1 left / OK / right, 2 OK / second point). 0 on Cancel; 1 on OK, or the hardware key's id
// when a key confirmed. The distance (signed, map units) goes out through `distance`.
int ShowPointPropertiesDialog(const TObjectRef& object, int vectorMode, double* distance);

// Makes the list view `list` tell its dialog of a tap-and-hold (WM_NOTIFY GN_CONTEXTMENU with
// the point in screen coordinates), as the handheld's list views do.
void ReportListTapAndHold(HWND list);
