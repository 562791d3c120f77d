// "SysTreeView32": items in a tree with texts, data and images, expanded and collapsed with a
// tap on the +/- box, a double tap or the arrow keys. Expanding asks the parent first
// (TVN_ITEMEXPANDING may refuse); a new selection is announced with TVN_SELCHANGING (which may
// refuse) and TVN_SELCHANGED, whoever made it.
#include <algorithm>
#include <functional>

#include "platform/ui/control.h"
#include "platform/ui/models.h"

namespace vplat::ui {
namespace {

constexpr int kIndent = 12;   // pixels per level
constexpr int kBoxSize = 9;   // pixels, the +/- box

using Node = TreeModel::Node;

struct TreeState : ControlState {
  TreeModel tree;
  Node* selected = nullptr;
  Node* top = nullptr;  // first visible row
  HIMAGELIST images = nullptr, stateImages = nullptr;
  HTREEITEM lastDown = nullptr;
  DWORD lastDownTime = 0;
};

TreeState* StateOf(HWND hwnd) { return GetState<TreeState>(hwnd); }

int Depth(const Node* n) {
  int d = 0;
  for (const Node* p = n->parent; p; p = p->parent) ++d;
  return d;
}

bool HasChildren(const Node* n) { return n->firstChild || n->children != 0; }
bool RootLines(HWND hwnd) { return (Style(hwnd) & TVS_LINESATROOT) != 0; }

int Rows(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  return std::max(1, static_cast<int>(rc.bottom) / kRowHeight);
}

// Index of `n` among the visible rows counted from the first root; -1 when hidden.
int VisibleIndex(const TreeModel& t, const Node* n) {
  int i = 0;
  for (Node* v = t.FirstRoot(); v; v = t.NextVisible(v), ++i)
    if (v == n) return i;
  return -1;
}

Node* VisibleAt(const TreeModel& t, int index) {
  Node* v = t.FirstRoot();
  for (int i = 0; v && i < index; ++i) v = t.NextVisible(v);
  return v;
}

int VisibleCount(const TreeModel& t) {
  int n = 0;
  for (Node* v = t.FirstRoot(); v; v = t.NextVisible(v)) ++n;
  return n;
}

// Keeps the first shown row valid and the list filled to the bottom where it can be.
void FixTop(HWND hwnd, TreeState* st) {
  int topIndex = st->top && st->tree.IsVisible(st->top) ? VisibleIndex(st->tree, st->top) : 0;
  int maxTop = std::max(0, VisibleCount(st->tree) - Rows(hwnd));
  st->top = VisibleAt(st->tree, std::clamp(topIndex, 0, maxTop));
}

void EnsureVisibleNode(HWND hwnd, TreeState* st, Node* n) {
  for (Node* p = n->parent; p; p = p->parent) p->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
  int i = VisibleIndex(st->tree, n);
  int topIndex = st->top ? VisibleIndex(st->tree, st->top) : 0;
  if (topIndex < 0) topIndex = 0;
  if (i < topIndex) topIndex = i;
  else if (i >= topIndex + Rows(hwnd)) topIndex = i - Rows(hwnd) + 1;
  st->top = VisibleAt(st->tree, topIndex);
  FixTop(hwnd, st);
}

void FillItem(const Node* n, TVITEMW* item, UINT mask) {
  item->mask = mask;
  item->hItem = TreeModel::Handle(n);
  if (!n) return;
  item->state = n->state;
  item->stateMask = 0xFFFF;
  item->lParam = n->param;
  item->iImage = n->image;
  item->iSelectedImage = n->selectedImage;
}

// Expands, collapses or toggles with TVN_ITEMEXPANDING and TVN_ITEMEXPANDED. False when nothing
// changed (already so, refused, or the item went away).
bool Expand(HWND hwnd, Node* n, UINT code, UINT action) {
  TreeState* st = StateOf(hwnd);
  if (!st || !n) return false;
  bool open = (n->state & TVIS_EXPANDED) != 0;
  UINT op = code & 3;
  bool want = op == TVE_TOGGLE ? !open : op == TVE_EXPAND;
  if (op == 0 || want == open) return false;
  if (want && !HasChildren(n)) return false;
  NMTREEVIEWW nm{};
  nm.action = want ? TVE_EXPAND : TVE_COLLAPSE;
  FillItem(n, &nm.itemNew, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
  HTREEITEM h = TreeModel::Handle(n);
  if (NotifyParent(hwnd, TVN_ITEMEXPANDINGW, &nm.hdr)) return false;
  if (!(st = StateOf(hwnd)) || !(n = st->tree.Get(h))) return false;
  if (want) n->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
  else n->state &= ~TVIS_EXPANDED;
  // A collapse that hides the selection moves it to the collapsed item, as the user sees it.
  if (!want && st->selected && !st->tree.IsVisible(st->selected)) st->selected = n;
  FixTop(hwnd, st);
  InvalidateRect(hwnd, nullptr, FALSE);
  FillItem(n, &nm.itemNew, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
  NotifyParent(hwnd, TVN_ITEMEXPANDEDW, &nm.hdr);
  (void)action;
  return true;
}

// Selects `n` (null clears) with TVN_SELCHANGING and TVN_SELCHANGED. False when refused.
bool Select(HWND hwnd, Node* n, UINT action) {
  TreeState* st = StateOf(hwnd);
  if (!st || st->selected == n) return st != nullptr;
  NMTREEVIEWW nm{};
  nm.action = action;
  FillItem(st->selected, &nm.itemOld, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
  FillItem(n, &nm.itemNew, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
  HTREEITEM h = TreeModel::Handle(n);
  if (NotifyParent(hwnd, TVN_SELCHANGINGW, &nm.hdr)) return false;
  if (!(st = StateOf(hwnd))) return false;
  n = n ? st->tree.Get(h) : nullptr;
  if (h && !n) return false;
  if (st->selected) st->selected->state &= ~TVIS_SELECTED;
  st->selected = n;
  if (n) {
    n->state |= TVIS_SELECTED;
    EnsureVisibleNode(hwnd, st, n);
  }
  InvalidateRect(hwnd, nullptr, FALSE);
  FillItem(n, &nm.itemNew, TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
  NotifyParent(hwnd, TVN_SELCHANGEDW, &nm.hdr);
  return true;
}

std::wstring NodeText(HWND hwnd, Node* n) {
  if (!n->textCallback) return n->text;
  wchar_t buffer[260] = {};
  NMTVDISPINFOW di{};
  di.item.mask = TVIF_TEXT;
  di.item.hItem = TreeModel::Handle(n);
  di.item.pszText = buffer;
  di.item.cchTextMax = 260;
  di.item.lParam = n->param;
  NotifyParent(hwnd, TVN_GETDISPINFOW, &di.hdr);
  return di.item.pszText && di.item.pszText != LPSTR_TEXTCALLBACKW ? di.item.pszText : L"";
}

int LevelLeft(HWND hwnd, const Node* n) { return (Depth(n) + (RootLines(hwnd) ? 1 : 0)) * kIndent + 2; }

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  TreeState* st = StateOf(hwnd);
  RECT rc;
  GetClientRect(hwnd, &rc);
  FillSolid(dc, rc, SysColor(COLOR_WINDOW));
  if (st) {
    FixTop(hwnd, st);
    HGDIOBJ oldFont = SelectObject(dc, ControlFont(hwnd));
    bool bar = VisibleCount(st->tree) > Rows(hwnd);
    int right = bar ? rc.right - kArrowWidth : rc.right;
    // Collected first: a text callback may change the tree under us.
    std::vector<HTREEITEM> rows;
    for (Node* n = st->top; n && static_cast<int>(rows.size()) * kRowHeight < rc.bottom; n = st->tree.NextVisible(n))
      rows.push_back(TreeModel::Handle(n));
    for (size_t r = 0; r < rows.size(); ++r) {
      if (!(st = StateOf(hwnd))) break;
      Node* n = st->tree.Get(rows[r]);
      if (!n) continue;
      int y = static_cast<int>(r) * kRowHeight;
      int x = LevelLeft(hwnd, n);
      if ((Style(hwnd) & TVS_HASBUTTONS) && HasChildren(n) && (n->parent || RootLines(hwnd))) {
        RECT box{x - kIndent + 1, y + (kRowHeight - kBoxSize) / 2, x - kIndent + 1 + kBoxSize,
                 y + (kRowHeight - kBoxSize) / 2 + kBoxSize};
        FrameSolid(dc, box, SysColor(COLOR_BTNSHADOW));
        int cy = (box.top + box.bottom) / 2, cx = (box.left + box.right) / 2;
        DrawLineSolid(dc, box.left + 2, cy, box.right - 2, cy, SysColor(COLOR_WINDOWTEXT));
        if (!(n->state & TVIS_EXPANDED)) DrawLineSolid(dc, cx, box.top + 2, cx, box.bottom - 2, SysColor(COLOR_WINDOWTEXT));
      }
      if (st->images) {
        int image = n == st->selected ? n->selectedImage : n->image;
        int iw = 16, ih = 16;
        ImageList_GetIconSize(st->images, &iw, &ih);
        if (image >= 0) ImageList_Draw(st->images, image, dc, x, y + (kRowHeight - ih) / 2, ILD_TRANSPARENT);
        x += iw + 2;
      }
      std::wstring text = NodeText(hwnd, n);
      if (!(st = StateOf(hwnd))) break;
      bool sel = st->tree.Get(rows[r]) == st->selected && st->selected;
      RECT tr{x, y, std::min(right, x + TextWidth(dc, text) + 4), y + kRowHeight};
      if (sel) FillSolid(dc, tr, SysColor(COLOR_HIGHLIGHT));
      DrawTextIn(dc, text, RECT{x + 2, y, right, y + kRowHeight}, DT_LEFT | DT_SINGLELINE | DT_VCENTER,
                 sel ? SysColor(COLOR_HIGHLIGHTTEXT) : SysColor(IsWindowEnabled(hwnd) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    }
    if ((st = StateOf(hwnd)) && bar) {
      int count = VisibleCount(st->tree);
      DrawVScrollBar(dc, RECT{right, 0, rc.right, rc.bottom}, 0, count - 1, Rows(hwnd),
                     st->top ? VisibleIndex(st->tree, st->top) : 0);
    }
    SelectObject(dc, oldFont);
  }
  EndPaint(hwnd, &ps);
  PaintBorder(hwnd);
}

// Applies TVITEMW fields to a node.
void SetItem(TreeState* st, Node* n, const TVITEMW* it) {
  if (it->mask & TVIF_TEXT) {
    n->textCallback = it->pszText == LPSTR_TEXTCALLBACKW;
    n->text = n->textCallback || !it->pszText ? L"" : it->pszText;
  }
  if (it->mask & TVIF_IMAGE) n->image = it->iImage;
  if (it->mask & TVIF_SELECTEDIMAGE) n->selectedImage = it->iSelectedImage;
  if (it->mask & TVIF_PARAM) n->param = it->lParam;
  if (it->mask & TVIF_CHILDREN) n->children = it->cChildren;
  if (it->mask & TVIF_STATE) {
    // Selection goes through TVM_SELECTITEM; the other bits are the caller's to set.
    UINT mask = it->stateMask & (TVIS_BOLD | TVIS_EXPANDED | TVIS_EXPANDEDONCE);
    n->state = (n->state & ~mask) | (it->state & mask);
  }
  (void)st;
}

HTREEITEM NextItem(TreeState* st, UINT code, Node* n) {
  TreeModel& t = st->tree;
  Node* r = nullptr;
  switch (code) {
    case TVGN_ROOT: r = t.FirstRoot(); break;
    case TVGN_CARET: r = st->selected; break;
    case TVGN_FIRSTVISIBLE: r = st->top ? st->top : t.FirstRoot(); break;
    case TVGN_LASTVISIBLE: r = t.LastVisible(); break;
    case TVGN_DROPHILITE: r = nullptr; break;
    case TVGN_NEXT: r = n ? n->next : nullptr; break;
    case TVGN_PREVIOUS: r = n ? n->prev : nullptr; break;
    case TVGN_PARENT: r = n ? n->parent : nullptr; break;
    case TVGN_CHILD: r = n ? n->firstChild : t.FirstRoot(); break;
    case TVGN_NEXTVISIBLE: r = n && t.IsVisible(n) ? t.NextVisible(n) : nullptr; break;
    case TVGN_PREVIOUSVISIBLE: r = n && t.IsVisible(n) ? t.PrevVisible(n) : nullptr; break;
  }
  return TreeModel::Handle(r);
}

void DeleteNode(HWND hwnd, TreeState* st, Node* n) {
  // Gathered first so the notifications cannot meet a half-unlinked tree.
  std::vector<std::pair<HTREEITEM, LPARAM>> gone;
  std::function<void(Node*)> collect = [&](Node* x) {
    for (Node* c = x->firstChild; c; c = c->next) collect(c);
    gone.push_back({TreeModel::Handle(x), x->param});
  };
  collect(n);
  bool selectedGoes = false;
  for (Node* p = st->selected; p; p = p->parent) selectedGoes |= p == n;
  bool topGoes = false;
  for (Node* p = st->top; p; p = p->parent) topGoes |= p == n;
  if (selectedGoes) st->selected = nullptr;
  if (topGoes) st->top = nullptr;
  st->tree.Delete(n, [](Node*) {});
  for (auto& [h, param] : gone) {
    NMTREEVIEWW nm{};
    nm.itemOld.mask = TVIF_HANDLE | TVIF_PARAM;
    nm.itemOld.hItem = h;
    nm.itemOld.lParam = param;
    NotifyParent(hwnd, TVN_DELETEITEMW, &nm.hdr);
    if (!StateOf(hwnd)) return;
  }
  FixTop(hwnd, StateOf(hwnd));
  InvalidateRect(hwnd, nullptr, FALSE);
}

void PenDown(HWND hwnd, UINT msg, int x, int y) {
  if (GetFocus() != hwnd) SetFocus(hwnd);
  TreeState* st = StateOf(hwnd);
  if (!st) return;
  RECT rc;
  GetClientRect(hwnd, &rc);
  int count = VisibleCount(st->tree);
  if (count > Rows(hwnd) && x >= rc.right - kArrowWidth) {
    int topIndex = st->top ? VisibleIndex(st->tree, st->top) : 0;
    topIndex += y < rc.bottom / 2 ? -Rows(hwnd) : Rows(hwnd);
    st->top = VisibleAt(st->tree, std::clamp(topIndex, 0, std::max(0, count - Rows(hwnd))));
    InvalidateRect(hwnd, nullptr, FALSE);
    return;
  }
  int topIndex = st->top ? VisibleIndex(st->tree, st->top) : 0;
  Node* n = VisibleAt(st->tree, topIndex + y / kRowHeight);
  if (!n) return;
  HTREEITEM h = TreeModel::Handle(n);
  int left = LevelLeft(hwnd, n);
  DWORD now = GetTickCount();
  bool dbl = h == st->lastDown && (msg == WM_LBUTTONDBLCLK || now - st->lastDownTime < kDoubleTapMs);
  st->lastDown = dbl ? nullptr : h;
  st->lastDownTime = now;
  if (x >= left - kIndent && x < left && HasChildren(n)) {
    Expand(hwnd, n, TVE_TOGGLE, TVC_BYMOUSE);
    return;
  }
  if (!Select(hwnd, n, TVC_BYMOUSE)) return;
  if (!(st = StateOf(hwnd)) || !(n = st->tree.Get(h))) return;
  NMHDR hdr{};
  NotifyParent(hwnd, dbl ? NM_DBLCLK : NM_CLICK, &hdr);
  if (dbl && (st = StateOf(hwnd)) && (n = st->tree.Get(h))) Expand(hwnd, n, TVE_TOGGLE, TVC_BYMOUSE);
}

void KeyDown(HWND hwnd, WPARAM key) {
  TreeState* st = StateOf(hwnd);
  Node* cur = st->selected;
  TreeModel& t = st->tree;
  Node* to = nullptr;
  switch (key) {
    case VK_UP: to = cur ? t.PrevVisible(cur) : t.FirstRoot(); break;
    case VK_DOWN: to = cur ? t.NextVisible(cur) : t.FirstRoot(); break;
    case VK_HOME: to = t.FirstRoot(); break;
    case VK_END: to = t.LastVisible(); break;
    case VK_RIGHT:
      if (!cur) return;
      if (HasChildren(cur) && !(cur->state & TVIS_EXPANDED)) {
        Expand(hwnd, cur, TVE_EXPAND, TVC_BYKEYBOARD);
        return;
      }
      to = cur->firstChild;
      break;
    case VK_LEFT:
      if (!cur) return;
      if (cur->state & TVIS_EXPANDED) {
        Expand(hwnd, cur, TVE_COLLAPSE, TVC_BYKEYBOARD);
        return;
      }
      to = cur->parent;
      break;
    default:
      DialogKey(hwnd, WM_KEYDOWN, key);
      return;
  }
  if (to) Select(hwnd, to, TVC_BYKEYBOARD);
}

LRESULT CALLBACK TreeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r;
  if (HandleFontMessages(hwnd, msg, wParam, lParam, &r)) return r;
  TreeState* st = StateOf(hwnd);
  if (!st && msg != WM_CREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  auto redraw = [&] { InvalidateRect(hwnd, nullptr, FALSE); };
  switch (msg) {
    case WM_CREATE:
      SetState(hwnd, std::make_unique<TreeState>());
      return 0;
    case WM_DESTROY:
      while (StateOf(hwnd) && StateOf(hwnd)->tree.FirstRoot())
        DeleteNode(hwnd, StateOf(hwnd), StateOf(hwnd)->tree.FirstRoot());
      DropState(hwnd);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case TVM_INSERTITEMW: {
      auto* ins = reinterpret_cast<const TVINSERTSTRUCTW*>(lParam);
      if (!ins) return 0;
      bool callback = (ins->item.mask & TVIF_TEXT) && ins->item.pszText == LPSTR_TEXTCALLBACKW;
      std::wstring text = (ins->item.mask & TVIF_TEXT) && ins->item.pszText && !callback ? ins->item.pszText : L"";
      Node* n = st->tree.Insert(ins->hParent, ins->hInsertAfter, text);
      if (!n) return 0;
      TVITEMW it = ins->item;
      it.mask &= ~TVIF_TEXT;
      SetItem(st, n, &it);
      n->textCallback = callback;
      FixTop(hwnd, st);
      redraw();
      return reinterpret_cast<LRESULT>(TreeModel::Handle(n));
    }
    case TVM_DELETEITEM: {
      HTREEITEM h = reinterpret_cast<HTREEITEM>(lParam);
      if (h == TVI_ROOT || h == nullptr) {
        while ((st = StateOf(hwnd)) && st->tree.FirstRoot()) DeleteNode(hwnd, st, st->tree.FirstRoot());
        return TRUE;
      }
      Node* n = st->tree.Get(h);
      if (!n) return FALSE;
      DeleteNode(hwnd, st, n);
      return TRUE;
    }
    case TVM_EXPAND:
      return Expand(hwnd, st->tree.Get(reinterpret_cast<HTREEITEM>(lParam)), static_cast<UINT>(wParam), TVC_UNKNOWN);
    case TVM_GETCOUNT:
      return st->tree.Count();
    case TVM_GETVISIBLECOUNT:
      return Rows(hwnd);
    case TVM_GETNEXTITEM: {
      HTREEITEM h = reinterpret_cast<HTREEITEM>(lParam);
      Node* n = st->tree.Get(h);
      if (h && h != TVI_ROOT && !n) return 0;
      return reinterpret_cast<LRESULT>(NextItem(st, static_cast<UINT>(wParam), n));
    }
    case TVM_SELECTITEM: {
      HTREEITEM h = reinterpret_cast<HTREEITEM>(lParam);
      Node* n = st->tree.Get(h);
      if (h && !n) return FALSE;
      if (wParam == TVGN_FIRSTVISIBLE) {
        if (!n) return FALSE;
        EnsureVisibleNode(hwnd, st, n);
        st->top = n;
        FixTop(hwnd, st);
        redraw();
        return TRUE;
      }
      if (wParam != TVGN_CARET) return wParam == TVGN_DROPHILITE;
      return Select(hwnd, n, TVC_UNKNOWN);
    }
    case TVM_ENSUREVISIBLE: {
      Node* n = st->tree.Get(reinterpret_cast<HTREEITEM>(lParam));
      if (!n) return FALSE;
      EnsureVisibleNode(hwnd, st, n);
      redraw();
      return TRUE;
    }
    case TVM_GETITEMW: {
      auto* it = reinterpret_cast<TVITEMW*>(lParam);
      Node* n = it ? st->tree.Get(it->hItem) : nullptr;
      if (!n) return FALSE;
      if (it->mask & TVIF_TEXT) {
        std::wstring text = NodeText(hwnd, n);
        if (!(st = StateOf(hwnd)) || !(n = st->tree.Get(it->hItem))) return FALSE;
        if (it->pszText && it->cchTextMax > 0) {
          size_t k = std::min(text.size(), static_cast<size_t>(it->cchTextMax - 1));
          text.copy(it->pszText, k);
          it->pszText[k] = 0;
        }
      }
      if (it->mask & TVIF_STATE) it->state = n->state & it->stateMask;
      if (it->mask & TVIF_PARAM) it->lParam = n->param;
      if (it->mask & TVIF_IMAGE) it->iImage = n->image;
      if (it->mask & TVIF_SELECTEDIMAGE) it->iSelectedImage = n->selectedImage;
      if (it->mask & TVIF_CHILDREN) it->cChildren = n->firstChild ? 1 : n->children;
      return TRUE;
    }
    case TVM_SETITEMW: {
      auto* it = reinterpret_cast<const TVITEMW*>(lParam);
      Node* n = it ? st->tree.Get(it->hItem) : nullptr;
      if (!n) return FALSE;
      SetItem(st, n, it);
      FixTop(hwnd, st);
      redraw();
      return TRUE;
    }
    case TVM_GETITEMSTATE: {
      Node* n = st->tree.Get(reinterpret_cast<HTREEITEM>(wParam));
      return n ? n->state & static_cast<UINT>(lParam) : 0;
    }
    case TVM_SORTCHILDREN: {
      HTREEITEM h = reinterpret_cast<HTREEITEM>(lParam);
      Node* n = st->tree.Get(h);
      if (h && h != TVI_ROOT && !n) return FALSE;
      st->tree.SortChildren(n, wParam != 0);
      FixTop(hwnd, st);
      redraw();
      return TRUE;
    }
    case TVM_SORTCHILDRENCB: {
      auto* sort = reinterpret_cast<const TVSORTCB*>(lParam);
      if (!sort || !sort->lpfnCompare) return FALSE;
      Node* n = st->tree.Get(sort->hParent);
      if (sort->hParent && sort->hParent != TVI_ROOT && !n) return FALSE;
      st->tree.SortChildren(n, sort->lpfnCompare, sort->lParam);
      FixTop(hwnd, st);
      redraw();
      return TRUE;
    }
    case TVM_SETIMAGELIST: {
      HIMAGELIST* slot = wParam == TVSIL_NORMAL ? &st->images : wParam == TVSIL_STATE ? &st->stateImages : nullptr;
      if (!slot) return 0;
      HIMAGELIST old = *slot;
      *slot = reinterpret_cast<HIMAGELIST>(lParam);
      redraw();
      return reinterpret_cast<LRESULT>(old);
    }
    case TVM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(wParam == TVSIL_NORMAL ? st->images : wParam == TVSIL_STATE ? st->stateImages : nullptr);
    case TVM_GETITEMRECT: {
      auto* rc = reinterpret_cast<RECT*>(lParam);
      if (!rc) return FALSE;
      Node* n = st->tree.Get(*reinterpret_cast<HTREEITEM*>(rc));
      if (!n || !st->tree.IsVisible(n)) return FALSE;
      int row = VisibleIndex(st->tree, n) - (st->top ? VisibleIndex(st->tree, st->top) : 0);
      RECT client;
      GetClientRect(hwnd, &client);
      *rc = RECT{wParam ? LevelLeft(hwnd, n) : 0, row * kRowHeight, client.right, (row + 1) * kRowHeight};
      return TRUE;
    }
    case TVM_HITTEST: {
      auto* ht = reinterpret_cast<TVHITTESTINFO*>(lParam);
      if (!ht) return 0;
      int topIndex = st->top ? VisibleIndex(st->tree, st->top) : 0;
      Node* n = ht->pt.y >= 0 ? VisibleAt(st->tree, topIndex + ht->pt.y / kRowHeight) : nullptr;
      ht->hItem = TreeModel::Handle(n);
      ht->flags = TVHT_NOWHERE;
      if (n) {
        int left = LevelLeft(hwnd, n);
        ht->flags = ht->pt.x < left - kIndent ? TVHT_ONITEMINDENT : ht->pt.x < left ? TVHT_ONITEMBUTTON : TVHT_ONITEMLABEL;
      }
      return reinterpret_cast<LRESULT>(ht->hItem);
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      PenDown(hwnd, msg, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_KEYDOWN:
      KeyDown(hwnd, wParam);
      return 0;
    case WM_CHAR:
      DialogKey(hwnd, msg, wParam);
      return 0;
    case WM_SIZE:
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      redraw();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterTreeViewClass() {
  WNDCLASSW wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = TreeProc;
  wc.lpszClassName = WC_TREEVIEWW;
  RegisterClassW(&wc);
}

}  // namespace vplat::ui
