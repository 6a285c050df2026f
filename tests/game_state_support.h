// One reset of the game's whole state before every test case, so that a test
// binary passes run whole, in any order, as well as one case per process.
//
// Before each case: whatever an earlier case left made (items, the physics
// world, snapshot buffers, fonts, textures, models, the sprite, the device,
// windows and menus) goes through the game's own release at the end of a
// run; every global of the game gets back the value it had when the program
// started (kept before the first case); the stand-in window system forgets
// its windows, menus, keys, cursor, clocks, message boxes and scripted
// answers, and the program's own path is the real one again; the random
// sequences start over and the current folder is the one the binary started
// in.
//
// Each test binary but the window tests links tests/each_case_resets.cpp,
// which installs this before every case; nothing else needs to call it. A new
// global of the game goes into KeepAllGlobals below: CI's reset_covers_globals
// names any that is missing.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include <ode/ode.h>

#include "app/file_commands.h"
#include "app/fonts_textures.h"
#include "app/play_list.h"
#include "app/save_command.h"
#include "app/shell_globals.h"
#include "app/small_dialogs.h"
#include "app/startup.h"
#include "app/title_screen.h"
#include "app/window_title.h"
#include "game/editor_tools.h"
#include "game/frame.h"
#include "game/goal_reached.h"
#include "game/hints.h"
#include "game/overlays.h"
#include "game/right_tools.h"
#include "game/run_behaviours.h"
#include "game/runs.h"
#include "game/update.h"
#include "platform/headless.h"
#include "platform/win_kernel.h"
#include "render/camera.h"
#include "render/meshes.h"
#include "render/render_state.h"
#include "render/view_state.h"
#include "render/world_drawing.h"
#include "world/collision.h"
#include "world/effects.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/shell_state.h"
#include "world/snapshot.h"
#include "world/stage_id.h"
#include "world/update_state.h"
#include "world/world_hooks.h"

namespace game_state {

// One global and the bytes it held when the program started.
struct KeptGlobal {
  void* at;
  size_t size;
  std::vector<unsigned char> first;
};

template <class T>
KeptGlobal Keep(T& global) {
  static_assert(std::is_trivially_copyable_v<T>, "kept globals are plain records");
  const auto* bytes = reinterpret_cast<const unsigned char*>(&global);
  return KeptGlobal{&global, sizeof global, std::vector<unsigned char>(bytes, bytes + sizeof global)};
}

// Every global of the game that a case can change, as it started.
inline std::vector<KeptGlobal> KeepAllGlobals() {
  return {
      // the stage world
      Keep(g_items), Keep(g_liveItemEnd), Keep(g_joints), Keep(g_viewMatrix), Keep(g_projMatrix), Keep(g_cameraPos),
      Keep(g_savedCameraPos), Keep(g_cameraTarget), Keep(g_stageMouse), Keep(g_rotationPivot),
      Keep(g_worldIdentity), Keep(g_area), Keep(g_bandStart), Keep(g_bandEnd),
      Keep(g_grabOffset), Keep(g_connectPoint), Keep(g_hoveredJointScreen), Keep(g_appMode),
      Keep(g_goalType), Keep(g_goalTypeNames), Keep(g_dollGroup), Keep(g_zoomLevel),
      Keep(g_hoveredItem), Keep(g_copySourceItem), Keep(g_hoveredJoint), Keep(g_cursorOnStage),
      Keep(g_paletteTypes), Keep(g_cursorVisible), Keep(g_showItemCount),
      Keep(g_playListSortColumn), Keep(g_shownDirtyState), Keep(g_testPlayEnabledCache),
      Keep(g_frustumKey), Keep(g_testPlayStartText), Keep(g_testPlayEndText),
      Keep(g_stageModified), Keep(g_stageName), Keep(g_stagePath), Keep(g_stageFileChosen),
      Keep(g_areaEditState),
      Keep(g_areaEdgeHover), Keep(g_bellSwing), Keep(g_animTick), Keep(g_anyOverlap),
      Keep(g_itemOutsideArea), Keep(g_truckOverviewCamera), Keep(g_truckFlipFrames),
      Keep(g_dollStillFrames), Keep(g_dollAtRest), Keep(g_itemBarOpen),
      Keep(g_itemBarCloseTimer), Keep(g_itemBarHeight), Keep(g_cursorIdleFrames),
      Keep(g_contactCount), Keep(g_goalBellBody), Keep(g_startBallBody), Keep(g_truckBody),
      Keep(g_rocketBody), Keep(g_toyBoxBody), Keep(g_dollBody), Keep(g_world), Keep(g_space),
      Keep(g_groundGeom), Keep(g_contactGroup), Keep(g_fileSnapshotItems),
      Keep(g_fileSnapshotBodies), Keep(g_fileSnapshotJoints), Keep(g_runSnapshotItems),
      Keep(g_runSnapshotBodies), Keep(g_runSnapshotJoints), Keep(g_snapshotJointList),
      Keep(g_jointListLength), Keep(g_undoSlots), Keep(g_undoIndex), Keep(g_stageId),
      // drawing
      Keep(g_frustumPlanes), Keep(g_sceneMoving), Keep(g_smokePuffs), Keep(g_trails),
      Keep(g_shards), Keep(g_sparkles), Keep(g_meshSky), Keep(g_meshFanBody),
      Keep(g_meshFanCase), Keep(g_meshHand), Keep(g_meshGranade), Keep(g_meshGranadeNude),
      Keep(g_meshUzi), Keep(g_meshJoints), Keep(g_meshBell), Keep(g_meshStartBall),
      Keep(g_meshGear), Keep(g_meshTire), Keep(g_meshCar), Keep(g_meshRocket), Keep(g_meshBox),
      Keep(g_meshDollHead), Keep(g_meshDollBody), Keep(g_meshDollArm), Keep(g_meshDollArm2),
      Keep(g_meshDollWaist), Keep(g_meshDollLeg), Keep(g_meshDollHat),
      Keep(g_primitiveMeshes), Keep(g_skyAngle), Keep(g_anyHighlighted),
      // the frame, the update and the tools
      Keep(g_pressMouseX), Keep(g_pressMouseY), Keep(g_bandSelecting), Keep(g_resizeSize1),
      Keep(g_resizeSize2), Keep(g_frameNow), Keep(g_lastFrameTime), Keep(g_frameLag),
      Keep(g_frameInterval), Keep(g_lastDollPos), Keep(g_presentParams), Keep(g_stageCleared),
      Keep(g_clearVerified), Keep(g_clearFlashAlpha), Keep(g_clearBlinkAngle),
      Keep(g_hintContext), Keep(g_lastHintContext), Keep(g_hintUnfold), Keep(g_motorIconAngle),
      Keep(g_idleHintAlpha), Keep(g_rotateDragAngle), Keep(g_rotateSnapLatch),
      Keep(g_deleteKeyLatch), Keep(g_truckAngle), Keep(g_truckTiltRate),
      Keep(g_truckWheelSpeed), Keep(g_dollLaunchCounter), Keep(g_fireworkTimer),
      Keep(g_truckCameraKeyLatch), Keep(g_truckResetKeyLatch), Keep(g_spaceKeyLatch),
      Keep(g_lastRunMouse),
      Keep(g_mousePos), Keep(g_buttonHover), Keep(g_mouseOverButton), Keep(g_hoveredBarSlot),
      Keep(g_paletteCount), Keep(g_paletteIndex), Keep(g_paletteWheelAngle),
      Keep(g_fastScroll), Keep(g_connectTarget), Keep(g_dragTool), Keep(g_previewSpin),
      Keep(g_latchKey1), Keep(g_latchKey2), Keep(g_latchZoomIn), Keep(g_latchZoomOut),
      Keep(g_scrollLatch), Keep(g_scrollTimer),
      Keep(g_leftButtonDown), Keep(g_rightButtonDown), Keep(g_itemCount),
      Keep(g_goalPanelState), Keep(g_goalPanelAlpha), Keep(g_goalPanelHoldFrames),
      // the application shell
      Keep(g_ofn), Keep(g_groundTexture), Keep(g_obTexture), Keep(g_spriteAtlas),
      Keep(g_smokeTexture), Keep(g_flashTexture), Keep(g_jetTexture), Keep(g_solidTexture),
      Keep(g_itemTextures), Keep(g_boldFont), Keep(g_labelFont), Keep(g_hintFont),
      Keep(g_titleFont), Keep(g_playListView), Keep(g_playListSortDescending),
      Keep(g_playFileCount), Keep(g_clearedPlayCount), Keep(g_playListCurrentRow),
      Keep(g_playListSelection), Keep(g_saveStageAsCommand), Keep(g_savePauseFileCommand),
      Keep(g_hInstance), Keep(g_hWnd), Keep(g_editorMenu), Keep(g_playMenu), Keep(g_titleMenu),
      Keep(g_appTitle), Keep(g_programDir), Keep(g_menuItemInfo), Keep(g_config),
      Keep(g_device), Keep(g_viewport), Keep(g_sprite), Keep(g_deviceLevel),
      Keep(g_appInactive), Keep(g_pickRay), Keep(g_initDone), Keep(g_gdiFont),
      Keep(g_configPath), Keep(g_d3d), Keep(g_accelerators), Keep(g_handCursor),
      Keep(g_startUpFailed), Keep(g_keepConfigFile), Keep(g_titleSpawnTimer),
      Keep(g_titleCameraAngle),
      Keep(g_windowTitle), Keep(g_isPlayFile), Keep(g_pacedFrameCount), Keep(g_drawnFrameCount),
      Keep(g_titleChangedHook), Keep(g_goalReachedHook), Keep(g_stageLoadedHook),
      Keep(g_saveRequestedHook),
  };
}

struct FirstState {
  std::vector<KeptGlobal> globals;
  std::string folder;  // the current folder the binary started in
};

inline FirstState& First() {
  static FirstState first;
  return first;
}

// Keeps the first values; called once, before any case has run.
inline void KeepFirstState() {
  FirstState& first = First();
  if (!first.globals.empty()) return;
  first.globals = KeepAllGlobals();
  char here[4096];
  if (getcwd(here, sizeof here)) first.folder = here;
}

// The game's state as the program started, with nothing made.
inline void ResetGameState() {
  KeepFirstState();
  // What an earlier case made, released as the game releases it at its end.
  ReleaseEverything();
  for (KeptGlobal& g : First().globals) std::memcpy(g.at, g.first.data(), g.size);
  std::memset(g_stageId, 0, 16);  // its storage starts at zero too
  headless::Reset();
  platform::SetProgramPathForTests("");
  std::srand(1);
  dRandSetSeed(0);
  if (!First().folder.empty() && chdir(First().folder.c_str()) != 0) {
    ADD_FAILURE() << "cannot go back to " << First().folder;
  }
}

// Runs the reset before each case, ahead of the fixture's own set-up.
class ResetBeforeEachCase : public ::testing::EmptyTestEventListener {
  void OnTestProgramStart(const ::testing::UnitTest&) override { KeepFirstState(); }
  void OnTestStart(const ::testing::TestInfo&) override { ResetGameState(); }
};

}  // namespace game_state
