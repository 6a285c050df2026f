#include "world/pushes.h"

#include <cmath>

#include "world/globals.h"
#include "world/types.h"

namespace {

D3DXVECTOR3 GeomPosition(const StageItem& it) {
  D3DXVECTOR3 p;
  const dReal* v = dGeomGetPosition(it.geom);
  p.x = (float)v[0];
  p.y = (float)v[1];
  p.z = (float)v[2];
  return p;
}

bool IsPushable(const StageItem& it) {
  return it.state != kItemFree && it.geom && it.body;
}

// The engine does not check its inputs; a force that is not a number would
// poison the body for the rest of the run.
void Push(dBodyID body, const D3DXVECTOR3& f) {
  if (std::isfinite(f.x) && std::isfinite(f.y) && std::isfinite(f.z))
    dBodyAddForce(body, f.x, f.y, f.z);
  dBodyEnable(body);
}

}  // namespace

void ApplyRadialForce(const D3DXVECTOR3* centre, float strength, float radius) {
  if (!centre) return;
  for (int i = 0; i < kMaxItems; ++i) {
    const StageItem& it = g_items[i];
    if (!IsPushable(it) || it.kind == kKindGrenade) continue;
    D3DXVECTOR3 v = GeomPosition(it) - *centre;
    const float d = D3DXVec3Length(&v);
    if (!(d < radius)) continue;
    // A zero vector stays zero here: the item sits on the centre.
    D3DXVec3Normalize(&v, &v);
    const float scale = (radius - d) / radius * strength;
    Push(it.body, v * scale);
  }
}

void ApplyConeForce(const D3DXVECTOR3* origin, const D3DXVECTOR3* direction, float coneDeg,
                    float strength, float range) {
  if (!origin || !direction) return;
  if (!(coneDeg > 0.0f) || !(range > 0.0f)) return;
  for (int i = 0; i < kMaxItems; ++i) {
    const StageItem& it = g_items[i];
    if (!IsPushable(it)) continue;
    D3DXVECTOR3 v = GeomPosition(it) - *origin;
    const float d = D3DXVec3Length(&v);
    if (!(d < range) || !(d > 0.0f)) continue;
    D3DXVec3Normalize(&v, &v);
    const float a = ArcCosine(D3DXVec3Dot(&v, direction)) * kRadToDeg;
    // A dot product beyond +-1 gives no angle, and no angle is no push.
    if (!(a <= coneDeg)) continue;
    const float scale = (coneDeg - a) / coneDeg * ((range - d) / range) * strength;
    Push(it.body, v * scale);
  }
}
