// The rag doll that the rocket fires once in each run of the rocket-doll goal.
#pragma once
#include "platform/d3dx_math.h"

// Items and joints one doll takes.
constexpr int kDollPartCount = 10;
constexpr int kDollJointCount = 9;

// Builds the doll (ten parts on nine limited hinges) upright around
// `position` on the z = 0 plane, turns the whole figure by `angleDeg`
// (wrapped into -180..180) about that point and throws it: the body part flies
// at speed 200 along the turned up axis and spins at the wrapped angle's number
// of degrees in radians per second. Sets g_dollBody and g_rotationPivot.
//
// When the tables cannot hold a whole doll, or the engine refuses a part,
// nothing is launched and nothing of a doll remains.
void LaunchRocketDoll(D3DXVECTOR3 position, float angleDeg);
