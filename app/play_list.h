// The play list: the modal dialog (kDialogPlayList, app/dialogs.h) from which
// a player chooses a play file. It lists every play file in the program's
// folder and the folders below it, one row per file with its goal, its
// number of stage items, its editor, its stage ID and a mark when the clear
// list holds that ID; sorts by any column; opens a row in the placing mode;
// and deletes a file from its right-click menu.
#pragma once
#include <cstddef>
#include <string>

#include "platform/win_dialog.h"
#include "platform/win_message.h"
#include "platform/win_types.h"
#include "world/globals.h"
#include "world/stage_file_format.h"

// Columns of the list view, by their meaning.
enum : int {
  kPlayColumnCleared = 0,  // "●" when cleared
  kPlayColumnFileName = 1,
  kPlayColumnGoal = 2,
  kPlayColumnItemCount = 3,
  kPlayColumnEditor = 4,
  kPlayColumnStageId = 5,
  kPlayColumnPath = 6,     // hidden: the full path the scan built
  kPlayColumnCount = 7,
};

// The longest path a row keeps (with its NUL): the size of the stage's path
// buffers. Play files whose path is longer are not listed.
constexpr int kPlayListPathSize = 256;
// How deep below the program's folder the scan looks.
constexpr int kPlayListMaxDepth = 32;

extern HWND g_playListView;           // the report list view, child id 100
// The sort column, g_playListSortColumn, is a world global (1 at first).
extern int g_playListSortDescending;  // 0 at first; flips at every column click
extern int g_playFileCount;           // files listed by the last scan
extern int g_clearedPlayCount;        // of them, files marked cleared
// The row number (item data) of the play file that is loaded now, -1 when
// none is listed.
extern int g_playListCurrentRow;
// The row taken for play or for delete, -1 when none.
extern int g_playListSelection;

// Dialog procedure of the play list (commands 32782 and 32790).
INT_PTR PlayListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Adds a row to g_playListView for every play file in folder (a game path
// without its trailing '\') and the folders below it, numbering the rows
// (their item data) from *nextRow on. A file is listed when its name ends
// exactly in ".ply" and its first 108 bytes are there and begin with the
// play-file magic. Links to folders are not followed. ClearList.dat is read
// once, before the rows; a list that is there but cannot be read, or is
// refused as damaged, is told in a message and marks no row.
void ScanPlayFiles(const char* folder, int* nextRow);

// The head of one file as the scan reads it (its first 108 bytes) into
// *header: 1 when it is a play file the list shows, 0 otherwise.
int ReadPlayListHeadOf(const char* gamePath, StageFileHeader* header);
// A fixed text field of a file (the editor name) as its cell shows it: up to
// its first NUL, or the whole field when it has none, never half a character.
std::string PlayListFieldText(const char* field, size_t size);

// The list view's sort callback: the texts of the two rows (by item data) in
// column. Two texts of digits only with non-zero values compare as numbers,
// larger first (smaller first when g_playListSortDescending); any other pair
// compares byte by byte, ascending (descending when the flag is set).
int ComparePlayListRows(LPARAM row1, LPARAM row2, LPARAM column);
