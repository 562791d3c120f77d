// The map editing tools over the started program on the demo device, driven by the pen: a line
// drawn into the working map is picked by a hold, the selected-objects panel docks the
// vertex-editing bar, and a move, an insertion, a stretch redraw and an extension reach the map
// file; the panel's own buttons; the ruler by its command-bar button. Screens are saved under
// test-artifacts/edit/.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/winmain.h"
#include "base/input_mode.h"
#include "edit/measure_tool.h"
#include "edit/selection_panel.h"
#include "edit/vertex_edit_bar.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/app/demo_window_fixture.h"
#include "view/map_view.h"

namespace {

void Shot(const char* name) {
  const std::string dir = std::string(VORNA_BINARY_DIR) + "/test-artifacts/edit";
  std::filesystem::create_directories(dir);
  EXPECT_TRUE(harness::SaveScreen(dir + "/" + name + ".png")) << name;
}

HWND g_main = nullptr;

// Pen strokes at client points of the main window.
void Hold(POINT p) {
  ClientToScreen(g_main, &p);
  harness::PenDown(p.x, p.y);
  harness::PenUp(p.x, p.y);
  harness::PumpUntilIdle();
}

void Tap(POINT p) {
  ClientToScreen(g_main, &p);
  harness::Tap(p.x, p.y);
  harness::PumpUntilIdle();
}

COLORREF Pixel(int x, int y) {
  POINT p{x, y};
  ClientToScreen(g_main, &p);
  return harness::ScreenPixel(p.x, p.y);
}

class EditToolsE2e : public demo_window::DemoWindow {
 protected:
  void SetUp() override {
    DemoWindow::SetUp();
    main = w;
    g_main = main;
    work = g_MapView.GetVectorMapCount() - 1;
    ASSERT_GE(work, 0);
    ASSERT_EQ(g_UserLayer.Attach(g_MapView.WorkingMapHost(), work), 1);
    map = g_MapView.GetVectorMap(work);
    InvalidateMainView(1);
    harness::PumpUntilIdle();
  }
  void TearDown() override {
    g_UserLayer.Close();
    DemoWindow::TearDown();
  }
  // Picks `object` of the working map in the panel's list, as a tap on its line does; false
  // when the list does not hold it.
  bool PickInPanel(int32_t object) {
    const std::vector<TObjectRef>& picked = g_SelectionPanel.selection;
    for (size_t i = 0; i < picked.size(); ++i) {
      if (picked[i].map != work || picked[i].object != object) continue;
      const HWND list = GetDlgItem(g_SelectionPanel.window, TSelectionPanel::kList);
      SendMessageW(list, LB_SETCURSEL, WPARAM(i), 0);
      SendMessageW(g_SelectionPanel.window, WM_COMMAND,
                   MAKEWPARAM(TSelectionPanel::kList, LBN_SELCHANGE), LPARAM(list));
      harness::PumpUntilIdle();
      return true;
    }
    return false;
  }
  // A tap at `button` opens dialog `templateId`, which is shot and cancelled; whether it came.
  static bool OpensAndCancels(POINT button, int templateId, const char* shot) {
    bool shown = false;
    harness::OnDialog(templateId, [&](HWND d) {
      shown = true;
      Shot(shot);
      PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
    });
    Tap(button);
    return shown;
  }
  // A line of `n` vertices drawn into the working map from screen point `p0`, `step` pixels
  // apart to the right; its object index.
  int32_t AddLine(uint16_t code, POINT p0, int n, int step) {
    const int32_t line = map->AddObject(code, 2);
    if (line <= 0) return line;
    TPointBuf points;
    points.Alloc(n);
    for (int k = 0; k < n; ++k) map->ScreenToMap(p0.x + step * k, p0.y, &points.points[k].x, &points.points[k].y);
    points.count = n;
    if (!map->ReplaceObjectVertices(uint16_t(line), &points)) return -1;
    g_UserLayer.SetModified();
    return line;
  }
  // The screen point of a map point of the working map.
  POINT ScreenOf(TMapPoint p) const {
    int32_t sx = 0, sy = 0;
    map->MapToScreen(p.x, p.y, &sx, &sy);
    return POINT{sx, sy};
  }
  HWND main = nullptr;
  int work = -1;
  TMdmMap* map = nullptr;
};

TEST_F(EditToolsE2e, EditsThroughTheDockedBarReachTheMapFile) {
  // The demo's working map is shown from 1:25 000 on.
  g_MapView.SetScale(20000);
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  const POINT p0{60, 180};
  // A five-vertex line, 30 px between vertices, drawn into the working map.
  uint16_t lineCode = 0;
  for (int i = 1; i < map->count && !lineCode; ++i)
    if ((map->GetObjectCode(uint16_t(i)) & 7) == 2) lineCode = map->GetObjectCode(uint16_t(i));
  if (!lineCode) lineCode = (1 << 3) | 2;
  const int32_t line = AddLine(lineCode, p0, 5, 30);
  ASSERT_GT(line, 0);
  InvalidateMainView(1);
  harness::PumpUntilIdle();

  // A hold on the middle vertex: the panel lists what lies there, the line among them; the
  // user picks its line.
  Hold(POINT{p0.x + 60, p0.y});
  ASSERT_TRUE(PickInPanel(line));
  EXPECT_EQ(g_SelectionPanel.GetSelected()->object, line);
  Shot("vertex_panel");
  Tap(POINT{206, 34});  // the vertices toggle
  ASSERT_EQ(g_VertexEditBar.GetHeight(), 24);
  RECT bar{};
  GetWindowRect(g_VertexEditBar.window, &bar);
  POINT barTop{bar.left, bar.top};
  ScreenToClient(main, &barTop);
  EXPECT_EQ(barTop.y, g_SelectionPanel.GetHeight());
  const int barY = barTop.y + 12;
  const int modeX[5] = {0, 34, 12, 56, 78};
  const char* shots[5] = {nullptr, "vertex_bar_delete", "vertex_bar_move", "vertex_bar_redraw",
                          "vertex_bar_extend"};
  for (int m = 1; m <= 4; ++m) {
    Tap(POINT{modeX[m], barY});
    EXPECT_EQ(g_VertexEditBar.mode, m);
    Shot(shots[m]);
  }
  Tap(POINT{modeX[4], barY});
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);

  // Expected screen points of the line, edited alongside.
  std::vector<POINT> want;
  for (int k = 0; k < 5; ++k) want.push_back(POINT{p0.x + 30 * k, p0.y});

  // Move or insert: a hold on the first edge inserts, a tap moves the new vertex.
  Tap(POINT{modeX[2], barY});
  Hold(POINT{p0.x + 15, p0.y});
  EXPECT_EQ(g_MapView.currentVertex, 1);
  Tap(POINT{p0.x + 15, p0.y - 20});
  want.insert(want.begin() + 1, POINT{p0.x + 15, p0.y - 20});
  Shot("vertex_moved");

  // Redraw the stretch from vertex 2 to vertex 4 through two taps above it.
  Tap(POINT{modeX[3], barY});
  Hold(want[2]);
  Tap(POINT{p0.x + 40, p0.y - 25});
  Tap(POINT{p0.x + 80, p0.y - 25});
  Hold(want[4]);
  want = {want[0], want[1], want[2], POINT{p0.x + 40, p0.y - 25}, POINT{p0.x + 80, p0.y - 25},
          want[4], want[4], want[5]};
  Shot("vertex_redrawn");

  // Extend from the last vertex.
  Tap(POINT{modeX[4], barY});
  Hold(want.back());
  Tap(POINT{p0.x + 120, p0.y + 20});
  Hold(POINT{p0.x + 120, p0.y + 20});
  want.push_back(POINT{p0.x + 120, p0.y + 20});
  Shot("vertex_extended");

  // Releasing the vertices toggle hides the bar, which saves the working map.
  Tap(POINT{206, 34});
  EXPECT_EQ(g_VertexEditBar.GetHeight(), 0);
  EXPECT_EQ(g_UserLayer.saved, 1u);
  TMdmMap reread;
  ASSERT_EQ(reread.OpenHeader(map->path), kMdmOk);
  ASSERT_EQ(reread.Load(), kMdmOk);
  reread.loadAll = 1;
  reread.LoadVisibleObjects();
  ASSERT_LT(line, reread.count);
  const TMapObject& o = reread.objects[line];
  ASSERT_EQ(o.vertexCount, int32_t(want.size()));
  for (size_t k = 0; k < want.size(); ++k) {
    const POINT s = ScreenOf(o.vertices[k]);
    EXPECT_NEAR(s.x, want[k].x, 1) << k;
    EXPECT_NEAR(s.y, want[k].y, 1) << k;
  }
}

// The program ended in the middle of a stretch redraw: the sketch line, an object of the working
// map while it is drawn, does not reach the map file; the vertex moved before it does.
TEST_F(EditToolsE2e, ExitDuringAStretchRedrawLeavesNoSketchInTheMapFile) {
  g_MapView.SetScale(20000);
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  const POINT p0{60, 180};
  const uint16_t lineCode = (2 << 3) | 2;
  const int32_t line = AddLine(lineCode, p0, 3, 40);
  ASSERT_GT(line, 0);
  g_UserLayer.Save(0);  // without regrouping: the line keeps its index
  const std::string path = map->path;
  auto onDisk = [&path](TMdmMap& m) {
    return m.OpenHeader(path.c_str()) == kMdmOk && m.Load() == kMdmOk;
  };
  // Objects on disk, and among them lines of code 2, the code a sketch line is made with.
  auto count = [&](int32_t* objects, int* sketchCoded) {
    TMdmMap disk;
    ASSERT_TRUE(onDisk(disk));
    *objects = disk.count;
    *sketchCoded = 0;
    for (int32_t i = 1; i < disk.count; ++i) *sketchCoded += disk.GetObjectCode(uint16_t(i)) == 2;
  };
  int32_t before = 0, after = 0;
  int codedBefore = 0, codedAfter = 0;
  count(&before, &codedBefore);
  InvalidateMainView(1);
  harness::PumpUntilIdle();

  Hold(POINT{p0.x + 40, p0.y});
  ASSERT_TRUE(PickInPanel(line));
  Tap(POINT{206, 34});  // the vertices toggle
  ASSERT_EQ(g_VertexEditBar.GetHeight(), 24);
  const int barY = g_SelectionPanel.GetHeight() + 12;
  // First an edit the user keeps: the last vertex moved 20 px down.
  Tap(POINT{12, barY});  // the move button
  Hold(POINT{p0.x + 80, p0.y});
  Tap(POINT{p0.x + 80, p0.y + 20});
  TMapPoint moved{};
  map->ScreenToMap(p0.x + 80, p0.y + 20, &moved.x, &moved.y);
  // Then a stretch redraw, left unfinished.
  Tap(POINT{56, barY});  // the redraw button
  ASSERT_EQ(g_VertexEditBar.mode, TVertexEditBar::kRedraw);
  Hold(POINT{p0.x + 40, p0.y});
  Tap(POINT{p0.x + 60, p0.y - 30});
  Tap(POINT{p0.x + 70, p0.y - 30});
  ASSERT_NE(g_VertexEditBar.sketch, 0);

  Command(kCmdExit);
  harness::PumpUntilIdle();
  ASSERT_FALSE(IsWindow(main));
  count(&after, &codedAfter);
  EXPECT_EQ(after, before);
  EXPECT_EQ(codedAfter, codedBefore);
  TMdmMap disk;
  ASSERT_TRUE(onDisk(disk));
  disk.loadAll = 1;
  disk.LoadVisibleObjects();
  int kept = 0;  // the moved vertex reached the file (the exit save regroups, so look it up)
  for (int32_t i = 1; i < disk.count; ++i) {
    const TMapObject& o = disk.objects[i];
    if (o.code == lineCode && o.vertexCount == 3 && o.vertices && o.vertices[2].x == moved.x &&
        o.vertices[2].y == moved.y)
      ++kept;
  }
  EXPECT_EQ(kept, 1);
}

TEST_F(EditToolsE2e, RulerByItsButtonMeasuresAndClears) {
  CheckBarButton(kCmdRuler, 1);
  Command(kCmdRuler);
  EXPECT_EQ(GetInputMode(), input_mode::kRuler);
  EXPECT_EQ(g_MeasureTool.active, 1);
  const POINT taps[4] = {{40, 120}, {160, 120}, {160, 220}, {60, 240}};
  for (const POINT& t : taps) Tap(t);
  ASSERT_EQ(g_MeasureTool.count, 4);
  // The path in plane metres, from the view's own scale: 120 + 100 + hypot(100, 20) pixels.
  const double pixels = 120 + 100 + std::hypot(100.0, 20.0);
  EXPECT_NEAR(g_MeasureTool.total, pixels / g_MapView.pixelsPerMetre, 2 / g_MapView.pixelsPerMetre);
  const RECT label = g_MeasureTool.label;
  EXPECT_EQ(label.left, 1);
  EXPECT_EQ(label.top, g_MapView.viewRect.bottom - 19);
  int yellow = 0;
  for (int x = label.left + 1; x < label.right - 1; ++x)
    yellow += Pixel(x, label.top + 2) == RGB(255, 255, 0);
  EXPECT_GT(yellow, (label.right - label.left) / 2);
  Shot("ruler");
  CheckBarButton(kCmdRuler, 0);
  Command(kCmdRuler);
  harness::PumpUntilIdle();
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  EXPECT_EQ(g_MeasureTool.active, 0);
  EXPECT_EQ(g_MeasureTool.count, 0);
  yellow = 0;
  for (int x = label.left + 1; x < label.right - 1; ++x)
    yellow += Pixel(x, label.top + 2) == RGB(255, 255, 0);
  EXPECT_LT(yellow, (label.right - label.left) / 2);
  Shot("ruler_cleared");
  // Into the ruler and out by another mode: the flag follows.
  CheckBarButton(kCmdRuler, 1);
  Command(kCmdRuler);
  EXPECT_EQ(g_MeasureTool.active, 1);
  SetInputMode(input_mode::kNormal);
  EXPECT_EQ(g_MeasureTool.active, 0);
}

}  // namespace

namespace {

// The selected-objects panel over the program: a hold opens it, its buttons run the form, the
// type dialog and the delete; the project-maps command finds it and the bar hidden.
TEST_F(EditToolsE2e, SelectionPanelButtonsOverTheProgram) {
  g_MapView.SetScale(20000);
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  // A point of our own in the working map, where the hold will find it.
  const POINT at{120, 200};
  int32_t x = 0, y = 0;
  map->ScreenToMap(at.x, at.y, &x, &y);
  uint16_t code = 0;
  for (int i = 1; i < map->count && !code; ++i)
    if ((map->GetObjectCode(uint16_t(i)) & 7) == 1) code = map->GetObjectCode(uint16_t(i));
  if (!code) code = (1 << 3) | 1;
  const int32_t point = map->AddPointObject(code, x, y, 0);
  ASSERT_GT(point, 0);
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  Hold(at);
  ASSERT_GT(g_SelectionPanel.GetHeight(), 0);
  const std::vector<TObjectRef>& picked = g_SelectionPanel.selection;
  if (picked.size() > 1) {
    Tap(POINT{30, 8});  // the first line by the pen
    EXPECT_EQ(g_MapView.GetHighlightCount(), 1);
    EXPECT_EQ(g_MapView.highlights[0].object, picked[0].object);
  }
  ASSERT_TRUE(PickInPanel(point));
  Shot("selection_panel");
  EXPECT_TRUE(OpensAndCancels(POINT{206, 12}, 179, "selection_form"));
  EXPECT_TRUE(OpensAndCancels(POINT{184, 12}, 178, "selection_type"));
  EXPECT_EQ(map->GetObjectCode(uint16_t(point)), code);

  // The bar shown under the panel, then the project's maps: both go first.
  Tap(POINT{206, 34});
  ASSERT_GT(g_VertexEditBar.GetHeight(), 0);
  Command(kCmdProjectEditor);
  harness::PumpUntilIdle();
  EXPECT_EQ(g_SelectionPanel.GetHeight(), 0);
  EXPECT_EQ(g_VertexEditBar.GetHeight(), 0);
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);

  // Picked again and deleted, after a "No" first.
  Hold(at);
  ASSERT_GT(g_SelectionPanel.GetHeight(), 0);
  ASSERT_TRUE(PickInPanel(point));
  harness::AnswerMessageBox(L"Удалить?", IDNO);
  Tap(POINT{228, 34});
  EXPECT_NE(map->GetObjectCode(uint16_t(point)), 0);
  harness::AnswerMessageBox(L"Удалить?", IDYES);
  Tap(POINT{228, 34});
  EXPECT_EQ(map->GetObjectCode(uint16_t(point)), 0);
  Shot("selection_deleted");
  Tap(POINT{228, 12});  // close
  EXPECT_EQ(g_SelectionPanel.GetHeight(), 0);
}

}  // namespace
