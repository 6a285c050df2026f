// Update cost of a pile: 100, 300 and 499 radius-2 balls stacked on one point
// (400, 150) of a stage in the placing mode, as a play file holding such a
// stage leaves the game, with the mouse over the pile. Each figure is the
// median time of UpdateFrame (picking, the overlap pass and the rest of the
// update) over `frames` updates (at most about two seconds' worth, at least
// one). Beside it: the first update after the stage was made, and updates in
// which one ball of the pile moves a little each time (as while it is
// dragged), which cannot reuse the last update's collision queries.
//
//   build/bench/pile_bench [frames]
#include <cstdlib>

#include "bench_stage.h"
#include "world/goals.h"

namespace {

double PileMillis(int balls, int frames) {
  bench::NewWorld();
  bench::SetCamera(200, 100, -50);
  SetGoalType(kGoalBell);  // a play file's stage always has its goal
  for (int i = 0; i < balls; ++i)
    CreateItem(D3DXVECTOR3(400, 150, 0), nullptr, 2.0f, 0, kKindBall, 1);
  g_area.corner1 = D3DXVECTOR3(0, 400, 0);
  g_area.corner2 = D3DXVECTOR3(800, 0, 0);
  g_areaEditState = kAreaDefined;
  g_appMode = kModePlay;
  bench::SetCamera(400, 150, -50);
  headless::SetCursorClientPos(g_hWnd, 320, 240);  // over the pile

  std::vector<double> ms;
  double spent = 0;
  for (int f = 0; f < frames && (f == 0 || spent < 2000.0); ++f) {
    const bench::Clock::time_point a = bench::Clock::now();
    UpdateFrame();
    const bench::Clock::time_point b = bench::Clock::now();
    ms.push_back(bench::Millis(a, b));
    spent += ms.back();
  }
  std::vector<double> moved;
  spent = 0;
  for (int f = 0; f < frames && (f == 0 || spent < 2000.0); ++f) {
    dGeomSetPosition(g_items[balls].geom, 400.0 + 0.01 * (f % 2), 150, 0);
    const bench::Clock::time_point a = bench::Clock::now();
    UpdateFrame();
    const bench::Clock::time_point b = bench::Clock::now();
    moved.push_back(bench::Millis(a, b));
    spent += moved.back();
  }
  std::printf("%3d balls: first update %.3f ms, then median %.3f ms over %zu updates; "
              "with a ball moving %.3f ms (hovered item %d)\n",
              balls, ms[0], bench::Median(ms), ms.size(), bench::Median(moved), g_hoveredItem);
  bench::DropWorld();
  return bench::Median(ms);
}

}  // namespace

int main(int argc, char** argv) {
  int frames = argc > 1 ? std::atoi(argv[1]) : 30;
  if (frames < 1) frames = 30;
  if (!bench::OpenHeadlessGame()) return 1;
  // The process's first updates pay for things made once; an empty stage
  // takes them.
  bench::NewWorld();
  bench::SetCamera(400, 150, -50);
  for (int i = 0; i < 3; ++i) UpdateFrame();
  bench::DropWorld();
  const double p100 = PileMillis(100, frames);
  const double p300 = PileMillis(300, frames);
  const double p499 = PileMillis(499, frames);
  bench::CloseHeadlessGame();
  std::printf("pile100_ms=%.3f pile300_ms=%.3f pile499_ms=%.3f\n", p100, p300, p499);
  return 0;
}
