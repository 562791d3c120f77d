#include "platform/ui/models.h"

#include <algorithm>
#include <cwctype>

namespace vplat::ui {

wchar_t FoldCase(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;      // Latin-1 capitals
  if (c >= 0x0410 && c <= 0x042F) return c + 32;               // Cyrillic А..Я
  if (c >= 0x0400 && c <= 0x040F) return c + 80;               // Cyrillic Ѐ..Џ (Ё among them)
  return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

int CompareNoCase(const std::wstring& a, const std::wstring& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    wchar_t x = FoldCase(a[i]), y = FoldCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace vplat::ui

// The same order as CompareNoCase, without making strings (sorting calls it n log n times).
extern "C" int lstrcmpiW(LPCWSTR a, LPCWSTR b) {
  if (!a) a = L"";
  if (!b) b = L"";
  for (;; ++a, ++b) {
    if (!*a || !*b) return *a ? 1 : *b ? -1 : 0;
    const wchar_t x = vplat::ui::FoldCase(*a), y = vplat::ui::FoldCase(*b);
    if (x != y) return x < y ? -1 : 1;
  }
}

namespace vplat::ui {

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  if (prefix.size() > text.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (FoldCase(text[i]) != FoldCase(prefix[i])) return false;
  return true;
}

// ---- StringList ----

int StringList::Add(const std::wstring& text, bool sorted) {
  int index = Count();
  if (sorted) {
    auto it = std::upper_bound(items_.begin(), items_.end(), text,
                               [](const std::wstring& t, const Item& item) {
                                 return CompareNoCase(t, item.text) < 0;
                               });
    index = static_cast<int>(it - items_.begin());
  }
  return Insert(index, text);
}

int StringList::Insert(int index, const std::wstring& text) {
  if (index == -1) index = Count();
  if (index < 0 || index > Count()) return -1;
  items_.insert(items_.begin() + index, Item{text, 0, false});
  if (cursel >= index) ++cursel;
  return index;
}

int StringList::Delete(int index) {
  if (!Valid(index)) return -1;
  items_.erase(items_.begin() + index);
  if (cursel == index) cursel = -1;
  else if (cursel > index) --cursel;
  if (top >= Count()) top = std::max(0, Count() - 1);
  return Count();
}

void StringList::Clear() {
  items_.clear();
  cursel = -1;
  top = 0;
}

int StringList::Find(int start, const std::wstring& text, bool exact) const {
  int n = Count();
  if (n == 0) return -1;
  // A start outside the list searches the whole list from the top, as the platform does.
  if (start < -1 || start >= n) start = -1;
  for (int k = 1; k <= n; ++k) {
    int i = (start + k) % n;
    const std::wstring& t = items_[i].text;
    if (exact ? EqualNoCase(t, text) : StartsWithNoCase(t, text)) return i;
  }
  return -1;
}

// ---- ListViewModel ----

int ListViewModel::Insert(int index, Item item) {
  if (index < 0) return -1;
  if (index > Count()) index = Count();
  if (item.cells.empty()) item.cells.emplace_back();
  items_.insert(items_.begin() + index, std::move(item));
  if (selectionMark >= index) ++selectionMark;
  return index;
}

bool ListViewModel::Delete(int index) {
  if (!Valid(index)) return false;
  items_.erase(items_.begin() + index);
  if (selectionMark == index) selectionMark = -1;
  else if (selectionMark > index) --selectionMark;
  return true;
}

int ListViewModel::InsertColumn(int index, Column column) {
  if (index < 0) return -1;
  if (index > ColumnCount()) index = ColumnCount();
  columns_.insert(columns_.begin() + index, std::move(column));
  return index;
}

bool ListViewModel::DeleteColumn(int index) {
  if (index < 0 || index >= ColumnCount()) return false;
  columns_.erase(columns_.begin() + index);
  return true;
}

int ListViewModel::Next(int start, UINT flags) const {
  UINT want = flags & (LVNI_SELECTED | LVNI_FOCUSED);
  auto matches = [&](int i) { return (items_[i].state & want) == want; };
  // In report view the rows are one column, so "above" and "below" are the neighbours.
  if (flags & LVNI_ABOVE) {
    for (int i = std::min(start, Count()) - 1; i >= 0; --i)
      if (matches(i)) return i;
    return -1;
  }
  if (flags & (LVNI_TOLEFT | LVNI_TORIGHT)) return -1;
  for (int i = start < 0 ? 0 : start + 1; i < Count(); ++i)
    if (matches(i)) return i;
  return -1;
}

int ListViewModel::SelectedCount() const {
  int n = 0;
  for (const Item& item : items_)
    if (item.state & LVIS_SELECTED) ++n;
  return n;
}

// ---- TreeModel ----

TreeModel::Node* TreeModel::Get(HTREEITEM h) const {
  auto* n = reinterpret_cast<Node*>(h);
  return live_.count(n) ? n : nullptr;
}

void TreeModel::Unlink(Node* n) {
  if (n->prev) n->prev->next = n->next;
  else FirstOf(n->parent) = n->next;
  if (n->next) n->next->prev = n->prev;
  n->prev = n->next = nullptr;
}

void TreeModel::LinkAfter(Node* parent, Node* prev, Node* n) {
  n->parent = parent;
  n->prev = prev;
  Node*& first = FirstOf(parent);
  n->next = prev ? prev->next : first;
  if (n->next) n->next->prev = n;
  if (prev) prev->next = n;
  else first = n;
}

TreeModel::Node* TreeModel::Insert(HTREEITEM parentH, HTREEITEM after, const std::wstring& text) {
  Node* parent = nullptr;
  if (parentH && parentH != TVI_ROOT) {
    parent = Get(parentH);
    if (!parent) return nullptr;
  }
  Node* prev = nullptr;
  Node* first = FirstOf(parent);
  if (after == TVI_FIRST) {
    prev = nullptr;
  } else if (after == TVI_LAST || after == nullptr || after == TVI_ROOT) {
    for (Node* c = first; c; c = c->next) prev = c;
  } else if (after == TVI_SORT) {
    for (Node* c = first; c && CompareNoCase(c->text, text) <= 0; c = c->next) prev = c;
  } else {
    prev = Get(after);
    if (!prev || prev->parent != parent) return nullptr;
  }
  auto* n = new Node;
  n->text = text;
  live_.insert(n);
  LinkAfter(parent, prev, n);
  return n;
}

void TreeModel::Clear() {
  while (first_) Delete(first_, [](Node*) {});
}

template <typename Less>
void TreeModel::SortLevel(Node* parent, Less less) {
  std::vector<Node*> kids;
  for (Node* c = FirstOf(parent); c; c = c->next) kids.push_back(c);
  std::stable_sort(kids.begin(), kids.end(), less);
  FirstOf(parent) = nullptr;
  Node* prev = nullptr;
  for (Node* c : kids) {
    c->prev = prev;
    c->next = nullptr;
    if (prev) prev->next = c;
    else FirstOf(parent) = c;
    prev = c;
  }
}

void TreeModel::SortChildren(Node* parent, bool recurse) {
  SortLevel(parent, [](const Node* a, const Node* b) { return CompareNoCase(a->text, b->text) < 0; });
  if (recurse)
    for (Node* c = FirstOf(parent); c; c = c->next) SortChildren(c, true);
}

void TreeModel::SortChildren(Node* parent, PFNTVCOMPARE cmp, LPARAM lParam) {
  SortLevel(parent, [&](const Node* a, const Node* b) { return cmp(a->param, b->param, lParam) < 0; });
}

bool TreeModel::IsVisible(const Node* n) const {
  for (const Node* p = n->parent; p; p = p->parent)
    if (!(p->state & TVIS_EXPANDED)) return false;
  return true;
}

TreeModel::Node* TreeModel::NextVisible(const Node* n) const {
  if (n->firstChild && (n->state & TVIS_EXPANDED)) return n->firstChild;
  for (const Node* p = n; p; p = p->parent)
    if (p->next) return p->next;
  return nullptr;
}

TreeModel::Node* TreeModel::PrevVisible(const Node* n) const {
  if (!n->prev) return n->parent;
  Node* p = n->prev;
  while (p->firstChild && (p->state & TVIS_EXPANDED)) {
    p = p->firstChild;
    while (p->next) p = p->next;
  }
  return p;
}

TreeModel::Node* TreeModel::LastVisible() const {
  Node* p = first_;
  if (!p) return nullptr;
  for (;;) {
    while (p->next) p = p->next;
    if (p->firstChild && (p->state & TVIS_EXPANDED)) p = p->firstChild;
    else return p;
  }
}

}  // namespace vplat::ui
