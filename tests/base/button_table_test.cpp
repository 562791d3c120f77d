// The hardware-button table: loading and saving through the settings store, the long-press count
// on the virtual clock, the beep from the layer's record, and the buttons page's functions on real
// list and combo boxes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/button_table.h"
#include "base/ini_file.h"
#include "base/lang.h"
#include "base/text_utils.h"
#include "platform/harness.h"

namespace {

struct Device {
  Device() {
    harness::Start();
    g_Ini.Clear();
    vplat::ClearRecordedBeeps();
  }
  ~Device() { harness::Stop(); }
};

// Settings as a user's file holds them, one "key=value" per line.
void Seed(const std::vector<std::pair<const char*, const char*>>& keys) {
  for (const auto& [k, v] : keys) g_Ini.SetString(k, v);
}

std::vector<TButtonEntry> Entries() {
  std::vector<TButtonEntry> out;
  for (int i = 0; i < g_ButtonTable.Count(); ++i) out.push_back(g_ButtonTable.At(i));
  return out;
}

bool Same(const TButtonEntry& e, int code, int action, int lng, int sound) {
  return e.code == code && e.action == action && e.longPress == lng && e.sound == sound;
}

// Sends one hot-key message of `code` after `ms` of virtual time.
int After(unsigned ms, int code) {
  harness::Advance(ms);
  return g_ButtonTable.MapKey(code);
}

}  // namespace

TEST(ButtonTable, LoadSaveRoundTripKeepsTableOrder) {
  Device d;
  Seed({{"ButtCount", "3"},
        {"ButtCode0", "197"}, {"ButtAct0", "16"}, {"ButtLong0", "1"}, {"ButtSound0", "1"},
        {"ButtCode1", "193"}, {"ButtAct1", "1"},
        {"ButtCode2", "194"}, {"ButtAct2", "2"}, {"ButtLong2", "7"}, {"ButtSound2", "0"}});
  ASSERT_EQ(g_ButtonTable.Load(), 3);
  auto e = Entries();
  EXPECT_TRUE(Same(e[0], 197, 16, 1, 1));
  EXPECT_TRUE(Same(e[1], 193, 1, 0, 0));
  EXPECT_TRUE(Same(e[2], 194, 2, 7, 0)) << "7 is kept as it is and reads as on";

  g_ButtonTable.RemoveKey(197);
  g_ButtonTable.AddKey(200);
  g_ButtonTable.SetEntry(200, 11, 0, 1);
  g_ButtonTable.Save();
  EXPECT_EQ(g_Ini.GetInt("ButtCount"), 3);
  EXPECT_EQ(g_Ini.GetInt("ButtCode0"), 193);
  EXPECT_EQ(g_Ini.GetInt("ButtCode1"), 194);
  EXPECT_EQ(g_Ini.GetInt("ButtLong1"), 7);
  EXPECT_EQ(g_Ini.GetInt("ButtCode2"), 200);
  EXPECT_EQ(g_Ini.GetInt("ButtAct2"), 11);
  EXPECT_EQ(g_Ini.GetInt("ButtSound2"), 1);

  g_ButtonTable.AddKey(201);  // an unsaved edit of the buttons page, then the dialog's Cancel
  g_ButtonTable.Load();
  e = Entries();
  ASSERT_EQ(e.size(), 3u);
  EXPECT_TRUE(Same(e[0], 193, 1, 0, 0));
  EXPECT_TRUE(Same(e[2], 200, 11, 0, 1));
  EXPECT_EQ(g_ButtonTable.Find(201), nullptr);
}

TEST(ButtonTable, LoadWithoutCountLeavesTheTableAndAddKeyKeepsFields) {
  Device d;
  g_ButtonTable.AddKey(193);
  g_ButtonTable.SetEntry(193, 5, 1, 1);
  g_ButtonTable.AddKey(193);
  ASSERT_EQ(g_ButtonTable.Count(), 1);
  EXPECT_TRUE(Same(g_ButtonTable.At(0), 193, 5, 1, 1));
  Seed({{"ButtCode0", "194"}, {"ButtAct0", "2"}});
  EXPECT_EQ(g_ButtonTable.Load(), 1);
  EXPECT_TRUE(Same(g_ButtonTable.At(0), 193, 5, 1, 1));
  g_ButtonTable.SetEntry(250, 1, 0, 0);  // absent: nothing
  EXPECT_EQ(g_ButtonTable.Count(), 1);
  EXPECT_EQ(g_ButtonTable.MapKey(250), -1);
}

TEST(ButtonTable, BadCountsAndEntriesGiveClearTables) {
  Device d;
  // A duplicate code keeps one entry with the later fields; a missing code is skipped, not key 0.
  Seed({{"ButtCount", "4"},
        {"ButtCode0", "193"}, {"ButtAct0", "1"},
        {"ButtAct1", "2"},
        {"ButtCode2", "193"}, {"ButtAct2", "99"}, {"ButtSound2", "1"},
        {"ButtCode3", "195"}, {"ButtAct3", "-4"}});
  ASSERT_EQ(g_ButtonTable.Load(), 2);
  EXPECT_TRUE(Same(g_ButtonTable.At(0), 193, 99, 0, 1));
  EXPECT_TRUE(Same(g_ButtonTable.At(1), 195, -4, 0, 0));
  EXPECT_EQ(g_ButtonTable.Find(0), nullptr);
  EXPECT_EQ(g_ButtonTable.MapKey(193), 99) << "unknown actions stay; the main window ignores them";
  EXPECT_EQ(vplat::RecordedBeeps(), std::vector<UINT>{MB_ICONHAND});

  for (const char* count : {"abc", "-5"}) {
    g_Ini.SetString("ButtCount", count);
    EXPECT_EQ(g_ButtonTable.Load(), 0) << count;
  }
  g_Ini.SetString("ButtCount", "300");
  EXPECT_EQ(g_ButtonTable.Load(), 2) << "only the two stored codes among the first 256 indexes";
  g_Ini.SetString("ButtCount", "1000000000");
  const uint64_t before = harness::Now();
  EXPECT_EQ(g_ButtonTable.Load(), 2);
  EXPECT_EQ(harness::Now(), before);
}

TEST(ButtonTable, LongPressFiresOnTheEighthMessageWithin2999ms) {
  Device d;
  g_ButtonTable.AddKey(194);
  g_ButtonTable.SetEntry(194, 16, 1, 1);
  // A hold as the layer repeats it: the press, then repeats; the eighth lands at 2999 ms.
  EXPECT_EQ(After(0, 194), -1);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(After(400, 194), -1);
  EXPECT_TRUE(vplat::RecordedBeeps().empty());
  EXPECT_EQ(After(599, 194), 16);
  EXPECT_EQ(vplat::RecordedBeeps(), std::vector<UINT>{MB_ICONHAND});
  // Held on: once a hold, however long (a lock must not undo itself).
  for (int i = 0; i < 30; ++i) EXPECT_EQ(After(100, 194), -1);
  EXPECT_EQ(vplat::RecordedBeeps().size(), 1u);
  // Let go, a new hold counts afresh and fires again after eight messages.
  g_ButtonTable.KeyReleased(194);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(After(100, 194), -1);
  EXPECT_EQ(After(100, 194), 16);
  EXPECT_EQ(vplat::RecordedBeeps().size(), 2u);
  // A short press let go leaves nothing to add to the next one.
  g_ButtonTable.KeyReleased(194);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(After(100, 194), -1);
  g_ButtonTable.KeyReleased(194);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(After(100, 194), -1) << i;
  EXPECT_EQ(After(100, 194), 16);
  // Keys taken back from another window end every hold: the next message counts afresh.
  g_ButtonTable.ForgetHolds();
  EXPECT_EQ(After(100, 194), -1);
}

TEST(ButtonTable, LongPressAt3000msGivesNothingAndTheNextMessageCountsAfresh) {
  Device d;
  g_ButtonTable.AddKey(194);
  g_ButtonTable.SetEntry(194, 16, 1, 0);
  EXPECT_EQ(After(0, 194), -1);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(After(400, 194), -1);
  EXPECT_EQ(After(600, 194), -1) << "3000 ms after the first";
  EXPECT_EQ(g_ButtonTable.pendingKey, -1);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(After(100, 194), -1);
  EXPECT_EQ(After(100, 194), 16);
  EXPECT_TRUE(vplat::RecordedBeeps().empty()) << "no sound flag";
}

TEST(ButtonTable, InterleavedLongKeyRestartsShortKeysLeaveTheCount) {
  Device d;
  g_ButtonTable.AddKey(193);  // short, zoom in, sound
  g_ButtonTable.SetEntry(193, 1, 0, 1);
  g_ButtonTable.AddKey(194);
  g_ButtonTable.SetEntry(194, 16, 1, 0);
  g_ButtonTable.AddKey(195);
  g_ButtonTable.SetEntry(195, 2, 1, 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(After(100, 194), -1);
  // Short keys act on every message, repeats included, and leave the count alone.
  EXPECT_EQ(After(10, 193), 1);
  EXPECT_EQ(After(10, 193), 1);
  EXPECT_EQ(vplat::RecordedBeeps().size(), 2u);
  EXPECT_EQ(After(10, 194), -1);
  EXPECT_EQ(After(10, 194), -1);
  EXPECT_EQ(After(10, 194), 16) << "eighth message of 194, the short key between";
  g_ButtonTable.KeyReleased(194);
  // Another long key in the middle of a count restarts it for that key.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(After(100, 194), -1);
  EXPECT_EQ(After(100, 195), -1);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(After(100, 194), -1) << i;
  EXPECT_EQ(After(100, 194), 16);
  EXPECT_EQ(g_ButtonTable.MapKey(196), -1) << "not in the table";
  EXPECT_EQ(vplat::RecordedBeeps().size(), 2u);
}

TEST(ButtonTable, LongPressCountsAcrossTheTickWrap) {
  Device d;
  g_ButtonTable.AddKey(194);
  g_ButtonTable.SetEntry(194, 16, 1, 0);
  harness::Advance(0xFFFFFFFFu - uint32_t(harness::Now()) - 1000u);  // 1 s before the wrap
  EXPECT_EQ(After(0, 194), -1);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(After(300, 194), -1);
  EXPECT_LT(GetTickCount(), 2000u) << "the tick has wrapped";
  EXPECT_EQ(After(300, 194), 16);
}

namespace {

enum { kList = 2001, kCombo = 2002, kLong = 2003, kSound = 2004 };

struct Page : Device {
  HWND dialog = nullptr, list = nullptr, combo = nullptr, lng = nullptr, sound = nullptr;
  Page() {
    SetProgramCodePage(1251);
    LoadLanguage();
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"ButtonsPage";
    RegisterClassW(&wc);
    dialog = CreateWindowExW(0, L"ButtonsPage", L"", WS_VISIBLE, 0, 0, 240, 300, nullptr, nullptr,
                             nullptr, nullptr);
    list = Child(L"listbox", LBS_NOTIFY, kList, 0);
    combo = Child(L"combobox", CBS_DROPDOWNLIST, kCombo, 100);
    lng = Child(L"button", BS_AUTOCHECKBOX, kLong, 130);
    sound = Child(L"button", BS_AUTOCHECKBOX, kSound, 160);
  }
  HWND Child(const wchar_t* cls, DWORD style, int id, int top) {
    return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, 0, top, 200, 90, dialog,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  }
  std::wstring ListText(int i) {
    wchar_t buf[100] = {};
    SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(buf));
    return buf;
  }
};

}  // namespace

TEST(ButtonsPage, KeyListAndActionComboInTheirOrders) {
  Page p;
  SendMessageW(p.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"old"));
  g_ButtonTable.AddKey(197);
  g_ButtonTable.AddKey(193);
  g_ButtonTable.FillKeyList(p.list);
  ASSERT_EQ(SendMessageW(p.list, LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(p.ListText(0), L"Кнопка 197");
  EXPECT_EQ(p.ListText(1), L"Кнопка 193");
  EXPECT_EQ(SendMessageW(p.list, LB_GETITEMDATA, 1, 0), 193);

  SendMessageW(p.combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"old"));
  FillButtonActionCombo(p.combo);
  const int want[17] = {0, 1, 2, 7, 3, 4, 5, 6, 12, 13, 14, 15, 8, 9, 10, 16, 11};
  ASSERT_EQ(SendMessageW(p.combo, CB_GETCOUNT, 0, 0), 17);
  for (int i = 0; i < 17; ++i) EXPECT_EQ(SendMessageW(p.combo, CB_GETITEMDATA, i, 0), want[i]) << i;
  wchar_t text[100] = {};
  SendMessageW(p.combo, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Вкл./выкл. режим навигации") << "code 7 under text 110004";
  SendMessageW(p.combo, CB_GETLBTEXT, 16, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, g_Lang.GetText(110017));
  EXPECT_EQ(SendMessageW(p.combo, CB_GETDROPPEDSTATE, 0, 0), 0);
}

TEST(ButtonsPage, ShowAndStoreAnEntryThroughTheControls) {
  Page p;
  g_ButtonTable.AddKey(193);
  g_ButtonTable.AddKey(194);
  g_ButtonTable.SetEntry(194, 16, 1, 0);
  g_ButtonTable.FillKeyList(p.list);
  FillButtonActionCombo(p.combo);

  // No selection anywhere: nothing shown, nothing stored.
  g_ButtonTable.ShowEntry(p.combo, p.list, p.lng, p.sound);
  EXPECT_EQ(SendMessageW(p.combo, CB_GETCURSEL, 0, 0), CB_ERR);
  StoreButtonFromControls(p.combo, p.list, p.lng, p.sound);
  EXPECT_TRUE(Same(g_ButtonTable.At(1), 194, 16, 1, 0));

  SelectListItemByData(p.list, 194);
  EXPECT_EQ(SendMessageW(p.list, LB_GETCURSEL, 0, 0), 1);
  SelectListItemByData(p.list, 250);  // no such line: the selection stays
  EXPECT_EQ(SendMessageW(p.list, LB_GETCURSEL, 0, 0), 1);
  g_ButtonTable.ShowEntry(p.combo, p.list, p.lng, p.sound);
  EXPECT_EQ(SendMessageW(p.combo, CB_GETCURSEL, 0, 0), 15) << "code 16 stands at index 15";
  EXPECT_EQ(SendMessageW(p.lng, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(p.sound, BM_GETCHECK, 0, 0), BST_UNCHECKED);

  // A list line but no combo item: nothing stored.
  SendMessageW(p.combo, CB_SETCURSEL, WPARAM(-1), 0);
  StoreButtonFromControls(p.combo, p.list, p.lng, p.sound);
  EXPECT_TRUE(Same(g_ButtonTable.At(1), 194, 16, 1, 0));

  SelectListItemByData(p.list, 193);
  SendMessageW(p.combo, CB_SETCURSEL, 3, 0);  // code 7
  SendMessageW(p.lng, BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(p.sound, BM_SETCHECK, BST_CHECKED, 0);
  StoreButtonFromControls(p.combo, p.list, p.lng, p.sound);
  EXPECT_TRUE(Same(g_ButtonTable.At(0), 193, 7, 0, 1));
}

TEST(ButtonTable, AFloodOfMessagesWithinAMillisecondFiresEveryEighth) {
  Device d;
  g_ButtonTable.AddKey(194);
  g_ButtonTable.SetEntry(194, 16, 1, 1);
  g_ButtonTable.AddKey(193);
  g_ButtonTable.SetEntry(193, 1, 0, 0);
  int fired = 0, zooms = 0;
  for (int i = 0; i < 1000; ++i) {
    // Each hold let go as soon as it fired.
    if (g_ButtonTable.MapKey(194) == 16) {
      ++fired;
      g_ButtonTable.KeyReleased(194);
    }
    zooms += g_ButtonTable.MapKey(193) == 1;
  }
  EXPECT_EQ(fired, 125);
  EXPECT_EQ(zooms, 1000);
  EXPECT_EQ(vplat::RecordedBeeps().size(), 125u);
}
