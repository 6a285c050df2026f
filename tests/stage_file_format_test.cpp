// The file layout: every field at its byte offset, round trips, and images that
// must be refused before anything is decoded into the caller's content.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "world/stage_file_format.h"

namespace {

uint32_t U32At(const std::vector<uint8_t>& image, size_t at) {
  return (uint32_t)image[at] | ((uint32_t)image[at + 1] << 8) | ((uint32_t)image[at + 2] << 16) |
         ((uint32_t)image[at + 3] << 24);
}
int32_t I32At(const std::vector<uint8_t>& image, size_t at) { return (int32_t)U32At(image, at); }
float F32At(const std::vector<uint8_t>& image, size_t at) {
  uint32_t u = U32At(image, at);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}
double F64At(const std::vector<uint8_t>& image, size_t at) {
  uint64_t u = (uint64_t)U32At(image, at) | ((uint64_t)U32At(image, at + 4) << 32);
  double d;
  std::memcpy(&d, &u, 8);
  return d;
}
void PutI32At(std::vector<uint8_t>& image, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) image[at + i] = (uint8_t)((uint32_t)v >> (8 * i));
}
void PutF32At(std::vector<uint8_t>& image, size_t at, float f) {
  int32_t v;
  std::memcpy(&v, &f, 4);
  PutI32At(image, at, v);
}
void PutF64At(std::vector<uint8_t>& image, size_t at, double d) {
  uint64_t u;
  std::memcpy(&u, &d, 8);
  PutI32At(image, at, (int32_t)(uint32_t)u);
  PutI32At(image, at + 4, (int32_t)(uint32_t)(u >> 32));
}

void SetIdentity(BodyState* body) {
  std::memset(body->rotation, 0, sizeof body->rotation);
  body->rotation[0] = body->rotation[5] = body->rotation[10] = 1.0;
}

// A small sound stage: a fixed box in slot 3 and a ball in slot 5 joined by
// joint 7, with a rotated bar in slot 9 that has no joints.
std::unique_ptr<StageFileContent> MakeContent() {
  std::unique_ptr<StageFileContent> c(new StageFileContent());
  StageFileHeader& h = c->header;
  h.goalType = kGoalStartBall;
  h.stageItemCount = 2;
  h.stageId[0] = 0x11223344u;
  h.stageId[1] = 0x55667788u;
  h.stageId[2] = 0x99AABBCCu;
  h.stageId[3] = 0xDDEEFF00u;
  std::strcpy(h.editorName, "\x90\x56\x90\x6C");  // 新人 in Shift-JIS
  h.cameraPos = D3DXVECTOR3(400.0f, 10.0f, -50.0f);
  h.zoomLevel = -3;
  h.areaState = kAreaDefined;
  h.area.corner1 = D3DXVECTOR3(100.0f, 300.0f, 0.0f);
  h.area.corner2 = D3DXVECTOR3(700.0f, 50.0f, 0.0f);

  StageItem& box = c->items[3];
  box.state = kItemFixed;
  box.kind = kKindBox;
  box.sizeA = 8.0f;
  box.sizeB = 12.5f;
  box.createdInMode = kModeEdit;
  box.flags = kFlagOverlap;
  box.group = 4;
  box.alpha = 200;
  box.jointCount = 1;
  box.motorSpeed = -3;
  StageItem& ball = c->items[5];
  ball.state = kItemMovable;
  ball.kind = kKindRubberBall;
  ball.sizeA = 2.0f;
  ball.sizeB = 0.0f;  // spheres leave sizeB as the slot had it
  ball.createdInMode = kModePlay;
  ball.alpha = 255;
  ball.jointCount = 1;
  ball.motorSpeed = 5;
  StageItem& bar = c->items[9];
  bar.state = kItemMovable;
  bar.kind = kKindCapsule;
  bar.sizeA = 1.0f;
  bar.sizeB = 6.0f;
  bar.alpha = 255;

  for (int i : {3, 5, 9}) {
    BodyState& b = c->bodies[i];
    SetIdentity(&b);
    b.position[0] = 100.0 + i;
    b.position[1] = 20.25 * i;
    b.position[2] = 0.0;
    b.enabled = 1;
  }
  c->bodies[5].linearVel[1] = -1.5;
  c->bodies[5].angularVel[2] = 0.75;
  // The bar turned 90 degrees about z.
  BodyState& barBody = c->bodies[9];
  std::memset(barBody.rotation, 0, sizeof barBody.rotation);
  barBody.rotation[1] = -1.0;
  barBody.rotation[4] = 1.0;
  barBody.rotation[10] = 1.0;

  JointRecord& j = c->joints[7];
  j.type = kJointFixed;
  j.itemA = 5;
  j.itemB = 3;
  j.createdInMode = kModePlay;
  j.anchor = D3DXVECTOR3(104.0f, 70.5f, 0.0f);
  j.extraA = 1.5f;
  j.extraB = -2.0f;

  c->jointList = {7, 7};
  c->clearVerified = 1;
  return c;
}

const int kKinds[] = {kFileStage, kFilePlay, kFilePause};

}  // namespace

TEST(StageFileLayout, StageFileFieldsSitAtTheirOffsets) {
  auto c = MakeContent();
  std::vector<uint8_t> image = BuildStageFileImage(kFileStage, *c);
  ASSERT_EQ(image.size(), 136100u + 4 * 2);

  EXPECT_EQ(std::memcmp(image.data(), "GIZMOWORKS_STAGEEDIT", 20), 0);
  for (size_t i = 20; i < 40; ++i) EXPECT_EQ(image[i], 0) << i;
  EXPECT_EQ(I32At(image, 40), 0);
  EXPECT_EQ(I32At(image, 44), kGoalStartBall);
  EXPECT_EQ(F32At(image, 48), 400.0f);
  EXPECT_EQ(F32At(image, 52), 10.0f);
  EXPECT_EQ(F32At(image, 56), -50.0f);
  EXPECT_EQ(I32At(image, 60), -3);
  EXPECT_EQ(I32At(image, 64), kAreaDefined);
  EXPECT_EQ(F32At(image, 68), 100.0f);
  EXPECT_EQ(F32At(image, 72), 300.0f);
  EXPECT_EQ(F32At(image, 76), 0.0f);
  EXPECT_EQ(F32At(image, 80), 700.0f);
  EXPECT_EQ(F32At(image, 84), 50.0f);
  EXPECT_EQ(F32At(image, 88), 0.0f);

  // Item record of slot 3.
  size_t it = 92 + 3 * 56;
  EXPECT_EQ(I32At(image, it + 0), kItemFixed);
  EXPECT_EQ(I32At(image, it + 4), kKindBox);
  EXPECT_EQ(F32At(image, it + 8), 8.0f);
  EXPECT_EQ(F32At(image, it + 12), 12.5f);
  EXPECT_EQ(I32At(image, it + 16), kModeEdit);
  EXPECT_EQ(U32At(image, it + 20), (uint32_t)kFlagOverlap);
  EXPECT_EQ(I32At(image, it + 24), 4);
  EXPECT_EQ(I32At(image, it + 28), 200);
  for (size_t off = 32; off < 48; off += 4) EXPECT_EQ(U32At(image, it + off), 0u) << off;
  EXPECT_EQ(I32At(image, it + 48), 1);
  EXPECT_EQ(I32At(image, it + 52), -3);

  // Body record of slot 5.
  size_t bd = 28092 + 5 * 176;
  EXPECT_EQ(F64At(image, bd + 0), 0.0);
  EXPECT_EQ(F64At(image, bd + 8), -1.5);
  EXPECT_EQ(F64At(image, bd + 24 + 16), 0.75);
  EXPECT_EQ(F64At(image, bd + 48), 105.0);
  EXPECT_EQ(F64At(image, bd + 56), 101.25);
  EXPECT_EQ(F64At(image, bd + 64), 0.0);
  EXPECT_EQ(F64At(image, bd + 72), 1.0);
  EXPECT_EQ(F64At(image, bd + 72 + 5 * 8), 1.0);
  EXPECT_EQ(F64At(image, bd + 72 + 10 * 8), 1.0);
  EXPECT_EQ(I32At(image, bd + 168), 1);
  EXPECT_EQ(U32At(image, bd + 172), 0u);
  // The rotated bar, row by row.
  size_t bar = 28092 + 9 * 176;
  EXPECT_EQ(F64At(image, bar + 72 + 1 * 8), -1.0);
  EXPECT_EQ(F64At(image, bar + 72 + 4 * 8), 1.0);

  // Joint record of slot 7.
  size_t jt = 116092 + 7 * 40;
  EXPECT_EQ(I32At(image, jt + 0), kJointFixed);
  EXPECT_EQ(I32At(image, jt + 4), 5);
  EXPECT_EQ(I32At(image, jt + 8), 3);
  EXPECT_EQ(I32At(image, jt + 12), kModePlay);
  EXPECT_EQ(F32At(image, jt + 16), 104.0f);
  EXPECT_EQ(F32At(image, jt + 20), 70.5f);
  EXPECT_EQ(F32At(image, jt + 24), 0.0f);
  EXPECT_EQ(U32At(image, jt + 28), 0u);
  EXPECT_EQ(F32At(image, jt + 32), 1.5f);
  EXPECT_EQ(F32At(image, jt + 36), -2.0f);

  EXPECT_EQ(I32At(image, 136092), 2);
  EXPECT_EQ(I32At(image, 136096), 7);
  EXPECT_EQ(I32At(image, 136100), 7);
  EXPECT_EQ(I32At(image, 136104), 1);  // clear verified
}

TEST(StageFileLayout, PlayAndPauseFilesInsertCountIdAndEditorName) {
  auto c = MakeContent();
  for (int kind : {kFilePlay, kFilePause}) {
    std::vector<uint8_t> image = BuildStageFileImage(kind, *c);
    ASSERT_EQ(image.size(), 136156u + 4 * 2);
    const char* magic = kind == kFilePlay ? "GIZMOWORKS_PLAYONLY" : "GIZMOWORKS_PLAYPAUSE";
    EXPECT_EQ(std::memcmp(image.data(), magic, std::strlen(magic) + 1), 0);
    EXPECT_EQ(I32At(image, 40), 0);
    EXPECT_EQ(I32At(image, 44), kGoalStartBall);
    EXPECT_EQ(I32At(image, 48), 2);
    EXPECT_EQ(U32At(image, 52), 0x11223344u);
    EXPECT_EQ(image[52], 0x44);  // little-endian words
    EXPECT_EQ(U32At(image, 56), 0x55667788u);
    EXPECT_EQ(U32At(image, 60), 0x99AABBCCu);
    EXPECT_EQ(U32At(image, 64), 0xDDEEFF00u);
    EXPECT_EQ(std::memcmp(&image[68], "\x90\x56\x90\x6C", 5), 0);
    EXPECT_EQ(F32At(image, 108), 400.0f);
    EXPECT_EQ(F32At(image, 116), -50.0f);
    EXPECT_EQ(I32At(image, 120), -3);
    EXPECT_EQ(I32At(image, 124), kAreaDefined);
    EXPECT_EQ(F32At(image, 128), 100.0f);
    EXPECT_EQ(F32At(image, 148), 0.0f);
    EXPECT_EQ(F32At(image, 140), 700.0f);
    EXPECT_EQ(I32At(image, 152 + 3 * 56 + 4), kKindBox);
    EXPECT_EQ(F64At(image, 28152 + 5 * 176 + 48), 105.0);
    EXPECT_EQ(I32At(image, 116152 + 7 * 40 + 4), 5);
    EXPECT_EQ(I32At(image, 136152), 2);
    EXPECT_EQ(I32At(image, 136156), 7);
    EXPECT_EQ(I32At(image, 136160), 7);
  }
}

TEST(StageFileLayout, ThePlayListReadsTheFirst108Bytes) {
  std::vector<uint8_t> image = BuildStageFileImage(kFilePlay, *MakeContent());
  image.resize(108);
  StageFileHeader h;
  ReadPlayListHead(image.data(), &h);
  EXPECT_TRUE(StageFileMagicMatches((const uint8_t*)h.magic, kFilePlay));
  EXPECT_EQ(h.goalType, kGoalStartBall);
  EXPECT_EQ(h.stageItemCount, 2);
  EXPECT_EQ(h.stageId[0], 0x11223344u);
  EXPECT_EQ(h.stageId[3], 0xDDEEFF00u);
  EXPECT_STREQ(h.editorName, "\x90\x56\x90\x6C");
  EXPECT_EQ(h.zoomLevel, 0);
}

TEST(StageFileLayout, MeaninglessFieldsAreWrittenAsZeros) {
  auto c = MakeContent();
  // Handles, pointers, selection marks, a stale free slot and rotation padding.
  c->items[3].geom = reinterpret_cast<dGeomID>(0x1234567890);
  c->items[3].body = reinterpret_cast<dBodyID>(0x1234567890);
  c->items[3].fixJoint = reinterpret_cast<dJointID>(0x1234567890);
  c->items[3].jointIndexes = reinterpret_cast<int32_t*>(0x1234567890);
  c->items[3].flags |= kFlagSelected | kFlagInBand;
  c->joints[7].joint = reinterpret_cast<dJointID>(0x1234567890);
  c->bodies[3].rotation[3] = 42.0;
  c->bodies[3].reserved = 99;
  c->items[0].kind = kKindTruck;  // free slot with leftovers
  c->items[0].sizeA = 3.0f;
  c->bodies[0].position[0] = 77.0;
  c->joints[0].itemA = 12;  // free joint slot with leftovers

  std::vector<uint8_t> image = BuildStageFileImage(kFileStage, *c);
  EXPECT_EQ(image, BuildStageFileImage(kFileStage, *MakeContent()));
  for (size_t i = 0; i < 56; ++i) EXPECT_EQ(image[92 + i], 0) << i;
  for (size_t i = 0; i < 176; ++i) EXPECT_EQ(image[28092 + i], 0) << i;
  for (size_t i = 0; i < 40; ++i) EXPECT_EQ(image[116092 + i], 0) << i;
}

TEST(StageFileLayout, ListEntriesOfJointsLeftOutAreDropped) {
  // A stage-only snapshot frees joints to the player's items but the stage
  // parts' lists may still name them.
  auto c = MakeContent();
  c->joints[7].type = kJointFree;
  std::vector<uint8_t> image = BuildStageFileImage(kFileStage, *c);
  ASSERT_EQ(image.size(), 136100u);
  EXPECT_EQ(I32At(image, 92 + 3 * 56 + 48), 0);
  EXPECT_EQ(I32At(image, 92 + 5 * 56 + 48), 0);
  EXPECT_EQ(I32At(image, 136092), 0);
  auto back = std::make_unique<StageFileContent>();
  EXPECT_EQ(ParseStageFileImage(kFileStage, image.data(), image.size(), back.get()), kFileOk);

  // A joint to a free item is left out with its entries.
  c = MakeContent();
  c->items[5].state = kItemFree;
  image = BuildStageFileImage(kFileStage, *c);
  EXPECT_EQ(I32At(image, 116092 + 7 * 40), 0);
  EXPECT_EQ(I32At(image, 136092), 0);
  EXPECT_EQ(ParseStageFileImage(kFileStage, image.data(), image.size(), back.get()), kFileOk);
}

TEST(StageFileLayout, ImagesRoundTripForEveryKind) {
  for (int kind : kKinds) {
    auto c = MakeContent();
    std::vector<uint8_t> image = BuildStageFileImage(kind, *c);
    auto back = std::make_unique<StageFileContent>();
    ASSERT_EQ(ParseStageFileImage(kind, image.data(), image.size(), back.get()), kFileOk) << kind;
    EXPECT_EQ(BuildStageFileImage(kind, *back), image) << kind;
    EXPECT_EQ(back->header.goalType, kGoalStartBall);
    EXPECT_EQ(back->header.zoomLevel, -3);
    EXPECT_EQ(back->items[3].kind, kKindBox);
    EXPECT_EQ(back->items[3].sizeB, 12.5f);
    EXPECT_EQ(back->items[3].geom, nullptr);
    EXPECT_EQ(back->items[3].jointIndexes, nullptr);
    EXPECT_EQ(back->bodies[9].rotation[1], -1.0);
    EXPECT_EQ(back->joints[7].anchor.y, 70.5f);
    EXPECT_EQ(back->joints[7].joint, nullptr);
    EXPECT_EQ(back->jointList, (std::vector<int32_t>{7, 7}));
    if (kind == kFileStage) {
      EXPECT_EQ(back->clearVerified, 1);
    } else {
      EXPECT_EQ(back->header.stageId[2], 0x99AABBCCu);
      EXPECT_EQ(back->header.stageItemCount, 2);
      EXPECT_STREQ(back->header.editorName, "\x90\x56\x90\x6C");
    }
  }
}

TEST(StageFileLayout, MagicIsComparedUpToItsNul) {
  uint8_t field[40] = {};
  std::memcpy(field, "GIZMOWORKS_PLAYONLY", 19);
  EXPECT_TRUE(StageFileMagicMatches(field, kFilePlay));
  EXPECT_FALSE(StageFileMagicMatches(field, kFileStage));
  EXPECT_FALSE(StageFileMagicMatches(field, kFilePause));
  field[25] = 'x';  // bytes after the NUL do not count
  EXPECT_TRUE(StageFileMagicMatches(field, kFilePlay));
  std::memset(field, 'A', 40);  // no NUL at all
  EXPECT_FALSE(StageFileMagicMatches(field, kFilePlay));
}

// ---------------------------------------------------------------------------
// Refused images: each damage is found, and the caller's content is untouched.

namespace {

struct Damage {
  const char* what;
  StageFileCheck expected;
  void (*apply)(std::vector<uint8_t>& image);
};

constexpr size_t kItems = 92;
constexpr size_t kBodies = 28092;
constexpr size_t kJoints = 116092;
constexpr size_t kN = 136092;

const Damage kDamages[] = {
    {"wrong magic", kFileWrongMagic, [](std::vector<uint8_t>& im) { im[5] = 'X'; }},
    {"play file magic", kFileWrongMagic,
     [](std::vector<uint8_t>& im) { std::memcpy(im.data(), "GIZMOWORKS_PLAYONLY\0", 20); }},
    {"shorter than the magic", kFileWrongMagic, [](std::vector<uint8_t>& im) { im.resize(30); }},
    {"truncated head", kFileBadSize, [](std::vector<uint8_t>& im) { im.resize(60); }},
    {"truncated tables", kFileBadSize, [](std::vector<uint8_t>& im) { im.resize(100000); }},
    {"last byte missing", kFileBadSize, [](std::vector<uint8_t>& im) { im.pop_back(); }},
    {"one byte too many", kFileBadSize, [](std::vector<uint8_t>& im) { im.push_back(0); }},
    {"huge N", kFileBadSize, [](std::vector<uint8_t>& im) { PutI32At(im, kN, 0x7FFFFFFF); }},
    {"negative N", kFileBadSize, [](std::vector<uint8_t>& im) { PutI32At(im, kN, -1); }},
    {"N off by one", kFileBadSize, [](std::vector<uint8_t>& im) { PutI32At(im, kN, 3); }},
    {"N against the counts", kFileBadJointList,
     [](std::vector<uint8_t>& im) {
       PutI32At(im, kN, 3);
       im.insert(im.end() - 4, {7, 0, 0, 0});
     }},
    {"goal 4", kFileBadHead, [](std::vector<uint8_t>& im) { PutI32At(im, 44, 4); }},
    {"no goal", kFileBadHead, [](std::vector<uint8_t>& im) { PutI32At(im, 44, -1); }},
    {"area state 7", kFileBadHead, [](std::vector<uint8_t>& im) { PutI32At(im, 64, 7); }},
    {"area corner infinite", kFileBadHead,
     [](std::vector<uint8_t>& im) { PutF32At(im, 80, std::numeric_limits<float>::infinity()); }},
    {"clear verified 2", kFileBadHead,
     [](std::vector<uint8_t>& im) { PutI32At(im, im.size() - 4, 2); }},
    {"state 3", kFileBadItem, [](std::vector<uint8_t>& im) { PutI32At(im, kItems + 3 * 56, 3); }},
    {"NaN size", kFileBadItem,
     [](std::vector<uint8_t>& im) {
       PutF32At(im, kItems + 3 * 56 + 8, std::numeric_limits<float>::quiet_NaN());
     }},
    {"zero size", kFileBadItem, [](std::vector<uint8_t>& im) { PutF32At(im, kItems + 3 * 56 + 12, 0.0f); }},
    {"negative size", kFileBadItem,
     [](std::vector<uint8_t>& im) { PutF32At(im, kItems + 5 * 56 + 8, -2.0f); }},
    {"ball sizeB infinite", kFileBadItem,
     [](std::vector<uint8_t>& im) {
       PutF32At(im, kItems + 5 * 56 + 12, std::numeric_limits<float>::infinity());
     }},
    {"motor speed 6", kFileBadItem, [](std::vector<uint8_t>& im) { PutI32At(im, kItems + 3 * 56 + 52, 6); }},
    {"motor speed -6", kFileBadItem, [](std::vector<uint8_t>& im) { PutI32At(im, kItems + 3 * 56 + 52, -6); }},
    {"negative jointCount", kFileBadItem,
     [](std::vector<uint8_t>& im) { PutI32At(im, kItems + 3 * 56 + 48, -1); }},
    {"alpha 300", kFileBadItem, [](std::vector<uint8_t>& im) { PutI32At(im, kItems + 3 * 56 + 28, 300); }},
    {"position NaN", kFileBadBody,
     [](std::vector<uint8_t>& im) {
       PutF64At(im, kBodies + 3 * 176 + 48, std::numeric_limits<double>::quiet_NaN());
     }},
    {"position far away", kFileBadBody,
     [](std::vector<uint8_t>& im) { PutF64At(im, kBodies + 3 * 176 + 56, 1e12); }},
    {"rotation all zero", kFileBadBody,
     [](std::vector<uint8_t>& im) {
       for (int i = 0; i < 12; ++i) PutF64At(im, kBodies + 3 * 176 + 72 + 8 * i, 0.0);
     }},
    {"rotation a reflection", kFileBadBody,
     [](std::vector<uint8_t>& im) { PutF64At(im, kBodies + 3 * 176 + 72 + 80, -1.0); }},
    {"rotation a reflection about z", kFileBadBody,
     [](std::vector<uint8_t>& im) {
       // The bar's quarter turn with its first row mirrored.
       PutF64At(im, kBodies + 9 * 176 + 72 + 8, 1.0);
     }},
    {"rotation infinite", kFileBadBody,
     [](std::vector<uint8_t>& im) {
       PutF64At(im, kBodies + 3 * 176 + 72 + 8, std::numeric_limits<double>::infinity());
     }},
    {"joint type 5", kFileBadJoint, [](std::vector<uint8_t>& im) { PutI32At(im, kJoints + 7 * 40, 5); }},
    {"joint item 500", kFileBadJoint,
     [](std::vector<uint8_t>& im) { PutI32At(im, kJoints + 7 * 40 + 4, 500); }},
    {"joint item -1", kFileBadJoint,
     [](std::vector<uint8_t>& im) { PutI32At(im, kJoints + 7 * 40 + 8, -1); }},
    {"joint to a free item", kFileBadJoint,
     [](std::vector<uint8_t>& im) { PutI32At(im, kJoints + 7 * 40 + 8, 4); }},
    {"self joint", kFileBadJoint, [](std::vector<uint8_t>& im) { PutI32At(im, kJoints + 7 * 40 + 8, 5); }},
    {"anchor NaN", kFileBadJoint,
     [](std::vector<uint8_t>& im) {
       PutF32At(im, kJoints + 7 * 40 + 16, std::numeric_limits<float>::quiet_NaN());
     }},
    {"list names joint 500", kFileBadJointList, [](std::vector<uint8_t>& im) { PutI32At(im, kN + 4, 500); }},
    {"list names a free joint", kFileBadJointList, [](std::vector<uint8_t>& im) { PutI32At(im, kN + 4, 2); }},
    {"list names a joint of others", kFileBadJointList,
     [](std::vector<uint8_t>& im) {
       // The bar (slot 9) lists joint 7, which joins slots 3 and 5.
       PutI32At(im, kItems + 9 * 56 + 48, 1);
       PutI32At(im, kItems + 5 * 56 + 48, 0);
       PutI32At(im, kN + 8, 7);
     }},
    {"joint listed by one of its items only", kFileBadJointList,
     [](std::vector<uint8_t>& im) {
       PutI32At(im, kItems + 5 * 56 + 48, 0);
       PutI32At(im, kN, 1);
       im.erase(im.end() - 8, im.end() - 4);
     }},
    {"joint listed by neither item", kFileBadJointList,
     [](std::vector<uint8_t>& im) {
       PutI32At(im, kItems + 3 * 56 + 48, 0);
       PutI32At(im, kItems + 5 * 56 + 48, 0);
       PutI32At(im, kN, 0);
       im.erase(im.end() - 12, im.end() - 4);
     }},
    {"list repeats a joint", kFileBadJointList,
     [](std::vector<uint8_t>& im) {
       PutI32At(im, kItems + 3 * 56 + 48, 2);
       PutI32At(im, kItems + 5 * 56 + 48, 0);
     }},
};

}  // namespace

TEST(StageFileLayout, DamagedImagesAreRefusedWithoutTouchingTheContent) {
  const std::vector<uint8_t> good = BuildStageFileImage(kFileStage, *MakeContent());
  auto sentinel = MakeContent();
  sentinel->header.goalType = kGoalTruck;
  sentinel->jointList = {1, 2, 3};
  const std::vector<uint8_t> sentinelImage = BuildStageFileImage(kFileStage, *sentinel);
  for (const Damage& d : kDamages) {
    std::vector<uint8_t> image = good;
    d.apply(image);
    auto content = MakeContent();
    content->header.goalType = kGoalTruck;
    content->jointList = {1, 2, 3};
    EXPECT_EQ(ParseStageFileImage(kFileStage, image.data(), image.size(), content.get()), d.expected)
        << d.what;
    EXPECT_EQ(content->jointList, (std::vector<int32_t>{1, 2, 3})) << d.what;
    EXPECT_EQ(BuildStageFileImage(kFileStage, *content), sentinelImage) << d.what;
  }
}

TEST(StageFileLayout, ValuesReplacedOnLoadAreNoDamageAndComeBackSane) {
  // Camera, zoom and the play file's count never reach the game as the file
  // has them: the view is fitted to the stage and the count is taken again.
  constexpr float nan = std::numeric_limits<float>::quiet_NaN();
  constexpr float inf = std::numeric_limits<float>::infinity();
  for (int kind : kKinds) {
    const size_t shift = kind == kFileStage ? 0 : 60;
    const std::vector<uint8_t> good = BuildStageFileImage(kind, *MakeContent());
    struct Case {
      const char* what;
      void (*apply)(std::vector<uint8_t>& im, size_t shift);
    };
    const Case cases[] = {
        {"camera NaN", [](std::vector<uint8_t>& im, size_t sh) { PutF32At(im, 48 + sh, nan); }},
        {"camera infinite", [](std::vector<uint8_t>& im, size_t sh) { PutF32At(im, 56 + sh, -inf); }},
        {"zoom 3", [](std::vector<uint8_t>& im, size_t sh) { PutI32At(im, 60 + sh, 3); }},
        {"zoom -7", [](std::vector<uint8_t>& im, size_t sh) { PutI32At(im, 60 + sh, -7); }},
        {"zoom most negative", [](std::vector<uint8_t>& im, size_t sh) { PutI32At(im, 60 + sh, INT32_MIN); }},
    };
    for (const Case& c : cases) {
      std::vector<uint8_t> image = good;
      c.apply(image, shift);
      auto back = std::make_unique<StageFileContent>();
      ASSERT_EQ(ParseStageFileImage(kind, image.data(), image.size(), back.get()), kFileOk) << c.what;
      EXPECT_TRUE(std::isfinite(back->header.cameraPos.x) && std::isfinite(back->header.cameraPos.y) &&
                  std::isfinite(back->header.cameraPos.z))
          << c.what;
      EXPECT_GE(back->header.zoomLevel, -6) << c.what;
      EXPECT_LE(back->header.zoomLevel, 2) << c.what;
      // Everything the stage is made of loads as it stands.
      EXPECT_EQ(back->jointList, (std::vector<int32_t>{7, 7})) << c.what;
      EXPECT_EQ(back->items[9].sizeB, 6.0f) << c.what;
    }
    if (kind == kFileStage) continue;
    // Two stage parts (the box and the bar) were made in stage editing.
    for (int32_t count : {501, -1, INT32_MIN}) {
      std::vector<uint8_t> image = good;
      PutI32At(image, 48, count);
      auto back = std::make_unique<StageFileContent>();
      ASSERT_EQ(ParseStageFileImage(kind, image.data(), image.size(), back.get()), kFileOk) << count;
      EXPECT_EQ(back->header.stageItemCount, 2) << count;
    }
  }
}

TEST(StageFileLayout, AJointOnlyOneItemListsIsNotWritten) {
  auto c = MakeContent();
  c->items[5].jointCount = 0;
  c->jointList = {7};
  const std::vector<uint8_t> image = BuildStageFileImage(kFileStage, *c);
  auto back = std::make_unique<StageFileContent>();
  ASSERT_EQ(ParseStageFileImage(kFileStage, image.data(), image.size(), back.get()), kFileOk);
  EXPECT_EQ(back->joints[7].type, kJointFree);
  EXPECT_EQ(back->items[3].jointCount, 0);
  EXPECT_TRUE(back->jointList.empty());
}

TEST(StageFileLayout, ItemsOfUnknownKindsAreNoDamage) {
  // The restore leaves them out with a message; their sizes and poses are
  // never used, whatever they hold.
  for (int32_t kind : {3, 0x10, 0x23, -1}) {
    std::vector<uint8_t> image = BuildStageFileImage(kFileStage, *MakeContent());
    PutI32At(image, kItems + 3 * 56 + 4, kind);
    PutF32At(image, kItems + 3 * 56 + 8, std::numeric_limits<float>::quiet_NaN());
    PutF64At(image, kBodies + 3 * 176 + 48, std::numeric_limits<double>::infinity());
    auto content = std::make_unique<StageFileContent>();
    ASSERT_EQ(ParseStageFileImage(kFileStage, image.data(), image.size(), content.get()), kFileOk)
        << kind;
    EXPECT_EQ(content->items[3].kind, kind);
    EXPECT_EQ(content->items[3].jointCount, 1);
    // The fields that place it in the joint list are still checked.
    PutI32At(image, kItems + 3 * 56 + 48, -1);
    EXPECT_EQ(ParseStageFileImage(kFileStage, image.data(), image.size(), content.get()),
              kFileBadItem);
  }
}

TEST(StageFileLayout, AGrenadesStateIsItsFuse) {
  // Grenades come only from files, their state counting the updates left.
  auto c = MakeContent();
  c->items[9].kind = kKindGrenade;
  c->items[9].state = 40;
  const std::vector<uint8_t> image = BuildStageFileImage(kFilePause, *c);
  EXPECT_EQ(I32At(image, 152 + 9 * 56), 40);
  auto back = std::make_unique<StageFileContent>();
  ASSERT_EQ(ParseStageFileImage(kFilePause, image.data(), image.size(), back.get()), kFileOk);
  EXPECT_EQ(back->items[9].state, 40);
  EXPECT_EQ(BuildStageFileImage(kFilePause, *back), image);
  // Only a grenade has a fuse, and a fuse is never below 1.
  std::vector<uint8_t> other = image;
  PutI32At(other, 152 + 9 * 56 + 4, kKindBall);
  EXPECT_EQ(ParseStageFileImage(kFilePause, other.data(), other.size(), back.get()), kFileBadItem);
  other = image;
  PutI32At(other, 152 + 9 * 56, -1);
  EXPECT_EQ(ParseStageFileImage(kFilePause, other.data(), other.size(), back.get()), kFileBadItem);
}

TEST(StageFileLayout, PlayFilesAreCheckedAlike) {
  const std::vector<uint8_t> good = BuildStageFileImage(kFilePause, *MakeContent());
  auto content = std::make_unique<StageFileContent>();
  std::vector<uint8_t> image = good;
  PutI32At(image, 44, 4);  // goal
  EXPECT_EQ(ParseStageFileImage(kFilePause, image.data(), image.size(), content.get()), kFileBadHead);
  image = good;
  PutI32At(image, 136152, 1000000);
  EXPECT_EQ(ParseStageFileImage(kFilePause, image.data(), image.size(), content.get()), kFileBadSize);
  image = good;
  PutI32At(image, 116152 + 7 * 40 + 4, 3);  // self joint 3-3
  EXPECT_EQ(ParseStageFileImage(kFilePause, image.data(), image.size(), content.get()), kFileBadJoint);
  // A pause file is not a play file.
  EXPECT_EQ(ParseStageFileImage(kFilePlay, good.data(), good.size(), content.get()), kFileWrongMagic);
  EXPECT_EQ(ParseStageFileImage(kFilePause, good.data(), good.size(), content.get()), kFileOk);
}

TEST(StageFileLayout, MessagesAreShiftJis) {
  EXPECT_STREQ(StageFileCheckMessage(kFileWrongMagic),
               "\x96\xA2\x91\xCE\x89\x9E\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x8C\x60\x8E\xAE"
               "\x82\xC5\x82\xB7\x81\x42");
  EXPECT_STRNE(StageFileCheckMessage(kFileBadJoint), StageFileCheckMessage(kFileWrongMagic));
  EXPECT_STREQ(StageFileCheckMessage(kFileBadSize), StageFileCheckMessage(kFileBadJoint));
}
