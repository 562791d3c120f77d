#include "edit/attr_field.h"

#include <string>
#include <vector>

#include "base/ini_file.h"
#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "edit/object_form.h"
#include "maps/attr_list.h"
#include "maps/mdm_map.h"

namespace {

constexpr int kMaxText = 255;

}  // namespace

void TAttrField::Bind(HWND box, int attr, uint8_t type, int disabling) {
  combo = box;
  attribute = attr;
  valueType = type;
  disablingAttribute = disabling;
  modified = 0;
  if (combo) SendMessageW(combo, CB_LIMITTEXT, kMaxText, 0);
  autoShowNew = g_Ini.GetInt("BlankAutoShowNew");
}

int TAttrField::LoadValue(TMdmMap* m, uint16_t index) {
  if (disabled) return 0;
  map = m;
  object = index;
  std::wstring text;
  if (map) {
    uint8_t value[256] = {};
    uint16_t size = 0;
    if (map->GetAttr(object, uint16_t(attribute), valueType, value, &size, sizeof(value) - 1)) {
      char formatted[256] = {};
      if (map->FormatAttr(valueType, value, formatted, sizeof(formatted), size, 0))
        text = AnsiToWideString(formatted);
      modified = 0;
    }
  }
  if (combo) {
    SetWindowTextW(combo, text.c_str());
    EnableWindow(combo, attribute != disablingAttribute);
  }
  return modified;
}

int TAttrField::StoreValue() {
  if (disabled || modified != 1 || !map || object == 0 || !combo) return 0;
  wchar_t wide[kMaxText + 1] = {};
  GetWindowTextW(combo, wide, kMaxText + 1);
  // The history: a text already there, or a prefix of an entry (case-insensitive, as the combo
  // searches), is not added again.
  if (SendMessageW(combo, CB_FINDSTRING, 0, LPARAM(wide)) == CB_ERR)
    SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(wide));
  std::string text = WideToAnsiString(wide);
  if (text.size() > kMaxText) text.resize(kMaxText);
  // A number must be exactly one number its type holds: a typing slip keeps the stored value
  // (and the flag) rather than writing another number, and the user hears it.
  uint8_t value[256] = {};
  uint16_t size = 255;
  if (!ValidateAttrText(valueType, text.c_str()) ||
      !map->ParseAttr(text.c_str(), valueType, value, &size, 0)) {
    MessageBeep(MB_ICONHAND);
    return 0;
  }
  if (!map->SetAttr(object, uint16_t(attribute), valueType, value)) return 0;
  modified = 0;
  return 1;
}

int TAttrField::OnNotify(int code, HWND next) {
  switch (code) {
    case CBN_SELCHANGE:
    case CBN_EDITCHANGE:
      modified = 1;
      return 1;
    case CBN_SETFOCUS: {
      if (!combo) return 1;
      const int length = GetWindowTextLengthW(combo);
      SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(0, length));
      SetSipState(combo, 1);
      return 1;
    }
    case CBN_KILLFOCUS:
      SetSipState(combo, 0);
      if (next) SetFocus(next);
      return 1;
    default:
      return 0;
  }
}

void TAttrField::EditInForm(HWND parent, HINSTANCE instance, int mapIndex, int reset) {
  if (disabled) return;
  StoreValue();
  TObjectRef ref;
  ref.map = mapIndex;
  ref.object = object;
  if (reset) UseTextAttribute();
  ShowObjectForm(parent, instance, ref, &attribute, &valueType);
  if (reset) UseTextAttribute();
  LoadValue(map, object);
}
