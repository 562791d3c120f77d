// The vertex-editing bar: a strip under the selected-objects panel with four radio buttons
// through which the user edits the vertices of one object of the working map. While a mode
// button is down, map taps arrive in input mode 13 (OnMapMouse):
//   1 delete: hold on a vertex picks it, a tap on the picked vertex deletes it;
//   2 move or insert: hold picks a vertex (or inserts one on an edge), taps move it;
//   3 redraw: hold picks the start, taps draw a sketch line, a hold on the end vertex replaces
//     the stretch between them;
//   4 extend: hold picks the first or last vertex, taps draw, a hold appends the sketch.
// Every change is written into the map at once, all or nothing (edit/vertex_edits.h), and marks
// the working layer modified; a refused list leaves the object as it was.
//
// The sketch line of modes 3 and 4 is a temporary line object of the edited map. It never
// outlives its object, its mode or the bar: a new object, a mode change or hiding the bar
// deletes it, so a later hold cannot finish it on another object or with shifted indexes.
#pragma once

#include <cstdint>
#include <vector>

#include "base/ui/soft_button.h"
#include "maps/map_object.h"
#include "platform/win.h"
#include "view/highlight.h"

class TMdmMap;

class TVertexEditBar {
 public:
  static constexpr int kTemplate = 235;
  static constexpr int kBitmapDelete = 236, kBitmapMove = 237, kBitmapRedraw = 238,
                       kBitmapExtend = 303;
  enum Mode { kNone = 0, kDelete = 1, kMove = 2, kRedraw = 3, kExtend = 4 };
  static constexpr int kTolerance = 10;  // screen pixels of a vertex or edge hit

  TVertexEditBar() = default;
  virtual ~TVertexEditBar();
  TVertexEditBar(const TVertexEditBar&) = delete;
  TVertexEditBar& operator=(const TVertexEditBar&) = delete;

  // Makes the hidden bar (dialog 235) and its four buttons; once, at the main window's start.
  HWND Create(HWND mainWindow, HINSTANCE instance);
  // On enters the edit state (buttons up, no sketch, the view shows the vertices with none
  // picked); off leaves it when it was shown (sketch deleted, layer saved, input mode 1).
  void Show(int on);
  // The object to edit. Another object than before ends an unfinished sketch.
  void SetObject(const TObjectRef& ref);
  // While shown: the mode buttons enabled or not, and the view's vertex display likewise.
  void SetEnabled(int flag);
  // Docks the bar at (0, y), its size kept.
  void MoveTo(int y);
  // Height of the window while shown, else 0.
  int GetHeight() const;
  // 1 and the last tap's plane coordinates when both are non-zero, else 0.
  int GetCurrentPoint(double* x, double* y) const;
  // A map pen-down in input mode 13 at client point (x, y) of the main window.
  int OnMapMouse(HWND mainWindow, int x, int y, UINT message);

  // The dialog's pen-down, pen-up (the button release), paint and commands (none are used).
  void OnPenDown(int x, int y);
  void OnPenUp(int x, int y);
  void Paint(HDC dc) const;
  bool OnCommand(WPARAM) { return true; }

  HWND window = nullptr;
  HINSTANCE instance = nullptr;
  int shown = 0;
  TObjectRef object;
  uint16_t sketch = 0;        // the sketch line's object index, 0 = none
  int32_t startVertex = -1;   // the vertex where the sketch began
  int mode = kNone;
  double pointX = 0, pointY = 0;  // last tap, plane metres; 0, 0 = no point
  TMapPoint picked = {0, 0};      // map point of the vertex last found under the stylus
  TSoftButton buttons[4];         // in mode order 1 to 4
  HBITMAP bitmaps[4] = {};

 private:
  TMdmMap* EditableMap() const;
  TMdmMap* ObjectMap() const;
  int32_t VertexUnderStylus(TMdmMap* map, int x, int y);
  int32_t InsertUnderStylus(TMdmMap* map, int x, int y);
  void DeleteSketch();
  void MarkModified();
  // Writes `list` as the object's vertices; 1 when the map took it.
  int WriteVertices(TMdmMap* map, const std::vector<TMapPoint>& list);
  void OnDelete(HWND mainWindow, int x, int y, bool hold);
  void OnMove(HWND mainWindow, int x, int y, bool hold);
  void OnRedraw(HWND mainWindow, int x, int y, bool hold);
  void OnExtend(HWND mainWindow, int x, int y, bool hold);
  // Modes 3 and 4: a tap with a vertex picked draws the sketch.
  void SketchTap(int x, int y);
  // Modes 3 and 4: what a point object or a plain tap does; false leaves a hold to the mode.
  bool SketchModeTap(int x, int y, bool hold);
  void ReleaseMode();
};

extern TVertexEditBar g_VertexEditBar;
