// Records, enumerations and constants shared by the whole game.
//
// In memory the records hold real physics handles and pointers; the stage,
// play and pause files use 32-bit images of them, read and written field by
// field elsewhere, so nothing here has to match a file byte for byte.
#pragma once
#include <ode/ode.h>

#include <cfloat>
#include <cmath>
#include <cstdint>

#include "platform/d3dx_math.h"
#include "platform/win_types.h"

// ---------------------------------------------------------------------------
// Capacities and constants

constexpr int kMaxItems = 500;
constexpr int kMaxJoints = 500;
// The joint table has room for a few more records than any code uses.
constexpr int kJointTableSize = 520;

// Every box is this deep along z, for its geom and its mass alike.
constexpr float kBoxDepth = 4.0f;

// Single-precision angle factors, exactly as the game has always rounded them.
constexpr float kDegToRad = D3DX_PI / 180.0f;
constexpr float kRadToDeg = 57.2957763671875f;

// Arc cosine taken in double precision and rounded to the nearest float. The
// single-precision library function misses that by a step now and then, which
// moves a truncated angle (stage ID, launch angle) by a whole degree.
inline float ArcCosine(float d) { return (float)std::acos((double)d); }

// A hinge stop so far away that it never acts: the largest double divided by
// 180 and multiplied by the single-precision pi.
constexpr double kHingeNoLimit = DBL_MAX / 180.0 * (double)D3DX_PI;
// Error reduction of hinges and of the world.
constexpr double kErp = 0.8;
// One physics step per update.
constexpr double kStepSize = 1.0 / 30.0;
// Degrees the sky dome turns on each drawing of it.
constexpr float kSkySpin = 0.008f;
// Live items at which the title screen stops spawning boxes.
constexpr int kTitleMaxObjects = 100;

// ---------------------------------------------------------------------------
// Enumerations. Records store them as int32 (flags as uint32).

enum ItemKind : int32_t {
  kKindBall = 0,
  kKindBox = 1,
  kKindCapsule = 2,  // the bar
  kKindGrenade = 4,
  kKindRubberBall = 5,
  kKindRubberBox = 6,
  kKindRubberCapsule = 7,
  // Stage parts: placed by the stage author or by the goal set-up.
  kKindGoalBell = 0x14,
  kKindStartBall = 0x15,
  kKindFan = 0x16,
  kKindTruck = 0x17,
  kKindTire = 0x18,
  kKindHiddenBox = 0x19,
  kKindRocket = 0x1a,
  kKindToyBox = 0x1b,
  kKindDollHead = 0x1c,
  kKindDollBody = 0x1d,
  kKindDollHat = 0x1e,
  kKindDollUpperArm = 0x1f,
  kKindDollForearm = 0x20,
  kKindDollLeg = 0x21,
  kKindDollWaist = 0x22,
};
// Kinds from here up are stage parts; below are the player's kinds.
constexpr int32_t kFirstStagePartKind = kKindGoalBell;

enum ItemState : int32_t {
  kItemFree = 0,
  kItemMovable = 1,
  kItemFixed = 2,
};

enum ItemFlags : uint32_t {
  kFlagOutsideArea = 1,
  kFlagOverlap = 2,
  kFlagSelected = 4,
  kFlagInBand = 8,
};

enum JointType : int32_t {
  kJointFree = 0,
  kJointRotary = 1,
  kJointFixed = 2,
  kJointBuiltInRotary = 3,
  kJointBuiltInFixed = 4,
};

enum AppMode : int32_t {
  kModeEdit = 0,
  kModePlay = 1,
  kModeRun = 2,
  kModeTitle = 3,
};

enum GoalType : int32_t {
  kGoalNone = -1,
  kGoalBell = 0,
  kGoalStartBall = 1,
  kGoalTruck = 2,
  kGoalRocketDoll = 3,
};

enum AreaEditState : int32_t {
  kAreaNone = 0,
  kAreaDrawing = 1,
  kAreaDefined = 2,
  kAreaMovingEdge = 3,
};

enum StageFileKind : int32_t {
  kFileStage = 0,  // .stg
  kFilePlay = 1,   // .ply
  kFilePause = 2,  // .pau
};

enum ItemDrawStyle : int32_t {
  kStyleNeutral = 0,
  kStyleMovable = 1,
  kStyleAwake = 2,
  kStyleError = 3,
  kStyleGhost = 4,
  kStyleHighlightMovable = 5,
  kStyleFixed = 6,
  kStyleHighlightFixed = 7,
  kStyleConnectTarget = 8,
  kStyleMotorLeft = 9,
  kStyleMotorRight = 10,
};

// The editor tool of the current mouse drag.
enum DragTool : int32_t {
  kToolNone = -1,
  kToolMove = 0,
  kToolFixToggle = 1,
  kToolResize = 2,
  kToolRotate = 3,
  kToolDelete = 4,
  kToolCopy = 5,       // left button
  kToolMotorDown = 5,  // right button
  kToolConnect = 6,
  kToolMotorUp = 7,
};

// ---------------------------------------------------------------------------
// Records

// One slot of the item table. Position and rotation live in the body.
struct StageItem {
  int32_t state;          // ItemState; 0 marks a free slot
  int32_t kind;           // ItemKind
  float sizeA;            // radius or box width
  float sizeB;            // capsule length or box height
  int32_t createdInMode;  // AppMode at creation
  uint32_t flags;         // ItemFlags
  int32_t group;          // connected assembly number, 0 without joints
  int32_t alpha;          // 0..255
  dGeomID geom;
  dBodyID body;
  dJointID fixJoint;      // joint to the static world while fixed
  int32_t* jointIndexes;  // malloc/realloc array of jointCount joint indexes, or null
  int32_t jointCount;
  int32_t motorSpeed;     // -5..5
};

// One slot of the joint table; every joint is a hinge about z.
struct JointRecord {
  int32_t type;  // JointType; 0 marks a free slot
  int32_t itemA;
  int32_t itemB;
  int32_t createdInMode;
  D3DXVECTOR3 anchor;
  dJointID joint;
  float extraA;  // carried through files and the stage ID, otherwise unused
  float extraB;
};

// The motion and pose of one item's body, as snapshots and files keep it.
struct BodyState {
  double linearVel[3];
  double angularVel[3];
  double position[3];
  double rotation[12];  // the engine's 3 x 4 matrix, row by row
  int32_t enabled;
  int32_t reserved;
};
static_assert(sizeof(BodyState) == 176, "BodyState is 21 doubles and two int32");

// The stage's area, or the band selection: two corners on the z = 0 plane.
struct AreaCorners {
  D3DXVECTOR3 corner1;
  D3DXVECTOR3 corner2;
};

// What the collision callback reports back to a pick, connect or overlap query.
// The caller zeroes it before the pass.
struct CollisionQuery {
  int32_t hit;
  D3DXVECTOR3 pos;
  D3DXVECTOR3 normal;
  float best;  // -1 when nothing was found yet
  dGeomID other;
  dGeomID queryGeom;
};

// The settings kept in Config.dat.
struct Config {
  int32_t reserved;
  int32_t windowX;
  int32_t windowY;
  char editorName[40];  // Shift-JIS, NUL-terminated
};
static_assert(sizeof(Config) == 52, "Config is stored as a 52-byte image");

// ---------------------------------------------------------------------------
// Vertex layouts of the fixed-function drawing

struct ColoredVertex {
  D3DXVECTOR3 pos;
  DWORD color;  // ARGB
  float u, v;
  static constexpr DWORD kFvf = 0x142;  // XYZ | DIFFUSE | TEX1
};
static_assert(sizeof(ColoredVertex) == 24, "ColoredVertex layout");

struct LineVertex {
  D3DXVECTOR3 pos;
  DWORD color;
  static constexpr DWORD kFvf = 0x42;  // XYZ | DIFFUSE
};
static_assert(sizeof(LineVertex) == 16, "LineVertex layout");

struct NormalVertex {
  D3DXVECTOR3 pos;
  D3DXVECTOR3 normal;
  static constexpr DWORD kFvf = 0x12;  // XYZ | NORMAL
};
static_assert(sizeof(NormalVertex) == 24, "NormalVertex layout");

struct MeshVertex {
  D3DXVECTOR3 pos;
  D3DXVECTOR3 normal;
  float u, v;
  static constexpr DWORD kFvf = 0x112;  // XYZ | NORMAL | TEX1
};
static_assert(sizeof(MeshVertex) == 32, "MeshVertex layout");
