// The common open and save dialogs, file titles, and files dropped on a window.
//
// Paths are the game's: CP932 bytes with backslashes between folders, as the
// game builds them ("%s\%s"); GamePathToHost (cp932.h) turns one into the
// host's UTF-8 path, HostPathToGamePath below goes the other way. The dialog
// itself is the face's: the desktop face shows a modal chooser, the headless
// face answers from a script (headless.h) and records every request.
#pragma once
#include <string>
#include <vector>

#include "platform/win_message.h"
#include "platform/win_types.h"
#include "platform/window_model.h"

// OPENFILENAMEA.Flags
#define OFN_READONLY 0x00000001u
#define OFN_OVERWRITEPROMPT 0x00000002u
#define OFN_HIDEREADONLY 0x00000004u
#define OFN_NOCHANGEDIR 0x00000008u
#define OFN_PATHMUSTEXIST 0x00000800u
#define OFN_FILEMUSTEXIST 0x00001000u

// CommDlgExtendedError
#define FNERR_BUFFERTOOSMALL 0x3003u
#define CDERR_STRUCTSIZE 0x0001u

struct OPENFILENAMEA {
  DWORD lStructSize;        // 76 (the 32-bit record) or sizeof(OPENFILENAMEA)
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCSTR lpstrFilter;       // pairs of display text and pattern ("*.stg", or
                            // several joined by ';'), each NUL-ended, then a NUL
  LPSTR lpstrCustomFilter;  // not used
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;       // 1-based; in: the filter shown first, out: the one used
  LPSTR lpstrFile;          // in: the first name (may hold a folder); out: the full path
  DWORD nMaxFile;
  LPSTR lpstrFileTitle;     // out: the file's name with its extension
  DWORD nMaxFileTitle;
  LPCSTR lpstrInitialDir;   // null: the folder of the last file chosen
  LPCSTR lpstrTitle;        // the dialog's caption (CP932)
  DWORD Flags;              // OFN_*
  WORD nFileOffset;         // out: where the name starts in lpstrFile
  WORD nFileExtension;      // out: where the extension starts (after the dot)
  LPCSTR lpstrDefExt;       // not used: nothing is appended to a typed name
  LPARAM lCustData;
  void* lpfnHook;
  LPCSTR lpTemplateName;
};
typedef OPENFILENAMEA* LPOPENFILENAMEA;

// Show the dialog; TRUE with the chosen file filled in, FALSE when cancelled
// or on an error (CommDlgExtendedError tells which; 0 for a cancel). A file
// title longer than nMaxFileTitle - 1 is cut (never inside a double-byte
// character).
//
// The dialog does not close on a path that its caller could not hold in
// nMaxFile bytes, the NUL included, once the caller has added its extension
// (platform::HeldPathBytes): it says so and stays open for a shorter name. A
// path that a face returns all the same fails with FNERR_BUFFERTOOSMALL.
BOOL GetOpenFileNameA(OPENFILENAMEA* ofn);
BOOL GetSaveFileNameA(OPENFILENAMEA* ofn);
DWORD CommDlgExtendedError();

// The name of the file that a path names: what follows its last '\' or '/'
// (a ':' belongs to the name), extension kept. Returns 0 when copied, the
// size needed (with the NUL) when buffer is null or too small, -1 for an
// empty name or one that ends in a separator.
short GetFileTitleA(LPCSTR file, LPSTR buffer, WORD bufferSize);

// The program's own file as a game path ("\home\me\gizmo\game"); module
// must be null (the program). Copies at most size - 1 bytes and a NUL; returns
// the bytes copied (size when it was cut), 0 on failure, which includes a
// path the game's code page cannot spell. (Made in win_kernel.cpp.)
DWORD GetModuleFileNameA(HINSTANCE module, LPSTR buffer, DWORD size);

// --- dropped files -------------------------------------------------------------------
struct PlatformDrop;
typedef PlatformDrop* HDROP;

// Lets the window take dropped files (WS_EX_ACCEPTFILES does the same at
// creation). A drop arrives as WM_DROPFILES with the HDROP in wParam.
void DragAcceptFiles(HWND window, BOOL accept);
// index 0xFFFFFFFF: the number of files. buffer null: the path's length.
// Otherwise copies the path (cut to bufferSize - 1, never inside a
// double-byte character) and returns the bytes copied.
UINT DragQueryFileA(HDROP drop, UINT index, LPSTR buffer, UINT bufferSize);
// The drop point in the window's client pixels; TRUE when inside the client area.
BOOL DragQueryPoint(HDROP drop, POINT* point);
void DragFinish(HDROP drop);

namespace platform {

// A host path (UTF-8, '/') as the game's path (CP932, '\').
std::string HostPathToGamePath(const std::string& hostUtf8);
// Whether the game's form of a host path leads back to that same path. A name
// with a character that CP932 cannot hold (an accented letter, an emoji) or
// holds only as another character would name a different file in the game,
// so such a file cannot be opened or written under its own name.
bool HostPathFitsGame(const std::string& hostUtf8);
// Which part of a host path keeps the game from holding it: none, a folder
// on the way (the path's every file is out of reach), or the file's own name.
enum class UnheldPart { kNone, kFolder, kName };
UnheldPart UnheldPartOf(const std::string& hostUtf8);
// The start of what the user is told (UTF-8) about that part, up to the verb:
// "フォルダー名に、このゲームでは扱えない文字（…）が"; "" for kNone.
std::string UnheldPartPhrase(UnheldPart part);
// What a file dialog tells the user, in its language (UTF-8), when the path
// chosen cannot be held for that part; "" for kNone.
std::string UnheldPathText(UnheldPart part);

const std::vector<FileDialogRecord>& GetFileDialogLog();

// The bytes of path the caller of a dialog will hold for gamePath chosen with
// the dialog's filterIndex-th filter (1-based) in use. The caller of a save
// dialog names its file by the filter's extension ("*.stg": ".stg") and adds
// it to a name that does not end in it exactly (case mattering), as the
// game's save commands do; that of an open dialog holds the path as chosen.
// Bytes of the game's code page: a double-byte character counts two.
size_t HeldPathBytes(const FileDialogRequest& request, const std::string& gamePath,
                     int filterIndex);
// Whether the dialog may close on gamePath: "" when the caller can hold it
// (HeldPathBytes within request.longestPath), else what the dialog tells the
// user, in the dialog's language (UTF-8), before it lets them choose a
// shorter name. A refusal is noted in the dialog's record.
std::string FileDialogRefusal(const FileDialogRequest& request, const std::string& gamePath,
                              int filterIndex);

// Notes in the open dialog's record what it told the user while staying open.
void NoteFileDialogTold(const std::string& textUtf8);

// A drop on the window: posts WM_DROPFILES when the window
// takes dropped files. False when it does not (or paths is empty). A file
// whose path the game cannot hold comes as an empty path, with the part that
// keeps it out in unheld (at the same index; missing ones are kNone).
bool DropFiles(HWND window, const std::vector<std::string>& gamePaths, POINT clientPoint,
               const std::vector<UnheldPart>& unheld = {});
// Why the drop's file at index has no path the game can hold; kNone when it has one.
UnheldPart DroppedFileUnheld(HDROP drop, UINT index);
int LiveDropCount();  // HDROPs not yet finished

}  // namespace platform
