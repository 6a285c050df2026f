// Rotations and vectors between the physics engine and the drawing library.
// The engine keeps rotations as column-vector 3 x 4 matrices of doubles; the
// drawing library uses row vectors, so the 3 x 3 blocks are transposes.
#pragma once
#include <ode/ode.h>

#include "platform/d3dx_math.h"

void ConvertMatrixToOdeRotation(const D3DXMATRIX* m, dReal* R);
void ConvertOdeRotationToMatrix(const dReal* R, D3DXMATRIX* out);
void ConvertOdeVectorToVector3(const dReal* v, D3DXVECTOR3* out);
