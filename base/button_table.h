// The hardware-button table: which action each hardware key runs, whether it needs a long press
// and whether a beep confirms it. The main window asks it on every WM_HOTKEY; the buttons page of
// the settings edits it through the functions at the end.
#pragma once

#include <bitset>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/win_types.h"

// One assignment, 16 bytes as the settings page and the store know it.
struct TButtonEntry {
  int32_t code;       // virtual-key code, 193 to 207 for the grabbed hardware keys
  int32_t action;     // 0 to 16 (app/input.h, button_action::); others stay and do nothing
  int32_t longPress;  // non-zero: fires only on a held key
  int32_t sound;      // non-zero: the stop-sign beep when the action fires
};

class TButtonTable {
 public:
  // Every virtual-key code fits; a larger "ButtCount" is read as this many.
  static constexpr int kMaxEntries = 256;
  // Messages of one hold that fire a long-press entry (the press and seven repeats), and the
  // time they must come within, ms.
  static constexpr int kLongPressMessages = 8;
  static constexpr uint32_t kLongPressWindowMs = 2999;

  TButtonTable() = default;

  // Reads "ButtCount" and "ButtCode%i", "ButtAct%i", "ButtLong%i", "ButtSound%i" from g_Ini. With
  // "ButtCount" present the table becomes exactly the stored entries (a code listed twice keeps
  // one entry with the later fields; an entry without its code is skipped); without it the
  // table is left as it is. Returns the number of entries.
  int Load();
  // Writes "ButtCount" and the four keys of every entry in table order into g_Ini.
  void Save() const;

  // Appends {code, 0, 0, 0} unless the code is in the table.
  void AddKey(int code);
  // Removes the code's entry; the later entries close the gap.
  void RemoveKey(int code);
  // Sets the code's fields; nothing when it is absent.
  void SetEntry(int code, int action, int longPress, int sound);
  const TButtonEntry* Find(int code) const;
  int Count() const { return static_cast<int>(entries_.size()); }
  const TButtonEntry& At(int index) const { return entries_[static_cast<size_t>(index)]; }
  // The assignments alone, to put back as they were (an empty table included); the holds and
  // counts are not part of them.
  const std::vector<TButtonEntry>& Entries() const { return entries_; }
  void SetEntries(std::vector<TButtonEntry> entries) { entries_ = std::move(entries); }

  // The action for one hot-key message of `code`, or -1 when there is nothing to do. A long-press
  // entry fires on the eighth message of one hold within 2999 ms of the first, once a hold: its
  // later repeats do nothing until the key is released (a lock key that counted on would undo
  // its own lock 0.8 s later). A plain entry fires on the press, and its repeats do nothing
  // until the release, for the same reason (a toggle held 0.7 s would flip seven times); only
  // an action that makes sense repeated, RepeatsWhileHeld, acts on every message.
  int MapKey(int code);
  // The zoom in (1) and zoom out (2) go on while their key is held.
  static bool RepeatsWhileHeld(int action) { return action == 1 || action == 2; }
  // The key was let go: its hold ends, and a count it had begun with it.
  void KeyReleased(int code);
  // Ends every hold and count (the keys were with another window, their releases unseen).
  void ForgetHolds();

  // Empties the list box and adds "Кнопка 193" (text 100071 and the code) per entry, in table
  // order, with the code as item data.
  void FillKeyList(HWND listBox) const;
  // Shows the entry of the list box's selected key: the combo item of its action, the two
  // check boxes from its flags. Nothing without a selection or an entry.
  void ShowEntry(HWND comboBox, HWND listBox, HWND longCheck, HWND soundCheck) const;

  // The long-press count, kept in memory only.
  int32_t repeatCount = 0;  // messages of the pending key seen after its first one
  int32_t pendingKey = -1;  // key whose hold is being counted; -1: none
  uint32_t firstTick = 0;   // GetTickCount at the pending key's first message
  int32_t heldKey = -1;     // long-press key that fired and is not yet released; -1: none
  std::bitset<kMaxEntries> pressed;  // plain keys that fired and are not yet released

 private:
  std::vector<TButtonEntry> entries_;
};

extern TButtonTable g_ButtonTable;

// Empties the combo box, closes its drop-down and adds the 17 action texts in the order of their
// text ids (codes 0, 1, 2, 7, 3, 4, 5, 6, 12, 13, 14, 15, 8, 9, 10, 16, 11), each with its code
// as item data.
void FillButtonActionCombo(HWND comboBox);
// Selects the first list line whose item data equals `code`; nothing when none does.
void SelectListItemByData(HWND listBox, int code);
// Sets the g_ButtonTable entry of the selected list line from the selected combo item and the
// two check boxes. Nothing when the list or the combo has no selection.
void StoreButtonFromControls(HWND comboBox, HWND listBox, HWND longCheck, HWND soundCheck);
