// Drawing one item of any kind in one style: the view cull, the material of
// the style and the kind's recipe of meshes and matrices.
#pragma once
#include "platform/d3dx_math.h"

// Draws an item posed by rotation (no translation) and translation (a pure
// translation whose fourth row is also the centre of the cull sphere).
// sizeA/sizeB are the item's sizes, alpha 0..1 the opacity of the styles that
// take it, style an ItemDrawStyle, createdInMode picks the item texture
// (0 stage items, 1 player items, anything else leaves stage 0 alone).
// cull 1 tests the item's bounding sphere against the view first.
// Kinds without a recipe, and styles outside 0..10, draw nothing and leave the
// device as it was. On return the world transform, material and texture of
// stage 0 are those of the last mesh drawn.
void DrawItem(int kind, const D3DXMATRIX* translation, const D3DXMATRIX* rotation, float sizeA,
              float sizeB, float alpha, int style, int createdInMode, int cull);

// The radius of the sphere that the cull tests for an item of this kind and
// size; 0 for kinds that have no drawing.
float ItemCullRadius(int kind, float sizeA, float sizeB);
