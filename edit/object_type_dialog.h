// The object-type dialog: chooses a type of the working map's object library of the same
// geometry kind as a given code, from the full list of that kind or from the recently used
// types beside it. "TypeLVMode_<kind>" keeps the full list's view mode (0 list, 1 symbols).
#pragma once

#include <cstdint>
#include <memory>

#include "base/ui/owner_draw_list.h"
#include "edit/hot_buff.h"
#include "platform/win.h"

class TObjectLibrary;
class TLibrarySymbols;

class TObjectTypeDialog {
 public:
  static constexpr int kTemplate = 178;
  static constexpr int kTypeList = 1015;
  static constexpr int kRecentList = 1017;
  static constexpr int kName = 2340;
  static constexpr int kMenu = 314;
  enum : int { kCmdIcons = 40200, kCmdList = 40201 };

  TObjectTypeDialog();
  ~TObjectTypeDialog();

  void Init(HWND dialog);
  void Commit();
  void ShowName();
  void OnItemChanged(int controlId);
  void ShowTypeMenu(int x, int y);
  void OnPenDown(int x, int y);
  void Paint();

  HWND window = nullptr;
  TOwnerDrawList types;
  HINSTANCE instance = nullptr;
  uint16_t code = 0;    // given in, chosen out
  uint16_t preset = 0;  // added to the recent list when of the same kind
  THotBuff recent;
  int focus = 0;  // 0 the recent list was touched last, 1 the type list
  TObjectLibrary* library = nullptr;

 private:
  std::unique_ptr<TLibrarySymbols> symbols_;
  bool guard_ = false;  // keeps the two lists from echoing each other's selection
};

extern TObjectTypeDialog g_ObjectTypeDialog;

// Runs dialog 178 over `parent`; the chosen code after OK, `code` after Cancel. OK with nothing
// chosen also keeps `code`: type 0 would drop the object at the map's next save.
uint16_t ChooseObjectType(HWND parent, HINSTANCE instance, uint16_t code, uint16_t preset);
