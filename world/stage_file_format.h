// The byte layout of stage (.stg), play (.ply) and pause (.pau) files.
//
// A file is a little-endian image of 32-bit records: a 40-byte magic field, a
// head, 500 item records (56 bytes), 500 body records (176 bytes), 500 joint
// records (40 bytes), the length N of the flattened joint list and its N
// entries, and for a stage file the clear-verified word. In memory the records
// carry real 64-bit handles and pointers, so every record is written and read
// here field by field; nothing in memory is ever dumped as it is.
//
// Writing is deterministic: handles, pointers, the last 4 bytes of body
// records, the padding column of rotations and every byte of a free slot are
// written as zeros, and the selection marks are left out, so the same stage
// always gives the same bytes.
//
// Reading trusts nothing: ParseStageFileImage checks the whole image before a
// caller changes anything, so no size, index or count from a file can reach the
// tables or the physics engine unchecked.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "world/types.h"

// Sizes of the parts of a file, in bytes.
constexpr size_t kMagicFieldSize = 40;
constexpr size_t kEditorNameSize = 40;
constexpr size_t kItemRecordSize = 56;
constexpr size_t kBodyRecordSize = 176;
constexpr size_t kJointRecordSize = 40;
// Everything before the item records.
constexpr size_t kStageFileHeadSize = 92;   // stage files
constexpr size_t kPlayFileHeadSize = 152;   // play and pause files
// The part of a play file's head that the play list reads: through the editor name.
constexpr size_t kPlayListHeadSize = 108;
constexpr size_t kTablesSize = kMaxItems * kItemRecordSize + kMaxItems * kBodyRecordSize +
                               kMaxJoints * kJointRecordSize;
// A file without joint-list entries; every entry adds 4 bytes.
constexpr size_t kStageFileFixedSize = kStageFileHeadSize + kTablesSize + 4 + 4;
constexpr size_t kPlayFileFixedSize = kPlayFileHeadSize + kTablesSize + 4;
static_assert(kTablesSize == 136000, "the three tables take 136000 bytes");
static_assert(kStageFileFixedSize == 136100, "a stage file is 136100 + 4N bytes");
static_assert(kPlayFileFixedSize == 136156, "a play or pause file is 136156 + 4N bytes");

// A joint is listed once by each of its two items, so no list can be longer.
constexpr int32_t kMaxJointListLength = 2 * kMaxJoints;

// The head of a file (everything before the item records). Play and pause
// files carry the stage item count, the stage ID and the editor name; stage
// files do not.
struct StageFileHeader {
  char magic[kMagicFieldSize];  // written from the kind; compared up to its NUL
  int32_t goalType;
  int32_t stageItemCount;       // play and pause files
  uint32_t stageId[4];          // play and pause files: four little-endian words
  char editorName[kEditorNameSize];  // play and pause files; Shift-JIS
  D3DXVECTOR3 cameraPos;
  int32_t zoomLevel;
  int32_t areaState;
  AreaCorners area;
};

// Everything a file holds, as the game keeps it between a file and the live
// tables: the head, the three tables of the file snapshot, the flattened joint
// list (each live item's jointCount entries, in slot order) and, for a stage
// file, the clear-verified word. Handles and list pointers in the records are
// null after reading. About 150 KB: keep it on the heap.
struct StageFileContent {
  StageFileHeader header;
  StageItem items[kMaxItems];
  BodyState bodies[kMaxItems];
  JointRecord joints[kMaxJoints];
  std::vector<int32_t> jointList;
  int32_t clearVerified;  // stage files
};

// What ParseStageFileImage found. Anything but kFileOk leaves the game's state
// to the caller untouched.
enum StageFileCheck : int32_t {
  kFileOk = 0,
  kFileWrongMagic,   // not a file of this kind
  kFileBadSize,      // truncated, too long, or N out of range
  kFileBadHead,      // goal, area, clear-verified word
  kFileBadItem,      // state, sizes, mode, alpha, motor speed, jointCount
  kFileBadBody,      // position or rotation (not a reflection) of a live item
  kFileBadJoint,     // type, items, anchor, extra values
  kFileBadJointList, // N, the entries of the items' joint lists, a joint not
                     // listed by both of its items
};

// The magic text and the extension (".stg", ".ply", ".pau") of a file kind
// (StageFileKind); null for any other value.
const char* StageFileMagic(int kind);
const char* StageFileExtension(int kind);
// Size of the head of a file of this kind (92 or 152 bytes).
size_t StageFileHeadSize(int kind);
// Size of a file of this kind with n joint-list entries.
size_t StageFileSize(int kind, int32_t n);
// Whether a 40-byte magic field names this kind: its text up to the first NUL
// equals the kind's magic; a field without a NUL matches nothing.
bool StageFileMagicMatches(const uint8_t* field, int kind);

// Records, field by field. A free slot (state or type 0) is written as zeros.
void WriteItemRecord(const StageItem& item, uint8_t* out);
void ReadItemRecord(const uint8_t* in, StageItem* item);
void WriteBodyRecord(const BodyState& body, uint8_t* out);
void ReadBodyRecord(const uint8_t* in, BodyState* body);
void WriteJointRecord(const JointRecord& joint, uint8_t* out);
void ReadJointRecord(const uint8_t* in, JointRecord* joint);
// The head (StageFileHeadSize(kind) bytes); the magic is written from the
// kind and the reserved word as 0.
void WriteStageFileHead(int kind, const StageFileHeader& header, uint8_t* out);
void ReadStageFileHead(int kind, const uint8_t* in, StageFileHeader* header);
// What the play list reads of a play file: the first kPlayListHeadSize bytes
// (magic, goal, stage item count, stage ID, editor name). The fields after
// the editor name are set to zero.
void ReadPlayListHead(const uint8_t* in, StageFileHeader* header);

// The whole file image of content. Item records of free slots, the body
// records of free item slots and joints whose items are not both live are
// written free; joint-list entries that do not name a written joint touching
// their item (or that repeat one) are left out and the item's jointCount
// written accordingly, and a joint that is not listed by both of its items is
// written free with its entry left out, so every image written is one
// ParseStageFileImage accepts.
std::vector<uint8_t> BuildStageFileImage(int kind, const StageFileContent& content);

// Checks a whole file image of the given kind and, when it is sound, fills
// *content with it. Nothing else changes, whatever the result.
//
// The camera, the zoom and (play and pause files) the stage item count are
// values the game replaces as soon as a stage has loaded, so odd values there
// are no damage: a camera that is not finite comes back as the starting
// view, a zoom outside -6..2 as 2 and a count outside 0..500 as the number of
// the file's stage parts.
StageFileCheck ParseStageFileImage(int kind, const uint8_t* data, size_t size,
                                   StageFileContent* content);

// The message a player is shown for a file refused with this result
// (Shift-JIS).
const char* StageFileCheckMessage(StageFileCheck check);
