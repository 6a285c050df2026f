#include "stage_test_support.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "game/clear_list.h"
#include "game/goal_reached.h"
#include "ordinary_user.h"
#include "platform/win_files.h"
#include "world/effects.h"
#include "world/stage_id.h"

namespace {

using Bytes = std::vector<unsigned char>;

class ClearListTest : public StageTest {
 protected:
  void SetUp() override {
    StageTest::SetUp();
    char tmpl[] = "/tmp/clearlistXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    std::snprintf(g_programDir, sizeof g_programDir, "%s/", dir_.c_str());
    path_ = dir_ + "/ClearList.dat";
    std::memset(g_sparkles, 0, sizeof g_sparkles);
  }
  void TearDown() override {
    chmod(path_.c_str(), 0600);
    std::remove(path_.c_str());
    rmdir(dir_.c_str());
    StageTest::TearDown();
  }

  Bytes Read() const {
    std::ifstream f(path_, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  void Write(const Bytes& b) const {
    std::ofstream f(path_, std::ios::binary | std::ios::trunc);
    f.write((const char*)b.data(), (std::streamsize)b.size());
  }
  static Bytes Le(uint32_t v) {
    return {(unsigned char)v, (unsigned char)(v >> 8), (unsigned char)(v >> 16),
            (unsigned char)(v >> 24)};
  }
  static Bytes IdBytes(const uint32_t* id) {
    Bytes b;
    for (int w = 0; w < 4; ++w) {
      Bytes x = Le(id[w]);
      b.insert(b.end(), x.begin(), x.end());
    }
    return b;
  }
  static Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  }
  static int LiveSparkles() {
    int n = 0;
    for (const Sparkle& s : g_sparkles) n += s.active != 0;
    return n;
  }

  std::string dir_, path_;
  const uint32_t idA_[4] = {0x140A9042u, 0x64320400u, 0xBC00002Cu, 0x00000000u};
  const uint32_t idB_[4] = {1, 2, 3, 4};
  const uint32_t idC_[4] = {0xDEADBEEFu, 0, 0, 7};
};

TEST_F(ClearListTest, PlayFileClearCreatesTheListWithItsId) {
  std::memcpy(g_stageId, idA_, 16);
  g_isPlayFile = 1;
  g_appMode = kModeRun;
  HandleGoalReached();
  EXPECT_EQ(Read(), Cat({Le(1), IdBytes(idA_)}));
  // Bytes as the play file stores them.
  EXPECT_EQ(Read()[4], 0x42);
  EXPECT_EQ(Read()[7], 0x14);
  EXPECT_EQ(IsStageCleared(idA_), 1);
  EXPECT_EQ(IsStageCleared(idB_), 0);
  EXPECT_EQ(g_stageCleared, 1);
  EXPECT_EQ(g_clearFlashAlpha, 200);
  EXPECT_EQ(g_clearBlinkAngle, 90);
  EXPECT_EQ(LiveSparkles(), 400);
  // A play file's clear is not a verified stage-editing clear.
  EXPECT_EQ(g_clearVerified, 0);
  EXPECT_EQ(g_stageModified, 0);
}

// The program's folder is a game path ('\\' between folders), as start-up
// takes it from the program's own path.
TEST_F(ClearListTest, TheListLivesInTheProgramFolderGivenAsAGamePath) {
  std::snprintf(g_programDir, sizeof g_programDir, "%s\\",
                platform::HostPathToGamePath(dir_).c_str());
  std::memcpy(g_stageId, idB_, 16);
  g_isPlayFile = 1;
  HandleGoalReached();
  EXPECT_EQ(Read(), Cat({Le(1), IdBytes(idB_)}));
  EXPECT_EQ(IsStageCleared(idB_), 1);
}

TEST_F(ClearListTest, OnlyTheFirstGoalOfARunActs) {
  std::memcpy(g_stageId, idA_, 16);
  g_isPlayFile = 1;
  HandleGoalReached();
  Bytes once = Read();
  g_clearFlashAlpha = 5;
  HandleGoalReached();
  EXPECT_EQ(g_clearFlashAlpha, 5);
  EXPECT_EQ(Read(), once);
}

TEST_F(ClearListTest, ListedIdLeavesTheFileUnchangedAndANewOneIsAppended) {
  Write(Cat({Le(2), IdBytes(idB_), IdBytes(idA_)}));
  std::memcpy(g_stageId, idA_, 16);
  g_isPlayFile = 1;
  HandleGoalReached();
  EXPECT_EQ(Read(), Cat({Le(2), IdBytes(idB_), IdBytes(idA_)}));

  EXPECT_EQ(AddToClearList(path_.c_str(), idC_), 1);
  EXPECT_EQ(Read(), Cat({Le(3), IdBytes(idB_), IdBytes(idA_), IdBytes(idC_)}));
  EXPECT_EQ(IsStageCleared(idC_), 1);
}

TEST_F(ClearListTest, CountZeroAndShortFiles) {
  Write(Le(0));
  EXPECT_EQ(IsStageCleared(idA_), 0);
  EXPECT_EQ(AddToClearList(path_.c_str(), idA_), 1);
  EXPECT_EQ(Read(), Cat({Le(1), IdBytes(idA_)}));

  Write({0x05, 0x00});  // too short to hold a count: an empty list
  EXPECT_EQ(AddToClearList(path_.c_str(), idB_), 1);
  EXPECT_EQ(Read(), Cat({Le(1), IdBytes(idB_)}));
}

TEST_F(ClearListTest, ADamagedNegativeCountKeepsTheEntriesInTheFile) {
  // The count alone is damaged: the IDs behind it are still the player's
  // cleared stages, and a new one joins them with the count mended.
  Bytes c = IdBytes(idC_);
  Write(Cat({Le(0xFFFFFFFDu), IdBytes(idA_), IdBytes(idC_), Bytes(c.begin(), c.begin() + 3)}));
  EXPECT_EQ(IsStageCleared(idA_), 1);
  EXPECT_EQ(IsStageCleared(idC_), 1);
  EXPECT_EQ(IsStageCleared(idB_), 0);
  EXPECT_EQ(AddToClearList(path_.c_str(), idB_), 1);
  EXPECT_EQ(Read(), Cat({Le(3), IdBytes(idA_), IdBytes(idC_), IdBytes(idB_)}));
  EXPECT_EQ(IsStageCleared(idB_), 1);
  EXPECT_EQ(AddToClearList(path_.c_str(), idA_), 1);  // listed: nothing changes
  EXPECT_EQ(Read(), Cat({Le(3), IdBytes(idA_), IdBytes(idC_), IdBytes(idB_)}));
}

TEST_F(ClearListTest, TornLastEntryIsOverwrittenAndCountFollowsTheEntries) {
  // Count says 3 but the file holds one whole entry and half of another.
  Bytes c = IdBytes(idC_);
  Bytes torn = Cat({Le(3), IdBytes(idB_), Bytes(c.begin(), c.begin() + 7)});
  Write(torn);
  EXPECT_EQ(IsStageCleared(idB_), 1);
  EXPECT_EQ(AddToClearList(path_.c_str(), idA_), 1);
  EXPECT_EQ(Read(), Cat({Le(2), IdBytes(idB_), IdBytes(idA_)}));
  EXPECT_EQ(IsStageCleared(idA_), 1);
  EXPECT_EQ(IsStageCleared(idB_), 1);
}

TEST_F(ClearListTest, HugeCountNeverOverflowsOrLosesEntries) {
  Write(Cat({Le(0x7FFFFFFFu), IdBytes(idB_)}));
  EXPECT_EQ(AddToClearList(path_.c_str(), idA_), 1);
  EXPECT_EQ(Read(), Cat({Le(2), IdBytes(idB_), IdBytes(idA_)}));
}

TEST_F(ClearListTest, AnUnopenableListIsNeverTruncated) {
  EXPECT_AS_ORDINARY_USER([this]() -> std::string {
    ScratchFolder folder;
    ORDINARY_CHECK(!folder.path().empty());
    const std::string list = folder / "ClearList.dat";
    ORDINARY_CHECK(AddToClearList(list.c_str(), idB_) == 1);
    ORDINARY_CHECK(chmod(list.c_str(), 0) == 0);
    ORDINARY_CHECK(AddToClearList(list.c_str(), idA_) == 0);
    ORDINARY_CHECK(chmod(list.c_str(), 0600) == 0);
    ORDINARY_CHECK(ClearListContains(list.c_str(), idB_) == 1);
    ORDINARY_CHECK(ClearListContains(list.c_str(), idA_) == 0);
    return "";
  });
}

TEST_F(ClearListTest, AnExistingNameThatIsNoFileIsLeftAlone) {
  ASSERT_EQ(mkdir(path_.c_str(), 0700), 0);
  EXPECT_EQ(AddToClearList(path_.c_str(), idA_), 0);
  struct stat st;
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(IsStageCleared(idA_), 0);
  rmdir(path_.c_str());
}

TEST_F(ClearListTest, APipeOfThatNameIsNeverWaitedOn) {
  ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);
  alarm(30);  // a pipe with no writer would otherwise wait for ever
  EXPECT_EQ(IsStageCleared(idA_), 0);
  EXPECT_EQ(ClearListContains(path_.c_str(), idA_), 0);
  std::memcpy(g_stageId, idA_, 16);
  g_isPlayFile = 1;
  g_appMode = kModeRun;
  HandleGoalReached();
  EXPECT_EQ(g_stageCleared, 1);
  EXPECT_EQ(AddToClearList(path_.c_str(), idB_), 0);
  alarm(0);
  struct stat st;
  ASSERT_EQ(lstat(path_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(ClearListTest, AListThatCannotBeWrittenWholeLeavesNoFile) {
  // The disk fills up after 10 bytes: no empty or half list is left behind.
  signal(SIGXFSZ, SIG_IGN);
  rlimit keep;
  getrlimit(RLIMIT_FSIZE, &keep);
  rlimit small = keep;
  small.rlim_cur = 10;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  int result = AddToClearList(path_.c_str(), idA_);
  // An existing list that cannot grow keeps what it holds.
  setrlimit(RLIMIT_FSIZE, &keep);
  Write(Cat({Le(1), IdBytes(idB_)}));
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  int grown = AddToClearList(path_.c_str(), idA_);
  setrlimit(RLIMIT_FSIZE, &keep);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(grown, 0);
  EXPECT_EQ(Read(), Cat({Le(1), IdBytes(idB_)}));
  std::remove(path_.c_str());
  EXPECT_EQ(rmdir(dir_.c_str()), 0) << "files were left in the folder";
  mkdir(dir_.c_str(), 0700);
}

TEST_F(ClearListTest, AWriteProtectedListIsNotReplaced) {
  EXPECT_AS_ORDINARY_USER([this]() -> std::string {
    ScratchFolder folder;
    ORDINARY_CHECK(!folder.path().empty());
    const std::string list = folder / "ClearList.dat";
    ORDINARY_CHECK(AddToClearList(list.c_str(), idB_) == 1);
    ORDINARY_CHECK(chmod(list.c_str(), 0444) == 0);
    ORDINARY_CHECK(AddToClearList(list.c_str(), idA_) == 0);
    ORDINARY_CHECK(ClearListContains(list.c_str(), idA_) == 0);
    ORDINARY_CHECK(ClearListContains(list.c_str(), idB_) == 1);
    // A folder that takes no new files still has its list grow in place.
    ORDINARY_CHECK(chmod(list.c_str(), 0644) == 0);
    ORDINARY_CHECK(chmod(folder.path().c_str(), 0555) == 0);
    ORDINARY_CHECK(AddToClearList(list.c_str(), idA_) == 1);
    ORDINARY_CHECK(ClearListContains(list.c_str(), idA_) == 1);
    ORDINARY_CHECK(ClearListContains(list.c_str(), idB_) == 1);
    return "";
  });
}

// In a sticky folder open to all (as /tmp), a link that another user put in
// the list's place is not followed: the player's file it names is not
// written over.
TEST_F(ClearListTest, AnotherUsersLinkInAStickyFolderIsNotFollowed) {
  ScratchFolder sticky, home;
  ASSERT_RAN(PlantLinkToNotes(sticky, home, "ClearList.dat"));
  const std::string list = sticky / "ClearList.dat";
  ASSERT_AS_USER(kPlayerUser, [&]() -> std::string {
    ORDINARY_CHECK(AddToClearList(list.c_str(), idA_) == 0);
    ORDINARY_CHECK(TextOf(home / "notes.txt") == "my");
    return "";
  });
}

TEST_F(ClearListTest, MissingFolderRecordsNothing) {
  std::strcpy(g_programDir, "/nonexistent-folder-for-clear-list/");
  std::memcpy(g_stageId, idA_, 16);
  g_isPlayFile = 1;
  HandleGoalReached();
  EXPECT_EQ(g_stageCleared, 1);
  EXPECT_EQ(IsStageCleared(idA_), 0);
}

TEST_F(ClearListTest, StageEditingClearVerifiesAndLeavesTheListAlone) {
  g_goalType = kGoalBell;
  g_appMode = kModeRun;
  g_isPlayFile = 0;
  HandleGoalReached();
  EXPECT_EQ(access(path_.c_str(), F_OK), -1);
  EXPECT_EQ(g_clearVerified, 1);
  EXPECT_EQ(g_stageModified, 1);
  EXPECT_TRUE(headless::MenuItemAt(g_editorMenu, 1).enabled);
  EXPECT_TRUE(headless::ShownMenuBar(g_hWnd).at(1).enabled);
  EXPECT_NE(Title().find("* "), std::string::npos);
  EXPECT_EQ(LiveSparkles(), 400);
}

}  // namespace
