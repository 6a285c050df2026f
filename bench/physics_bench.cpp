// The run's physics against a bare engine step. A stage of 100, 300 and 500
// items spread over the field (balls, boxes, capsules and their rubber kinds,
// some fixed, some hinged in pairs) falls and settles; each size is timed
//   game:  UpdateFrame in the run mode (the game's collision rules, the step,
//          the plane pass, the run behaviours and goal checks),
//   step:  StepSimulation and HoldBodiesToPlane alone, as the run makes them,
//   bare:  dSpaceCollide with a lean callback (contacts with the same surface,
//          jointed pairs skipped), dWorldQuickStep, dJointGroupEmpty,
//   bare + plane: the bare step followed by the game's plane pass, which the
//          rules ask of every update (the like-for-like partner of "step"),
// on the same stage rebuilt from scratch, frames 10..109 of the fall each,
// the four in turn, fifteen times, every other round in the reverse order.
// Times are the thread's CPU time; each figure is the median update of the
// fastest of the fifteen rounds (a busy machine only ever adds time; on a
// shared machine seven rounds in one fixed order left the ratios moving by
// several hundredths from run to run). The ratios on the
// last line are game / bare, the figures before it also show step / (bare +
// plane), the cost of the game's collision rules alone.
//
//   build/bench/physics_bench
#include <time.h>

#include <cfloat>

#include "bench_stage.h"
#include "game/simulation.h"
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
constexpr int kRounds = 15;

double ThreadMillis() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

enum class Way { kGame, kStep, kBare, kBarePlane };

void Advance(Way way) {
  switch (way) {
    case Way::kGame:
      UpdateFrame();
      break;
    case Way::kStep:
      StepSimulation();
      HoldBodiesToPlane();
      break;
    case Way::kBare:
    case Way::kBarePlane:
      dSpaceCollide(g_space, nullptr, LeanNearCallback);
      dWorldQuickStep(g_world, kStepSize);
      dJointGroupEmpty(g_contactGroup);
      if (way == Way::kBarePlane) HoldBodiesToPlane();
      break;
  }
}

// The median update of one build of the stage.
double Time(Way way, int count) {
  bench::NewWorld();
  BuildStage(count);
  g_appMode = kModeRun;
  std::vector<double> ms;
  for (int f = 0; f < kWarmFrames + kTimedFrames; ++f) {
    const double a = ThreadMillis();
    Advance(way);
    const double b = ThreadMillis();
    if (f >= kWarmFrames) ms.push_back(b - a);
  }
  bench::DropWorld();
  return bench::Median(ms);
}

struct Figures {
  double game, step, bare, barePlane;
};

// Other work on the machine only ever adds time: of the rounds, the fastest
// median of each way counts.
Figures Measure(int count) {
  Figures f = {1e9, 1e9, 1e9, 1e9};
  for (int round = 0; round < kRounds; ++round) {
    // Every other round the other way round, so that neither side always
    // runs first (or last) among the four.
    const bool reversed = round % 2 != 0;
    const Way order[] = {Way::kGame, Way::kStep, Way::kBare, Way::kBarePlane};
    for (int k = 0; k < 4; ++k) {
      const Way way = order[reversed ? 3 - k : k];
      const double ms = Time(way, count);
      double& figure = way == Way::kGame   ? f.game
                       : way == Way::kStep ? f.step
                       : way == Way::kBare ? f.bare
                                           : f.barePlane;
      figure = std::min(figure, ms);
    }
  }
  std::printf(
      "%3d items: game update %.3f ms, step + plane %.3f ms, bare step %.3f ms, "
      "bare + plane %.3f ms; game / bare %.3f, step / (bare + plane) %.3f\n",
      count, f.game, f.step, f.bare, f.barePlane, f.game / f.bare, f.step / f.barePlane);
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
