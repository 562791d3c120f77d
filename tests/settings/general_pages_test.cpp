// The buttons, map view, general and automatic-actions pages.
#include "base/button_table.h"
#include "tests/settings/settings_fixture.h"

namespace {

class GeneralPages : public settingstest::SettingsTest {};

TEST_F(GeneralPages, MapViewDefaultsAndRadiosThatMarkNothing) {
  WriteIni("[Ini]\nMapViewGrid=1\n");
  bool fill = false, middle = false, applyAfterRadio = true;
  Run(4, [&](HWND d) {
    HWND page = TSettingsDialog::Page(4);
    fill = Checked(page, 2429);   // missing: checked
    middle = Checked(page, 1228);  // missing: shown when no maps
    Click(page, 1327);
    applyAfterRadio = ApplyEnabled(d);
    Press(d, IDOK);
  });
  EXPECT_TRUE(fill);
  EXPECT_TRUE(middle);
  EXPECT_FALSE(applyAfterRadio);
  EXPECT_EQ(Value("PDBDisplay"), "2");  // saved all the same
  EXPECT_EQ(Value("MapViewFill"), "1");

  g_Ini.SetString("PDBDisplay", "9");
  Run(4, [&](HWND d) {
    HWND page = TSettingsDialog::Page(4);
    for (int id : {1226, 1228, 1327}) EXPECT_FALSE(Checked(page, id)) << id;
    Press(d, IDOK);
  });
  EXPECT_EQ(Value("PDBDisplay"), "-1");
}

TEST_F(GeneralPages, AutoSaveTimeFollowsItsBoxAndIsStoredAsTyped) {
  WriteIni("[Ini]\nWMAutoSave=0\nWMAutoSaveTime=10\nWMBackUp=1\n");
  Run(5, [&](HWND d) {
    HWND page = TSettingsDialog::Page(5);
    EXPECT_FALSE(Enabled(page, 1047));
    EXPECT_TRUE(Checked(page, 1336));
    Click(page, 3001);
    EXPECT_TRUE(Enabled(page, 1047));
    Type(page, 1047, L"");
    Press(d, IDOK);
  });
  EXPECT_EQ(Value("WMAutoSave"), "1");
  EXPECT_EQ(Value("WMAutoSaveTime"), "");
  EXPECT_EQ(Value("GPSDISABLEAUTOSUSPEND"), "0");
}

TEST_F(GeneralPages, AutoActionsMarkOnTypingButNotOnLoading) {
  WriteIni("[Ini]\nAutoRule=1\nAutoRule_T=30\nAutoInfo=0\nAutoInfo_T=x\n");
  bool applyAfterLoad = true, applyAfterType = false;
  Run(8, [&](HWND d) {
    HWND page = TSettingsDialog::Page(8);
    applyAfterLoad = ApplyEnabled(d);
    EXPECT_TRUE(Enabled(page, 1341));
    EXPECT_FALSE(Enabled(page, 1340));
    EXPECT_EQ(Text(page, 1340), L"x");
    Type(page, 1341, L"45");
    applyAfterType = ApplyEnabled(d);
    Click(page, 3005);
    EXPECT_TRUE(Enabled(page, 1340));
    Press(d, IDOK);
  });
  EXPECT_FALSE(applyAfterLoad);
  EXPECT_TRUE(applyAfterType);
  EXPECT_EQ(Value("AutoRule_T"), "45");
  EXPECT_EQ(Value("AutoInfo"), "1");
  EXPECT_EQ(Value("AutoGTools"), "0");
  EXPECT_EQ(Value("AutoGTools_T"), "");  // an empty edit is stored empty
}

TEST_F(GeneralPages, ButtonsCaptureAKeyOnceAndCancelReloadsTheTable) {
  WriteIni("[Ini]\nButtCount=1\nButtCode0=193\nButtAct0=1\nButtLong0=0\nButtSound0=0\n");
  g_ButtonTable.Load();
  int rows = 0, rowsAgain = 0;
  bool noteShown = false, noteHidden = false;
  Run(3, [&](HWND d) {
    HWND page = TSettingsDialog::Page(3);
    EXPECT_EQ(SendDlgItemMessageW(page, 2092, CB_GETCOUNT, 0, 0), 17);
    Click(page, 2084);
    noteShown = IsWindowVisible(GetDlgItem(page, 2094)) != FALSE;
    harness::HardwareButton(3);  // key 0xC3 comes to the page as a hot key
    rows = static_cast<int>(SendDlgItemMessageW(page, 1019, LB_GETCOUNT, 0, 0));
    noteHidden = IsWindowVisible(GetDlgItem(page, 2094)) == FALSE;
    EXPECT_EQ(SendDlgItemMessageW(page, 1019, LB_GETITEMDATA,
                                  SendDlgItemMessageW(page, 1019, LB_GETCURSEL, 0, 0), 0), 0xC3);
    Pick(page, 2092, 2);  // the third action of the list for the captured key
    Click(page, 2325);
    Click(page, 2084);
    harness::HardwareButton(1);  // already there: only selected
    rowsAgain = static_cast<int>(SendDlgItemMessageW(page, 1019, LB_GETCOUNT, 0, 0));
    EXPECT_EQ(Selected(page, 2092), 1);  // its action shows (zoom in is the second item)
    Press(d, 8);
    EXPECT_EQ(Value("ButtCount"), "2");
    EXPECT_EQ(Value("ButtSound1"), "1");
    Click(page, 2088);  // removes the selected key 193
    EXPECT_EQ(SendDlgItemMessageW(page, 1019, LB_GETCOUNT, 0, 0), 1);
    Press(d, 4);
  });
  EXPECT_TRUE(noteShown);
  EXPECT_TRUE(noteHidden);
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(rowsAgain, 2);
  ASSERT_EQ(g_ButtonTable.Count(), 2);  // back at the Apply
  ASSERT_NE(g_ButtonTable.Find(193), nullptr);
  EXPECT_EQ(g_ButtonTable.Find(0xC3)->sound, 1);
}

// A fresh device's settings file has no button table: a key captured and cancelled must not
// stay assigned for the rest of the run.
TEST_F(GeneralPages, CancelWithoutAStoredTableLeavesItEmpty) {
  WriteIni("[Ini]\n");
  int rows = 0;
  Run(3, [&](HWND d) {
    HWND page = TSettingsDialog::Page(3);
    Click(page, 2084);
    harness::HardwareButton(3);
    rows = static_cast<int>(SendDlgItemMessageW(page, 1019, LB_GETCOUNT, 0, 0));
    Press(d, 4);
  });
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(g_ButtonTable.Count(), 0);
  EXPECT_EQ(g_ButtonTable.MapKey(0xC3), -1);
  EXPECT_EQ(Value("ButtCount"), "<none>");
}

}  // namespace
