// Linked into every test binary but the window tests: the game's whole state
// is reset before each case (see game_state_support.h).
#include "tests/game_state_support.h"

namespace {

const bool kResetInstalled = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new game_state::ResetBeforeEachCase);
  return true;
}();

}  // namespace
