#include "base/button_table.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "platform/fresh_state.h"
#include "platform/win.h"

TButtonTable g_ButtonTable;
namespace {
const vplat::FreshStateHook kFresh(2, [] { vplat::Renew(g_ButtonTable); });
}  // namespace

namespace {

std::string IndexedKey(const char* name, int i) {
  char key[32];
  std::snprintf(key, sizeof key, "%s%d", name, i);
  return key;
}

}  // namespace

int TButtonTable::Load() {
  if (!g_Ini.HasKey("ButtCount")) return Count();
  const int count = std::clamp(g_Ini.GetInt("ButtCount"), 0, kMaxEntries);
  entries_.clear();
  pendingKey = -1;
  heldKey = -1;
  repeatCount = 0;
  for (int i = 0; i < count; ++i) {
    const std::string codeKey = IndexedKey("ButtCode", i);
    // Without its code the entry would read as key 0, which no button sends.
    if (!g_Ini.HasKey(codeKey.c_str())) continue;
    const int code = g_Ini.GetInt(codeKey.c_str());
    AddKey(code);
    SetEntry(code, g_Ini.GetInt(IndexedKey("ButtAct", i).c_str()),
             g_Ini.GetInt(IndexedKey("ButtLong", i).c_str()),
             g_Ini.GetInt(IndexedKey("ButtSound", i).c_str()));
  }
  return Count();
}

void TButtonTable::Save() const {
  g_Ini.SetInt("ButtCount", Count());
  for (int i = 0; i < Count(); ++i) {
    const TButtonEntry& e = At(i);
    g_Ini.SetInt(IndexedKey("ButtCode", i).c_str(), e.code);
    g_Ini.SetInt(IndexedKey("ButtAct", i).c_str(), e.action);
    g_Ini.SetInt(IndexedKey("ButtLong", i).c_str(), e.longPress);
    g_Ini.SetInt(IndexedKey("ButtSound", i).c_str(), e.sound);
  }
}

void TButtonTable::AddKey(int code) {
  if (Find(code)) return;
  entries_.push_back(TButtonEntry{code, 0, 0, 0});
}

void TButtonTable::RemoveKey(int code) {
  std::erase_if(entries_, [code](const TButtonEntry& e) { return e.code == code; });
  if (pendingKey == code) pendingKey = -1;
  if (heldKey == code) heldKey = -1;
}

void TButtonTable::SetEntry(int code, int action, int longPress, int sound) {
  for (TButtonEntry& e : entries_) {
    if (e.code != code) continue;
    e.action = action;
    e.longPress = longPress;
    e.sound = sound;
    return;
  }
}

const TButtonEntry* TButtonTable::Find(int code) const {
  for (const TButtonEntry& e : entries_)
    if (e.code == code) return &e;
  return nullptr;
}

int TButtonTable::MapKey(int code) {
  const TButtonEntry* e = Find(code);
  if (!e) return -1;
  if (e->longPress) {
    if (code == heldKey) return -1;  // the hold that fired goes on
    const uint32_t now = GetTickCount();
    if (code != pendingKey) {
      pendingKey = code;
      repeatCount = 0;
      firstTick = now;
      return -1;
    }
    if (repeatCount < kLongPressMessages - 2) {
      ++repeatCount;
      return -1;
    }
    pendingKey = -1;
    // Unsigned: a hold across the tick's wrap still measures its true length.
    if (uint32_t(now - firstTick) > kLongPressWindowMs) return -1;
    heldKey = code;
  } else if (!RepeatsWhileHeld(e->action) && code >= 0 && code < kMaxEntries) {
    if (pressed.test(size_t(code))) return -1;  // a repeat of the press that fired
    pressed.set(size_t(code));
  }
  if (e->sound) MessageBeep(MB_ICONHAND);
  return e->action;
}

void TButtonTable::KeyReleased(int code) {
  if (code >= 0 && code < kMaxEntries) pressed.reset(size_t(code));
  if (heldKey == code) heldKey = -1;
  if (pendingKey == code) pendingKey = -1;
}

void TButtonTable::ForgetHolds() {
  pressed.reset();
  heldKey = -1;
  pendingKey = -1;
}

void TButtonTable::FillKeyList(HWND listBox) const {
  SendMessageW(listBox, LB_RESETCONTENT, 0, 0);
  for (const TButtonEntry& e : entries_) {
    const std::wstring line =
        std::wstring(g_Lang.GetText(lang_id::kDlgSetBtLBt)) + L" " + std::to_wstring(e.code);
    const LRESULT index =
        SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    if (index >= 0) SendMessageW(listBox, LB_SETITEMDATA, WPARAM(index), LPARAM(e.code));
  }
}

void TButtonTable::ShowEntry(HWND comboBox, HWND listBox, HWND longCheck,
                             HWND soundCheck) const {
  const LRESULT line = SendMessageW(listBox, LB_GETCURSEL, 0, 0);
  if (line < 0) return;
  const TButtonEntry* e = Find(int(SendMessageW(listBox, LB_GETITEMDATA, WPARAM(line), 0)));
  if (!e) return;
  const LRESULT items = SendMessageW(comboBox, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < items; ++i) {
    if (SendMessageW(comboBox, CB_GETITEMDATA, WPARAM(i), 0) == e->action) {
      SendMessageW(comboBox, CB_SETCURSEL, WPARAM(i), 0);
      break;
    }
  }
  SendMessageW(longCheck, BM_SETCHECK, e->longPress ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageW(soundCheck, BM_SETCHECK, e->sound ? BST_CHECKED : BST_UNCHECKED, 0);
}

void FillButtonActionCombo(HWND comboBox) {
  // The action code of each text id 110001 to 110017, in id order.
  static constexpr int kActionOfText[17] = {0, 1, 2, 7, 3, 4, 5, 6, 12, 13, 14, 15, 8, 9, 10, 16, 11};
  SendMessageW(comboBox, CB_RESETCONTENT, 0, 0);
  SendMessageW(comboBox, CB_SHOWDROPDOWN, FALSE, 0);
  for (int i = 0; i < 17; ++i) {
    const LRESULT index = SendMessageW(comboBox, CB_ADDSTRING, 0,
                                       reinterpret_cast<LPARAM>(g_Lang.GetText(110001 + i)));
    if (index >= 0) SendMessageW(comboBox, CB_SETITEMDATA, WPARAM(index), LPARAM(kActionOfText[i]));
  }
}

void SelectListItemByData(HWND listBox, int code) {
  const LRESULT lines = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < lines; ++i) {
    if (SendMessageW(listBox, LB_GETITEMDATA, WPARAM(i), 0) == code) {
      SendMessageW(listBox, LB_SETCURSEL, WPARAM(i), 0);
      return;
    }
  }
}

void StoreButtonFromControls(HWND comboBox, HWND listBox, HWND longCheck, HWND soundCheck) {
  const LRESULT line = SendMessageW(listBox, LB_GETCURSEL, 0, 0);
  const LRESULT item = SendMessageW(comboBox, CB_GETCURSEL, 0, 0);
  if (line < 0 || item < 0) return;  // LB_ERR, CB_ERR: nothing chosen, nothing stored
  const LRESULT key = SendMessageW(listBox, LB_GETITEMDATA, WPARAM(line), 0);
  const LRESULT action = SendMessageW(comboBox, CB_GETITEMDATA, WPARAM(item), 0);
  if (key < 0 || action < 0) return;
  g_ButtonTable.SetEntry(int(key), int(action),
                         SendMessageW(longCheck, BM_GETCHECK, 0, 0) == BST_CHECKED,
                         SendMessageW(soundCheck, BM_GETCHECK, 0, 0) == BST_CHECKED);
}
