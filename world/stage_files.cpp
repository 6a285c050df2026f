#include "world/stage_files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/text_encoding.h"
#include "platform/win_user.h"
#include "world/effects.h"
#include "world/file_modes.h"
#include "world/globals.h"
#include "world/goals.h"
#include "world/items.h"
#include "world/shell_state.h"
#include "world/snapshot.h"
#include "world/stage_file_format.h"
#include "world/stage_file_io.h"
#include "world/stage_id.h"
#include "world/update_state.h"
#include "world/world_hooks.h"

namespace {

// The editor bar's entries that files switch by position, and the pause save.
constexpr UINT kExportPos = 1;
constexpr UINT kTestPlayPos = 2;
constexpr UINT kStageSettingsPos = 3;
constexpr UINT kCmdSavePauseFile = 32823;

// ファイルを保存できませんでした。\n保存先の場所と空き容量を確認してください。
constexpr char kSaveFailedText[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x95\xDB\x91\xB6\x82\xC5\x82\xAB\x82\xDC\x82\xB9"
    "\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x42\n\x95\xDB\x91\xB6\x90\xE6\x82\xCC\x8F\xEA\x8F\x8A"
    "\x82\xC6\x8B\xF3\x82\xAB\x97\x65\x97\xCA\x82\xF0\x8A\x6D\x94\x46\x82\xB5\x82\xC4\x82\xAD"
    "\x82\xBE\x82\xB3\x82\xA2\x81\x42";
// ファイルが書き込み禁止になっているため保存できませんでした。\n別の名前で保存してください。
constexpr char kReadOnlyText[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x8F\x91\x82\xAB\x8D\x9E\x82\xDD\x8B\xD6\x8E"
    "\x7E\x82\xC9\x82\xC8\x82\xC1\x82\xC4\x82\xA2\x82\xE9\x82\xBD\x82\xDF\x95\xDB\x91\xB6"
    "\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x42\n\x95\xCA\x82"
    "\xCC\x96\xBC\x91\x4F\x82\xC5\x95\xDB\x91\xB6\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3"
    "\x82\xA2\x81\x42";
// 保存先のフォルダーに新しいファイルを作れず、上書きする空き容量も足りないため保存できませんでした。\nファイルは元のままです。
constexpr char kNoRoomInPlaceText[] =
    "\x95\xDB\x91\xB6\x90\xE6\x82\xCC\x83\x74\x83\x48\x83\x8B\x83\x5F\x81\x5B\x82\xC9\x90"
    "\x56\x82\xB5\x82\xA2\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x8D\xEC\x82\xEA\x82\xB8"
    "\x81\x41\x8F\xE3\x8F\x91\x82\xAB\x82\xB7\x82\xE9\x8B\xF3\x82\xAB\x97\x65\x97\xCA\x82"
    "\xE0\x91\xAB\x82\xE8\x82\xC8\x82\xA2\x82\xBD\x82\xDF\x95\xDB\x91\xB6\x82\xC5\x82\xAB"
    "\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x42\n\x83\x74\x83\x40\x83\x43\x83"
    "\x8B\x82\xCD\x8C\xB3\x82\xCC\x82\xDC\x82\xDC\x82\xC5\x82\xB7\x81\x42";
// 保存先のフォルダーに新しいファイルを作れないため直接上書きしましたが、書き込みに失敗しました。
// \nファイルが壊れているおそれがあります。別の場所に保存し直してください。
constexpr char kFailedInPlaceText[] =
    "\x95\xDB\x91\xB6\x90\xE6\x82\xCC\x83\x74\x83\x48\x83\x8B\x83\x5F\x81\x5B\x82\xC9\x90"
    "\x56\x82\xB5\x82\xA2\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x8D\xEC\x82\xEA\x82\xC8"
    "\x82\xA2\x82\xBD\x82\xDF\x92\xBC\x90\xDA\x8F\xE3\x8F\x91\x82\xAB\x82\xB5\x82\xDC\x82"
    "\xB5\x82\xBD\x82\xAA\x81\x41\x8F\x91\x82\xAB\x8D\x9E\x82\xDD\x82\xC9\x8E\xB8\x94\x73"
    "\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x89"
    "\xF3\x82\xEA\x82\xC4\x82\xA2\x82\xE9\x82\xA8\x82\xBB\x82\xEA\x82\xAA\x82\xA0\x82\xE8"
    "\x82\xDC\x82\xB7\x81\x42\x95\xCA\x82\xCC\x8F\xEA\x8F\x8A\x82\xC9\x95\xDB\x91\xB6\x82"
    "\xB5\x92\xBC\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81\x42";
// ファイルを読み込めませんでした。
constexpr char kReadFailedText[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9"
    "\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x42";
// 変更されたステージ内容を保存しますか？
constexpr char kAskSaveText[] =
    "\x95\xCF\x8D\x58\x82\xB3\x82\xEA\x82\xBD\x83\x58\x83\x65\x81\x5B\x83\x57\x93\xE0\x97\x65"
    "\x82\xF0\x95\xDB\x91\xB6\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81\x48";

// The largest file of any kind that can be sound; anything longer is damaged
// and is not read further.
constexpr size_t kLargestSoundFile = kPlayFileFixedSize + 4 * (size_t)kMaxJointListLength;

void ShowMessage(const char* text) { MessageBoxA(g_hWnd, text, g_appTitle, MB_OK); }

void ShowCursorAgain() {
  if (g_cursorVisible == 0) {
    g_cursorVisible = 1;
    ShowCursor(TRUE);
  }
  g_cursorIdleFrames = 0;
}

// Sets text and state of an editor bar entry by position; the shared record's
// mask goes back to state only, so later state changes leave the text alone.
void SetEditorBarTextAndState(UINT position, char* text, UINT state) {
  g_menuItemInfo.fMask = MIIM_STATE | MIIM_STRING;
  g_menuItemInfo.dwTypeData = text;
  g_menuItemInfo.fState = state;
  SetMenuItemInfoA(g_editorMenu, position, TRUE, &g_menuItemInfo);
  g_menuItemInfo.fMask = MIIM_STATE;
  DrawMenuBar(g_hWnd);
}

enum class ReadResult { kOk, kMissing, kReadFailed };

// Reads the whole file, up to one byte more than the largest sound file.
// Only a file that is not there is missing. A named pipe, a device or a
// folder in the file's place is never waited on or read: like a file the
// player may not read, it is a file that could not be read.
ReadResult ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
  FILE* f = OpenRegularFileForReading(path);
  if (!f) {
    return errno == ENOENT || errno == ENOTDIR ? ReadResult::kMissing : ReadResult::kReadFailed;
  }
  bytes->clear();
  uint8_t buffer[65536];
  bool ok = true;
  while (bytes->size() <= kLargestSoundFile) {
    size_t n = std::fread(buffer, 1, sizeof buffer, f);
    bytes->insert(bytes->end(), buffer, buffer + n);
    if (n < sizeof buffer) {
      ok = !std::ferror(f);
      break;
    }
  }
  std::fclose(f);
  return ok ? ReadResult::kOk : ReadResult::kReadFailed;
}

// The file's title: its name after the last folder separator ('\' or '/';
// a ':' is part of the name). The second byte of a double-byte character may
// be 0x5C and is no separator.
const char* FileTitleOf(const char* path) {
  const char* title = path;
  for (const char* p = path; *p;) {
    int length = Cp932CharLength((unsigned char)*p);
    if (length == 1 && (*p == '/' || *p == '\\')) title = p + 1;
    p += (length == 2 && p[1] != '\0') ? 2 : 1;
  }
  return title;
}

}  // namespace

int SaveStageFile(const char* pathWithoutExtension, int kind) {
  const char* extension = StageFileExtension(kind);
  if (!extension || !pathWithoutExtension) return 0;
  std::string path = pathWithoutExtension;

  if (kind == kFileStage || kind == kFilePlay) {
    // Stage and play files hold the stage's own parts: leave the test play.
    if (g_appMode != kModeEdit) {
      g_goalPanelState = 0;
      if (g_appMode == kModeRun) {
        g_cameraPos = g_savedCameraPos;
        ShowCursorAgain();
      }
      SetEditorBarTextAndState(kTestPlayPos, g_testPlayStartText, MFS_ENABLED);
      SetEditorBarState(kStageSettingsPos, MFS_ENABLED);
      EnableMenuItem(g_editorMenu, kCmdSavePauseFile, MF_BYCOMMAND | MF_GRAYED);
      ReturnToStageEditing(kFileStage);
      ResetUndoPair();
    }
    CaptureSnapshot(0, g_fileSnapshotItems, g_fileSnapshotBodies, g_fileSnapshotJoints,
                    &g_snapshotJointList);
  } else {
    // A pause file holds the placed state with the player's items.
    if (g_appMode == kModeRun) {
      RestoreSnapshot(g_runSnapshotItems, g_runSnapshotBodies, g_runSnapshotJoints,
                      &g_snapshotJointList);
      g_appMode = kModePlay;
      g_cameraPos = g_savedCameraPos;
      ShowCursorAgain();
    }
    CaptureSnapshot(1, g_fileSnapshotItems, g_fileSnapshotBodies, g_fileSnapshotJoints,
                    &g_snapshotJointList);
  }

  std::unique_ptr<StageFileContent> content(new StageFileContent());
  StageFileHeader& h = content->header;
  h.goalType = g_goalType;
  if (kind != kFileStage) {
    // Count and ID come from the live tables right after the capture, so a
    // pause file carries the ID of the play file it was played from.
    int32_t count = 0;
    for (const StageItem& item : g_items)
      if (item.state != kItemFree && item.createdInMode == kModeEdit) ++count;
    h.stageItemCount = count;
    ComputeStageId(g_stageId);
    std::memcpy(h.stageId, g_stageId, sizeof h.stageId);
    std::memcpy(h.editorName, g_editorName, sizeof h.editorName);
  }
  h.cameraPos = g_cameraPos;
  h.zoomLevel = g_zoomLevel;
  h.areaState = g_areaEditState;
  h.area = g_area;
  std::memcpy(content->items, g_fileSnapshotItems, sizeof content->items);
  std::memcpy(content->bodies, g_fileSnapshotBodies, sizeof content->bodies);
  std::memcpy(content->joints, g_fileSnapshotJoints, sizeof content->joints);
  if (g_snapshotJointList && g_jointListLength > 0)
    content->jointList.assign(g_snapshotJointList, g_snapshotJointList + g_jointListLength);
  content->clearVerified = g_clearVerified;

  const std::vector<uint8_t> image = BuildStageFileImage(kind, *content);
  switch (WriteFileSafely(GamePathToHost((path + extension).c_str()), image.data(), image.size())) {
    case FileWriteResult::kWritten:
      break;
    case FileWriteResult::kReadOnly:
      ShowMessage(kReadOnlyText);
      return 0;
    case FileWriteResult::kNoRoomInPlace:
      ShowMessage(kNoRoomInPlaceText);
      return 0;
    case FileWriteResult::kFailedInPlace:
      ShowMessage(kFailedInPlaceText);
      return 0;
    default:
      ShowMessage(kSaveFailedText);
      return 0;
  }
  if (kind == kFileStage) {
    g_stageModified = 0;
    NotifyTitleChanged();
  }
  return 1;
}

int LoadStageFile(char* path, int kind) {
  g_leftButtonDown = 1;
  g_rightButtonDown = 1;
  if (!StageFileMagic(kind) || !path) return 0;
  // The game holds a path in as many bytes as the stage's path field: a
  // longer one (a dropped file's; the file dialogs refuse them) names a file
  // it cannot read, nor save again under its name.
  if (std::strlen(path) >= sizeof g_stagePath) {
    ShowMessage(kReadFailedText);
    return 0;
  }

  if (g_stageModified) {
    // A save under a new name during the prompt goes through the caller's
    // buffer (the shared file-dialog buffer): give it back as it was.
    std::string kept = path;
    if (AskSaveChanges() != 1) return 0;
    std::memcpy(path, kept.c_str(), kept.size() + 1);
  }

  // Everything is read and checked before the stage is touched.
  // A file that is not there is passed over in silence, as every file the
  // game reads is; one that is there but cannot be read is reported.
  std::vector<uint8_t> bytes;
  ReadResult read = ReadWholeFile(GamePathToHost(path).c_str(), &bytes);
  if (read == ReadResult::kMissing) return 0;
  if (read == ReadResult::kReadFailed) {
    ShowMessage(kReadFailedText);
    return 0;
  }
  std::unique_ptr<StageFileContent> content(new StageFileContent());
  StageFileCheck check = ParseStageFileImage(kind, bytes.data(), bytes.size(), content.get());
  if (check != kFileOk) {
    ShowMessage(StageFileCheckMessage(check));
    return 0;
  }
  const StageFileHeader& h = content->header;

  for (int i = 0; i < kMaxItems; ++i)
    if (g_items[i].state != kItemFree) DestroyItem(i);
  for (SmokePuff& puff : g_smokePuffs) puff.active = 0;
  for (Shard& shard : g_shards) shard.life = 0;  // the last stage's, not this one's

  SetModeForFileKind(kind);
  if (kind == kFilePause) {
    // A pause file is played: its undo pair below must keep the player's
    // items, which a capture in stage editing would drop.
    g_isPlayFile = 1;
    g_appMode = kModePlay;
  }
  SetGoalType(h.goalType);
  if (kind != kFileStage) {
    g_itemCount = h.stageItemCount;
    std::memcpy(g_stageId, h.stageId, sizeof h.stageId);
  }
  g_cameraPos = h.cameraPos;
  g_zoomLevel = h.zoomLevel;
  g_areaEditState = h.areaState;
  if (kind == kFileStage) {
    SetEditorBarTextAndState(kTestPlayPos, g_testPlayStartText,
                             g_areaEditState == kAreaDefined ? MFS_ENABLED : MFS_GRAYED);
    // The update writes the entry only when its state changes: it must know
    // what the entry shows now.
    g_testPlayEnabledCache = g_areaEditState == kAreaDefined ? 1 : 0;
  }
  g_area = h.area;
  std::memcpy(g_fileSnapshotItems, content->items, sizeof content->items);
  std::memcpy(g_fileSnapshotBodies, content->bodies, sizeof content->bodies);
  std::memcpy(g_fileSnapshotJoints, content->joints, sizeof content->joints);

  std::free(g_snapshotJointList);
  g_snapshotJointList = nullptr;
  g_jointListLength = (int32_t)content->jointList.size();
  if (g_jointListLength > 0) {
    g_snapshotJointList = (int32_t*)std::malloc(sizeof(int32_t) * content->jointList.size());
    std::memcpy(g_snapshotJointList, content->jointList.data(),
                sizeof(int32_t) * content->jointList.size());
  }
  if (kind == kFileStage) {
    g_clearVerified = content->clearVerified;
    SetEditorBarState(kExportPos, g_clearVerified == 1 ? MFS_ENABLED : MFS_GRAYED);
  }

  RestoreSnapshot(g_fileSnapshotItems, g_fileSnapshotBodies, g_fileSnapshotJoints,
                  &g_snapshotJointList);
  ResetUndoPair();

  // Name and path without the kind's extension. A path without it is kept
  // only when the writer can add it and still name a file the game can open
  // again; otherwise a later overwrite save asks for a name.
  const char* title = FileTitleOf(path);
  const size_t titleLength = std::strlen(title);
  const size_t pathLength = std::strlen(path);
  std::memcpy(g_stageName, title, titleLength + 1);
  std::memcpy(g_stagePath, path, pathLength + 1);
  if (titleLength >= 4 && std::strcmp(title + titleLength - 4, StageFileExtension(kind)) == 0) {
    g_stageName[titleLength - 4] = '\0';
    g_stagePath[pathLength - 4] = '\0';
  } else if (pathLength + 4 >= sizeof g_stagePath) {
    g_stagePath[0] = '\0';
  }
  // Only a stage file opened as one is the stage's own file to write again.
  g_stageFileChosen = kind == kFileStage ? 1 : 0;

  g_stageModified = 0;
  NotifyTitleChanged();
  NotifyStageLoaded();
  g_truckOverviewCamera = 0;
  return 1;
}

int AskSaveChanges() {
  int answer = MessageBoxA(g_hWnd, kAskSaveText, g_appTitle, MB_YESNOCANCEL);
  if (answer == IDNO) return 1;
  if (answer != IDYES) return 0;
  // Go on only when the stage really is in a file now.
  return RequestSave() == 1 ? 1 : 0;
}
