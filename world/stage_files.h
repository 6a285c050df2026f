// Stage (.stg), play (.ply) and pause (.pau) files: writing the stage, reading
// it back, and the prompt that offers to save unsaved changes.
//
// The layout itself is world/stage_file_format.h. Both directions go through
// the file snapshot (world/snapshot.h). Paths are the game's, as the file
// dialogs and dropped files give them (CP932, backslashes between folders);
// they reach the file system through GamePathToHost. A plain host path of
// ASCII characters is the same path either way.
#pragma once

// Writes the stage as a file of the given kind (StageFileKind) to
// pathWithoutExtension + ".stg", ".ply" or ".pau". Stage and play files hold
// the stage's own parts: a test play or run is left first. A pause file holds
// the player's items too: a run is stopped first (placing mode).
//
// The file is written through WriteFileSafely (world/stage_file_io.h): it
// takes its name only once every byte has reached the disk, so a failed save
// never loses or damages the file that was there, and a write-protected file
// is not replaced. On failure the user is told why in a message box, nothing
// on disk changes (unless the folder takes no new files and writing over the
// file itself failed, which the message says) and a stage file's changed mark
// stays set. Returns 1 when the file was written, 0 when it was not.
int SaveStageFile(const char* pathWithoutExtension, int kind);

// Opens a file of the given kind (path with its extension). When the stage
// has unsaved changes the user is asked first (AskSaveChanges); the caller's
// path buffer is given back as it was passed even when the prompt saved under
// a new name through the same buffer.
//
// The whole file is read and checked before anything in memory changes. A
// file that does not open (or a named pipe, device or folder in its place,
// never waited on) is refused in silence; one that cannot be read, is
// not of this kind or is damaged is refused with a message. A path longer
// than the stage's path field holds (255 bytes) is one that cannot be read. Either way the
// current stage stays exactly as it was. Returns 1 when the stage was loaded,
// 0 otherwise (also when the user cancelled the prompt).
//
// A pause file leaves the program in the placing mode of a loaded play file;
// the callers may set the same again.
int LoadStageFile(char* path, int kind);

// Asks whether to save the changed stage (Yes, No, Cancel). Yes runs the save
// command of Ctrl+S (SaveStageCommand, app/save_command.h). Returns 1 (go on)
// when the stage was saved or the user chose not to save, 0 (stop) when the
// user cancelled, cancelled the file dialog or the save failed.
int AskSaveChanges();
