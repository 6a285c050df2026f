// Pushes that shove every nearby item for the coming physics step: a radial
// one from a point (the grenade's blast) and a cone-shaped one along a
// direction. The force fades linearly with distance and wakes the body.
#pragma once
#include "platform/d3dx_math.h"

// Pushes every live item but grenades whose geom lies closer than `radius`
// to `centre`, away from it, with `strength` x (radius - d) / radius. Fixed
// items get the force too (their world joint holds them). An item exactly at
// the centre has no direction to go: it is only woken.
void ApplyRadialForce(const D3DXVECTOR3* centre, float strength, float radius);

// Pushes every live item closer than `range` to `origin` and within `coneDeg`
// degrees of the unit vector `direction`, away from the origin, with
// strength x (coneDeg - a) / coneDeg x (range - d) / range for an item a
// degrees off the axis at distance d. An item at the origin is left alone, and
// a cone without width or reach pushes nothing.
void ApplyConeForce(const D3DXVECTOR3* origin, const D3DXVECTOR3* direction, float coneDeg,
                    float strength, float range);
