// The user-interface part of the device layer: standard and common controls, dialogs from our
// own templates, message boxes, menus and accelerators, the command bar and the shell functions
// (full screen, input panel, gestures). Constant values are the handheld platform's, because
// application code and stored resources carry them as numbers.
#pragma once

#include "platform/win_types.h"
#include "platform/core/wincore.h"
#include "platform/gdi/wingdi.h"

// ---- messages this layer sends or answers (core may already name them) ----
#ifndef WM_USER
#define WM_USER 0x0400
#endif
#ifndef WM_NOTIFY
#define WM_NOTIFY 0x004E
#endif
#ifndef WM_INITDIALOG
#define WM_INITDIALOG 0x0110
#endif
#ifndef WM_COMMAND
#define WM_COMMAND 0x0111
#endif
#ifndef WM_HSCROLL
#define WM_HSCROLL 0x0114
#endif
#ifndef WM_VSCROLL
#define WM_VSCROLL 0x0115
#endif
#ifndef WM_INITMENUPOPUP
#define WM_INITMENUPOPUP 0x0117
#endif
#ifndef WM_CTLCOLORSTATIC
#define WM_CTLCOLORSTATIC 0x0138
#endif
#ifndef WM_CTLCOLOREDIT
#define WM_CTLCOLOREDIT 0x0133
#endif
#ifndef WM_CTLCOLORLISTBOX
#define WM_CTLCOLORLISTBOX 0x0134
#endif
#ifndef WM_CTLCOLORBTN
#define WM_CTLCOLORBTN 0x0135
#endif
#ifndef WM_CTLCOLORDLG
#define WM_CTLCOLORDLG 0x0136
#endif
#ifndef WM_DRAWITEM
#define WM_DRAWITEM 0x002B
#endif
#ifndef WM_MEASUREITEM
#define WM_MEASUREITEM 0x002C
#endif
#ifndef WM_GETDLGCODE
#define WM_GETDLGCODE 0x0087
#endif
#ifndef WM_NEXTDLGCTL
#define WM_NEXTDLGCTL 0x0028
#endif
#ifndef WM_CANCELMODE
#define WM_CANCELMODE 0x001F
#endif

// ---- dialog answers and message boxes ----
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONMASK 0x000000F0L
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFMASK 0x00000F00L
#define MB_APPLMODAL 0x00000000L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L

// ---- dialogs ----
#define DS_ABSALIGN 0x01L
#define DS_SYSMODAL 0x02L
#define DS_3DLOOK 0x04L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define DS_SETFOREGROUND 0x200L
#define DS_CONTROL 0x400L
#define DS_CENTER 0x800L

#define DLGC_WANTARROWS 0x0001
#define DLGC_WANTTAB 0x0002
#define DLGC_WANTALLKEYS 0x0004
#define DLGC_WANTMESSAGE 0x0004
#define DLGC_HASSETSEL 0x0008
#define DLGC_DEFPUSHBUTTON 0x0010
#define DLGC_UNDEFPUSHBUTTON 0x0020
#define DLGC_RADIOBUTTON 0x0040
#define DLGC_WANTCHARS 0x0080
#define DLGC_STATIC 0x0100
#define DLGC_BUTTON 0x2000

#define DM_GETDEFID (WM_USER + 0)
#define DM_SETDEFID (WM_USER + 1)
#define DC_HASDEFID 0x534B

// Our dialog-template format: C++ tables registered as resources of type RT_DIALOG and handed
// to the *Indirect* functions as they are. Rectangles are in screen pixels of the 240 x 320
// device (no dialog units: there is one screen and one system font). `magic` lets the loader
// refuse a pointer that is not a template instead of reading garbage.
#define DLGTEMPLATE_MAGIC 0x564C4447u  // "GDLV"
struct DLGITEMTEMPLATEW {
  const wchar_t* className;  // "button", "edit", "SysListView32", ... (registered class name)
  int id;                    // control id; -1 (0xFFFF) for statics nobody addresses
  const wchar_t* text;       // may be null
  DWORD style;               // WS_CHILD and WS_VISIBLE are added by the loader
  DWORD exStyle;
  int x, y, cx, cy;          // pixels, relative to the dialog's client area
};
struct DLGTEMPLATEW {
  DWORD magic;  // DLGTEMPLATE_MAGIC
  int id;       // the template's resource id: the harness scripts dialogs by it
  DWORD style;
  DWORD exStyle;
  const wchar_t* caption;
  const wchar_t* fontFace;  // null: the system font
  int fontSize;             // pixels; 0: the system size
  int x, y, cx, cy;         // pixels; a child dialog's position is relative to its parent
  const DLGITEMTEMPLATEW* items;
  int itemCount;
};
typedef DLGTEMPLATEW DLGTEMPLATE;
typedef const DLGTEMPLATEW* LPCDLGTEMPLATEW;
typedef const DLGTEMPLATEW* LPCDLGTEMPLATE;

// ---- common notifications (NMHDR and DRAWITEMSTRUCT come with the window manager) ----
#define NM_FIRST 0U
#define NM_OUTOFMEMORY (NM_FIRST - 1)
#define NM_CLICK (NM_FIRST - 2)
#define NM_DBLCLK (NM_FIRST - 3)
#define NM_RETURN (NM_FIRST - 4)
#define NM_RCLICK (NM_FIRST - 5)
#define NM_RDBLCLK (NM_FIRST - 6)
#define NM_SETFOCUS (NM_FIRST - 7)
#define NM_KILLFOCUS (NM_FIRST - 8)

struct MEASUREITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemWidth;
  UINT itemHeight;
  ULONG_PTR itemData;
};
typedef MEASUREITEMSTRUCT* LPMEASUREITEMSTRUCT;

// ---- "button" ----
#define BS_PUSHBUTTON 0x0000L
#define BS_DEFPUSHBUTTON 0x0001L
#define BS_CHECKBOX 0x0002L
#define BS_AUTOCHECKBOX 0x0003L
#define BS_RADIOBUTTON 0x0004L
#define BS_3STATE 0x0005L
#define BS_AUTO3STATE 0x0006L
#define BS_GROUPBOX 0x0007L
#define BS_AUTORADIOBUTTON 0x0009L
#define BS_OWNERDRAW 0x000BL
#define BS_TYPEMASK 0x000FL
#define BS_LEFTTEXT 0x0020L
#define BS_LEFT 0x0100L
#define BS_RIGHT 0x0200L
#define BS_CENTER 0x0300L
#define BS_PUSHLIKE 0x1000L
#define BS_MULTILINE 0x2000L
#define BS_NOTIFY 0x4000L

#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_GETSTATE 0x00F2
#define BM_SETSTATE 0x00F3
#define BM_SETSTYLE 0x00F4
#define BM_CLICK 0x00F5
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_INDETERMINATE 0x0002
#define BST_PUSHED 0x0004
#define BST_FOCUS 0x0008
#define BN_CLICKED 0
#define BN_DBLCLK 5
#define BN_SETFOCUS 6
#define BN_KILLFOCUS 7

// ---- "static" ----
#define SS_LEFT 0x0000L
#define SS_CENTER 0x0001L
#define SS_RIGHT 0x0002L
#define SS_ICON 0x0003L
#define SS_BLACKRECT 0x0004L
#define SS_LEFTNOWORDWRAP 0x000CL
#define SS_BITMAP 0x000EL
#define SS_TYPEMASK 0x001FL
#define SS_NOPREFIX 0x0080L
#define SS_NOTIFY 0x0100L
#define SS_CENTERIMAGE 0x0200L
#define STM_SETICON 0x0170
#define STM_GETICON 0x0171
#define STM_SETIMAGE 0x0172
#define STM_GETIMAGE 0x0173
#define STN_CLICKED 0
#define STN_DBLCLK 1
#ifndef IMAGE_BITMAP
#define IMAGE_BITMAP 0
#endif
#ifndef IMAGE_ICON
#define IMAGE_ICON 1
#endif

// ---- "edit" ----
#define ES_LEFT 0x0000L
#define ES_CENTER 0x0001L
#define ES_RIGHT 0x0002L
#define ES_MULTILINE 0x0004L
#define ES_UPPERCASE 0x0008L
#define ES_LOWERCASE 0x0010L
#define ES_PASSWORD 0x0020L
#define ES_AUTOVSCROLL 0x0040L
#define ES_AUTOHSCROLL 0x0080L
#define ES_NOHIDESEL 0x0100L
#define ES_READONLY 0x0800L
#define ES_WANTRETURN 0x1000L
#define ES_NUMBER 0x2000L

#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_SCROLLCARET 0x00B7
#define EM_GETMODIFY 0x00B8
#define EM_SETMODIFY 0x00B9
#define EM_GETLINECOUNT 0x00BA
#define EM_LINEINDEX 0x00BB
#define EM_LINELENGTH 0x00C1
#define EM_REPLACESEL 0x00C2
#define EM_GETLINE 0x00C4
#define EM_LIMITTEXT 0x00C5
#define EM_SETLIMITTEXT EM_LIMITTEXT
#define EM_LINEFROMCHAR 0x00C9
#define EM_SETPASSWORDCHAR 0x00CC
#define EM_SETREADONLY 0x00CF
#define EM_GETLIMITTEXT 0x00D5
#define EN_SETFOCUS 0x0100
#define EN_KILLFOCUS 0x0200
#define EN_CHANGE 0x0300
#define EN_UPDATE 0x0400
#define EN_MAXTEXT 0x0501

// ---- "listbox" ----
#define LBS_NOTIFY 0x0001L
#define LBS_SORT 0x0002L
#define LBS_NOREDRAW 0x0004L
#define LBS_MULTIPLESEL 0x0008L
#define LBS_OWNERDRAWFIXED 0x0010L
#define LBS_HASSTRINGS 0x0040L
#define LBS_NOINTEGRALHEIGHT 0x0100L
#define LBS_EXTENDEDSEL 0x0800L
#define LBS_NOSEL 0x4000L

#define LB_ADDSTRING 0x0180
#define LB_INSERTSTRING 0x0181
#define LB_DELETESTRING 0x0182
#define LB_RESETCONTENT 0x0184
#define LB_SETSEL 0x0185
#define LB_SETCURSEL 0x0186
#define LB_GETSEL 0x0187
#define LB_GETCURSEL 0x0188
#define LB_GETTEXT 0x0189
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_SELECTSTRING 0x018C
#define LB_GETTOPINDEX 0x018E
#define LB_FINDSTRING 0x018F
#define LB_GETSELCOUNT 0x0190
#define LB_GETSELITEMS 0x0191
#define LB_SETTOPINDEX 0x0197
#define LB_GETITEMRECT 0x0198
#define LB_GETITEMDATA 0x0199
#define LB_SETITEMDATA 0x019A
#define LB_SETCARETINDEX 0x019E
#define LB_GETCARETINDEX 0x019F
#define LB_SETITEMHEIGHT 0x01A0
#define LB_GETITEMHEIGHT 0x01A1
#define LB_FINDSTRINGEXACT 0x01A2
#define LB_OKAY 0
#define LB_ERR (-1)
#define LB_ERRSPACE (-2)
#define LBN_ERRSPACE (-2)
#define LBN_SELCHANGE 1
#define LBN_DBLCLK 2
#define LBN_SELCANCEL 3
#define LBN_SETFOCUS 4
#define LBN_KILLFOCUS 5

// ---- "combobox" ----
#define CBS_SIMPLE 0x0001L
#define CBS_DROPDOWN 0x0002L
#define CBS_DROPDOWNLIST 0x0003L
#define CBS_OWNERDRAWFIXED 0x0010L
#define CBS_AUTOHSCROLL 0x0040L
#define CBS_SORT 0x0100L
#define CBS_HASSTRINGS 0x0200L
#define CBS_NOINTEGRALHEIGHT 0x0400L

#define CB_GETEDITSEL 0x0140
#define CB_LIMITTEXT 0x0141
#define CB_SETEDITSEL 0x0142
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_FINDSTRING 0x014C
#define CB_SELECTSTRING 0x014D
#define CB_SETCURSEL 0x014E
#define CB_SHOWDROPDOWN 0x014F
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
#define CB_SETITEMHEIGHT 0x0153
#define CB_GETITEMHEIGHT 0x0154
#define CB_GETDROPPEDSTATE 0x0157
#define CB_FINDSTRINGEXACT 0x0158
#define CB_OKAY 0
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)
#define CBN_ERRSPACE (-1)
#define CBN_SELCHANGE 1
#define CBN_DBLCLK 2
#define CBN_SETFOCUS 3
#define CBN_KILLFOCUS 4
#define CBN_EDITCHANGE 5
#define CBN_EDITUPDATE 6
#define CBN_DROPDOWN 7
#define CBN_CLOSEUP 8
#define CBN_SELENDOK 9
#define CBN_SELENDCANCEL 10

// ---- scroll bars ("scrollbar" controls and the bars of WS_HSCROLL/WS_VSCROLL windows) ----
#define SBS_HORZ 0x0000L
#define SBS_VERT 0x0001L
#define SB_HORZ 0
#define SB_VERT 1
#define SB_CTL 2
#define SB_BOTH 3
#define SB_LINEUP 0
#define SB_LINELEFT 0
#define SB_LINEDOWN 1
#define SB_LINERIGHT 1
#define SB_PAGEUP 2
#define SB_PAGELEFT 2
#define SB_PAGEDOWN 3
#define SB_PAGERIGHT 3
#define SB_THUMBPOSITION 4
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_LEFT 6
#define SB_BOTTOM 7
#define SB_RIGHT 7
#define SB_ENDSCROLL 8
#define SIF_RANGE 0x0001
#define SIF_PAGE 0x0002
#define SIF_POS 0x0004
#define SIF_DISABLENOSCROLL 0x0008
#define SIF_TRACKPOS 0x0010
#define SIF_ALL (SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS)
#define SBM_SETPOS 0x00E0
#define SBM_GETPOS 0x00E1
#define SBM_SETRANGE 0x00E2
#define SBM_GETRANGE 0x00E3
#define SBM_SETSCROLLINFO 0x00E9
#define SBM_GETSCROLLINFO 0x00EA
struct SCROLLINFO {
  UINT cbSize;
  UINT fMask;
  int nMin;
  int nMax;
  UINT nPage;
  int nPos;
  int nTrackPos;
};
typedef SCROLLINFO* LPSCROLLINFO;
typedef const SCROLLINFO* LPCSCROLLINFO;

// ---- common control classes ----
#define WC_BUTTONW L"button"
#define WC_STATICW L"static"
#define WC_EDITW L"edit"
#define WC_LISTBOXW L"listbox"
#define WC_COMBOBOXW L"combobox"
#define WC_SCROLLBARW L"scrollbar"
#define WC_LISTVIEWW L"SysListView32"
#define WC_TREEVIEWW L"SysTreeView32"
#define WC_TABCONTROLW L"SysTabControl32"
#define TRACKBAR_CLASSW L"msctls_trackbar32"
#define PROGRESS_CLASSW L"msctls_progress32"
#define DATETIMEPICK_CLASSW L"SysDateTimePick32"
#define WC_LISTVIEW WC_LISTVIEWW
#define WC_TREEVIEW WC_TREEVIEWW
#define WC_TABCONTROL WC_TABCONTROLW
#define TRACKBAR_CLASS TRACKBAR_CLASSW
#define PROGRESS_CLASS PROGRESS_CLASSW
#define DATETIMEPICK_CLASS DATETIMEPICK_CLASSW

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_DATE_CLASSES 0x00000100
#define ICC_WIN95_CLASSES 0x000000FF
struct INITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
};
typedef INITCOMMONCONTROLSEX* LPINITCOMMONCONTROLSEX;

// ---- "SysListView32" ----
#define LVS_ICON 0x0000
#define LVS_REPORT 0x0001
#define LVS_SMALLICON 0x0002
#define LVS_LIST 0x0003
#define LVS_TYPEMASK 0x0003
#define LVS_SINGLESEL 0x0004
#define LVS_SHOWSELALWAYS 0x0008
#define LVS_SORTASCENDING 0x0010
#define LVS_SORTDESCENDING 0x0020
#define LVS_SHAREIMAGELISTS 0x0040
#define LVS_NOLABELWRAP 0x0080
#define LVS_OWNERDRAWFIXED 0x0400
#define LVS_NOSCROLL 0x2000
#define LVS_NOCOLUMNHEADER 0x4000
#define LVS_NOSORTHEADER 0x8000
#define LVS_EX_GRIDLINES 0x00000001
#define LVS_EX_CHECKBOXES 0x00000004
#define LVS_EX_FULLROWSELECT 0x00000020

#define LVM_FIRST 0x1000
#define LVM_GETBKCOLOR (LVM_FIRST + 0)
#define LVM_SETBKCOLOR (LVM_FIRST + 1)
#define LVM_GETIMAGELIST (LVM_FIRST + 2)
#define LVM_SETIMAGELIST (LVM_FIRST + 3)
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVM_GETITEMRECT (LVM_FIRST + 14)
#define LVM_HITTEST (LVM_FIRST + 18)
#define LVM_ENSUREVISIBLE (LVM_FIRST + 19)
#define LVM_SCROLL (LVM_FIRST + 20)
#define LVM_REDRAWITEMS (LVM_FIRST + 21)
#define LVM_DELETECOLUMN (LVM_FIRST + 28)
#define LVM_GETCOLUMNWIDTH (LVM_FIRST + 29)
#define LVM_SETCOLUMNWIDTH (LVM_FIRST + 30)
#define LVM_SETTEXTCOLOR (LVM_FIRST + 36)
#define LVM_SETTEXTBKCOLOR (LVM_FIRST + 38)
#define LVM_GETTOPINDEX (LVM_FIRST + 39)
#define LVM_GETCOUNTPERPAGE (LVM_FIRST + 40)
#define LVM_UPDATE (LVM_FIRST + 42)
#define LVM_SETITEMSTATE (LVM_FIRST + 43)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_SETITEMCOUNT (LVM_FIRST + 47)
#define LVM_GETSELECTEDCOUNT (LVM_FIRST + 50)
#define LVM_SETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 54)
#define LVM_GETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 55)
#define LVM_GETSELECTIONMARK (LVM_FIRST + 66)
#define LVM_SETSELECTIONMARK (LVM_FIRST + 67)
#define LVM_GETITEMW (LVM_FIRST + 75)
#define LVM_SETITEMW (LVM_FIRST + 76)
#define LVM_INSERTITEMW (LVM_FIRST + 77)
#define LVM_FINDITEMW (LVM_FIRST + 83)
#define LVM_GETCOLUMNW (LVM_FIRST + 95)
#define LVM_SETCOLUMNW (LVM_FIRST + 96)
#define LVM_INSERTCOLUMNW (LVM_FIRST + 97)
#define LVM_GETITEMTEXTW (LVM_FIRST + 115)
#define LVM_SETITEMTEXTW (LVM_FIRST + 116)
#define LVM_GETITEM LVM_GETITEMW
#define LVM_SETITEM LVM_SETITEMW
#define LVM_INSERTITEM LVM_INSERTITEMW
#define LVM_GETCOLUMN LVM_GETCOLUMNW
#define LVM_SETCOLUMN LVM_SETCOLUMNW
#define LVM_INSERTCOLUMN LVM_INSERTCOLUMNW
#define LVM_GETITEMTEXT LVM_GETITEMTEXTW
#define LVM_SETITEMTEXT LVM_SETITEMTEXTW

#define LVIF_TEXT 0x0001
#define LVIF_IMAGE 0x0002
#define LVIF_PARAM 0x0004
#define LVIF_STATE 0x0008
#define LVIF_INDENT 0x0010
#define LVIF_DI_SETITEM 0x1000
#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002
#define LVNI_ALL 0x0000
#define LVNI_FOCUSED 0x0001
#define LVNI_SELECTED 0x0002
#define LVNI_ABOVE 0x0100
#define LVNI_BELOW 0x0200
#define LVNI_TOLEFT 0x0400
#define LVNI_TORIGHT 0x0800
#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVCFMT_CENTER 0x0002
#define LVSIL_NORMAL 0
#define LVSIL_SMALL 1
#define LVSIL_STATE 2
#define LVSCW_AUTOSIZE (-1)
#define LVSCW_AUTOSIZE_USEHEADER (-2)
#define LVIR_BOUNDS 0
#define LVIR_ICON 1
#define LVIR_LABEL 2
#define LVHT_NOWHERE 0x0001
#define LVHT_ONITEMICON 0x0002
#define LVHT_ONITEMLABEL 0x0004
#define LVHT_ONITEM 0x000E
#define LVFI_PARAM 0x0001
#define LVFI_STRING 0x0002
#define LVFI_PARTIAL 0x0008
#define LVFI_WRAP 0x0020
#define LPSTR_TEXTCALLBACKW ((LPWSTR)(intptr_t)-1)
#define LPSTR_TEXTCALLBACK LPSTR_TEXTCALLBACKW
#define I_IMAGECALLBACK (-1)

#define LVN_FIRST (0U - 100U)
#define LVN_ITEMCHANGING (LVN_FIRST - 0)
#define LVN_ITEMCHANGED (LVN_FIRST - 1)
#define LVN_INSERTITEM (LVN_FIRST - 2)
#define LVN_DELETEITEM (LVN_FIRST - 3)
#define LVN_DELETEALLITEMS (LVN_FIRST - 4)
#define LVN_COLUMNCLICK (LVN_FIRST - 8)
#define LVN_ITEMACTIVATE (LVN_FIRST - 14)
#define LVN_KEYDOWN (LVN_FIRST - 55)
#define LVN_GETDISPINFOW (LVN_FIRST - 77)
#define LVN_SETDISPINFOW (LVN_FIRST - 78)
#define LVN_GETDISPINFO LVN_GETDISPINFOW

struct LVITEMW {
  UINT mask;
  int iItem;
  int iSubItem;
  UINT state;
  UINT stateMask;
  LPWSTR pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
  int iIndent;
};
typedef LVITEMW LVITEM;
typedef LVITEMW LV_ITEM;
typedef LVITEMW* LPLVITEMW;
struct LVCOLUMNW {
  UINT mask;
  int fmt;
  int cx;
  LPWSTR pszText;
  int cchTextMax;
  int iSubItem;
};
typedef LVCOLUMNW LVCOLUMN;
typedef LVCOLUMNW LV_COLUMN;
typedef LVCOLUMNW* LPLVCOLUMNW;
struct NMLISTVIEW {
  NMHDR hdr;
  int iItem;
  int iSubItem;
  UINT uNewState;
  UINT uOldState;
  UINT uChanged;
  POINT ptAction;
  LPARAM lParam;
};
typedef NMLISTVIEW NM_LISTVIEW;
typedef NMLISTVIEW* LPNMLISTVIEW;
struct NMITEMACTIVATE {
  NMHDR hdr;
  int iItem;
  int iSubItem;
  UINT uNewState;
  UINT uOldState;
  UINT uChanged;
  POINT ptAction;
  LPARAM lParam;
  UINT uKeyFlags;
};
typedef NMITEMACTIVATE* LPNMITEMACTIVATE;
struct NMLVDISPINFOW {
  NMHDR hdr;
  LVITEMW item;
};
typedef NMLVDISPINFOW LV_DISPINFO;
typedef NMLVDISPINFOW NMLVDISPINFO;
struct NMLVKEYDOWN {
  NMHDR hdr;
  WORD wVKey;
  UINT flags;
};
struct LVHITTESTINFO {
  POINT pt;
  UINT flags;
  int iItem;
  int iSubItem;
};
struct LVFINDINFOW {
  UINT flags;
  LPCWSTR psz;
  LPARAM lParam;
  POINT pt;
  UINT vkDirection;
};

// ---- "SysTreeView32" ----
#define TVS_HASBUTTONS 0x0001
#define TVS_HASLINES 0x0002
#define TVS_LINESATROOT 0x0004
#define TVS_SHOWSELALWAYS 0x0020

#define TV_FIRST 0x1100
#define TVM_DELETEITEM (TV_FIRST + 1)
#define TVM_EXPAND (TV_FIRST + 2)
#define TVM_GETITEMRECT (TV_FIRST + 4)
#define TVM_GETCOUNT (TV_FIRST + 5)
#define TVM_GETIMAGELIST (TV_FIRST + 8)
#define TVM_SETIMAGELIST (TV_FIRST + 9)
#define TVM_GETNEXTITEM (TV_FIRST + 10)
#define TVM_SELECTITEM (TV_FIRST + 11)
#define TVM_GETVISIBLECOUNT (TV_FIRST + 16)
#define TVM_HITTEST (TV_FIRST + 17)
#define TVM_SORTCHILDREN (TV_FIRST + 19)
#define TVM_ENSUREVISIBLE (TV_FIRST + 20)
#define TVM_SORTCHILDRENCB (TV_FIRST + 21)
#define TVM_GETITEMSTATE (TV_FIRST + 39)
#define TVM_INSERTITEMW (TV_FIRST + 50)
#define TVM_GETITEMW (TV_FIRST + 62)
#define TVM_SETITEMW (TV_FIRST + 63)
#define TVM_INSERTITEM TVM_INSERTITEMW
#define TVM_GETITEM TVM_GETITEMW
#define TVM_SETITEM TVM_SETITEMW

#define TVIF_TEXT 0x0001
#define TVIF_IMAGE 0x0002
#define TVIF_PARAM 0x0004
#define TVIF_STATE 0x0008
#define TVIF_HANDLE 0x0010
#define TVIF_SELECTEDIMAGE 0x0020
#define TVIF_CHILDREN 0x0040
#define TVIS_SELECTED 0x0002
#define TVIS_BOLD 0x0010
#define TVIS_EXPANDED 0x0020
#define TVIS_EXPANDEDONCE 0x0040
#define TVI_ROOT ((HTREEITEM)(intptr_t)-0x10000)
#define TVI_FIRST ((HTREEITEM)(intptr_t)-0x0FFFF)
#define TVI_LAST ((HTREEITEM)(intptr_t)-0x0FFFE)
#define TVI_SORT ((HTREEITEM)(intptr_t)-0x0FFFD)
#define TVGN_ROOT 0x0000
#define TVGN_NEXT 0x0001
#define TVGN_PREVIOUS 0x0002
#define TVGN_PARENT 0x0003
#define TVGN_CHILD 0x0004
#define TVGN_FIRSTVISIBLE 0x0005
#define TVGN_NEXTVISIBLE 0x0006
#define TVGN_PREVIOUSVISIBLE 0x0007
#define TVGN_DROPHILITE 0x0008
#define TVGN_CARET 0x0009
#define TVGN_LASTVISIBLE 0x000A
#define TVE_COLLAPSE 0x0001
#define TVE_EXPAND 0x0002
#define TVE_TOGGLE 0x0003
#define TVSIL_NORMAL 0
#define TVSIL_STATE 2
#define TVC_UNKNOWN 0x0000
#define TVC_BYMOUSE 0x0001
#define TVC_BYKEYBOARD 0x0002
#define I_CHILDRENCALLBACK (-1)

#define TVN_FIRST (0U - 400U)
#define TVN_SELCHANGINGW (TVN_FIRST - 50)
#define TVN_SELCHANGEDW (TVN_FIRST - 51)
#define TVN_GETDISPINFOW (TVN_FIRST - 52)
#define TVN_ITEMEXPANDINGW (TVN_FIRST - 54)
#define TVN_ITEMEXPANDEDW (TVN_FIRST - 55)
#define TVN_DELETEITEMW (TVN_FIRST - 58)
#define TVN_KEYDOWN (TVN_FIRST - 12)
#define TVN_SELCHANGING TVN_SELCHANGINGW
#define TVN_SELCHANGED TVN_SELCHANGEDW
#define TVN_ITEMEXPANDING TVN_ITEMEXPANDINGW
#define TVN_ITEMEXPANDED TVN_ITEMEXPANDEDW
#define TVN_DELETEITEM TVN_DELETEITEMW

struct TVITEMW {
  UINT mask;
  HTREEITEM hItem;
  UINT state;
  UINT stateMask;
  LPWSTR pszText;
  int cchTextMax;
  int iImage;
  int iSelectedImage;
  int cChildren;
  LPARAM lParam;
};
typedef TVITEMW TVITEM;
typedef TVITEMW TV_ITEM;
typedef TVITEMW* LPTVITEMW;
struct TVINSERTSTRUCTW {
  HTREEITEM hParent;
  HTREEITEM hInsertAfter;
  TVITEMW item;
};
typedef TVINSERTSTRUCTW TVINSERTSTRUCT;
typedef TVINSERTSTRUCTW TV_INSERTSTRUCT;
struct NMTREEVIEWW {
  NMHDR hdr;
  UINT action;
  TVITEMW itemOld;
  TVITEMW itemNew;
  POINT ptDrag;
};
typedef NMTREEVIEWW NMTREEVIEW;
typedef NMTREEVIEWW NM_TREEVIEW;
typedef NMTREEVIEWW* LPNMTREEVIEW;
struct NMTVDISPINFOW {
  NMHDR hdr;
  TVITEMW item;
};
typedef int (*PFNTVCOMPARE)(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort);
struct TVSORTCB {
  HTREEITEM hParent;
  PFNTVCOMPARE lpfnCompare;
  LPARAM lParam;
};
#define TVHT_NOWHERE 0x0001
#define TVHT_ONITEMICON 0x0002
#define TVHT_ONITEMLABEL 0x0004
#define TVHT_ONITEM 0x0046
#define TVHT_ONITEMINDENT 0x0008
#define TVHT_ONITEMBUTTON 0x0010
#define TVHT_ONITEMRIGHT 0x0020
struct TVHITTESTINFO {
  POINT pt;
  UINT flags;
  HTREEITEM hItem;
};

// ---- "SysTabControl32" ----
#define TCS_BOTTOM 0x0002
#define TCM_FIRST 0x1300
#define TCM_GETIMAGELIST (TCM_FIRST + 2)
#define TCM_SETIMAGELIST (TCM_FIRST + 3)
#define TCM_GETITEMCOUNT (TCM_FIRST + 4)
#define TCM_DELETEITEM (TCM_FIRST + 8)
#define TCM_DELETEALLITEMS (TCM_FIRST + 9)
#define TCM_GETITEMRECT (TCM_FIRST + 10)
#define TCM_GETCURSEL (TCM_FIRST + 11)
#define TCM_SETCURSEL (TCM_FIRST + 12)
#define TCM_ADJUSTRECT (TCM_FIRST + 40)
#define TCM_GETITEMW (TCM_FIRST + 60)
#define TCM_SETITEMW (TCM_FIRST + 61)
#define TCM_INSERTITEMW (TCM_FIRST + 62)
#define TCM_GETITEM TCM_GETITEMW
#define TCM_SETITEM TCM_SETITEMW
#define TCM_INSERTITEM TCM_INSERTITEMW
#define TCIF_TEXT 0x0001
#define TCIF_IMAGE 0x0002
#define TCIF_PARAM 0x0008
#define TCN_FIRST (0U - 550U)
#define TCN_KEYDOWN (TCN_FIRST - 0)
#define TCN_SELCHANGE (TCN_FIRST - 1)
#define TCN_SELCHANGING (TCN_FIRST - 2)
struct TCITEMW {
  UINT mask;
  DWORD dwState;
  DWORD dwStateMask;
  LPWSTR pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
};
typedef TCITEMW TCITEM;
typedef TCITEMW TC_ITEM;

// ---- "msctls_trackbar32" ----
#define TBS_HORZ 0x0000
#define TBS_AUTOTICKS 0x0001
#define TBS_VERT 0x0002
#define TBS_NOTICKS 0x0010
#define TBM_GETPOS (WM_USER)
#define TBM_GETRANGEMIN (WM_USER + 1)
#define TBM_GETRANGEMAX (WM_USER + 2)
#define TBM_SETPOS (WM_USER + 5)
#define TBM_SETRANGE (WM_USER + 6)
#define TBM_SETRANGEMIN (WM_USER + 7)
#define TBM_SETRANGEMAX (WM_USER + 8)
#define TBM_SETPAGESIZE (WM_USER + 21)
#define TBM_GETPAGESIZE (WM_USER + 22)
#define TBM_SETLINESIZE (WM_USER + 23)
#define TBM_GETLINESIZE (WM_USER + 24)
// Trackbar notification codes, in the low word of WM_HSCROLL/WM_VSCROLL's wParam.
#define TB_LINEUP 0
#define TB_LINEDOWN 1
#define TB_PAGEUP 2
#define TB_PAGEDOWN 3
#define TB_THUMBPOSITION 4
#define TB_THUMBTRACK 5
#define TB_TOP 6
#define TB_BOTTOM 7
#define TB_ENDTRACK 8

// ---- "SysDateTimePick32" ----
#define DTS_UPDOWN 0x0001
#define DTS_SHOWNONE 0x0002
#define DTS_SHORTDATEFORMAT 0x0000
#define DTS_LONGDATEFORMAT 0x0004
#define DTS_TIMEFORMAT 0x0009
#define DTM_FIRST 0x1000
#define DTM_GETSYSTEMTIME (DTM_FIRST + 1)
#define DTM_SETSYSTEMTIME (DTM_FIRST + 2)
#define DTN_FIRST (0U - 760U)
#define DTN_DATETIMECHANGE (DTN_FIRST + 1)
#define GDT_ERROR (-1)
#define GDT_VALID 0
#define GDT_NONE 1
struct NMDATETIMECHANGE {
  NMHDR nmhdr;
  DWORD dwFlags;
  SYSTEMTIME st;
};
typedef NMDATETIMECHANGE* LPNMDATETIMECHANGE;

// ---- "msctls_progress32" ----
#define PBS_SMOOTH 0x01
#define PBS_VERTICAL 0x04
#define PBM_SETRANGE (WM_USER + 1)
#define PBM_SETPOS (WM_USER + 2)
#define PBM_DELTAPOS (WM_USER + 3)
#define PBM_SETSTEP (WM_USER + 4)
#define PBM_STEPIT (WM_USER + 5)
#define PBM_SETRANGE32 (WM_USER + 6)
#define PBM_GETRANGE (WM_USER + 7)
#define PBM_GETPOS (WM_USER + 8)

// ---- the command bar's toolbar messages ----
#define TB_ENABLEBUTTON (WM_USER + 1)
#define TB_CHECKBUTTON (WM_USER + 2)
#define TB_PRESSBUTTON (WM_USER + 3)
#define TB_HIDEBUTTON (WM_USER + 4)
#define TB_ISBUTTONENABLED (WM_USER + 9)
#define TB_ISBUTTONCHECKED (WM_USER + 10)
#define TB_ISBUTTONPRESSED (WM_USER + 11)
#define TB_BUTTONCOUNT (WM_USER + 24)
#define TB_GETITEMRECT (WM_USER + 29)  // wParam: button index; lParam: RECT*, bar client coordinates
#define TBSTATE_CHECKED 0x01
#define TBSTATE_PRESSED 0x02
#define TBSTATE_ENABLED 0x04
#define TBSTATE_HIDDEN 0x08
#define TBSTYLE_BUTTON 0x00
#define TBSTYLE_SEP 0x01
#define TBSTYLE_CHECK 0x02
#define TBSTYLE_GROUP 0x04
#define TBSTYLE_CHECKGROUP (TBSTYLE_GROUP | TBSTYLE_CHECK)
#define TBSTYLE_DROPDOWN 0x08
#define TBSTYLE_AUTOSIZE 0x10
#define I_IMAGENONE (-2)

// ---- menus ----
#define MF_INSERT 0x00000000L
#define MF_CHANGE 0x00000080L
#define MF_APPEND 0x00000100L
#define MF_DELETE 0x00000200L
#define MF_REMOVE 0x00001000L
#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_SEPARATOR 0x00000800L
#define MF_ENABLED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_UNCHECKED 0x00000000L
#define MF_CHECKED 0x00000008L
#define MF_STRING 0x00000000L
#define MF_BITMAP 0x00000004L
#define MF_OWNERDRAW 0x00000100L
#define MF_POPUP 0x00000010L
#define MF_MENUBARBREAK 0x00000020L
#define MF_MENUBREAK 0x00000040L
#define MF_UNHILITE 0x00000000L
#define MF_HILITE 0x00000080L
#define MF_DEFAULT 0x00001000L
#define MF_RADIOCHECK 0x00000200L
#define MF_END 0x00000080L  // our templates: the last item of its level

#define MFT_STRING MF_STRING
#define MFT_BITMAP MF_BITMAP
#define MFT_MENUBARBREAK MF_MENUBARBREAK
#define MFT_MENUBREAK MF_MENUBREAK
#define MFT_OWNERDRAW MF_OWNERDRAW
#define MFT_RADIOCHECK 0x00000200L
#define MFT_SEPARATOR MF_SEPARATOR
#define MFS_GRAYED 0x00000003L
#define MFS_DISABLED MFS_GRAYED
#define MFS_CHECKED MF_CHECKED
#define MFS_HILITE MF_HILITE
#define MFS_ENABLED MF_ENABLED
#define MFS_UNCHECKED MF_UNCHECKED
#define MFS_UNHILITE MF_UNHILITE
#define MFS_DEFAULT MF_DEFAULT

#define MIIM_STATE 0x00000001
#define MIIM_ID 0x00000002
#define MIIM_SUBMENU 0x00000004
#define MIIM_CHECKMARKS 0x00000008
#define MIIM_TYPE 0x00000010
#define MIIM_DATA 0x00000020

struct MENUITEMINFOW {
  UINT cbSize;
  UINT fMask;
  UINT fType;
  UINT fState;
  UINT wID;
  HMENU hSubMenu;
  HBITMAP hbmpChecked;
  HBITMAP hbmpUnchecked;
  ULONG_PTR dwItemData;
  LPWSTR dwTypeData;
  UINT cch;
};
typedef MENUITEMINFOW MENUITEMINFO;
typedef MENUITEMINFOW* LPMENUITEMINFOW;
typedef const MENUITEMINFOW* LPCMENUITEMINFOW;

#define TPM_LEFTBUTTON 0x0000L
#define TPM_RIGHTBUTTON 0x0002L
#define TPM_LEFTALIGN 0x0000L
#define TPM_CENTERALIGN 0x0004L
#define TPM_RIGHTALIGN 0x0008L
#define TPM_TOPALIGN 0x0000L
#define TPM_VCENTERALIGN 0x0010L
#define TPM_BOTTOMALIGN 0x0020L
#define TPM_HORIZONTAL 0x0000L
#define TPM_VERTICAL 0x0040L
#define TPM_NONOTIFY 0x0080L
#define TPM_RETURNCMD 0x0100L
struct TPMPARAMS {
  UINT cbSize;
  RECT rcExclude;
};
typedef TPMPARAMS* LPTPMPARAMS;

// Our menu-template format: the items of all levels in one array, depth first. An item with
// MF_POPUP opens a submenu whose items follow it; MF_END marks the last item of a level.
// Registered as RT_MENU resources; LoadMenuW builds a menu bar from it.
#define MENUTEMPLATE_MAGIC 0x564C4E4Du  // "MNLV"
struct MENUITEMTEMPLATEW {
  UINT flags;  // MF_POPUP, MF_END, MF_SEPARATOR, MF_GRAYED, MF_CHECKED, MFT_RADIOCHECK
  UINT id;     // command id (ignored for popups and separators)
  const wchar_t* text;
};
struct MENUTEMPLATEW {
  DWORD magic;  // MENUTEMPLATE_MAGIC
  const MENUITEMTEMPLATEW* items;
  int itemCount;
};
typedef MENUTEMPLATEW MENUTEMPLATE;
typedef const void* LPCMENUTEMPLATEW;

// ---- the shell: command bar ----
#define SHCMBF_EMPTYBAR 0x0001
#define SHCMBF_HIDDEN 0x0002
#define SHCMBF_HIDESIPBUTTON 0x0004
#define SHCMBF_COLORBK 0x0008
#define SHCMBF_HMENU 0x0010
#define SHCMBM_SETSUBMENU (WM_USER + 400)
#define SHCMBM_GETSUBMENU (WM_USER + 401)
#define SHCMBM_GETMENU (WM_USER + 402)
#define SHCMBM_OVERRIDEKEY (WM_USER + 403)
struct SHMENUBARINFO {
  DWORD cbSize;
  HWND hwndParent;
  DWORD dwFlags;
  UINT nToolBarId;  // menu-bar resource id (SHMENUBARTEMPLATE), or an HMENU with SHCMBF_HMENU
  HINSTANCE hInstRes;
  int nBmpId;       // bitmap strip of the buttons' images, 16 x 16 each; pixels of light grey
                    // RGB(192, 192, 192) show the bar's background
  int cBmpImages;
  HWND hwndMB;      // out: the bar
  COLORREF clrBk;   // with SHCMBF_COLORBK
};
typedef SHMENUBARINFO* PSHMENUBARINFO;

// Our menu-bar template (resource type RT_SHMENUBAR): a menu resource whose top-level items are
// the popups, and the buttons of the bar from left to right. A button with TBSTYLE_DROPDOWN
// opens popup `subMenu` of the menu; the others send WM_COMMAND `command`.
#define SHMENUBAR_MAGIC 0x564C4253u  // "SBLV"
struct SHMENUBARBUTTON {
  int image;            // index into the bitmap strip, I_IMAGENONE for a text button
  UINT command;
  BYTE state;           // TBSTATE_*
  BYTE style;           // TBSTYLE_*
  const wchar_t* text;  // shown when there is no image; may be null
  int subMenu;          // popup index for TBSTYLE_DROPDOWN, else -1
};
struct SHMENUBARTEMPLATE {
  DWORD magic;  // SHMENUBAR_MAGIC
  int menuId;   // RT_MENU resource with the popups; 0 when the bar has none
  const SHMENUBARBUTTON* buttons;
  int buttonCount;
};

// ---- the shell: dialogs, full screen, input panel, gestures ----
#define SHIDIM_FLAGS 0x0001
#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLG 0x0002
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004
#define SHIDIF_SIPDOWN 0x0008
#define SHIDIF_FULLSCREENNOMENUBAR 0x0010
#define SHIDIF_EMPTYMENU 0x0020
struct SHINITDLGINFO {
  DWORD dwMask;
  HWND hDlg;
  DWORD dwFlags;
};
typedef SHINITDLGINFO* PSHINITDLGINFO;

#define SHFS_SHOWTASKBAR 0x0001
#define SHFS_HIDETASKBAR 0x0002
#define SHFS_SHOWSIPBUTTON 0x0004
#define SHFS_HIDESIPBUTTON 0x0008
#define SHFS_SHOWSTARTICON 0x0010
#define SHFS_HIDESTARTICON 0x0020

enum SIPSTATE { SIP_UP = 0, SIP_DOWN, SIP_FORCEDOWN, SIP_UNCHANGED, SIP_INPUTDIALOG };

#define SHRG_RETURNCMD 0x00000001
#define SHRG_NOTIFYPARENT 0x00000002
#define SHRG_LONGDELAY 0x00000008
#define SHRG_NOANIMATION 0x00000010
#define GN_CONTEXTMENU 1000
struct SHRGINFO {
  DWORD cbSize;
  HWND hwndClient;
  POINT ptDown;  // client coordinates of hwndClient
  DWORD dwFlags;
};
typedef SHRGINFO* PSHRGINFO;
struct NMRGINFO {
  NMHDR hdr;
  POINT ptAction;
  DWORD dwItemSpec;
};

// The delays of the tap-and-hold gesture on the device clock, in milliseconds, and how far the
// pen may wander meanwhile, in pixels.
#define SHRG_DELAY_MS 500
#define SHRG_LONGDELAY_MS 1000
#define SHRG_TOLERANCE_PX 5

// Height of the command bar at the bottom of the screen, pixels.
#define MENU_HEIGHT 26
// Our resource type of menu-bar templates (beside RT_MENU, RT_DIALOG, ...).
#define RT_SHMENUBAR MAKEINTRESOURCEW(106)

extern "C" {

// Common controls.
void InitCommonControls();
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc);

// Dialogs.
INT_PTR DialogBoxParamW(HINSTANCE inst, LPCWSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM param);
INT_PTR DialogBoxIndirectParamW(HINSTANCE inst, LPCDLGTEMPLATEW tmpl, HWND owner, DLGPROC proc,
                                LPARAM param);
HWND CreateDialogParamW(HINSTANCE inst, LPCWSTR templateName, HWND parent, DLGPROC proc,
                        LPARAM param);
HWND CreateDialogIndirectParamW(HINSTANCE inst, LPCDLGTEMPLATEW tmpl, HWND parent, DLGPROC proc,
                                LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR text, int max);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckRadioButton(HWND dialog, int first, int last, int check);
LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam);
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);
BOOL IsDialogMessageW(HWND dialog, LPMSG msg);
LRESULT DefDlgProcW(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
// Negative, zero or positive as `a` sorts before, with or after `b` ignoring case: the order of
// the sorted list boxes and combo boxes (case-folded code points, a prefix first). Null counts
// as the empty text.
int lstrcmpiW(LPCWSTR a, LPCWSTR b);

// Menus.
HMENU LoadMenuW(HINSTANCE inst, LPCWSTR name);
HMENU LoadMenuIndirectW(const MENUTEMPLATEW* tmpl);
HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCWSTR text);
BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCWSTR text);
BOOL InsertMenuItemW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
HMENU GetSubMenu(HMENU menu, int pos);
UINT GetMenuItemID(HMENU menu, int pos);
int GetMenuItemCount(HMENU menu);
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
BOOL GetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOW info);
BOOL SetMenuItemInfoW(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info);
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params);
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                    const RECT* rect);
BOOL EndMenu();

// Scroll bars.
int SetScrollInfo(HWND hwnd, int bar, LPCSCROLLINFO info, BOOL redraw);
BOOL GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info);
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max);

// The shell.
BOOL SHCreateMenuBar(SHMENUBARINFO* info);
HWND SHFindMenuBar(HWND hwnd);
BOOL SHInitDialog(PSHINITDLGINFO info);
BOOL SHFullScreen(HWND hwnd, DWORD state);
BOOL SHSipPreference(HWND hwnd, SIPSTATE state);
BOOL SHHandleWMActivate(HWND hwnd, WPARAM wParam, LPARAM lParam, void* info, DWORD flags);
DWORD SHRecognizeGesture(SHRGINFO* info);
// The input panel's state (a subset of the shell's SipGetInfo): whether it is shown.
BOOL SipIsShown();

}  // extern "C"
