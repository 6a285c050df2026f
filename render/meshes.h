// The loaded 3-D models, the three generated primitive meshes and the
// fixed-function defaults (render states, samplers, lights) that every 3-D
// drawing of the game relies on.
#pragma once
#include <cstdint>

#include "platform/d3d9.h"
#include "platform/d3dx9.h"

// One .x model: its mesh, and per material (subset) the material and texture.
// All fields are zero while nothing is loaded; a model that failed to load
// stays in that empty state and draws nothing.
struct MeshRecord {
  ID3DXMesh* mesh;
  uint32_t materialCount;
  D3DMATERIAL9* materials;         // materialCount entries, ambient = diffuse
  IDirect3DTexture9** textures;    // materialCount entries, null where untextured
};

extern MeshRecord g_meshSky;
extern MeshRecord g_meshFanBody;
extern MeshRecord g_meshFanCase;
extern MeshRecord g_meshHand;
extern MeshRecord g_meshGranade;
extern MeshRecord g_meshGranadeNude;
extern MeshRecord g_meshUzi;
// The joint models, indexed by JointType - 1 (rotary, fixed).
extern MeshRecord g_meshJoints[2];
extern MeshRecord& g_meshJoint;     // g_meshJoints[0], "data\Joint.x"
extern MeshRecord& g_meshFixJoint;  // g_meshJoints[1], "data\FixJoint.x"
extern MeshRecord g_meshBell;
extern MeshRecord g_meshStartBall;
extern MeshRecord g_meshGear;
extern MeshRecord g_meshTire;
extern MeshRecord g_meshCar;
extern MeshRecord g_meshRocket;
extern MeshRecord g_meshBox;
extern MeshRecord g_meshDollHead;
extern MeshRecord g_meshDollBody;
extern MeshRecord g_meshDollArm;
extern MeshRecord g_meshDollArm2;
extern MeshRecord g_meshDollWaist;
extern MeshRecord g_meshDollLeg;
extern MeshRecord g_meshDollHat;

// The models of the data folder in load order.
struct ModelFile {
  MeshRecord* record;
  const char* path;  // relative to the current folder, as the game has always named them
};
constexpr int kModelCount = 23;
extern const ModelFile kModelFiles[kModelCount];

// Generated shapes drawn as subset 0 with whatever material and texture is set.
enum PrimitiveMesh { kPrimCylinder = 0, kPrimBox = 1, kPrimCap = 2, kPrimCount = 3 };
// Cylinder of radius 1 and length 2 along z, unit box, and the bar end cap
// "data\Capsule.x"; all in the MeshVertex layout with planar texture
// coordinates. Null when not built.
extern ID3DXMesh* g_primitiveMeshes[kPrimCount];

// Loads the model at path into record (released first if it held one).
// Returns 1 when the model loaded, 0 when not; on failure the record is
// empty and safe to draw and release.
int LoadMesh(MeshRecord* record, const char* path);
// Releases what LoadMesh acquired; a record never loaded is left alone.
void ReleaseMesh(MeshRecord* record);

// Each subset with its own material and texture.
void DrawMesh(const MeshRecord* record);
// Each subset with one emissive colour (diffuse alpha 1) and the model's textures.
void DrawMeshEmissive(const MeshRecord* record, float r, float g, float b);
// The same without textures.
void DrawMeshEmissiveUntextured(const MeshRecord* record, float r, float g, float b);
// Each subset with the caller's material, untextured.
void DrawMeshWithMaterial(const MeshRecord* record, const D3DMATERIAL9* material);
// Each subset with its own material and texture, diffuse alpha replaced.
void DrawMeshWithAlpha(const MeshRecord* record, float alpha);

// The game's default render, texture-stage and sampler states and vertex format.
void SetDefaultRenderStates();
// The two white directional lights; only light 0 is switched on.
void SetupLights();

// Starts reading the model files (the 23 models and the end cap) in the
// background, so that the loads below find them mostly read.
void PrefetchModelFiles();
// Loads the 23 models in order; returns how many failed to load.
int LoadModels();
// Releases the 23 models (the fan's case before its blades).
void ReleaseModels();
// Builds the three primitive meshes; returns how many could not be built
// (those stay null).
int CreatePrimitiveMeshes();
void ReleasePrimitiveMeshes();
// Rewrites the texture coordinates of a MeshVertex mesh from its bounding
// box: u = ((x - min.x) + (z - min.z)) / width, v = (y - min.y) / height.
void ApplyPlanarTexCoords(ID3DXMesh* mesh);
