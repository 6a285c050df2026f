// The report list view (class "SysListView32") of dialogs: columns with
// headers, rows of texts with an item parameter each, a selection, sorting
// through a comparison callback, and notifications to the parent.
//
// It is a child window made with CreateWindowExA(0, WC_LISTVIEWA, ...) and
// driven with SendMessageA and the LVM_* messages below. Clicks on it arrive
// at the parent as WM_NOTIFY (wParam the control id, lParam an NMHDR that is
// the head of an NMITEMACTIVATE for clicks or an NMLISTVIEW for a column
// click), delivered through the message loop.
#pragma once
#include "platform/win_dialog.h"
#include "platform/win_message.h"
#include "platform/win_types.h"

#define LVS_REPORT 0x0001u
#define LVS_SINGLESEL 0x0004u
#define LVS_SHOWSELALWAYS 0x0008u

#define LVS_EX_GRIDLINES 0x00000001u
#define LVS_EX_FULLROWSELECT 0x00000020u

#define LVM_FIRST 0x1000
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_GETITEMA (LVM_FIRST + 5)
#define LVM_SETITEMA (LVM_FIRST + 6)
#define LVM_INSERTITEMA (LVM_FIRST + 7)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVM_FINDITEMA (LVM_FIRST + 13)
#define LVM_ENSUREVISIBLE (LVM_FIRST + 19)
#define LVM_GETCOLUMNWIDTH (LVM_FIRST + 29)
#define LVM_INSERTCOLUMNA (LVM_FIRST + 27)
#define LVM_SETITEMSTATE (LVM_FIRST + 43)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_GETITEMTEXTA (LVM_FIRST + 45)
#define LVM_SETITEMTEXTA (LVM_FIRST + 46)
#define LVM_SORTITEMS (LVM_FIRST + 48)
#define LVM_SETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 54)
#define LVM_GETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 55)

// LVCOLUMNA.mask
#define LVCF_FMT 0x0001u
#define LVCF_WIDTH 0x0002u
#define LVCF_TEXT 0x0004u
#define LVCF_SUBITEM 0x0008u
#define LVCFMT_LEFT 0
#define LVCFMT_RIGHT 1
#define LVCFMT_CENTER 2

// LVITEMA.mask and states
#define LVIF_TEXT 0x0001u
#define LVIF_STATE 0x0008u
#define LVIF_PARAM 0x0004u
#define LVIS_FOCUSED 0x0001u
#define LVIS_SELECTED 0x0002u

// LVM_GETNEXTITEM flags
#define LVNI_ALL 0x0000u
#define LVNI_FOCUSED 0x0001u
#define LVNI_SELECTED 0x0002u

// LVFINDINFOA.flags
#define LVFI_PARAM 0x0001u
#define LVFI_STRING 0x0002u

// Notification codes (negative, in NMHDR.code)
#define NM_CLICK ((UINT)-2)
#define NM_DBLCLK ((UINT)-3)
#define NM_RCLICK ((UINT)-5)
#define LVN_COLUMNCLICK ((UINT)-108)

struct LVCOLUMNA {
  UINT mask;
  int fmt;
  int cx;
  LPSTR pszText;
  int cchTextMax;
  int iSubItem;
};

struct LVITEMA {
  UINT mask;
  int iItem;
  int iSubItem;
  UINT state;
  UINT stateMask;
  LPSTR pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
};

struct LVFINDINFOA {
  UINT flags;
  LPCSTR psz;
  LPARAM lParam;
};

struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
};

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

// The sort callback: < 0 when the first row goes first, > 0 after, 0 equal.
// It may send the list view LVM_FINDITEMA / LVM_GETITEMTEXTA: the rows stay
// as they were until the sort is done.
typedef int (*PFNLVCOMPARE)(LPARAM, LPARAM, LPARAM);

namespace platform {

struct ListViewColumn {
  std::string text;  // CP932
  int width = 0;
  int format = LVCFMT_LEFT;
};

struct ListViewRow {
  LPARAM param = 0;
  UINT state = 0;                  // LVIS_SELECTED, LVIS_FOCUSED
  std::vector<std::string> texts;  // one per column, CP932
};

struct ListViewModel {
  DWORD exStyle = 0;
  std::vector<ListViewColumn> columns;
  std::vector<ListViewRow> rows;
  int topRow = 0;  // the row last scrolled into view
};
const ListViewModel* GetListViewModel(HWND listView);

// The user's actions on a list view (the desktop face, or tests): a click
// (left, right or double) on a row (-1: below the rows) selects it and
// notifies the parent; a click on a column header notifies LVN_COLUMNCLICK.
void ListViewClickRow(HWND listView, int row, UINT code /* NM_CLICK, NM_RCLICK, NM_DBLCLK */);
void ListViewClickColumn(HWND listView, int column);
// The user moved the selection (keys): only the states change.
void ListViewSelectRow(HWND listView, int row);

}  // namespace platform
