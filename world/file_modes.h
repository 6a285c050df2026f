// The switches between stage editing, placing and running that files and
// commands make.
#pragma once

// Leaves a test play or a run for stage editing (file kind 0 only): stops a
// run, removes the player's items. The title is left to the caller.
void ReturnToStageEditing(int fileKind);
// Sets the mode a newly loaded file needs (stage file: editing; play file:
// placing; pause file: left to the caller) and has the title refreshed.
void SetModeForFileKind(int fileKind);
