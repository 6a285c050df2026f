// The two small dialogs that the window procedure opens from the menus, the
// message of a clear that could not be recorded, and the step that brings
// the main window to the front when files are dropped on it. Their templates
// and resource ids are app/dialogs.h.
#pragma once
#include "platform/win_dialog.h"
#include "platform/win_gdi.h"
#include "platform/win_message.h"
#include "platform/win_types.h"

// The font of the About dialog's links: 12-pixel underlined "ＭＳ ゴシック".
// Start-up makes it with CreateLinkFont and shut-down releases it; the
// About dialog makes it itself when it is not there yet.
extern HFONT g_gdiFont;
void CreateLinkFont();
void ReleaseLinkFont();

// The addresses the About dialog's "Special Thanks" links open.
extern const char kWebsiteLinkAddress[];
extern const char kBookLinkAddress[];

// Dialog procedures of the version dialog (kDialogAbout) and the editor-name
// dialog (kDialogEditorName); both end with EndDialog(dialog, 0).
INT_PTR AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR EditorNameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The most bytes the editor-name box takes.
constexpr int kEditorNameLimit = 35;

// Tells the player that the clear just reached is not in ClearList.dat:
// because the list is damaged (longer than any list the game writes), or
// because the list or the program's folder could not be read or written.
void TellClearNotRecorded(bool listDamaged);

// Makes window the foreground window even when another program's window has
// the focus (files dropped from a file manager).
void ForceForegroundWindow(HWND window);
