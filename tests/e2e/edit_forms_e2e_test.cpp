// The editing dialogs over the started program on the demo device, driven by the pen and the
// keys: the attribute form with its value list, and the object-type dialog in both of its
// views. Each state is saved as a PNG under test-artifacts/edit/.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/main_window.h"
#include "app/winmain.h"
#include "edit/attr_rows.h"
#include "edit/object_form.h"
#include "edit/object_type_dialog.h"
#include "edit/value_list_dialog.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/app/startup_fixture.h"
#include "tools/sampledata/demo_device.h"
#include "view/map_view.h"

namespace {

std::string Shot(const char* name) {
  const std::string dir = std::string(VORNA_BINARY_DIR) + "/test-artifacts/edit";
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/" + name + ".png";
  EXPECT_TRUE(harness::SaveScreen(path)) << path;
  return path;
}

void TapControl(HWND dialog, int id) {
  RECT rc{};
  GetWindowRect(GetDlgItem(dialog, id), &rc);
  harness::Tap((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

// A pen-down on a cell as the grid receives it in its own client pixels.
void TapCell(TGrid& grid, int row, int column) {
  RECT rc{};
  ASSERT_TRUE(grid.CellRect(row, column, &rc));
  const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
  SendMessageW(grid.window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(grid.window, WM_LBUTTONUP, 0, at);
  harness::PumpUntilIdle();
}

class EditFormsE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
    startup_test::PlentyOfMemory();
    harness::AnswerMessageBox(L"", IDOK);
    main = startup_test::MakeMainWindow("");
    ASSERT_NE(main, nullptr);
    harness::PumpUntilIdle();
    work = g_MapView.GetVectorMapCount() - 1;
    ASSERT_GE(work, 0);
    ASSERT_EQ(g_UserLayer.Attach(g_MapView.WorkingMapHost(), work), 1);
    map = g_MapView.GetVectorMap(work);
    // The first object whose library definitions carry a text and a value-set attribute.
    for (int i = 1; i < map->count && object == 0; ++i) {
      const std::vector<TAttrRow> rows = BuildAttrRows(*map, uint16_t(i));
      int text = -1, set = -1;
      for (size_t k = 0; k < rows.size(); ++k) {
        if (rows[k].type == 5 && text < 0 && rows[k].tableRef != 0xFFFF) text = int(k);
        if (rows[k].type == 7 && set < 0) set = int(k);
      }
      if (text >= 0 && set >= 0) object = uint16_t(i), textRow = text, setRow = set;
    }
    ASSERT_NE(object, 0) << "no object with a text and a value-set attribute";
  }
  void TearDown() override {
    g_UserLayer.Close();
    DestroyWindow(main);
    harness::Stop();
  }
  HWND main = nullptr;
  int work = -1;
  TMdmMap* map = nullptr;
  uint16_t object = 0;
  int textRow = -1, setRow = -1;
};

TEST_F(EditFormsE2e, FormEditsATextAndAValueSetAndOkWritesOnlyThose) {
  const std::string path = map->path;
  const std::vector<TAttrRow> before = BuildAttrRows(*map, object);
  bool listShown = false;
  harness::OnDialog(TValueListDialog::kTemplate, [&](HWND d) {
    const HWND list = GetDlgItem(d, TValueListDialog::kMultipleList);
    listShown = (GetWindowLongW(list, GWL_STYLE) & WS_VISIBLE) != 0;
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    SendMessageW(list, LB_SETSEL, TRUE, 1);
    Shot("value_list_multiple");
    TapControl(d, IDOK);
  });
  harness::OnDialog(TObjectForm::kTemplate, [&](HWND d) {
    Shot("form_open");
    TGrid& grid = g_ObjectForm.grid;
    TapCell(grid, g_ObjectForm.GridRowOf(size_t(setRow)), g_ObjectForm.valueColumn);
    TapCell(grid, g_ObjectForm.GridRowOf(size_t(textRow)), g_ObjectForm.valueColumn);
    SetWindowTextW(grid.EditBox(), L"");
    harness::Type(L"12A");
    Shot("form_edited");
    TapControl(d, IDOK);
  });
  TObjectRef ref;
  ref.map = work;
  ref.object = object;
  EXPECT_EQ(ShowObjectForm(main, g_Instance, ref, nullptr, nullptr), IDOK);
  EXPECT_TRUE(listShown);

  // The file as written: the two edited values, every other attribute as it was.
  TMdmMap reread;
  ASSERT_EQ(reread.OpenHeader(path.c_str()), kMdmOk);
  ASSERT_EQ(reread.Load(), kMdmOk);
  reread.loadAll = 1;
  reread.LoadVisibleObjects();
  const std::vector<TAttrRow> after = BuildAttrRows(reread, object);
  ASSERT_EQ(after.size(), before.size());
  for (size_t k = 0; k < after.size(); ++k) {
    if (int(k) == textRow) {
      EXPECT_EQ(std::string(after[k].value.begin(), after[k].value.end()).substr(0, 3), "12A");
    } else if (int(k) == setRow) {
      EXPECT_TRUE(after[k].hasValue);
    } else {
      EXPECT_EQ(after[k].value, before[k].value) << "row " << k;
    }
  }
}

TEST_F(EditFormsE2e, TypeDialogInListAndSymbolViewsAndTheChosenCodeReachesTheMap) {
  const uint16_t code = map->GetObjectCode(object);
  uint16_t firstRow = 0;
  harness::OnDialog(TObjectTypeDialog::kTemplate, [&](HWND d) {
    Shot("type_list");
    SendMessageW(d, WM_COMMAND, TObjectTypeDialog::kCmdIcons, 0);
    harness::PumpUntilIdle();
    Shot("type_symbols");
    const TOwnerDrawRow* row = g_ObjectTypeDialog.types.Row(0);
    firstRow = row ? uint16_t(row->data) : 0;
    // The first symbol cell of the grid, where the list view lies.
    RECT rc{};
    GetWindowRect(GetDlgItem(d, TObjectTypeDialog::kTypeList), &rc);
    harness::Tap(rc.left + 12, rc.top + 12);
    TapControl(d, IDOK);
  });
  const uint16_t chosen = ChooseObjectType(main, g_Instance, code, 0);
  ASSERT_NE(firstRow, 0);
  EXPECT_EQ(chosen, firstRow);
  if (chosen != code) {
    ASSERT_EQ(g_UserLayer.SetObjectCode(object, chosen), 1);
    g_UserLayer.Save(0);
  }
  TMdmMap reread;
  ASSERT_EQ(reread.OpenHeader(map->path), kMdmOk);
  ASSERT_EQ(reread.Load(), kMdmOk);
  EXPECT_EQ(reread.GetObjectCode(object), chosen);
}

}  // namespace
