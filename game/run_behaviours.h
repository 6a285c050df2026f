// What a run does besides the physics step: the power truck's keys, the
// rocket's countdown and the doll launch, per-kind item behaviours (grenade
// fuses, fading out of the field, clamps that keep goal objects on the field,
// motors and tyres), the motion of the effect records, the goal tests and the
// celebration after the goal. The update calls each step once per update.
#pragma once
#include <cstdint>

#include "render/view_state.h"

extern float g_truckAngle;         // degrees of the truck's x axis from world x, -180..180
extern float g_truckTiltRate;      // degrees per update, -5..5
extern float g_truckWheelSpeed;    // degrees per second imposed on the tyres, -400..400
extern int32_t g_fireworkTimer;    // updates until the next sparkle burst after the goal
extern int32_t g_truckCameraKeyLatch;  // edge latch of C (the overview camera)
extern int32_t g_truckResetKeyLatch;   // edge latch of R (the upright reset)

// Shards fall and fade in every mode.
void MoveShards();
// Truck goal runs: tilt (Left/Right), wheels (Z/X), the overview camera (C)
// and, while nothing moves, the upright reset (R).
void UpdateTruckControl();
// Rocket-doll runs: counts down from the run start and launches the doll once.
void UpdateRocketCountdown();
// +1 per run update, wrapping at 360.
void AdvanceAnimTick();
// Runs after the goal: swings the bell, blinks the banner, fires sparkles.
void UpdateClearCelebration();
// Per-kind behaviours of every live item, then motors and tyres.
void ApplyRunBehaviours();
// Smoke puffs and trails.
void MoveRunEffects();
// The start-ball, truck and doll goals (the bell is struck in the collision
// callback).
void CheckRunGoals();
