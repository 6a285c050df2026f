// The game's global state that exists before start-up runs: the item and
// joint tables, the camera and editor vectors, and the globals whose first
// value is not zero.
#pragma once
#include <cstdint>

#include "platform/d3dx_math.h"
#include "world/types.h"

// The key of the cached view frustum; the first values match no real view.
struct FrustumKey {
  float yaw;    // radians
  float pitch;  // radians
  float farDistance;
  int32_t halfAngle;  // degrees
};

// Tables
extern StageItem g_items[kMaxItems];
extern JointRecord g_joints[kJointTableSize];

// Matrices and vectors (zero at start, except the camera)
extern D3DXMATRIX g_viewMatrix;
extern D3DXMATRIX g_projMatrix;
extern D3DXVECTOR3 g_cameraPos;
extern D3DXVECTOR3 g_savedCameraPos;
extern D3DXVECTOR3 g_cameraTarget;
extern D3DXVECTOR3 g_stageMouse;
extern D3DXVECTOR3 g_rotationPivot;
extern D3DXMATRIX g_worldIdentity;  // made the identity by start-up
extern AreaCorners g_area;
extern D3DXVECTOR3 g_bandStart;  // the band selection's corners (unordered)
extern D3DXVECTOR3 g_bandEnd;
extern D3DXVECTOR3 g_grabOffset;
extern D3DXVECTOR3 g_connectPoint;
extern D3DXVECTOR3 g_hoveredJointScreen;

// Modes and editor state
extern int32_t g_appMode;   // AppMode; the program opens on the title screen
extern int32_t g_goalType;  // GoalType
extern char g_goalTypeNames[4][40];  // Shift-JIS, by GoalType 0..3
extern int32_t g_dollGroup;          // group of the launched doll, -1 none
extern int32_t g_zoomLevel;          // 2 down to -6
extern int32_t g_hoveredItem;        // -1 none
extern int32_t g_copySourceItem;     // -1 none
extern int32_t g_hoveredJoint;       // -1 none
extern int32_t g_cursorOnStage;      // 1 while the mouse is over the empty stage
extern int32_t g_paletteTypes[4];    // kinds offered for placement, -1 ends
extern int32_t g_cursorVisible;
extern int32_t g_showItemCount;
extern int32_t g_playListSortColumn;
extern uint8_t g_shownDirtyState;     // 0xFF: nothing shown in the menu yet
extern int32_t g_testPlayEnabledCache;  // -1: nothing written to the menu yet
extern FrustumKey g_frustumKey;
extern char g_testPlayStartText[30];  // Shift-JIS menu texts
extern char g_testPlayEndText[30];

// Stage and run state that starts at zero
extern int32_t g_stageModified;   // 1 while the stage has unsaved changes
extern char g_stageName[256];     // file title of the open stage, "" for a new one
extern char g_stagePath[256];     // its full path without extension, "" for a new one
// 1 while g_stagePath names the stage file that the player opened or saved, so
// that the overwrite save may write it without asking. A pause save ties the
// stage to the pause file's name, whose stage file nobody chose: 0 then, as
// for a new stage or an opened play or pause file.
extern int32_t g_stageFileChosen;
extern int32_t g_areaEditState;   // AreaEditState
extern int32_t g_areaEdgeHover;   // area edges under the mouse
extern int32_t g_bellSwing;       // degrees the goal bell still swings
extern int32_t g_animTick;        // run animation counter
extern int32_t g_anyOverlap;      // some item overlaps another
extern int32_t g_itemOutsideArea; // a player item lies outside the placement area
extern int32_t g_truckOverviewCamera;
extern int32_t g_truckFlipFrames;
extern int32_t g_dollStillFrames;  // drawn frames the launched doll has rested
extern int32_t g_dollAtRest;       // the run camera has seen the doll come to rest
extern int32_t g_itemBarOpen;
extern int32_t g_itemBarCloseTimer;
extern int32_t g_itemBarHeight;
extern int32_t g_cursorIdleFrames;  // run updates without mouse movement
