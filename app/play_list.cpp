#include "app/play_list.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>

#include "app/command_steps.h"
#include "app/dialogs.h"
#include "app/menus.h"
#include "app/shell_globals.h"
#include "app/window_title.h"
#include "game/goal_reached.h"
#include "platform/cp932.h"
#include "platform/text_encoding.h"
#include "platform/win_folders.h"
#include "platform/win_user.h"
#include "world/globals.h"
#include "world/stage_file_format.h"
#include "world/stage_file_io.h"
#include "world/stage_files.h"
#include "world/types.h"
#include "world/update_state.h"

HWND g_playListView = nullptr;
int g_playListSortDescending = 0;
int g_playFileCount = 0;
int g_clearedPlayCount = 0;
int g_playListCurrentRow = -1;
int g_playListSelection = -1;

namespace {

// The item data of the row the right-click menu was opened on: the delete
// acts on that file even if the rows moved in between.
LPARAM g_menuRowParam = -1;

struct ColumnSpec {
  const char* headerUtf8;
  int width;
  int format;
};

const ColumnSpec kColumns[kPlayColumnCount] = {
  {"", 30, LVCFMT_LEFT},
  {"ステージファイル名", 150, LVCFMT_LEFT},
  {"クリアタイプ", 100, LVCFMT_LEFT},
  {"配置アイテム数", 100, LVCFMT_RIGHT},
  {"エディター", 150, LVCFMT_LEFT},
  {"ステージID", 250, LVCFMT_LEFT},
  {"", 0, LVCFMT_LEFT},
};

const char* ClearedMark() { return Cp932Text("●"); }

LRESULT SendList(UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(g_playListView, message, wParam, lParam);
}

int RowCount() { return static_cast<int>(SendList(LVM_GETITEMCOUNT, 0, 0)); }

int SelectedRow() {
  return static_cast<int>(SendList(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// The row whose item data is param, -1 when none.
int FindRow(LPARAM param) {
  LVFINDINFOA find{};
  find.flags = LVFI_PARAM;
  find.lParam = param;
  return static_cast<int>(
      SendList(LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

LPARAM RowParam(int row) {
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendList(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return -1;
  return item.lParam;
}

// The text of a cell, at most size - 1 bytes (whole characters).
std::string CellText(int row, int column, int size) {
  std::string buffer(static_cast<size_t>(size), '\0');
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = &buffer[0];
  item.cchTextMax = size;
  if (row < 0) return std::string();
  SendList(LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return std::string(buffer.c_str());
}

void SetCell(int row, int column, const char* text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text);
  SendList(LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// A fixed text field of a file as a cell: up to its first NUL, or the whole
// field when it has none, without a lead byte cut off from its trail byte.
std::string FieldText(const char* field, size_t size) {
  const void* nul = std::memchr(field, 0, size);
  size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : size;
  size_t whole = 0;
  while (whole < length) {
    size_t n = static_cast<size_t>(Cp932CharLength(static_cast<unsigned char>(field[whole])));
    if (whole + n > length) break;
    whole += n;
  }
  return std::string(field, whole);
}

const char* GoalName(int32_t goalType) {
  if (goalType < kGoalBell || goalType > kGoalRocketDoll) return Cp932Text("不明");
  static char names[4][kEditorNameSize + 1];
  std::string name = FieldText(g_goalTypeNames[goalType], sizeof g_goalTypeNames[goalType]);
  std::snprintf(names[goalType], sizeof names[goalType], "%s", name.c_str());
  return names[goalType];
}

enum class HeadRead { kMissing, kUnreadable, kOther, kPlayFile };

// The head of a play file as the list reads it: the first 108 bytes, when
// the file has them and begins with the play-file magic.
HeadRead ReadPlayHead(const std::string& path, StageFileHeader* header) {
  errno = 0;
  // Only a regular file: a named pipe would wait for a writer for ever.
  FILE* f = OpenRegularFileForReading(GamePathToHost(path.c_str()).c_str());
  if (!f) return errno == ENOENT ? HeadRead::kMissing : HeadRead::kUnreadable;
  uint8_t head[kPlayListHeadSize];
  size_t got = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  if (got != sizeof head || !StageFileMagicMatches(head, kFilePlay)) return HeadRead::kOther;
  ReadPlayListHead(head, header);
  return HeadRead::kPlayFile;
}

bool EndsWithPlayExtension(const char* name) {
  size_t n = std::strlen(name);
  return n >= 4 && std::strcmp(name + n - 4, ".ply") == 0;
}

void AddPlayFileRow(const char* name, const std::string& path, int* nextRow,
                    const ClearedStages& cleared) {
  if (!EndsWithPlayExtension(name)) return;
  // A row must be able to name its file whole when it is played or deleted.
  if (path.size() >= static_cast<size_t>(kPlayListPathSize)) return;
  StageFileHeader header;
  if (ReadPlayHead(path, &header) != HeadRead::kPlayFile) return;

  g_playFileCount += 1;
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = *nextRow;
  item.pszText = const_cast<char*>("");
  item.lParam = *nextRow;
  if (g_stagePath[0] != '\0' && path == std::string(g_stagePath) + ".ply") {
    item.mask |= LVIF_STATE;
    item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    g_playListCurrentRow = *nextRow;
  }
  int row = static_cast<int>(SendList(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return;
  SetCell(row, kPlayColumnFileName, name);
  SetCell(row, kPlayColumnGoal, GoalName(header.goalType));
  char text[64];
  std::snprintf(text, sizeof text, "%d", header.stageItemCount);
  SetCell(row, kPlayColumnItemCount, text);
  std::snprintf(text, sizeof text, "%08X-%08X-%08X-%08X", header.stageId[0], header.stageId[1],
                header.stageId[2], header.stageId[3]);
  SetCell(row, kPlayColumnStageId, text);
  if (cleared.Has(header.stageId)) {
    SetCell(row, kPlayColumnCleared, ClearedMark());
    g_clearedPlayCount += 1;
  }
  SetCell(row, kPlayColumnEditor, FieldText(header.editorName, sizeof header.editorName).c_str());
  SetCell(row, kPlayColumnPath, path.c_str());
  *nextRow += 1;
}

void ScanFolder(const char* folder, int* nextRow, int depth, const ClearedStages& cleared) {
  std::string pattern = std::string(folder) + "\\*.*";
  WIN32_FIND_DATAA entry;
  HANDLE_FIND find = FindFirstFileA(pattern.c_str(), &entry);
  if (find == INVALID_FIND_HANDLE) return;
  do {
    const char* name = entry.cFileName;
    std::string path = std::string(folder) + "\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
      // A link to a folder may lead back up the tree: it is not followed.
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      if (depth < kPlayListMaxDepth && path.size() < static_cast<size_t>(kPlayListPathSize))
        ScanFolder(path.c_str(), nextRow, depth + 1, cleared);
      continue;
    }
    AddPlayFileRow(name, path, nextRow, cleared);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

void ShowCounts(HWND dialog) {
  char text[128];
  std::snprintf(text, sizeof text, Cp932Text("クリア数 %d / %d"), g_clearedPlayCount,
                g_playFileCount);
  SetDlgItemTextA(dialog, kIdcPlayListCount, text);
}

// While the rows are sorted: each row's text in the sorted column, by the
// row's item data, read once instead of searched for at every comparison.
struct SortTexts {
  int column = -1;
  std::unordered_map<LPARAM, std::string> byParam;
};
SortTexts* g_sortTexts = nullptr;

void SortRows() {
  SortTexts texts;
  texts.column = g_playListSortColumn;
  const int rows = RowCount();
  for (int row = 0; row < rows; ++row)
    texts.byParam[RowParam(row)] = CellText(row, g_playListSortColumn, 100);
  g_sortTexts = &texts;
  SendList(LVM_SORTITEMS, static_cast<WPARAM>(g_playListSortColumn),
           reinterpret_cast<LPARAM>(ComparePlayListRows));
  g_sortTexts = nullptr;
}

// The text of the row with item data `param` in `column` (up to 99 bytes).
std::string SortText(LPARAM param, int column) {
  if (g_sortTexts && g_sortTexts->column == column) {
    auto it = g_sortTexts->byParam.find(param);
    if (it != g_sortTexts->byParam.end()) return it->second;
  }
  return CellText(FindRow(param), column, 100);
}

void InitDialog(HWND dialog) {
  // The list covers the main window's client area across, from its top.
  POINT origin{0, 0};
  ClientToScreen(g_hWnd, &origin);
  RECT mainClient{0, 0, 0, 0};
  RECT own{0, 0, 0, 0};
  GetWindowRect(dialog, &own);
  if (GetClientRect(g_hWnd, &mainClient) && mainClient.right > mainClient.left) {
    MoveWindow(dialog, origin.x, origin.y, mainClient.right - mainClient.left,
               own.bottom - own.top, FALSE);
  }

  RECT client{0, 0, 0, 0};
  GetClientRect(dialog, &client);
  g_playListView = CreateWindowExA(
      0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
      0, 30, client.right, client.bottom - 80, dialog,
      reinterpret_cast<HMENU>(static_cast<intptr_t>(kIdcPlayListView)), g_hInstance, nullptr);
  LRESULT exStyle = SendList(LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  SendList(LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
           exStyle | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  for (int i = 0; i < kPlayColumnCount; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = kColumns[i].format;
    column.cx = kColumns[i].width;
    column.pszText = const_cast<char*>(Cp932Text(kColumns[i].headerUtf8));
    column.iSubItem = i;
    SendList(LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
  }

  // The scan starts at the program's folder, without its trailing separator.
  std::string start = g_programDir;
  if (start.empty()) start = ".";
  else if (start.back() == '\\' || start.back() == '/') start.pop_back();
  g_playListCurrentRow = -1;
  g_playListSelection = -1;
  g_menuRowParam = -1;
  g_clearedPlayCount = 0;
  g_playFileCount = 0;
  int nextRow = 0;
  ScanPlayFiles(start.c_str(), &nextRow);

  SortRows();
  if (g_playListCurrentRow >= 0) {
    int row = FindRow(g_playListCurrentRow);
    if (row >= 0) SendList(LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  }
  ShowCounts(dialog);
  SetFocus(g_playListView);
}

void ShowRowMenu(HWND dialog, int clickedRow) {
  // The menu acts on the row under the click; a click below the rows offers
  // nothing, whatever stays selected.
  if (clickedRow < 0 || clickedRow >= RowCount()) {
    g_playListSelection = -1;
    g_menuRowParam = -1;
    return;
  }
  g_playListSelection = clickedRow;
  g_menuRowParam = RowParam(clickedRow);
  HMENU menu = LoadMenuA(g_hInstance, MAKEINTRESOURCEA(kMenuPlayListPopup));
  if (!menu) return;
  SetForegroundWindow(dialog);
  SetFocus(dialog);
  POINT cursor{0, 0};
  GetCursorPos(&cursor);
  TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0,
                 dialog, nullptr);
  PostMessageA(dialog, WM_NULL, 0, 0);
  DestroyMenu(menu);
}

void DeleteMenuRow(HWND dialog) {
  int row = g_menuRowParam >= 0 ? FindRow(g_menuRowParam) : -1;
  if (row < 0) return;
  std::string path = CellText(row, kPlayColumnPath, kPlayListPathSize);
  std::string name = CellText(row, kPlayColumnFileName, kPlayListPathSize);
  bool cleared = CellText(row, kPlayColumnCleared, 8) == ClearedMark();

  char question[kPlayListPathSize + 128];
  std::snprintf(question, sizeof question, Cp932Text("「%s」を削除しますか？"), name.c_str());
  if (MessageBoxA(dialog, question, g_appTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return;
  // Only a file that still is that play file is deleted; one already gone
  // just leaves the list.
  StageFileHeader header;
  HeadRead found = ReadPlayHead(path, &header);
  if (found != HeadRead::kMissing) {
    if (found != HeadRead::kPlayFile || !DeleteFileA(path.c_str())) {
      MessageBoxA(dialog, Cp932Text("ファイルを削除できませんでした。"), g_appTitle,
                  MB_OK | MB_ICONEXCLAMATION);
      return;
    }
  }
  row = FindRow(g_menuRowParam);
  if (row < 0) return;
  if (g_menuRowParam == g_playListCurrentRow) g_playListCurrentRow = -1;
  SendList(LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
  g_playListSelection = -1;
  g_menuRowParam = -1;
  g_playFileCount -= 1;
  if (cleared) g_clearedPlayCount -= 1;
  ShowCounts(dialog);
}

void PlaySelectedRow(HWND dialog) {
  if (g_appMode == kModeTitle) DestroyAllItems();  // the title screen's falling boxes
  g_playListSelection = SelectedRow();
  if (g_playListSelection < 0) return;
  std::string pathText = CellText(g_playListSelection, kPlayColumnPath, kPlayListPathSize);
  std::string name = CellText(g_playListSelection, kPlayColumnFileName, kPlayListPathSize);
  EndDialog(dialog, 0);

  char path[kPlayListPathSize];
  std::snprintf(path, sizeof path, "%s", pathText.c_str());
  if (!LoadStageFile(path, kFilePlay)) return;
  if (EndsWithPlayExtension(name.c_str())) name.resize(name.size() - 4);
  std::snprintf(g_stageName, sizeof g_stageName, "%s", name.c_str());
  UpdateWindowTitle();
  SetMenu(g_hWnd, g_playMenu);
  g_copySourceItem = -1;
  g_goalPanelState = 1;
  g_goalPanelAlpha = 0;
}

void Notify(HWND dialog, const NMHDR* header) {
  if (!header || header->idFrom != static_cast<UINT_PTR>(kIdcPlayListView)) return;
  const NMITEMACTIVATE* click = reinterpret_cast<const NMITEMACTIVATE*>(header);
  switch (header->code) {
    case LVN_COLUMNCLICK: {
      int column = reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem;
      if (column < 0 || column >= kPlayColumnCount) return;
      g_playListSortDescending = 1 - g_playListSortDescending;
      g_playListSortColumn = column;
      SortRows();
      break;
    }
    case NM_RCLICK:
      ShowRowMenu(dialog, click->iItem);
      break;
    case NM_DBLCLK:
      if (SelectedRow() >= 0) SendMessageA(dialog, WM_COMMAND, IDOK, 0);
      break;
    default:
      break;
  }
}

// Compares two texts of digits by value, however long: -1, 0 or 1.
int CompareDigits(const std::string& a, const std::string& b) {
  size_t i = a.find_first_not_of('0'), j = b.find_first_not_of('0');
  std::string x = a.substr(i), y = b.substr(j);
  if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
  int c = x.compare(y);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Digits only, with a value other than 0.
bool IsCount(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  return text.find_first_not_of('0') != std::string::npos;
}

}  // namespace

int ReadPlayListHeadOf(const char* gamePath, StageFileHeader* header) {
  return ReadPlayHead(gamePath, header) == HeadRead::kPlayFile ? 1 : 0;
}

std::string PlayListFieldText(const char* field, size_t size) { return FieldText(field, size); }

void ScanPlayFiles(const char* folder, int* nextRow) {
  if (!folder || !nextRow) return;
  // The clear list is read once for all the rows. One that is there but
  // cannot be taken is said so: the rows show no marks, and the file stays
  // as it is.
  ClearedStages cleared;
  switch (ReadClearedStages(&cleared)) {
    case kClearListTooLong:
      MessageBoxA(g_hWnd,
                  Cp932Text("ClearList.datが壊れているため、クリアしたステージを表示できません。\n"
                            "ファイルは元のままです。"),
                  g_appTitle, MB_OK);
      break;
    case kClearListUnreadable:
      MessageBoxA(g_hWnd,
                  Cp932Text("ClearList.datを読み込めなかったため、クリアしたステージを表示できません。"),
                  g_appTitle, MB_OK);
      break;
    default:
      break;
  }
  ScanFolder(folder, nextRow, 0, cleared);
}

int ComparePlayListRows(LPARAM row1, LPARAM row2, LPARAM column) {
  int c = static_cast<int>(column);
  std::string a = SortText(row1, c);
  std::string b = SortText(row2, c);
  if (IsCount(a) && IsCount(b)) {
    int order = CompareDigits(a, b);
    if (order == 0) return 0;
    // Larger counts first unless the order is turned round.
    if (g_playListSortDescending == 0) return order < 0 ? 1 : -1;
    return order < 0 ? -1 : 1;
  }
  // Byte by byte, bytes as unsigned values.
  int order = std::strcmp(a.c_str(), b.c_str());
  order = order < 0 ? -1 : (order > 0 ? 1 : 0);
  return g_playListSortDescending == 0 ? order : -order;
}

INT_PTR PlayListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      break;
    case WM_NOTIFY:
      Notify(dialog, reinterpret_cast<const NMHDR*>(lParam));
      break;
    case WM_DESTROY:
      g_playListView = nullptr;
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: PlaySelectedRow(dialog); break;
        case IDCANCEL: EndDialog(dialog, 0); break;
        case kCmdDeletePlayFile: DeleteMenuRow(dialog); break;
        default: break;
      }
      break;
    default:
      break;
  }
  return FALSE;
}
