// The run's physics against a bare engine step. A stage of 100, 300 and 500
// items spread over the field (balls, boxes, capsules and their rubber kinds,
// some fixed, some hinged in pairs) falls and settles; each size is timed
//   game: UpdateFrame in the run mode (the game's collision rules, the step,
//         the plane pass, the run behaviours and goal checks), and
//   bare: dSpaceCollide with a lean callback (contacts with the same surface,
//         jointed pairs skipped), dWorldQuickStep, dJointGroupEmpty,
// on the same stage rebuilt from scratch, frames 10..109 of the fall each,
// alternating game and bare three times. Figures are medians; the ratio is
// game / bare.
//
//   build/bench/physics_bench
#include <cfloat>

#include "bench_stage.h"
#include "world/joints.h"

namespace {

// Columns of items over the field, every kind of the player in turn, every
// seventh item fixed, every eleventh hinged to the item before it.
void BuildStage(int count) {
  static const struct {
    int kind;
    float a, b;
  } kinds[] = {{kKindBall, 5, 0},      {kKindBox, 8, 6},       {kKindCapsule, 2, 8},
               {kKindRubberBall, 5, 0}, {kKindRubberBox, 8, 6}, {kKindRubberCapsule, 2, 8}};
  const int columns = 25;
  int previous = -1;
  for (int i = 0; i < count; ++i) {
    const auto& k = kinds[i % 6];
    const D3DXVECTOR3 at(16.0f + 31.0f * (float)(i % columns), 8.0f + 19.0f * (float)(i / columns),
                         0);
    const int item = CreateItem(at, nullptr, k.a, k.b, k.kind, i % 7 == 3 ? 0 : 1);
    if (item >= 0 && previous >= 0 && i % 11 == 5 && (i % columns) != 0) {
      const D3DXVECTOR3 anchor = at - D3DXVECTOR3(15.5f, 0, 0);
      CreateHingeJoint(previous, item, &anchor, 0);
    }
    previous = item;
  }
}

// What a lean game would do: contacts with the game's surface, nothing else.
void LeanNearCallback(void*, dGeomID o1, dGeomID o2) {
  dBodyID b1 = dGeomGetBody(o1);
  dBodyID b2 = dGeomGetBody(o2);
  if (b1 && b2 && dAreConnectedExcluding(b1, b2, dJointTypeContact)) return;
  dContact contacts[5];
  const int n = dCollide(o1, o2, 5, &contacts[0].geom, sizeof(dContact));
  for (int i = 0; i < n; ++i) {
    dSurfaceParameters& s = contacts[i].surface;
    s.mode = dContactBounce | dContactSoftERP | dContactSoftCFM | dContactSlip1 | dContactSlip2;
    s.mu = DBL_MAX;
    s.bounce = 0.00001;
    s.bounce_vel = 0;
    s.soft_erp = 0.2;
    s.soft_cfm = 0;
    s.slip1 = s.slip2 = 0.001;
    dJointAttach(dJointCreateContact(g_world, g_contactGroup, &contacts[i]), b1, b2);
  }
}

constexpr int kWarmFrames = 10;
constexpr int kTimedFrames = 100;

std::vector<double> TimeGame(int count) {
  bench::NewWorld();
  BuildStage(count);
  g_appMode = kModeRun;
  std::vector<double> ms;
  for (int f = 0; f < kWarmFrames + kTimedFrames; ++f) {
    const bench::Clock::time_point a = bench::Clock::now();
    UpdateFrame();
    const bench::Clock::time_point b = bench::Clock::now();
    if (f >= kWarmFrames) ms.push_back(bench::Millis(a, b));
  }
  bench::DropWorld();
  return ms;
}

std::vector<double> TimeBare(int count) {
  bench::NewWorld();
  BuildStage(count);
  g_appMode = kModeRun;
  std::vector<double> ms;
  for (int f = 0; f < kWarmFrames + kTimedFrames; ++f) {
    const bench::Clock::time_point a = bench::Clock::now();
    dSpaceCollide(g_space, nullptr, LeanNearCallback);
    dWorldQuickStep(g_world, kStepSize);
    dJointGroupEmpty(g_contactGroup);
    const bench::Clock::time_point b = bench::Clock::now();
    if (f >= kWarmFrames) ms.push_back(bench::Millis(a, b));
  }
  bench::DropWorld();
  return ms;
}

struct Figures {
  double game, bare;
};

Figures Measure(int count) {
  std::vector<double> game, bare;
  for (int round = 0; round < 3; ++round) {
    for (double v : TimeGame(count)) game.push_back(v);
    for (double v : TimeBare(count)) bare.push_back(v);
  }
  Figures f = {bench::Median(game), bench::Median(bare)};
  std::printf("%3d items: game update %.3f ms, bare step %.3f ms, ratio %.3f\n", count, f.game,
              f.bare, f.game / f.bare);
  return f;
}

}  // namespace

int main() {
  if (!bench::OpenHeadlessGame()) return 1;
  bench::SetCamera(400, 200, -540);
  const Figures f100 = Measure(100);
  const Figures f300 = Measure(300);
  const Figures f500 = Measure(500);
  bench::CloseHeadlessGame();
  std::printf(
      "game100_ms=%.3f bare100_ms=%.3f game300_ms=%.3f bare300_ms=%.3f game500_ms=%.3f "
      "bare500_ms=%.3f ratio100=%.3f ratio300=%.3f ratio500=%.3f\n",
      f100.game, f100.bare, f300.game, f300.bare, f500.game, f500.bare, f100.game / f100.bare,
      f300.game / f300.bare, f500.game / f500.bare);
  return 0;
}
