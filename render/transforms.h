// Matrices as values, so a world transform reads as the product it is
// (Scaling(...) * RotationZ(...) * Translation(...): scaling first).
#pragma once
#include "platform/d3dx_math.h"

inline D3DXMATRIX Identity() {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}
inline D3DXMATRIX Scaling(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixScaling(&m, x, y, z);
  return m;
}
inline D3DXMATRIX Translation(float x, float y, float z = 0.0f) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}
inline D3DXMATRIX Translation(const D3DXVECTOR3& v) { return Translation(v.x, v.y, v.z); }
inline D3DXMATRIX RotationX(float radians) {
  D3DXMATRIX m;
  D3DXMatrixRotationX(&m, radians);
  return m;
}
inline D3DXMATRIX RotationY(float radians) {
  D3DXMATRIX m;
  D3DXMatrixRotationY(&m, radians);
  return m;
}
inline D3DXMATRIX RotationZ(float radians) {
  D3DXMATRIX m;
  D3DXMatrixRotationZ(&m, radians);
  return m;
}
