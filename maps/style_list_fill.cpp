#include "maps/style_list_fill.h"

#include "base/text_utils.h"
#include "maps/mdm_format.h"
#include "maps/style_table.h"

namespace {

void AddRow(const TStyleEntry& style, HWND list) {
  wchar_t text[256];
  AnsiToWide(text, style.name.data(), int(style.name.size()), 256);
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
  item.iItem = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = text;
  item.lParam = style.code;
  // A point's kind data starts with its symbol number, which is the image in the list's images.
  item.iImage = (style.code & 7) == mdm::kKindPoint ? int(style.kind[0] | (style.kind[1] << 8)) : 0;
  SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

void FillStyleList(const TStyleTable& styles, HWND list, int kind) {
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (int i = 0; i < styles.Count(); ++i) {
    const TStyleEntry* s = styles.Entry(i);
    if ((s->code & 7) == kind && !s->name.empty()) AddRow(*s, list);
  }
}

void AddStyleItem(const TStyleTable& styles, HWND list, uint16_t code) {
  const TStyleEntry* s = styles.Entry(styles.IndexOf(code));
  if (s && !s->name.empty() && s->name.size() < 256) AddRow(*s, list);
}
