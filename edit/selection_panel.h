// The selected-objects panel: the strip at the top of the main window that lists the objects a
// tap-and-hold picked, with six buttons for the selected one: its attribute form, close, delete,
// vertex editing (the vertex-editing bar, docked under the panel), move by two taps (input mode
// 14) and its type. Only objects of the working map are deleted, moved or retyped; vertex
// editing of another map's object first copies it into the working map.
//
// While shown the panel pins the working-map layer: its list holds the working map's indexes,
// which a regrouping save would renumber.
#pragma once

#include <vector>

#include "base/ui/soft_button.h"
#include "maps/map_object.h"
#include "platform/win.h"
#include "view/highlight.h"

class TMdmMap;

class TSelectionPanel {
 public:
  static constexpr int kTemplate = 181;
  static constexpr int kList = 1023;
  enum Button { kAttributes, kClose, kDelete, kVertices, kMove, kType, kButtonCount };
  static constexpr int kTolerance = 10;  // screen pixels of a hold on the object

  TSelectionPanel() = default;
  ~TSelectionPanel();
  TSelectionPanel(const TSelectionPanel&) = delete;
  TSelectionPanel& operator=(const TSelectionPanel&) = delete;

  HWND Create(HWND mainWindow, HINSTANCE instance);
  // 1 shows the panel (markers cleared, the tools panel's construction buttons disabled); 0
  // hides it and, when it was shown, returns to input mode 1, clears the highlights and
  // markers, hides the vertex-editing bar and releases both toggles.
  void Show(int on);
  void SetTop(int top);
  // Height while shown, else 0.
  int GetHeight() const;
  // One line per ref whose map and object still exist; a single line is selected at once.
  void SetSelection(const TObjectRef* refs, int count);
  // Type code of the selected entry's object; 0 when none.
  uint16_t GetSelectedCode() const;
  // A map pen-down in input mode 14: a hold picks the reference point, a tap moves the object.
  int OnMapMouse(HWND mainWindow, int x, int y, UINT message);
  // 1 while shown and the input mode is 1.
  int IsEditing() const;

  // The dialog's list selection changed, its notifications, pen-down and pen-up, its paint.
  void OnSelectionChange();
  bool OnCommand(WPARAM wParam);
  void OnPenDown(int x, int y);
  void OnPenUp(int x, int y);
  void Paint(HDC dc) const;
  // The selected entry, or null.
  const TObjectRef* GetSelected() const;

  HWND window = nullptr;
  HWND parent = nullptr;
  HINSTANCE instance = nullptr;
  int visible = 0;
  std::vector<TObjectRef> selection;  // list line i shows selection[i]
  int markerIndex = -1;
  TMapPoint reference = {0, 0};  // map units: the point the move starts from
  TSoftButton buttons[kButtonCount];
  HBITMAP bitmaps[kButtonCount] = {};

 private:
  HWND List() const { return window ? GetDlgItem(window, kList) : nullptr; }
  // The selected ref's map when it is the working map and the object is live; else null.
  TMdmMap* SelectedWorkingMap(const TObjectRef** ref) const;
  void Select(int index);
  void OnDeleteButton();
  void OnVerticesButton();
  void OnMoveButton();
  void OnTypeButton();
  // Copies the object into the working map and selects the copy; false when it was not made.
  bool CopyToWorkMap(const TObjectRef& ref);
  void SetMarkAt(TMdmMap* map, TMapPoint point);
};

extern TSelectionPanel g_SelectionPanel;
