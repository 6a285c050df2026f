// Linked into every test and benchmark program: the hooks through which the
// lower layers report events are connected before the first case runs, as
// start-up connects them in the game.
#include "app/game_hooks.h"

namespace {
const bool kHooksConnected = (ConnectGameHooks(), true);
}  // namespace
