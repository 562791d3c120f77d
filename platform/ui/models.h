// The item models behind the list-like controls, kept apart from the windows so that the index
// rules (the platform's LB_ERR / CB_ERR / -1 answers, wrapping searches) live in one place and
// the controls only translate messages into these calls.
#pragma once

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/win.h"

namespace vplat::ui {

// Case folding for the list searches, which ignore case as the platform does: ASCII, Latin-1
// and Cyrillic (our built-in texts are Russian) without depending on the process locale.
wchar_t FoldCase(wchar_t c);
bool EqualNoCase(const std::wstring& a, const std::wstring& b);
bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix);
// Negative, zero or positive as a < b, ignoring case.
int CompareNoCase(const std::wstring& a, const std::wstring& b);

// The strings of a list box or a combo box's list. Indexes are 0-based; every call with an
// index outside the list answers -1 (LB_ERR and CB_ERR are both -1).
class StringList {
 public:
  struct Item {
    std::wstring text;
    LPARAM data = 0;
    bool selected = false;  // multiple-selection list boxes only
  };

  int Count() const { return static_cast<int>(items_.size()); }
  bool Valid(int index) const { return index >= 0 && index < Count(); }
  // Adds at the end, or at the sorted place when `sorted`; returns the index.
  int Add(const std::wstring& text, bool sorted);
  // Inserts before `index`; -1 appends. Past the end: -1 and nothing changes.
  int Insert(int index, const std::wstring& text);
  // Removes one item; returns the remaining count, or -1.
  int Delete(int index);
  void Clear();
  const Item* At(int index) const { return Valid(index) ? &items_[index] : nullptr; }
  Item* At(int index) { return Valid(index) ? &items_[index] : nullptr; }
  // The first item after `start` (-1: from the top) whose text begins with `text` (or equals it
  // when `exact`), ignoring case; the search wraps round to `start` itself. -1 when none.
  int Find(int start, const std::wstring& text, bool exact) const;

  // The single selection (-1 none) and the caret of multiple-selection lists.
  int cursel = -1;
  int top = 0;

 private:
  std::vector<Item> items_;
};

// The items of a list view in report view. Sub-item 0 is the item's label.
class ListViewModel {
 public:
  struct Column {
    int fmt = LVCFMT_LEFT;
    int cx = 60;
    std::wstring text;
  };
  struct Cell {
    std::wstring text;
    bool callback = false;  // LPSTR_TEXTCALLBACKW: ask the parent through LVN_GETDISPINFOW
  };
  struct Item {
    std::vector<Cell> cells;  // at least one
    int image = -1;
    bool imageCallback = false;
    LPARAM param = 0;
    UINT state = 0;  // LVIS_SELECTED, LVIS_FOCUSED
  };

  int Count() const { return static_cast<int>(items_.size()); }
  bool Valid(int index) const { return index >= 0 && index < Count(); }
  Item* At(int index) { return Valid(index) ? &items_[index] : nullptr; }
  const Item* At(int index) const { return Valid(index) ? &items_[index] : nullptr; }
  // Inserts at `index` (past the end appends); -1 for a negative index.
  int Insert(int index, Item item);
  bool Delete(int index);
  void Clear() { items_.clear(); }
  void Reserve(int n) { items_.reserve(n > 0 ? n : 0); }

  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  Column* ColumnAt(int index) {
    return index >= 0 && index < ColumnCount() ? &columns_[index] : nullptr;
  }
  int InsertColumn(int index, Column column);
  bool DeleteColumn(int index);

  // The next item from `start` (exclusive; -1 starts at 0) matching LVNI_* flags; -1 when none.
  int Next(int start, UINT flags) const;
  int SelectedCount() const;

  int selectionMark = -1;

 private:
  std::vector<Item> items_;
  std::vector<Column> columns_;
};

// The nodes of a tree view. HTREEITEM values are node addresses, checked against the set of
// live nodes before use, so a deleted or foreign handle is refused rather than followed.
class TreeModel {
 public:
  struct Node {
    Node* parent = nullptr;
    Node* firstChild = nullptr;
    Node* next = nullptr;
    Node* prev = nullptr;
    std::wstring text;
    bool textCallback = false;
    int image = 0, selectedImage = 0;
    int children = 0;  // cChildren as given (I_CHILDRENCALLBACK or a count hint)
    LPARAM param = 0;
    UINT state = 0;  // TVIS_EXPANDED, TVIS_SELECTED, TVIS_BOLD, TVIS_EXPANDEDONCE
  };

  TreeModel() = default;
  TreeModel(const TreeModel&) = delete;
  TreeModel& operator=(const TreeModel&) = delete;
  ~TreeModel() { Clear(); }

  Node* Get(HTREEITEM h) const;
  static HTREEITEM Handle(const Node* n) { return reinterpret_cast<HTREEITEM>(const_cast<Node*>(n)); }
  // `parent` null or TVI_ROOT for the top level; `after` a sibling, TVI_FIRST, TVI_LAST or
  // TVI_SORT. Null when the parent or the sibling is not a live node of this tree.
  Node* Insert(HTREEITEM parent, HTREEITEM after, const std::wstring& text);
  // Deletes the node and its subtree, calling `onDelete` for each before it goes.
  template <typename F>
  void Delete(Node* n, F&& onDelete) {
    while (n->firstChild) Delete(n->firstChild, onDelete);
    onDelete(n);
    Unlink(n);
    live_.erase(n);
    delete n;
  }
  void Clear();
  Node* FirstRoot() const { return first_; }
  int Count() const { return static_cast<int>(live_.size()); }
  // Sorts the children of `parent` (null: the top level) by text, ignoring case; with
  // `recurse` their descendants too. Equal texts keep their order.
  void SortChildren(Node* parent, bool recurse);
  // Sorts with a caller's comparison of item params.
  void SortChildren(Node* parent, PFNTVCOMPARE cmp, LPARAM lParam);
  // Visible order: depth first, descending only into expanded nodes.
  Node* NextVisible(const Node* n) const;
  Node* PrevVisible(const Node* n) const;
  Node* LastVisible() const;
  bool IsVisible(const Node* n) const;  // every ancestor expanded

 private:
  void Unlink(Node* n);
  void LinkAfter(Node* parent, Node* prev, Node* n);
  Node*& FirstOf(Node* parent) { return parent ? parent->firstChild : first_; }
  template <typename Less>
  void SortLevel(Node* parent, Less less);

  Node* first_ = nullptr;
  std::unordered_set<const Node*> live_;
};

}  // namespace vplat::ui
