// The found-objects panel: a plain list of map objects that the construction-tools panel shows
// above the command bar and reads the chosen one back from. Tapping a line highlights its
// object on the map. Dialog 181 without buttons.
#pragma once

#include <vector>

#include "platform/win.h"
#include "view/highlight.h"

class TObjectListPanel {
 public:
  static constexpr int kTemplate = 181;
  static constexpr int kList = 1023;

  // Makes the hidden dialog. Its list is no tab stop: a hidden panel's list would otherwise take
  // the main window's keyboard focus, at start-up and again after a minimise and restore.
  HWND Create(HWND mainWindow, HINSTANCE instance);
  // 1 shows the panel with the list over its whole client area and clears the markers; 0 hides
  // it, and when it was shown clears the highlights and markers and redraws the map.
  void Show(int on);
  // Puts the panel's bottom edge at `bottom` (client pixels of the main window).
  void PlaceAbove(int bottom);
  void SetTop(int top);
  // Height while shown, else 0.
  int GetHeight() const;
  // One line per object whose map still exists (the type's name, or "[class-kind]"); a single
  // line is selected and highlighted at once.
  void SetItems(const TObjectRef* refs, int n);
  // The selected entry, or null.
  const TObjectRef* GetSelected() const;
  // The list's selection changed: its object becomes the only highlighted one.
  void OnSelectionChange();

  HWND window = nullptr;
  HWND parent = nullptr;
  HINSTANCE instance = nullptr;
  int visible = 0;
  std::vector<TObjectRef> items;  // list line i shows items[i]
  int markerIndex = -1;

 private:
  static constexpr int kNoPlace = -100000;
  HWND EnsureWindow();
  int pendingBottom = kNoPlace;  // PlaceAbove before the window was made
};

extern TObjectListPanel g_ObjectListPanel;
