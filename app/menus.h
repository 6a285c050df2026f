// The game's menu resources: the editor menu bar, the play menu bar and the
// title menu bar, registered with the platform layer under their resource
// ids so that LoadMenuA builds them.
#pragma once

constexpr int kEditorMenuResource = 203;
constexpr int kPlayMenuResource = 208;
constexpr int kTitleMenuResource = 209;

// Registers the three menu bars. Safe to call more than once.
void RegisterGameMenus();
