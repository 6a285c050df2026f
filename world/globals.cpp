#include "world/globals.h"

StageItem g_items[kMaxItems];
JointRecord g_joints[kJointTableSize];

D3DXMATRIX g_viewMatrix;
D3DXMATRIX g_projMatrix;
D3DXVECTOR3 g_cameraPos(400.0f, 10.0f, -50.0f);
D3DXVECTOR3 g_savedCameraPos;
D3DXVECTOR3 g_cameraTarget;
D3DXVECTOR3 g_stageMouse;
D3DXVECTOR3 g_rotationPivot;
D3DXMATRIX g_worldIdentity;
AreaCorners g_area;
D3DXVECTOR3 g_bandStart;
D3DXVECTOR3 g_bandEnd;
D3DXVECTOR3 g_grabOffset;
D3DXVECTOR3 g_connectPoint;
D3DXVECTOR3 g_hoveredJointScreen;

int32_t g_appMode = kModeTitle;
int32_t g_goalType = kGoalNone;
// "ゴールベル", "スタートボール", "トラックレース", "ロケットドール" in Shift-JIS.
char g_goalTypeNames[4][40] = {
    "\x83\x53\x81\x5b\x83\x8b\x83\x78\x83\x8b",
    "\x83\x58\x83\x5e\x81\x5b\x83\x67\x83\x7b\x81\x5b\x83\x8b",
    "\x83\x67\x83\x89\x83\x62\x83\x4e\x83\x8c\x81\x5b\x83\x58",
    "\x83\x8d\x83\x50\x83\x62\x83\x67\x83\x68\x81\x5b\x83\x8b",
};
int32_t g_dollGroup = -1;
int32_t g_zoomLevel = 2;
int32_t g_hoveredItem = -1;
int32_t g_copySourceItem = -1;
int32_t g_hoveredJoint = -1;
int32_t g_cursorOnStage = 0;
int32_t g_paletteTypes[4] = {kKindBall, kKindBox, kKindCapsule, -1};
int32_t g_cursorVisible = 1;
int32_t g_showItemCount = 1;
int32_t g_playListSortColumn = 1;
uint8_t g_shownDirtyState = 0xFF;
int32_t g_testPlayEnabledCache = -1;
FrustumKey g_frustumKey = {9999.0f, 9999.0f, -1.0f, -1};
// "テストプレイ開始(&T)" and "テストプレイ終了(&T)" in Shift-JIS.
char g_testPlayStartText[30] = "\x83\x65\x83\x58\x83\x67\x83\x76\x83\x8c\x83\x43\x8a\x4a\x8e\x6e(&T)";
char g_testPlayEndText[30] = "\x83\x65\x83\x58\x83\x67\x83\x76\x83\x8c\x83\x43\x8f\x49\x97\xb9(&T)";

int32_t g_stageModified = 0;
char g_stageName[256] = "";
char g_stagePath[256] = "";
int32_t g_stageFileChosen = 0;
int32_t g_areaEditState = kAreaNone;
int32_t g_areaEdgeHover = 0;
int32_t g_bellSwing = 0;
int32_t g_animTick = 0;
int32_t g_anyOverlap = 0;
int32_t g_itemOutsideArea = 0;
int32_t g_truckOverviewCamera = 0;
int32_t g_truckFlipFrames = 0;
int32_t g_dollStillFrames = 0;
int32_t g_dollAtRest = 0;
int32_t g_itemBarOpen = 0;
int32_t g_itemBarCloseTimer = 0;
int32_t g_itemBarHeight = 0;
int32_t g_cursorIdleFrames = 0;
