// Steps that several commands of the window procedure share: showing the
// cursor that a run hid, stopping a run from a command, resetting the undo
// pair, and the menu switches that go with stage editing and playing.
#pragma once

// Shows the cursor when the run had hidden it and restarts its idle count.
void ShowCursorForCommand();
// Puts the stage back as it was when the run started (placing mode, camera
// of the run's start) and shows the cursor.
void StopRunForCommand();
// Destroys every live item (the title screen's falling boxes when a command
// leaves the title).
void DestroyAllItems();
// How many items of the table are live.
int CountLiveItems();
// Editor bar for stage editing outside a test play: the stage settings
// enabled and the pause save greyed (positions of the test-play switch are
// the caller's).
void ShowStageSettingsForEditing();
