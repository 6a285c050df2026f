// The file commands of the window procedure: opening and saving stage files
// (.stg), exporting play files (.ply), saving and opening pause files (.pau)
// through the common file dialogs, and a file dropped on the window.
//
// Each command returns 1 when it opened or wrote its file, 0 when it did
// nothing: the dialog was cancelled, the command does not apply now, or the
// reader or writer refused (they tell the user themselves).
#pragma once
#include "platform/win_files.h"

// The one record of every file dialog: a 256-byte file buffer, a 255-byte
// file-title buffer and, until a dialog has chosen a file, the program's
// folder as the first folder shown.
extern OPENFILENAMEA g_ofn;

// Command 32779: leaves the title screen's boxes behind, asks for a stage
// file and opens it in stage editing with the editor menu.
int OpenStageFileCommand();
// Command 32780: writes the stage to its own file (save as when it has none
// yet), stopping a run first. Nothing while a play or pause file is loaded.
int OverwriteSaveCommand();
// The overwrite save's writing, shared with Ctrl+S: without asking only to the
// stage file the player opened or saved the stage as (g_stageFileChosen);
// otherwise saveAs asks for a name (null: nothing is saved, 0 is returned).
// A stage named after a pause file thus gets the save dialog, which proposes
// that name and asks before it replaces a file there.
int SaveToOwnStageFile(int (*saveAs)());
// Command 32781: asks for a stage file name and writes the stage there; the
// stage takes that name and path only once the file is written.
int SaveStageAsCommand();
// Command 32802: once a test play has cleared the stage, asks for a play file
// name and writes the play file. The stage keeps its own name and path.
int ExportPlayFileCommand();
// Command 32823: asks for a pause file name and writes the play in progress
// (a run is stopped first); the open stage takes the pause file's name.
int SavePauseFileCommand();
// Command 32824: asks for a pause file and opens it in the placing mode with
// the play menu.
int OpenPauseFileCommand();

// WM_DROPFILES: opens the first dropped file by its extension (".stg",
// ".ply", ".pau", case mattering); any other file is refused with a message.
// Returns 1 when a file was opened.
int HandleDroppedFiles(HDROP drop);
