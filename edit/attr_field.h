// One editable combo box of a panel bound to one attribute of one map object: it shows the
// value, writes back what the user typed, and keeps the typed values as a history while the
// program runs. The attribute form opened from it works on the same object and attribute.
#pragma once

#include <cstdint>

#include "platform/win.h"

class TMdmMap;

class TAttrField {
 public:
  TAttrField() = default;

  void Bind(HWND combo, int attribute, uint8_t type, int disablingAttribute);
  // Shows the object's value (the box is left as typed when the object lacks the attribute);
  // the modified flag.
  int LoadValue(TMdmMap* map, uint16_t object);
  // Writes the typed value when it was changed and parses; 1 when written.
  int StoreValue();
  // Combo notifications: 1 and 5 mark the value changed, 3 and 4 raise and lower the input
  // panel. 1 when handled. On losing the focus `next` gets it.
  int OnNotify(int code, HWND next);
  // Opens the attribute form for this object; with `reset` the field stays on the name text.
  void EditInForm(HWND parent, HINSTANCE instance, int mapIndex, int reset);
  void UseTextAttribute() {
    attribute = 9;
    valueType = 5;
  }

  int autoShowNew = 0;  // "BlankAutoShowNew" at Bind, for the owner
  int disablingAttribute = 0;
  int32_t attribute = 0;
  uint8_t valueType = 0;
  int modified = 0;
  TMdmMap* map = nullptr;
  uint16_t object = 0;
  HWND combo = nullptr;
  int disabled = 0;  // 1 makes every operation do nothing
};
