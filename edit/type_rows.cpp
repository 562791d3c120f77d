#include "edit/type_rows.h"

#include <string>

#include "base/text_utils.h"
#include "base/ui/owner_draw_list.h"
#include "maps/style_table.h"

namespace {

int AddStyle(TOwnerDrawList& list, const TStyleEntry& style) {
  const std::wstring name = AnsiToWideString(style.name);
  const wchar_t* texts[1] = {name.c_str()};
  return list.AddRow(texts, 1, style.code, style.code);
}

}  // namespace

int AddKindRows(TOwnerDrawList& list, const TStyleTable& styles, int kind) {
  int added = 0;
  for (int i = 0; i < styles.Count(); ++i) {
    const TStyleEntry* s = styles.Entry(i);
    if (s && (s->code & 7) == kind && !s->name.empty()) added += AddStyle(list, *s);
  }
  return added;
}

int AddCodeRow(TOwnerDrawList& list, const TStyleTable& styles, uint16_t code) {
  const TStyleEntry* s = styles.Entry(styles.IndexOf(code));
  if (!s || s->name.empty() || s->name.size() >= 256) return 0;
  return AddStyle(list, *s);
}
