#include "world/rotations.h"

void ConvertMatrixToOdeRotation(const D3DXMATRIX* m, dReal* R) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 4; ++j) R[4 * i + j] = (dReal)m->m[j][i];
}

void ConvertOdeRotationToMatrix(const dReal* R, D3DXMATRIX* out) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 4; ++j) out->m[j][i] = (float)R[4 * i + j];
  out->_14 = 0.0f;
  out->_24 = 0.0f;
  out->_34 = 0.0f;
  out->_44 = 1.0f;
}

void ConvertOdeVectorToVector3(const dReal* v, D3DXVECTOR3* out) {
  out->x = (float)v[0];
  out->y = (float)v[1];
  out->z = (float)v[2];
}
