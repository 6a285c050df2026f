// The save command of Ctrl+S (command 32788), in one function that the window
// procedure's command and the save prompt (AskSaveChanges) both run, so that
// the prompt learns whether the stage really was saved.
#pragma once

// Nothing during a copy drag or on the title screen; with a play or pause
// file loaded, saving a pause file (command 32823); otherwise the overwrite
// save (command 32780): save as (command 32781) when the stage has no stage
// file the player opened or saved it as (a new stage, or one named after a
// pause file), else stop a run and write the stage file to its path. Returns
// 1 when the stage (or the play in progress) is now saved in a file, 0 when
// nothing was saved: no save applies, the user cancelled the file dialog, or
// the write failed (the writer has told the user).
int SaveStageCommand();

// The two save commands that first ask for a file name: save as and the pause
// save of app/file_commands.h unless a test puts others in their place. Each
// returns 1 when it saved and 0 when the dialog was cancelled or the write
// failed. Set to null, that save saves nothing and SaveStageCommand returns 0.
extern int (*g_saveStageAsCommand)();    // command 32781
extern int (*g_savePauseFileCommand)();  // command 32823
