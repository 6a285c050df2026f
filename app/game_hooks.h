// Connects the hooks through which the lower layers report events to the
// layers above them. Start-up calls it first; the tests and the benchmarks
// call it once before their first case, so that the world, drawing and game
// code they drive directly behaves as in the program.
#pragma once

void ConnectGameHooks();
