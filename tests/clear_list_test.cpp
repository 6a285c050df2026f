#include "stage_test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
  // A list whose count and first entry are idB_, grown without writing to
  // size bytes (a sparse file: the zeros take no disk).
  void WriteSparseList(long long size) const {
    Write(Cat({Le(1), IdBytes(idB_)}));
    ASSERT_EQ(truncate(path_.c_str(), size), 0);
  }
  // What the file is, for telling that nothing touched it.
  struct Trace {
    off_t size;
    blkcnt_t blocks;
    timespec modified;
    ino_t inode;
    bool operator==(const Trace& o) const {
      return size == o.size && blocks == o.blocks && inode == o.inode &&
             modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
    }
  };
  Trace TraceOf() const {
    struct stat st{};
    EXPECT_EQ(stat(path_.c_str(), &st), 0);
    return Trace{st.st_size, st.st_blocks, st.st_mtim, st.st_ino};
  }
  // The clear-not-recorded messages waiting for the main window, by wParam.
  static std::vector<WPARAM> ClearMessagesWaiting() {
    std::vector<WPARAM> found;
    for (const MSG& m : platform::PendingMessages())
      if (m.message == kMsgClearNotRecorded) found.push_back(m.wParam);
    return found;
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

// The longest list the game writes still reads; a file longer than that was
// never one of the game's, is refused as damaged, and stays exactly as it was:
// not read into memory, not written back, not allocated on the disk.
TEST_F(ClearListTest, AListLongerThanAnyTheGameWritesIsRefusedAndLeftAsItIs) {
  WriteSparseList(kMaxClearListBytes);
  EXPECT_EQ(ClearListContains(path_.c_str(), idB_), 1);

  for (long long size : {kMaxClearListBytes + 1, 1LL << 30}) {
    WriteSparseList(size);
    const Trace before = TraceOf();
    EXPECT_EQ(ClearListContains(path_.c_str(), idB_), 0) << size;
    ClearedStages stages;
    EXPECT_EQ(ReadClearList(path_.c_str(), &stages), kClearListTooLong) << size;
    EXPECT_EQ(stages.size(), 0u);
    EXPECT_EQ(AddToClearList(path_.c_str(), idA_), kClearListRefused) << size;
    EXPECT_EQ(TraceOf(), before) << size;
  }

  // A clear in the game: its stage is still cleared, and the player is told.
  std::memcpy(g_stageId, idA_, 16);
  g_isPlayFile = 1;
  g_appMode = kModeRun;
  const Trace before = TraceOf();
  HandleGoalReached();
  EXPECT_EQ(g_stageCleared, 1);
  EXPECT_EQ(LiveSparkles(), 400);
  EXPECT_EQ(TraceOf(), before);
  EXPECT_EQ(ClearMessagesWaiting(), std::vector<WPARAM>{1});
}

// A clear that could not be written is told too, as not recorded; one that
// was recorded or was listed already is not.
TEST_F(ClearListTest, AClearThatCannotBeRecordedIsToldOnce) {
  std::memcpy(g_stageId, idA_, 16);
  g_isPlayFile = 1;
  g_appMode = kModeRun;
  HandleGoalReached();
  EXPECT_TRUE(ClearMessagesWaiting().empty());
  g_stageCleared = 0;
  HandleGoalReached();  // listed already
  EXPECT_TRUE(ClearMessagesWaiting().empty());

  std::strcpy(g_programDir, "/nonexistent-folder-for-clear-list/");
  g_stageCleared = 0;
  HandleGoalReached();
  HandleGoalReached();  // the same run: nothing more
  EXPECT_EQ(ClearMessagesWaiting(), std::vector<WPARAM>{0});
}

// A program's folder that takes no new files: the first clear cannot make
// the list, is not recorded, and is told.
TEST_F(ClearListTest, AFolderThatTakesNoNewFilesTellsTheClearIsNotRecorded) {
  EXPECT_AS_ORDINARY_USER([this]() -> std::string {
    ScratchFolder folder;
    ORDINARY_CHECK(!folder.path().empty());
    ORDINARY_CHECK(chmod(folder.path().c_str(), 0555) == 0);
    std::snprintf(g_programDir, sizeof g_programDir, "%s/", folder.path().c_str());
    std::memcpy(g_stageId, idA_, 16);
    g_isPlayFile = 1;
    g_appMode = kModeRun;
    HandleGoalReached();
    ORDINARY_CHECK(g_stageCleared == 1);
    ORDINARY_CHECK(ClearMessagesWaiting() == std::vector<WPARAM>{0});
    ORDINARY_CHECK(access((folder / "ClearList.dat").c_str(), F_OK) != 0);
    ORDINARY_CHECK(chmod(folder.path().c_str(), 0755) == 0);
    return "";
  });
}

// Two games clearing stages at the same moment: every clear of each stays.
TEST_F(ClearListTest, TwoGamesRecordingAtOnceKeepEveryClear) {
  constexpr uint32_t kClearsEach = 200;
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  pid_t games[2];
  for (uint32_t game = 0; game < 2; ++game) {
    games[game] = fork();
    ASSERT_GE(games[game], 0);
    if (games[game] == 0) {
      close(go[1]);
      char byte;
      if (read(go[0], &byte, 1) != 0) _exit(2);  // both start when the pipe closes
      for (uint32_t i = 0; i < kClearsEach; ++i) {
        const uint32_t id[4] = {game + 1, i, 0x5EED, 0};
        if (AddToClearList(path_.c_str(), id) != kClearRecorded) _exit(3);
      }
      _exit(0);
    }
  }
  close(go[0]);
  close(go[1]);
  for (pid_t game : games) {
    int status = 0;
    ASSERT_EQ(waitpid(game, &status, 0), game);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  ClearedStages stages;
  ASSERT_EQ(ReadClearList(path_.c_str(), &stages), kClearListRead);
  EXPECT_EQ(stages.size(), 2u * kClearsEach);
  for (uint32_t game = 0; game < 2; ++game) {
    for (uint32_t i = 0; i < kClearsEach; ++i) {
      const uint32_t id[4] = {game + 1, i, 0x5EED, 0};
      EXPECT_TRUE(stages.Has(id)) << game << " " << i;
    }
  }
  EXPECT_EQ(Read().size(), 4 + 16 * 2 * kClearsEach);
  EXPECT_EQ(Read()[0] | (Read()[1] << 8), (int)(2 * kClearsEach));
}

// A lock that another holder keeps for longer than a game ever needs it
// records nothing and reads as a list that cannot be read; the file waits.
TEST_F(ClearListTest, ALockHeldPastItsWaitRecordsNothing) {
  Write(Cat({Le(1), IdBytes(idB_)}));
  const Trace before = TraceOf();
  int folder = open(dir_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  ASSERT_EQ(flock(folder, LOCK_EX), 0);
  EXPECT_EQ(AddToClearList(path_.c_str(), idA_), kClearNotRecorded);
  ClearedStages stages;
  EXPECT_EQ(ReadClearList(path_.c_str(), &stages), kClearListUnreadable);
  EXPECT_EQ(TraceOf(), before);
  close(folder);
  EXPECT_EQ(AddToClearList(path_.c_str(), idA_), kClearRecorded);
  EXPECT_EQ(Read(), Cat({Le(2), IdBytes(idB_), IdBytes(idA_)}));
}

#if !defined(__SANITIZE_ADDRESS__)
// Memory the system will not give while a list is read (here a limit on the
// address space) makes the list unreadable; the game goes on, and neither a
// list of the longest length nor a file of gigabytes ends it.
TEST_F(ClearListTest, NoMemoryForTheListNeverEndsTheGame) {
  WriteSparseList(kMaxClearListBytes);
  const std::string longest = dir_ + "/Longest.dat";
  ASSERT_EQ(rename(path_.c_str(), longest.c_str()), 0);
  WriteSparseList(3LL << 30);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Room for what the process holds now and a few megabytes more, far
    // less than the longest list.
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    if (pages <= 0) _exit(2);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = (rlim_t)pages * (rlim_t)sysconf(_SC_PAGESIZE) + (4u << 20);
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
    ClearedStages stages;
    if (ReadClearList(longest.c_str(), &stages) != kClearListUnreadable) _exit(3);
    if (AddToClearList(longest.c_str(), idA_) != kClearNotRecorded) _exit(4);
    if (AddToClearList(path_.c_str(), idA_) != kClearListRefused) _exit(5);
    if (ClearListContains(path_.c_str(), idB_) != 0) _exit(6);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the game ended on signal " << WTERMSIG(status);
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "the address space cannot be limited here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "3, 4: the longest list read or written without memory; "
                                       "5, 6: the file of gigabytes taken";
  struct stat st{};
  ASSERT_EQ(stat(longest.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, kMaxClearListBytes);
  std::remove(longest.c_str());
}
#endif
