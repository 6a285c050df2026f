#include "world/stage_file_format.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

namespace {

// ---------------------------------------------------------------------------
// Little-endian fields

void PutU32(uint8_t* p, uint32_t v) {
  p[0] = (uint8_t)v;
  p[1] = (uint8_t)(v >> 8);
  p[2] = (uint8_t)(v >> 16);
  p[3] = (uint8_t)(v >> 24);
}
void PutI32(uint8_t* p, int32_t v) { PutU32(p, (uint32_t)v); }
void PutF32(uint8_t* p, float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  PutU32(p, u);
}
void PutF64(uint8_t* p, double d) {
  uint64_t u;
  std::memcpy(&u, &d, 8);
  PutU32(p, (uint32_t)u);
  PutU32(p + 4, (uint32_t)(u >> 32));
}
void PutVec3(uint8_t* p, const D3DXVECTOR3& v) {
  PutF32(p, v.x);
  PutF32(p + 4, v.y);
  PutF32(p + 8, v.z);
}

uint32_t GetU32(const uint8_t* p) {
  return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
int32_t GetI32(const uint8_t* p) { return (int32_t)GetU32(p); }
float GetF32(const uint8_t* p) {
  uint32_t u = GetU32(p);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}
double GetF64(const uint8_t* p) {
  uint64_t u = (uint64_t)GetU32(p) | ((uint64_t)GetU32(p + 4) << 32);
  double d;
  std::memcpy(&d, &u, 8);
  return d;
}
D3DXVECTOR3 GetVec3(const uint8_t* p) { return D3DXVECTOR3(GetF32(p), GetF32(p + 4), GetF32(p + 8)); }

// ---------------------------------------------------------------------------
// Record layouts: offsets within each record

// Item record, 56 bytes.
constexpr size_t kItemState = 0;
constexpr size_t kItemKind = 4;
constexpr size_t kItemSizeA = 8;
constexpr size_t kItemSizeB = 12;
constexpr size_t kItemMode = 16;
constexpr size_t kItemFlags = 20;
constexpr size_t kItemGroup = 24;
constexpr size_t kItemAlpha = 28;
constexpr size_t kItemGeom = 32;       // handle: 4 zero bytes
constexpr size_t kItemBody = 36;       // handle: 4 zero bytes
constexpr size_t kItemFixJoint = 40;   // handle: 4 zero bytes
constexpr size_t kItemJointArray = 44; // pointer: 4 zero bytes
constexpr size_t kItemJointCount = 48;
constexpr size_t kItemMotorSpeed = 52;
static_assert(kItemMotorSpeed + 4 == kItemRecordSize, "item record is 56 bytes");

// Body record, 176 bytes.
constexpr size_t kBodyLinearVel = 0;
constexpr size_t kBodyAngularVel = 24;
constexpr size_t kBodyPosition = 48;
constexpr size_t kBodyRotation = 72;
constexpr size_t kBodyEnabled = 168;
constexpr size_t kBodyReserved = 172;  // 4 zero bytes
static_assert(kBodyRotation + 12 * 8 == kBodyEnabled, "rotation is 12 doubles");
static_assert(kBodyReserved + 4 == kBodyRecordSize, "body record is 176 bytes");

// Joint record, 40 bytes.
constexpr size_t kJointType = 0;
constexpr size_t kJointItemA = 4;
constexpr size_t kJointItemB = 8;
constexpr size_t kJointMode = 12;
constexpr size_t kJointAnchor = 16;
constexpr size_t kJointHandle = 28;  // handle: 4 zero bytes
constexpr size_t kJointExtraA = 32;
constexpr size_t kJointExtraB = 36;
static_assert(kJointExtraB + 4 == kJointRecordSize, "joint record is 40 bytes");

// Head of a file. Up to the goal both layouts agree; play and pause files then
// insert the count, the stage ID and the editor name (60 bytes).
constexpr size_t kHeadMagic = 0;
constexpr size_t kHeadReserved = 40;
constexpr size_t kHeadGoal = 44;
constexpr size_t kHeadItemCount = 48;  // play and pause
constexpr size_t kHeadStageId = 52;    // play and pause
constexpr size_t kHeadEditorName = 68; // play and pause
constexpr size_t kPlayExtra = 60;      // what play and pause files insert
// Offsets of the rest, in a stage file; add kPlayExtra for play and pause files.
constexpr size_t kHeadCamera = 48;
constexpr size_t kHeadZoom = 60;
constexpr size_t kHeadAreaState = 64;
constexpr size_t kHeadArea = 68;
static_assert(kHeadEditorName + kEditorNameSize == kHeadCamera + kPlayExtra,
              "the editor name ends where a play file's camera begins");
static_assert(kHeadEditorName + kEditorNameSize == kPlayListHeadSize, "play list reads 108 bytes");
static_assert(kHeadArea + 24 == kStageFileHeadSize, "stage file head is 92 bytes");
static_assert(kHeadArea + 24 + kPlayExtra == kPlayFileHeadSize, "play file head is 152 bytes");

// Whole file: the tables follow the head; N follows the tables.
constexpr size_t kTableItems = 0;
constexpr size_t kTableBodies = kTableItems + kMaxItems * kItemRecordSize;
constexpr size_t kTableJoints = kTableBodies + kMaxItems * kBodyRecordSize;
constexpr size_t kTableEnd = kTableJoints + kMaxJoints * kJointRecordSize;
static_assert(kStageFileHeadSize + kTableBodies == 28092, "stage file body records at 28092");
static_assert(kStageFileHeadSize + kTableJoints == 116092, "stage file joint records at 116092");
static_assert(kStageFileHeadSize + kTableEnd == 136092, "stage file N at 136092");
static_assert(kPlayFileHeadSize + kTableEnd == 136152, "play file N at 136152");

// Items that leave a selection behind in memory do not take it into a file.
constexpr uint32_t kTransientFlags = kFlagSelected | kFlagInBand;

// ---------------------------------------------------------------------------
// Limits of sound content. Nothing the editor makes comes near them; they
// keep every value the physics engine and the stage ID see well defined.

// Coordinates (positions, anchors, area corners, extra values) are truncated to
// int32 by the stage ID, so they must stay far inside that range.
constexpr double kMaxCoordinate = 1.0e6;
// Item sizes: the range item creation accepts. The editor keeps them within
// 1..80 and the stage parts within 1..30.
constexpr float kMinItemSize = 0.01f;
constexpr float kMaxItemSize = 10000.0f;
// A rotation's rows must be orthonormal to this tolerance.
constexpr double kRotationTolerance = 1.0e-3;
// The zoom levels the camera has, and the view the game starts with.
constexpr int32_t kMinZoomLevel = -6;
constexpr int32_t kMaxZoomLevel = 2;
constexpr float kStartCameraX = 400.0f;
constexpr float kStartCameraY = 10.0f;
constexpr float kStartCameraZ = -50.0f;

bool IsLiveKind(int32_t kind) {
  switch (kind) {
    case kKindBall:
    case kKindBox:
    case kKindCapsule:
    case kKindGrenade:
    case kKindRubberBall:
    case kKindRubberBox:
    case kKindRubberCapsule:
      return true;
    default:
      return kind >= kKindGoalBell && kind <= kKindDollWaist;
  }
}

// Kinds whose sizeB no shape or mass uses (the spheres): any value from 0 up.
bool IgnoresSizeB(int32_t kind) {
  return kind == kKindBall || kind == kKindRubberBall || kind == kKindTire ||
         kind == kKindDollHead;
}

bool InCoordinateRange(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoordinate; }
bool InCoordinateRange(const D3DXVECTOR3& v) {
  return InCoordinateRange(v.x) && InCoordinateRange(v.y) && InCoordinateRange(v.z);
}

bool SoundSize(float size, bool mayBeZero) {
  if (!std::isfinite(size) || size > kMaxItemSize) return false;
  if (mayBeZero && size == 0.0f) return true;
  return size >= kMinItemSize;
}

// A record of a kind the game does not know is not damage: the stage loads
// without it, and the restore tells the user so. Its sizes and pose are never
// used, so they are not checked.
bool SoundItem(const StageItem& item) {
  if (IsLiveKind(item.kind)) {
    if (!SoundSize(item.sizeA, false)) return false;
    // The start ball is rebuilt with a capsule mass of length sizeB, which may
    // be 0; the spheres do not use sizeB at all.
    bool zeroB = IgnoresSizeB(item.kind) || item.kind == kKindStartBall;
    if (!SoundSize(item.sizeB, zeroB)) return false;
  }
  if (item.createdInMode < kModeEdit || item.createdInMode > kModeRun) return false;
  if (item.alpha < 0 || item.alpha > 255) return false;
  if (item.motorSpeed < -5 || item.motorSpeed > 5) return false;
  if (item.jointCount < 0 || item.jointCount > kMaxJoints) return false;
  return true;
}

bool SoundBody(const BodyState& body) {
  for (int i = 0; i < 3; ++i)
    if (!InCoordinateRange(body.position[i])) return false;
  // The 3 x 3 block must be a rotation: the engine turns it into a quaternion
  // and a degenerate one would not survive that.
  const double* r = body.rotation;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      if (!std::isfinite(r[row * 4 + col])) return false;
  for (int a = 0; a < 3; ++a) {
    for (int b = a; b < 3; ++b) {
      double dot = r[a * 4] * r[b * 4] + r[a * 4 + 1] * r[b * 4 + 1] + r[a * 4 + 2] * r[b * 4 + 2];
      double want = a == b ? 1.0 : 0.0;
      if (!(std::fabs(dot - want) <= kRotationTolerance)) return false;
    }
  }
  // Orthonormal rows leave a reflection too (determinant -1): the engine
  // would make another rotation of it, and the stage would not be the file's.
  double det = r[0] * (r[5] * r[10] - r[6] * r[9]) - r[1] * (r[4] * r[10] - r[6] * r[8]) +
               r[2] * (r[4] * r[9] - r[5] * r[8]);
  return std::fabs(det - 1.0) <= kRotationTolerance;
}

}  // namespace

// ---------------------------------------------------------------------------
// Kinds

const char* StageFileMagic(int kind) {
  switch (kind) {
    case kFileStage: return "GIZMOWORKS_STAGEEDIT";
    case kFilePlay: return "GIZMOWORKS_PLAYONLY";
    case kFilePause: return "GIZMOWORKS_PLAYPAUSE";
    default: return nullptr;
  }
}

const char* StageFileExtension(int kind) {
  switch (kind) {
    case kFileStage: return ".stg";
    case kFilePlay: return ".ply";
    case kFilePause: return ".pau";
    default: return nullptr;
  }
}

size_t StageFileHeadSize(int kind) {
  return kind == kFileStage ? kStageFileHeadSize : kPlayFileHeadSize;
}

size_t StageFileSize(int kind, int32_t n) {
  size_t fixed = kind == kFileStage ? kStageFileFixedSize : kPlayFileFixedSize;
  return fixed + 4 * (size_t)(n < 0 ? 0 : n);
}

bool StageFileMagicMatches(const uint8_t* field, int kind) {
  const char* magic = StageFileMagic(kind);
  if (!magic) return false;
  const void* nul = std::memchr(field, 0, kMagicFieldSize);
  if (!nul) return false;
  size_t length = (size_t)((const uint8_t*)nul - field);
  return length == std::strlen(magic) && std::memcmp(field, magic, length) == 0;
}

// ---------------------------------------------------------------------------
// Records

void WriteItemRecord(const StageItem& item, uint8_t* out) {
  std::memset(out, 0, kItemRecordSize);
  if (item.state == kItemFree) return;
  PutI32(out + kItemState, item.state);
  PutI32(out + kItemKind, item.kind);
  PutF32(out + kItemSizeA, item.sizeA);
  PutF32(out + kItemSizeB, item.sizeB);
  PutI32(out + kItemMode, item.createdInMode);
  PutU32(out + kItemFlags, item.flags & ~kTransientFlags);
  PutI32(out + kItemGroup, item.group);
  PutI32(out + kItemAlpha, item.alpha);
  // kItemGeom, kItemBody, kItemFixJoint, kItemJointArray: no meaning in a file.
  PutI32(out + kItemJointCount, item.jointCount);
  PutI32(out + kItemMotorSpeed, item.motorSpeed);
}

void ReadItemRecord(const uint8_t* in, StageItem* item) {
  item->state = GetI32(in + kItemState);
  item->kind = GetI32(in + kItemKind);
  item->sizeA = GetF32(in + kItemSizeA);
  item->sizeB = GetF32(in + kItemSizeB);
  item->createdInMode = GetI32(in + kItemMode);
  item->flags = GetU32(in + kItemFlags);
  item->group = GetI32(in + kItemGroup);
  item->alpha = GetI32(in + kItemAlpha);
  item->geom = nullptr;
  item->body = nullptr;
  item->fixJoint = nullptr;
  item->jointIndexes = nullptr;
  item->jointCount = GetI32(in + kItemJointCount);
  item->motorSpeed = GetI32(in + kItemMotorSpeed);
}

void WriteBodyRecord(const BodyState& body, uint8_t* out) {
  std::memset(out, 0, kBodyRecordSize);
  for (int i = 0; i < 3; ++i) {
    PutF64(out + kBodyLinearVel + 8 * i, body.linearVel[i]);
    PutF64(out + kBodyAngularVel + 8 * i, body.angularVel[i]);
    PutF64(out + kBodyPosition + 8 * i, body.position[i]);
  }
  // The fourth element of each row is padding the engine never reads.
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      PutF64(out + kBodyRotation + 8 * (row * 4 + col), body.rotation[row * 4 + col]);
  PutI32(out + kBodyEnabled, body.enabled);
}

void ReadBodyRecord(const uint8_t* in, BodyState* body) {
  for (int i = 0; i < 3; ++i) {
    body->linearVel[i] = GetF64(in + kBodyLinearVel + 8 * i);
    body->angularVel[i] = GetF64(in + kBodyAngularVel + 8 * i);
    body->position[i] = GetF64(in + kBodyPosition + 8 * i);
  }
  for (int i = 0; i < 12; ++i) body->rotation[i] = GetF64(in + kBodyRotation + 8 * i);
  body->enabled = GetI32(in + kBodyEnabled);
  body->reserved = 0;
}

void WriteJointRecord(const JointRecord& joint, uint8_t* out) {
  std::memset(out, 0, kJointRecordSize);
  if (joint.type == kJointFree) return;
  PutI32(out + kJointType, joint.type);
  PutI32(out + kJointItemA, joint.itemA);
  PutI32(out + kJointItemB, joint.itemB);
  PutI32(out + kJointMode, joint.createdInMode);
  PutVec3(out + kJointAnchor, joint.anchor);
  // kJointHandle: no meaning in a file.
  PutF32(out + kJointExtraA, joint.extraA);
  PutF32(out + kJointExtraB, joint.extraB);
}

void ReadJointRecord(const uint8_t* in, JointRecord* joint) {
  joint->type = GetI32(in + kJointType);
  joint->itemA = GetI32(in + kJointItemA);
  joint->itemB = GetI32(in + kJointItemB);
  joint->createdInMode = GetI32(in + kJointMode);
  joint->anchor = GetVec3(in + kJointAnchor);
  joint->joint = nullptr;
  joint->extraA = GetF32(in + kJointExtraA);
  joint->extraB = GetF32(in + kJointExtraB);
}

void WriteStageFileHead(int kind, const StageFileHeader& header, uint8_t* out) {
  size_t headSize = StageFileHeadSize(kind);
  std::memset(out, 0, headSize);
  const char* magic = StageFileMagic(kind);
  if (magic) std::memcpy(out + kHeadMagic, magic, std::strlen(magic));
  PutI32(out + kHeadReserved, 0);
  PutI32(out + kHeadGoal, header.goalType);
  size_t shift = 0;
  if (kind != kFileStage) {
    PutI32(out + kHeadItemCount, header.stageItemCount);
    for (int i = 0; i < 4; ++i) PutU32(out + kHeadStageId + 4 * i, header.stageId[i]);
    std::memcpy(out + kHeadEditorName, header.editorName, kEditorNameSize);
    shift = kPlayExtra;
  }
  PutVec3(out + kHeadCamera + shift, header.cameraPos);
  PutI32(out + kHeadZoom + shift, header.zoomLevel);
  PutI32(out + kHeadAreaState + shift, header.areaState);
  PutVec3(out + kHeadArea + shift, header.area.corner1);
  PutVec3(out + kHeadArea + 12 + shift, header.area.corner2);
}

void ReadStageFileHead(int kind, const uint8_t* in, StageFileHeader* header) {
  std::memcpy(header->magic, in + kHeadMagic, kMagicFieldSize);
  header->goalType = GetI32(in + kHeadGoal);
  header->stageItemCount = 0;
  std::memset(header->stageId, 0, sizeof header->stageId);
  std::memset(header->editorName, 0, sizeof header->editorName);
  size_t shift = 0;
  if (kind != kFileStage) {
    header->stageItemCount = GetI32(in + kHeadItemCount);
    for (int i = 0; i < 4; ++i) header->stageId[i] = GetU32(in + kHeadStageId + 4 * i);
    std::memcpy(header->editorName, in + kHeadEditorName, kEditorNameSize);
    shift = kPlayExtra;
  }
  header->cameraPos = GetVec3(in + kHeadCamera + shift);
  header->zoomLevel = GetI32(in + kHeadZoom + shift);
  header->areaState = GetI32(in + kHeadAreaState + shift);
  header->area.corner1 = GetVec3(in + kHeadArea + shift);
  header->area.corner2 = GetVec3(in + kHeadArea + 12 + shift);
}

void ReadPlayListHead(const uint8_t* in, StageFileHeader* header) {
  std::memcpy(header->magic, in + kHeadMagic, kMagicFieldSize);
  header->goalType = GetI32(in + kHeadGoal);
  header->stageItemCount = GetI32(in + kHeadItemCount);
  for (int i = 0; i < 4; ++i) header->stageId[i] = GetU32(in + kHeadStageId + 4 * i);
  std::memcpy(header->editorName, in + kHeadEditorName, kEditorNameSize);
  header->cameraPos = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  header->zoomLevel = 0;
  header->areaState = 0;
  header->area = AreaCorners{D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
}

// ---------------------------------------------------------------------------
// Whole files

std::vector<uint8_t> BuildStageFileImage(int kind, const StageFileContent& content) {
  // Which records go into the file: live items, and live joints between two
  // distinct live items.
  bool itemLive[kMaxItems];
  for (int i = 0; i < kMaxItems; ++i) itemLive[i] = content.items[i].state != kItemFree;
  bool jointLive[kMaxJoints];
  for (int j = 0; j < kMaxJoints; ++j) {
    const JointRecord& joint = content.joints[j];
    jointLive[j] = joint.type != kJointFree && joint.itemA >= 0 && joint.itemA < kMaxItems &&
                   joint.itemB >= 0 && joint.itemB < kMaxItems && joint.itemA != joint.itemB &&
                   itemLive[joint.itemA] && itemLive[joint.itemB];
  }

  // Each live item's list: the entries that name a written joint touching the
  // item, once each. A snapshot that keeps only the stage's own parts can
  // still list joints to items it left out; those entries go. A joint that
  // only one of its items lists is not written at all, nor its one entry:
  // the second pass builds the lists without it.
  std::vector<int32_t> list;
  int32_t counts[kMaxItems] = {};
  for (int pass = 0; pass < 2; ++pass) {
    list.clear();
    int8_t listings[kMaxJoints] = {};
    size_t readPos = 0;
    for (int i = 0; i < kMaxItems; ++i) {
      counts[i] = 0;
      if (!itemLive[i]) continue;
      int32_t count = content.items[i].jointCount;
      size_t first = list.size();
      for (int32_t k = 0; k < count && readPos < content.jointList.size(); ++k) {
        int32_t j = content.jointList[readPos++];
        if (j < 0 || j >= kMaxJoints || !jointLive[j]) continue;
        if (content.joints[j].itemA != i && content.joints[j].itemB != i) continue;
        bool repeated = false;
        for (size_t e = first; e < list.size(); ++e) repeated = repeated || list[e] == j;
        if (!repeated) {
          list.push_back(j);
          ++listings[j];
        }
      }
      counts[i] = (int32_t)(list.size() - first);
    }
    bool dropped = false;
    for (int j = 0; j < kMaxJoints; ++j) {
      if (jointLive[j] && listings[j] != 2) {
        jointLive[j] = false;
        dropped = true;
      }
    }
    if (!dropped) break;
  }

  size_t head = StageFileHeadSize(kind);
  std::vector<uint8_t> image(StageFileSize(kind, (int32_t)list.size()), 0);
  uint8_t* p = image.data();
  WriteStageFileHead(kind, content.header, p);
  for (int i = 0; i < kMaxItems; ++i) {
    StageItem item = content.items[i];
    item.jointCount = counts[i];
    WriteItemRecord(item, p + head + kTableItems + i * kItemRecordSize);
    if (itemLive[i]) WriteBodyRecord(content.bodies[i], p + head + kTableBodies + i * kBodyRecordSize);
  }
  for (int j = 0; j < kMaxJoints; ++j) {
    if (jointLive[j]) WriteJointRecord(content.joints[j], p + head + kTableJoints + j * kJointRecordSize);
  }
  size_t at = head + kTableEnd;
  PutI32(p + at, (int32_t)list.size());
  at += 4;
  for (int32_t j : list) {
    PutI32(p + at, j);
    at += 4;
  }
  if (kind == kFileStage) PutI32(p + at, content.clearVerified);
  return image;
}

StageFileCheck ParseStageFileImage(int kind, const uint8_t* data, size_t size,
                                   StageFileContent* content) {
  if (!StageFileMagic(kind)) return kFileWrongMagic;
  if (size < kMagicFieldSize || !StageFileMagicMatches(data, kind)) return kFileWrongMagic;

  // Size first: every later read stays inside the image.
  size_t head = StageFileHeadSize(kind);
  size_t fixed = kind == kFileStage ? kStageFileFixedSize : kPlayFileFixedSize;
  if (size < fixed) return kFileBadSize;
  int32_t n = GetI32(data + head + kTableEnd);
  if (n < 0 || n > kMaxJointListLength) return kFileBadSize;
  if (size != fixed + 4 * (size_t)n) return kFileBadSize;

  // Everything is decoded into a scratch copy; *content is written only once
  // the whole image has been found sound.
  std::unique_ptr<StageFileContent> scratch(new StageFileContent());
  StageFileContent& c = *scratch;

  ReadStageFileHead(kind, data, &c.header);
  const StageFileHeader& h = c.header;
  if (h.goalType < kGoalBell || h.goalType > kGoalRocketDoll) return kFileBadHead;
  // The camera and the zoom are replaced by a view fitted to the stage as soon
  // as it has loaded, and the item count is counted again by every update:
  // other writers may leave anything there. What a file says there is not
  // kept, only a value the game could have written (below), so nothing odd
  // reaches the view or the counters even for a moment.
  if (!std::isfinite(h.cameraPos.x) || !std::isfinite(h.cameraPos.y) ||
      !std::isfinite(h.cameraPos.z))
    c.header.cameraPos = D3DXVECTOR3(kStartCameraX, kStartCameraY, kStartCameraZ);
  if (h.zoomLevel < kMinZoomLevel || h.zoomLevel > kMaxZoomLevel) c.header.zoomLevel = kMaxZoomLevel;
  if (h.areaState < kAreaNone || h.areaState > kAreaMovingEdge) return kFileBadHead;
  if (!InCoordinateRange(h.area.corner1) || !InCoordinateRange(h.area.corner2)) return kFileBadHead;

  const uint8_t* tables = data + head;
  int64_t listTotal = 0;
  int32_t stageParts = 0;
  for (int i = 0; i < kMaxItems; ++i) {
    StageItem& item = c.items[i];
    ReadItemRecord(tables + kTableItems + i * kItemRecordSize, &item);
    ReadBodyRecord(tables + kTableBodies + i * kBodyRecordSize, &c.bodies[i]);
    if (item.state == kItemFree) continue;
    // A grenade's state is its fuse: the updates it has left before it goes
    // off. Every other live item is movable or fixed.
    bool fuse = item.kind == kKindGrenade && item.state > 0;
    if (!fuse && item.state != kItemMovable && item.state != kItemFixed) return kFileBadItem;
    if (!SoundItem(item)) return kFileBadItem;
    if (IsLiveKind(item.kind) && !SoundBody(c.bodies[i])) return kFileBadBody;
    listTotal += item.jointCount;
    if (item.createdInMode == kModeEdit) ++stageParts;
  }
  if (kind != kFileStage && (h.stageItemCount < 0 || h.stageItemCount > kMaxItems))
    c.header.stageItemCount = stageParts;

  for (int j = 0; j < kMaxJoints; ++j) {
    JointRecord& joint = c.joints[j];
    ReadJointRecord(tables + kTableJoints + j * kJointRecordSize, &joint);
    if (joint.type < kJointFree || joint.type > kJointBuiltInFixed) return kFileBadJoint;
    if (joint.type == kJointFree) continue;
    if (joint.itemA < 0 || joint.itemA >= kMaxItems || joint.itemB < 0 || joint.itemB >= kMaxItems)
      return kFileBadJoint;
    if (joint.itemA == joint.itemB) return kFileBadJoint;
    if (c.items[joint.itemA].state == kItemFree || c.items[joint.itemB].state == kItemFree)
      return kFileBadJoint;
    if (joint.createdInMode < kModeEdit || joint.createdInMode > kModeRun) return kFileBadJoint;
    if (!InCoordinateRange(joint.anchor)) return kFileBadJoint;
    if (!InCoordinateRange(joint.extraA) || !InCoordinateRange(joint.extraB)) return kFileBadJoint;
  }

  // The list: exactly the live items' entries, each naming a live joint that
  // touches its item, none twice in one item's list.
  if (listTotal != n) return kFileBadJointList;
  const uint8_t* entries = tables + kTableEnd + 4;
  c.jointList.resize((size_t)n);
  for (int32_t k = 0; k < n; ++k) c.jointList[k] = GetI32(entries + 4 * k);
  // Every live joint is listed by both of its items: an item that misses one
  // would carry a jointCount one short, which the stage ID takes in.
  int8_t listings[kMaxJoints] = {};
  size_t pos = 0;
  for (int i = 0; i < kMaxItems; ++i) {
    if (c.items[i].state == kItemFree) continue;
    size_t first = pos;
    for (int32_t k = 0; k < c.items[i].jointCount; ++k, ++pos) {
      int32_t j = c.jointList[pos];
      if (j < 0 || j >= kMaxJoints || c.joints[j].type == kJointFree) return kFileBadJointList;
      if (c.joints[j].itemA != i && c.joints[j].itemB != i) return kFileBadJointList;
      for (size_t e = first; e < pos; ++e)
        if (c.jointList[e] == j) return kFileBadJointList;
      ++listings[j];
    }
  }
  for (int j = 0; j < kMaxJoints; ++j)
    if (c.joints[j].type != kJointFree && listings[j] != 2) return kFileBadJointList;

  c.clearVerified = 0;
  if (kind == kFileStage) {
    c.clearVerified = GetI32(entries + 4 * (size_t)n);
    if (c.clearVerified != 0 && c.clearVerified != 1) return kFileBadHead;
  }

  // Free slots carry nothing over: zeros, as a writer would leave them.
  for (int i = 0; i < kMaxItems; ++i) {
    if (c.items[i].state != kItemFree) continue;
    std::memset(&c.items[i], 0, sizeof c.items[i]);
    std::memset(&c.bodies[i], 0, sizeof c.bodies[i]);
  }
  for (int j = 0; j < kMaxJoints; ++j)
    if (c.joints[j].type == kJointFree) std::memset(&c.joints[j], 0, sizeof c.joints[j]);

  *content = std::move(c);
  return kFileOk;
}

const char* StageFileCheckMessage(StageFileCheck check) {
  switch (check) {
    case kFileOk:
      return "";
    case kFileWrongMagic:
      // 未対応のファイル形式です。
      return "\x96\xA2\x91\xCE\x89\x9E\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x8C\x60\x8E\xAE"
             "\x82\xC5\x82\xB7\x81\x42";
    default:
      // ファイルが壊れているため開けませんでした。
      return "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x89\xF3\x82\xEA\x82\xC4\x82\xA2\x82\xE9"
             "\x82\xBD\x82\xDF\x8A\x4A\x82\xAF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD"
             "\x81\x42";
  }
}
