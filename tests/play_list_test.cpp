// The play list through the window procedure: the scan of real files in a
// temporary program folder (sub-folders, wrong names, wrong magics, short
// and hostile heads), the cleared marks from ClearList.dat, sorting by each
// column, playing a row and deleting a file from the right-click menu.
#include "command_test_support.h"

#include <sys/inotify.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <functional>
#include <fstream>
#include <map>

#include "world/stage_file_format.h"

namespace {

struct Head {
  int32_t goal = kGoalBell;
  int32_t count = 3;
  uint32_t id[4] = {1, 2, 3, 4};
  std::string editor = "tester";  // CP932 bytes, at most 40
  std::string magic = "GIZMOWORKS_PLAYONLY";  // at most 40 bytes
  size_t size = kPlayListHeadSize;            // bytes written
};

void PutLe(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

class PlayList : public CommandTest {
 protected:
  void SetUp() override {
    CommandTest::SetUp();
    g_appMode = kModeTitle;
    SetMenu(g_hWnd, g_titleMenu);
  }

  void MakeFolder(const std::string& relUtf8) { mkdir(HostPath(relUtf8).c_str(), 0755); }

  // The first bytes of a play file, as the list reads them.
  void WriteHead(const std::string& relUtf8, const Head& h) {
    std::vector<uint8_t> b(std::max<size_t>(h.size, kPlayListHeadSize), 0);
    std::memcpy(b.data(), h.magic.data(), std::min<size_t>(h.magic.size(), 40));
    PutLe(b, 44, static_cast<uint32_t>(h.goal));
    PutLe(b, 48, static_cast<uint32_t>(h.count));
    for (int i = 0; i < 4; ++i) PutLe(b, 52 + 4 * i, h.id[i]);
    std::memcpy(b.data() + 68, h.editor.data(), std::min<size_t>(h.editor.size(), 40));
    b.resize(h.size);
    std::ofstream(HostPath(relUtf8), std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }

  void WriteClearList(const std::vector<std::array<uint32_t, 4>>& ids) {
    std::vector<uint8_t> b(4 + 16 * ids.size());
    PutLe(b, 0, static_cast<uint32_t>(ids.size()));
    for (size_t i = 0; i < ids.size(); ++i)
      for (int w = 0; w < 4; ++w) PutLe(b, 4 + 16 * i + 4 * w, ids[i][w]);
    std::ofstream(HostPath("ClearList.dat"), std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }

  // Opens the play list; inside it, runs each action in turn. Once they are
  // used up the user presses Escape.
  void OpenList(std::vector<std::function<void(HWND)>> actions) {
    for (auto& a : actions) headless::QueueDialogAction(a);
    Command(kCmdPlayList);
    EXPECT_EQ(headless::PendingDialogActions(), 0u);
  }

  static const platform::ListViewModel& Model() { return *platform::GetListViewModel(g_playListView); }
  // One column of every row, in the order shown, as UTF-8.
  static std::vector<std::string> Column(int column) {
    std::vector<std::string> out;
    for (const auto& row : Model().rows) out.push_back(Cp932ToUtf8(row.texts[column]));
    return out;
  }
  static std::map<std::string, std::vector<std::string>> RowsByName() {
    std::map<std::string, std::vector<std::string>> out;
    for (const auto& row : Model().rows) {
      std::vector<std::string> texts;
      for (const auto& t : row.texts) texts.push_back(Cp932ToUtf8(t));
      out[texts[1]] = texts;
    }
    return out;
  }
  static std::string CountText(HWND dialog) {
    char buf[64];
    GetDlgItemTextA(dialog, kIdcPlayListCount, buf, sizeof buf);
    return Cp932ToUtf8(buf);
  }
  static int RowOf(const std::string& nameUtf8) {
    const auto& rows = Model().rows;
    for (size_t i = 0; i < rows.size(); ++i)
      if (Cp932ToUtf8(rows[i].texts[1]) == nameUtf8) return static_cast<int>(i);
    return -1;
  }
  static std::string GoalName(int goal) { return Cp932ToUtf8(g_goalTypeNames[goal]); }
};

}  // namespace

TEST_F(PlayList, TheScanFindsPlayFilesBelowTheProgramFolderAndNothingElse) {
  MakeFolder("sub");
  MakeFolder("sub/deeper");
  MakeFolder("dir.ply");  // a folder, whatever its name
  Head a;
  a.goal = kGoalTruck;
  a.count = 12;
  a.id[0] = 0xDEADBEEF;
  a.id[3] = 0x0000000A;
  a.editor = Utf8ToCp932("作者");
  WriteHead("a.ply", a);
  WriteHead("sub/b.ply", Head());
  WriteHead("sub/deeper/c.ply", Head());
  WriteHead("dir.ply/d.ply", Head());
  Head whole;  // a whole play file is read only as far as its head
  whole.size = kPlayFileFixedSize;
  WriteHead("whole.ply", whole);

  WriteHead("upper.PLY", Head());  // the extension is compared exactly
  WriteHead("note.txt", Head());
  WriteHead(".ply", Head());  // a name of four characters is a play file name
  Head stage;
  stage.magic = StageFileMagic(kFileStage);
  WriteHead("stage.ply", stage);
  Head pause;
  pause.magic = StageFileMagic(kFilePause);
  WriteHead("pause.ply", pause);
  Head longer;  // the magic followed by more text before its NUL
  longer.magic = "GIZMOWORKS_PLAYONLYX";
  WriteHead("longer.ply", longer);
  Head unended;  // a magic field without any NUL
  unended.magic = "GIZMOWORKS_PLAYONLY" + std::string(21, 'x');
  WriteHead("unended.ply", unended);
  Head shortHead;
  shortHead.size = kPlayListHeadSize - 1;
  WriteHead("short.ply", shortHead);
  Head tiny;
  tiny.size = 10;
  WriteHead("tiny.ply", tiny);
  std::ofstream(HostPath("empty.ply")).close();
  // Names the game cannot spell are not listed: a path built from them
  // would lead to another file.
  WriteHead("caf\xC3\xA9.ply", Head());  // é has no place in CP932
  MakeFolder("na\xC3\xAFve");  // nor has ï: no file in that folder is listed
  WriteHead("na\xC3\xAFve/inside.ply", Head());
  WriteHead("back\\slash.ply", Head());
  // A path longer than a row can hand on whole (255 bytes) is not listed;
  // one that just fits is (a folder of its own, looked at below).
  std::string longFolder(200, 'f');
  MakeFolder(longFolder);
  size_t room = 255 - GamePath(longFolder).size() - 1;
  WriteHead(longFolder + "/" + std::string(room - 4, 'g') + ".ply", Head());
  WriteHead(longFolder + "/" + std::string(room - 3, 'h') + ".ply", Head());
  // A pipe is no file: reading it would wait for ever.
  ASSERT_EQ(mkfifo(HostPath("pipe.ply").c_str(), 0644), 0);
  // A link back up the tree is not followed; a dangling one is no file.
  ASSERT_EQ(symlink("..", HostPath("sub/up").c_str()), 0);
  ASSERT_EQ(symlink("nowhere.ply", HostPath("gone.ply").c_str()), 0);

  OpenList({[&](HWND dialog) {
    std::vector<std::string> paths = Column(kPlayColumnPath);
    std::sort(paths.begin(), paths.end());
    std::string base = Cp932ToUtf8(GamePath(""));
    ASSERT_EQ(paths.size(), 7u);
    auto inLong = std::find_if(paths.begin(), paths.end(), [&](const std::string& p) {
      return p.find(longFolder) != std::string::npos;
    });
    ASSERT_NE(inLong, paths.end());
    EXPECT_EQ(inLong->size(), 255u);
    EXPECT_EQ(inLong->substr(inLong->size() - 5), "g.ply");
    paths.erase(inLong);
    EXPECT_EQ(paths, (std::vector<std::string>{
                         base + "\\.ply", base + "\\a.ply", base + "\\dir.ply\\d.ply",
                         base + "\\sub\\b.ply", base + "\\sub\\deeper\\c.ply",
                         base + "\\whole.ply"}));
    EXPECT_EQ(g_playFileCount, 7);
    EXPECT_EQ(g_clearedPlayCount, 0);
    EXPECT_EQ(CountText(dialog), "クリア数 0 / 7");

    auto rows = RowsByName();
    EXPECT_EQ(rows["a.ply"], (std::vector<std::string>{
                                 "", "a.ply", GoalName(kGoalTruck), "12", "作者",
                                 "DEADBEEF-00000002-00000003-0000000A", base + "\\a.ply"}));
    // Item data: the row numbers 0, 1, 2 ... of the scan.
    std::vector<LPARAM> params;
    for (const auto& row : Model().rows) params.push_back(row.param);
    std::sort(params.begin(), params.end());
    EXPECT_EQ(params, (std::vector<LPARAM>{0, 1, 2, 3, 4, 5, 6}));
    // Sorted by file name, bytes ascending, at first.
    std::vector<std::string> names = Column(kPlayColumnFileName);
    EXPECT_EQ(names, (std::vector<std::string>{".ply", "a.ply", "b.ply", "c.ply", "d.ply",
                                               names[5], "whole.ply"}));
    // Nothing loaded: nothing selected.
    EXPECT_EQ(SendMessageA(g_playListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED),
              -1);
  }});
}

TEST_F(PlayList, TheDialogCoversTheMainWindowAcrossWithItsColumns) {
  WriteHead("a.ply", Head());
  OpenList({[&](HWND dialog) {
    RECT d;
    GetWindowRect(dialog, &d);
    POINT origin{0, 0};
    ClientToScreen(g_hWnd, &origin);
    EXPECT_EQ(d.left, origin.x);
    EXPECT_EQ(d.top, origin.y);
    EXPECT_EQ(d.right - d.left, 640);
    EXPECT_EQ(d.bottom - d.top, 239 * 12 / 8);  // the template's height
    EXPECT_EQ(GetFocus(), g_playListView);
    EXPECT_EQ(GetDlgCtrlID(g_playListView), kIdcPlayListView);
    RECT list;
    GetClientRect(g_playListView, &list);
    EXPECT_EQ(list.right, 640);
    EXPECT_EQ(list.bottom, 239 * 12 / 8 - 80);
    EXPECT_EQ(platform::GetWindowInfo(g_playListView).style, 0x5000000Du);
    EXPECT_EQ(Model().exStyle & 0x21u, 0x21u);
    std::vector<std::string> headers;
    std::vector<int> widths, formats;
    for (const auto& c : Model().columns) {
      headers.push_back(Cp932ToUtf8(c.text));
      widths.push_back(c.width);
      formats.push_back(c.format);
    }
    EXPECT_EQ(headers, (std::vector<std::string>{"", "ステージファイル名", "クリアタイプ",
                                                 "配置アイテム数", "エディター", "ステージID", ""}));
    EXPECT_EQ(widths, (std::vector<int>{30, 150, 100, 100, 150, 250, 0}));
    EXPECT_EQ(formats, (std::vector<int>{0, 0, 0, LVCFMT_RIGHT, 0, 0, 0}));
  }});
}

TEST_F(PlayList, HostileHeadsAreShownWithinTheirFields) {
  Head odd;
  odd.goal = 99;  // no such goal
  odd.count = -2147483647 - 1;
  // An editor name that fills its field with no NUL and ends in half a
  // double-byte character.
  odd.editor = std::string(39, 'e') + "\x83";
  WriteHead("odd.ply", odd);
  Head negative;
  negative.goal = -1;
  negative.count = 2147483647;
  WriteHead("neg.ply", negative);
  OpenList({[&](HWND) {
    auto rows = RowsByName();
    EXPECT_EQ(rows["odd.ply"][kPlayColumnGoal], "不明");
    EXPECT_EQ(rows["odd.ply"][kPlayColumnItemCount], "-2147483648");
    EXPECT_EQ(rows["odd.ply"][kPlayColumnEditor], std::string(39, 'e'));
    EXPECT_EQ(rows["neg.ply"][kPlayColumnGoal], "不明");
    EXPECT_EQ(rows["neg.ply"][kPlayColumnItemCount], "2147483647");
  }});
}

TEST_F(PlayList, ClearedFilesAreMarkedFromTheClearList) {
  Head a, b, c;
  a.id[0] = 10;
  b.id[0] = 20;
  c.id[0] = 30;
  WriteHead("a.ply", a);
  WriteHead("b.ply", b);
  MakeFolder("more");
  WriteHead("more/c.ply", c);
  WriteClearList({{10, 2, 3, 4}, {30, 2, 3, 4}, {20, 2, 3, 5}});
  OpenList({[&](HWND dialog) {
    EXPECT_EQ(Column(kPlayColumnCleared), (std::vector<std::string>{"●", "", "●"}));
    EXPECT_EQ(g_clearedPlayCount, 2);
    EXPECT_EQ(CountText(dialog), "クリア数 2 / 3");
  }});
}

// However many rows there are, an opening reads the clear list once.
TEST_F(PlayList, TheClearListIsReadOncePerOpening) {
  for (uint32_t n = 1; n <= 6; ++n) {
    Head h;
    h.id[0] = n;
    WriteHead("p" + std::to_string(n) + ".ply", h);
  }
  WriteClearList({{2, 2, 3, 4}, {5, 2, 3, 4}});
  int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  // Each open is followed by its close, so no two events in a row are alike
  // (the system folds those into one).
  ASSERT_GE(inotify_add_watch(watch, HostPath("ClearList.dat").c_str(), IN_OPEN | IN_CLOSE), 0);
  OpenList({[&](HWND dialog) { EXPECT_EQ(CountText(dialog), "クリア数 2 / 6"); }});
  int opens = 0;
  alignas(inotify_event) char events[4096];
  ssize_t got;
  while ((got = read(watch, events, sizeof events)) > 0) {
    for (char* p = events; p < events + got;) {
      const inotify_event* e = reinterpret_cast<const inotify_event*>(p);
      opens += (e->mask & IN_OPEN) != 0;
      p += sizeof(inotify_event) + e->len;
    }
  }
  close(watch);
  EXPECT_EQ(opens, 1);
}

// A clear list that is there but cannot be taken (one longer than any the
// game writes, a folder of that name) is told before the list opens; no row
// is marked and the file stays exactly as it was.
TEST_F(PlayList, AClearListThatCannotBeTakenIsToldAndMarksNothing) {
  Head a, b;
  a.id[0] = 10;
  b.id[0] = 20;
  WriteHead("a.ply", a);
  WriteHead("b.ply", b);
  WriteClearList({{10, 2, 3, 4}, {20, 2, 3, 4}});
  const std::string list = HostPath("ClearList.dat");
  ASSERT_EQ(truncate(list.c_str(), 1LL << 30), 0);  // sparse: no disk taken
  struct stat before{};
  ASSERT_EQ(stat(list.c_str(), &before), 0);
  headless::ClearMessageBoxes();
  OpenList({[&](HWND dialog) {
    EXPECT_EQ(Column(kPlayColumnCleared), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(CountText(dialog), "クリア数 0 / 2");
  }});
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  EXPECT_EQ(LastMessageUtf8(),
            "ClearList.datが壊れているため、クリアしたステージを表示できません。\n"
            "ファイルは元のままです。");
  struct stat after{};
  ASSERT_EQ(stat(list.c_str(), &after), 0);
  EXPECT_EQ(after.st_size, before.st_size);
  EXPECT_EQ(after.st_blocks, before.st_blocks);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

  ASSERT_EQ(unlink(list.c_str()), 0);
  ASSERT_EQ(mkdir(list.c_str(), 0755), 0);
  headless::ClearMessageBoxes();
  OpenList({[&](HWND dialog) { EXPECT_EQ(CountText(dialog), "クリア数 0 / 2"); }});
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  EXPECT_EQ(LastMessageUtf8(),
            "ClearList.datを読み込めなかったため、クリアしたステージを表示できません。");
  rmdir(list.c_str());
  // No list at all is no clear yet: nothing to tell.
  headless::ClearMessageBoxes();
  OpenList({[&](HWND dialog) { EXPECT_EQ(CountText(dialog), "クリア数 0 / 2"); }});
  EXPECT_TRUE(headless::MessageBoxes().empty());
}

// A clear the list cannot take is told once the main loop has it (never from
// inside the run's step), and nothing else changes: the run goes on, cleared.
TEST_F(PlayList, AClearThatCannotBeRecordedIsTold) {
  const std::string list = HostPath("ClearList.dat");
  ASSERT_EQ(mkdir(list.c_str(), 0755), 0);
  g_isPlayFile = 1;
  g_appMode = kModeRun;
  g_cursorVisible = 0;
  headless::ClearMessageBoxes();
  HandleGoalReached();
  EXPECT_TRUE(headless::MessageBoxes().empty());
  ASSERT_TRUE(Pump());
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  EXPECT_EQ(LastMessageUtf8(),
            "クリアを記録できませんでした。\n"
            "プログラムのフォルダーとClearList.datに書き込めるか確認してください。");
  EXPECT_EQ(g_cursorVisible, 1);
  EXPECT_EQ(g_appMode, kModeRun);
  EXPECT_EQ(g_stageCleared, 1);
  struct stat st{};
  ASSERT_EQ(stat(list.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  rmdir(list.c_str());

  // A list refused as damaged says so.
  WriteClearList({{1, 2, 3, 4}});
  ASSERT_EQ(truncate(list.c_str(), 1LL << 30), 0);
  g_stageCleared = 0;
  headless::ClearMessageBoxes();
  HandleGoalReached();
  ASSERT_TRUE(Pump());
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  EXPECT_EQ(LastMessageUtf8(),
            "ClearList.datが壊れているため、クリアを記録できませんでした。\n"
            "ファイルは元のままです。");
  ASSERT_EQ(stat(list.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 1LL << 30);
}

TEST_F(PlayList, EachColumnSortsAndEveryClickTurnsTheOrder) {
  Head a, b, c, d;
  a.goal = kGoalRocketDoll; a.count = 12; a.editor = "bob";   a.id[0] = 0xC;
  b.goal = kGoalBell;       b.count = 3;  b.editor = "Amy";   b.id[0] = 0xA;
  c.goal = kGoalTruck;      c.count = 0;  c.editor = "carl";  c.id[0] = 0xF;
  d.goal = kGoalStartBall;  d.count = 7;  d.editor = "\x82\xA0";  d.id[0] = 0xB;  // あ
  WriteHead("b.ply", b);
  WriteHead("a.ply", a);
  WriteHead("d.ply", d);
  WriteHead("c.ply", c);
  WriteClearList({{0xF, 2, 3, 4}});
  auto names = [] { return Column(kPlayColumnFileName); };
  using V = std::vector<std::string>;
  std::map<std::string, LPARAM> firstParams;
  OpenList({
      [&](HWND) {
        for (const auto& row : Model().rows) firstParams[Cp932ToUtf8(row.texts[1])] = row.param;
        EXPECT_EQ(g_playListSortColumn, 1);
        EXPECT_EQ(names(), (V{"a.ply", "b.ply", "c.ply", "d.ply"}));
        platform::ListViewClickColumn(g_playListView, 1);
      },
      [&](HWND) {
        EXPECT_EQ(g_playListSortDescending, 1);
        EXPECT_EQ(names(), (V{"d.ply", "c.ply", "b.ply", "a.ply"}));
        platform::ListViewClickColumn(g_playListView, 3);
      },
      [&](HWND) {
        // Larger counts first; "0" compares as text ("0" < "12").
        EXPECT_EQ(g_playListSortColumn, 3);
        EXPECT_EQ(g_playListSortDescending, 0);
        EXPECT_EQ(Column(kPlayColumnItemCount), (V{"0", "12", "7", "3"}));
        platform::ListViewClickColumn(g_playListView, 3);
      },
      [&](HWND) {
        // Smaller counts first now; "0" is text and goes after the digits.
        EXPECT_EQ(Column(kPlayColumnItemCount), (V{"3", "7", "12", "0"}));
        platform::ListViewClickColumn(g_playListView, 4);
      },
      [&](HWND) {
        // Editors, bytes ascending: the double-byte name has the highest lead byte.
        EXPECT_EQ(Column(kPlayColumnEditor), (V{"Amy", "bob", "carl", "あ"}));
        platform::ListViewClickColumn(g_playListView, 5);
      },
      [&](HWND) {
        EXPECT_EQ(names(), (V{"c.ply", "a.ply", "d.ply", "b.ply"}));  // IDs descending
        platform::ListViewClickColumn(g_playListView, 0);
      },
      [&](HWND) {
        EXPECT_EQ(names().back(), "c.ply");  // ascending: the empty marks above "●"
        platform::ListViewClickColumn(g_playListView, 2);
      },
      [&](HWND) {
        std::vector<std::string> goals = Column(kPlayColumnGoal);
        EXPECT_TRUE(std::is_sorted(goals.rbegin(), goals.rend(), [](const std::string& x, const std::string& y) {
          return Utf8ToCp932(x) < Utf8ToCp932(y);
        }));
        // Item data stays with its row.
        for (const auto& row : Model().rows) EXPECT_EQ(row.param, firstParams[Cp932ToUtf8(row.texts[1])]);
      },
  });
  // The order outlives the dialog.
  EXPECT_EQ(g_playListSortColumn, 2);
  EXPECT_EQ(g_playListSortDescending, 1);
  OpenList({[&](HWND) {
    std::vector<std::string> goals = Column(kPlayColumnGoal);
    EXPECT_EQ(goals.front(), Cp932ToUtf8(std::max({std::string(g_goalTypeNames[0]),
                                                   std::string(g_goalTypeNames[1]),
                                                   std::string(g_goalTypeNames[2]),
                                                   std::string(g_goalTypeNames[3])})));
  }});
}

TEST_F(PlayList, LongNumbersCompareByValue) {
  // Editor names of digits only compare as numbers, however many digits.
  Head a, b, c;
  a.editor = "99999999999999999999";
  b.editor = "100000000000000000000";
  c.editor = "5";
  WriteHead("a.ply", a);
  WriteHead("b.ply", b);
  WriteHead("c.ply", c);
  g_playListSortColumn = kPlayColumnEditor;
  g_playListSortDescending = 0;
  OpenList({[&](HWND) {
    EXPECT_EQ(Column(kPlayColumnFileName), (std::vector<std::string>{"b.ply", "a.ply", "c.ply"}));
  }});
}

TEST_F(PlayList, TheLoadedFileIsSelectedWhenTheListOpens) {
  MakeFolder("sub");
  for (const char* n : {"a.ply", "b.ply", "sub/c.ply", "sub/d.ply"}) WriteHead(n, Head());
  std::snprintf(g_stagePath, sizeof g_stagePath, "%s", GamePath("sub/c").c_str());
  OpenList({[&](HWND) {
    int row = RowOf("c.ply");
    ASSERT_GE(row, 0);
    EXPECT_EQ(Model().rows[row].state, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(SendMessageA(g_playListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED),
              row);
    EXPECT_EQ(Model().topRow, row);
    EXPECT_EQ(g_playListCurrentRow, Model().rows[row].param);
  }});
}

TEST_F(PlayList, PlayingARowLoadsTheFileForPlacing) {
  EditStage(kGoalTruck);
  g_clearVerified = 1;
  MakeFolder("levels");
  ASSERT_EQ(SaveStageFile(GamePath("levels/first").c_str(), kFilePlay), 1);
  WriteHead("other.ply", Head());
  DestroyAllItems();
  g_stagePath[0] = '\0';
  g_stageName[0] = '\0';
  g_goalType = kGoalNone;
  g_appMode = kModeTitle;
  SetMenu(g_hWnd, g_titleMenu);
  // The title screen's falling boxes.
  CreateItem(D3DXVECTOR3(100, 300, 0), nullptr, 10, 10, kKindBox, kModeTitle);

  OpenList({[&](HWND dialog) {
    platform::ListViewSelectRow(g_playListView, RowOf("first.ply"));
    headless::ClickControl(dialog, IDOK);
  }});
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_EQ(g_isPlayFile, 1);
  EXPECT_EQ(g_goalType, kGoalTruck);
  EXPECT_EQ(LiveItems(), 6);  // the truck's four parts and the two boxes
  EXPECT_STREQ(g_stageName, "first");
  EXPECT_EQ(std::string(g_stagePath), GamePath("levels/first"));
  EXPECT_EQ(Shown(), g_playMenu);
  EXPECT_EQ(g_goalPanelState, 1);
  EXPECT_EQ(g_goalPanelAlpha, 0);
  EXPECT_NE(Title().find("first"), std::string::npos);

  // Opened again, the list shows that file selected; a double click on the
  // other row plays it (its head alone does not load: the stage stays).
  OpenList({[&](HWND) {
    EXPECT_EQ(Model().rows[RowOf("first.ply")].state & LVIS_SELECTED, LVIS_SELECTED);
    platform::ListViewClickRow(g_playListView, RowOf("other.ply"), NM_DBLCLK);
  }});
  EXPECT_EQ(LastMessageUtf8(), "ファイルが壊れているため開けませんでした。");
  EXPECT_EQ(g_appMode, kModePlay);
  EXPECT_STREQ(g_stageName, "first");
  EXPECT_EQ(LiveItems(), 6);
}

TEST_F(PlayList, PlayWithNoRowSelectedKeepsTheDialogOpen) {
  WriteHead("a.ply", Head());
  CreateItem(D3DXVECTOR3(100, 300, 0), nullptr, 10, 10, kKindBox, kModeTitle);
  bool stillOpen = false;
  OpenList({
      [&](HWND dialog) {
        platform::ListViewSelectRow(g_playListView, -1);
        headless::ClickControl(dialog, IDOK);
        platform::ListViewClickRow(g_playListView, -1, NM_DBLCLK);  // below the rows
      },
      [&](HWND dialog) {
        stillOpen = IsWindowVisible(dialog);
        headless::ClickControl(dialog, IDCANCEL);
      },
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(g_playListSelection, -1);
  EXPECT_EQ(g_appMode, kModeTitle);
  EXPECT_EQ(LiveItems(), 0);  // "play" on the title clears its boxes first
  EXPECT_TRUE(headless::MessageBoxes().empty());
}

TEST_F(PlayList, DeleteAsksAndRemovesTheRightClickedFile) {
  Head cleared;
  cleared.id[0] = 77;
  WriteHead("a.ply", Head());
  WriteHead("b.ply", cleared);
  WriteHead("c.ply", Head());
  WriteClearList({{77, 2, 3, 4}});
  std::string question;
  OpenList({
      [&](HWND) {
        // "No" keeps the file.
        headless::QueuePopupMenuChoice(kCmdDeletePlayFile);
        headless::QueueMessageBoxAnswer(IDNO);
        platform::ListViewClickRow(g_playListView, RowOf("b.ply"), NM_RCLICK);
      },
      [&](HWND dialog) {
        ASSERT_EQ(headless::MessageBoxes().size(), 1u);
        question = headless::MessageBoxes()[0].textUtf8;
        EXPECT_EQ(headless::MessageBoxes()[0].owner, dialog);
        EXPECT_EQ(Model().rows.size(), 3u);
        EXPECT_TRUE(Exists(HostPath("b.ply")));
        // "Yes" deletes it.
        headless::QueuePopupMenuChoice(kCmdDeletePlayFile);
        headless::QueueMessageBoxAnswer(IDYES);
        platform::ListViewClickRow(g_playListView, RowOf("b.ply"), NM_RCLICK);
      },
      [&](HWND dialog) {
        EXPECT_FALSE(Exists(HostPath("b.ply")));
        EXPECT_TRUE(Exists(HostPath("a.ply")));
        EXPECT_TRUE(Exists(HostPath("c.ply")));
        EXPECT_EQ(Column(kPlayColumnFileName), (std::vector<std::string>{"a.ply", "c.ply"}));
        EXPECT_EQ(CountText(dialog), "クリア数 0 / 2");
        // A right click below the rows offers no menu, whatever is selected.
        platform::ListViewSelectRow(g_playListView, 0);
        headless::QueuePopupMenuChoice(kCmdDeletePlayFile);
        platform::ListViewClickRow(g_playListView, -1, NM_RCLICK);
      },
      [&](HWND) {
        EXPECT_EQ(headless::MessageBoxes().size(), 2u);
        EXPECT_TRUE(Exists(HostPath("a.ply")));
        EXPECT_EQ(Model().rows.size(), 2u);
      },
  });
  EXPECT_EQ(question, "「b.ply」を削除しますか？");
  // Without an answer the question's default is No.
  OpenList({[&](HWND) {
    headless::QueuePopupMenuChoice(kCmdDeletePlayFile);
    platform::ListViewClickRow(g_playListView, RowOf("a.ply"), NM_RCLICK);
  }});
  EXPECT_TRUE(Exists(HostPath("a.ply")));
}

TEST_F(PlayList, DeleteLeavesAFileThatIsNoLongerThatPlayFile) {
  WriteHead("a.ply", Head());
  WriteHead("b.ply", Head());
  OpenList({
      [&](HWND) {
        // Replaced by something else since the scan: kept, and said so.
        std::ofstream(HostPath("a.ply")) << "notes";
        headless::QueuePopupMenuChoice(kCmdDeletePlayFile);
        headless::QueueMessageBoxAnswer(IDYES);
        platform::ListViewClickRow(g_playListView, RowOf("a.ply"), NM_RCLICK);
      },
      [&](HWND) {
        EXPECT_TRUE(Exists(HostPath("a.ply")));
        EXPECT_EQ(LastMessageUtf8(), "ファイルを削除できませんでした。");
        EXPECT_EQ(Model().rows.size(), 2u);
        // Gone since the scan: the row just goes.
        unlink(HostPath("b.ply").c_str());
        headless::ClearMessageBoxes();
        headless::QueuePopupMenuChoice(kCmdDeletePlayFile);
        headless::QueueMessageBoxAnswer(IDYES);
        platform::ListViewClickRow(g_playListView, RowOf("b.ply"), NM_RCLICK);
      },
      [&](HWND) {
        EXPECT_EQ(headless::MessageBoxes().size(), 1u);  // the question only
        EXPECT_EQ(Column(kPlayColumnFileName), std::vector<std::string>{"a.ply"});
      },
  });
}
