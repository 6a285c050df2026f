// Common file dialogs, file titles and dropped files, scripted through the
// headless face.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/cp932.h"
#include "platform/headless.h"
#include "platform/text_encoding.h"
#include "platform/win_user.h"

namespace {

// The game's one dialog record: a 256-byte path, a 255-byte title.
struct GameOfn {
  char file[256] = "";
  char title[256] = "";
  OPENFILENAMEA ofn{};
  GameOfn() {
    ofn.lStructSize = 76;
    ofn.lpstrFile = file;
    ofn.nMaxFile = 256;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = 255;
    ofn.lpstrInitialDir = "\\games\\gizmo\\";
  }
};

const char kStageFilter[] = "stage files(*.stg)\0*.stg\0";

LRESULT NullProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

HWND MakeWindow(DWORD exStyle) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = NullProc;
    wc.lpszClassName = "Drop Target";
    RegisterClassExA(&wc);
    registered = true;
  }
  return CreateWindowExA(exStyle, "Drop Target", "", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                         nullptr, nullptr);
}

class FileDialogs : public ::testing::Test {
 protected:
  void SetUp() override { headless::Reset(); }
};

}  // namespace

TEST_F(FileDialogs, OpenDialogFillsPathTitleAndOffsetsAndRecordsTheRequest) {
  GameOfn g;
  g.ofn.lpstrTitle = "open a stage";
  g.ofn.lpstrFilter = kStageFilter;
  g.ofn.nFilterIndex = 1;
  g.ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  headless::QueueFileDialogAnswer("\\games\\gizmo\\stages\\bridge.stg");
  ASSERT_TRUE(GetOpenFileNameA(&g.ofn));
  EXPECT_STREQ(g.file, "\\games\\gizmo\\stages\\bridge.stg");
  EXPECT_STREQ(g.title, "bridge.stg");
  EXPECT_EQ(g.ofn.nFileOffset, 20);
  EXPECT_EQ(g.ofn.nFileExtension, 27);

  ASSERT_EQ(headless::FileDialogs().size(), 1u);
  const platform::FileDialogRecord& r = headless::FileDialogs()[0];
  EXPECT_FALSE(r.request.save);
  EXPECT_EQ(r.request.title, "open a stage");
  EXPECT_EQ(r.request.folder, "\\games\\gizmo\\");
  EXPECT_EQ(r.request.fileName, "");
  EXPECT_EQ(r.request.flags, (DWORD)0x1004);
  ASSERT_EQ(r.request.filters.size(), 1u);
  EXPECT_EQ(r.request.filters[0].text, "stage files(*.stg)");
  EXPECT_EQ(r.request.filters[0].patterns, std::vector<std::string>{"*.stg"});
  EXPECT_TRUE(r.chosen);
}

TEST_F(FileDialogs, CancelLeavesTheBuffersAndReportsNoError) {
  GameOfn g;
  std::strcpy(g.file, "before");
  headless::QueueFileDialogCancel();
  EXPECT_FALSE(GetSaveFileNameA(&g.ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_STREQ(g.file, "before");
  // No answer queued at all also cancels.
  EXPECT_FALSE(GetOpenFileNameA(&g.ofn));
  EXPECT_EQ(headless::FileDialogs().size(), 2u);
  EXPECT_FALSE(headless::FileDialogs()[1].chosen);
}

TEST_F(FileDialogs, SaveProposesTheNameAndFolderOfTheFirstPath) {
  GameOfn g;
  g.ofn.lpstrFilter = "play(*.ply)\0*.ply\0all\0*.ply;*.stg;*.pau\0";
  g.ofn.nFilterIndex = 2;
  std::strcpy(g.file, "\\home\\me\\work\\level1.ply");
  headless::QueueFileDialogAnswer("\\home\\me\\work\\level1.ply");
  ASSERT_TRUE(GetSaveFileNameA(&g.ofn));
  const platform::FileDialogRequest& r = headless::FileDialogs()[0].request;
  EXPECT_TRUE(r.save);
  EXPECT_EQ(r.folder, "\\home\\me\\work\\");
  EXPECT_EQ(r.fileName, "level1.ply");
  EXPECT_EQ(r.filterIndex, 2);
  ASSERT_EQ(r.filters.size(), 2u);
  EXPECT_EQ(r.filters[1].patterns, (std::vector<std::string>{"*.ply", "*.stg", "*.pau"}));

  // With the initial folder cleared the next dialog opens where the last
  // file was chosen.
  GameOfn next;
  next.ofn.lpstrInitialDir = nullptr;
  GetOpenFileNameA(&next.ofn);
  EXPECT_EQ(headless::FileDialogs()[1].request.folder, "\\home\\me\\work\\");
}

TEST_F(FileDialogs, ADialogStaysOpenOnAPathLongerThanTheBufferAndALongTitleIsCutAtACharacter) {
  GameOfn g;
  g.ofn.nMaxFile = 11;
  std::strcpy(g.file, "before");
  headless::QueueFileDialogAnswer("\\a\\b\\cd.stg");  // 11 bytes
  headless::QueueFileDialogAnswer("\\a\\b\\c.stg");
  ASSERT_TRUE(GetOpenFileNameA(&g.ofn));
  EXPECT_STREQ(g.file, "\\a\\b\\c.stg");
  EXPECT_EQ(headless::FileDialogs()[0].refused, std::vector<std::string>{"\\a\\b\\cd.stg"});
  // Closed with no shorter name: a cancel, the buffer as it was.
  std::strcpy(g.file, "before");
  headless::QueueFileDialogAnswer("\\a\\b\\cd.stg");
  EXPECT_FALSE(GetOpenFileNameA(&g.ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_STREQ(g.file, "before");

  GameOfn h;
  h.ofn.nMaxFileTitle = 4;
  // "\x95\x5C" is one double-byte character whose second byte is a backslash.
  headless::QueueFileDialogAnswer("\\d\\ab\x95\x5C" "c.stg");
  ASSERT_TRUE(GetOpenFileNameA(&h.ofn));
  EXPECT_STREQ(h.title, "ab");  // three bytes would split the character
  EXPECT_EQ(h.ofn.nFileOffset, 3);
}

TEST_F(FileDialogs, ASaveDialogKeepsRoomForTheExtensionItsCallerAdds) {
  platform::FileDialogRequest save;
  save.save = true;
  save.longestPath = 255;
  save.filters = {{"stage", {"*.stg"}}, {"several", {"*.stg", "*.ply"}}, {"all", {"*.*"}}};
  const std::string folder = "\\" + std::string(240, 'f') + "\\";  // 242 bytes
  auto held = [&](const std::string& name, int filter) {
    return platform::HeldPathBytes(save, folder + name, filter);
  };
  EXPECT_EQ(held("abcdefghi", 1), 255u);      // ".stg" to come
  EXPECT_EQ(held("abcdefghij", 1), 256u);
  EXPECT_EQ(held("abcdefghi.stg", 1), 255u);  // already there
  EXPECT_EQ(held("abcdefghi.STG", 1), 259u);  // another case is another name
  // Double-byte characters count two: ス ス ス ス is 8 bytes.
  EXPECT_EQ(held("\x83\x58\x83\x58\x83\x58\x83\x58", 1), 254u);
  // A filter that names no one extension adds nothing.
  EXPECT_EQ(held("abcdefghij", 2), 252u);
  EXPECT_EQ(held("abcdefghij", 3), 252u);
  // An open dialog's caller holds the path as it is.
  platform::FileDialogRequest open = save;
  open.save = false;
  EXPECT_EQ(platform::HeldPathBytes(open, folder + "abcdefghijkl", 1), 254u);

  EXPECT_EQ(platform::FileDialogRefusal(save, folder + "abcdefghi", 1), "");
  EXPECT_EQ(platform::FileDialogRefusal(open, folder + "abcdefghijklm", 1), "");
  // The box names what it measured: the name with the extension to come,
  // and the bytes that are one too many.
  EXPECT_EQ(platform::FileDialogRefusal(save, folder + "abcdefghij", 1),
            "ファイルのパスが長すぎます（「abcdefghij.stg」で半角256文字分）。\n"
            "パスはフォルダー名と拡張子を含めて半角255文字分（全角文字は2文字分）までです。\n"
            "短い名前にするか、別のフォルダーを選んでください。");
  const std::string first = "ファイルのパスが長すぎます（「abcdefghijklmn」で半角256文字分）。";
  EXPECT_EQ(platform::FileDialogRefusal(open, folder + "abcdefghijklmn", 1).substr(0, first.size()), first);
}

TEST_F(FileDialogs, FileTitleSkipsDoubleByteTrailBytes) {
  char title[64];
  EXPECT_EQ(GetFileTitleA("C:\\games\\\x95\x5C.stg", title, sizeof(title)), 0);
  EXPECT_STREQ(title, "\x95\x5C.stg");
  EXPECT_EQ(GetFileTitleA("\\dir\\game", title, sizeof(title)), 0);
  EXPECT_STREQ(title, "game");
  EXPECT_EQ(GetFileTitleA("/usr/bin/game.exe", title, 4), 9);  // the size needed
  EXPECT_EQ(GetFileTitleA("/usr/bin/game.exe", nullptr, 0), 9);
  EXPECT_EQ(GetFileTitleA("\\dir\\", title, sizeof(title)), -1);
  EXPECT_EQ(GetFileTitleA("", title, sizeof(title)), -1);
  // A ':' is a character of the name, not a drive's end.
  EXPECT_EQ(GetFileTitleA("\\dir\\a:b.stg", title, sizeof(title)), 0);
  EXPECT_STREQ(title, "a:b.stg");
}

TEST_F(FileDialogs, HostAndGamePathsConvertBothWays) {
  std::string host = "/tmp/\xE3\x82\xB9\xE3\x83\x86\xE3\x83\xBC\xE3\x82\xB8/a.stg";  // /tmp/ステージ/a.stg
  std::string game = platform::HostPathToGamePath(host);
  EXPECT_EQ(game, std::string("\\tmp\\") + Utf8ToCp932("\xE3\x82\xB9\xE3\x83\x86\xE3\x83\xBC\xE3\x82\xB8") +
                      "\\a.stg");
  EXPECT_EQ(GamePathToHost(game.c_str()), host);
}

TEST_F(FileDialogs, OnlyPathsTheGameCanHoldInShiftJisFitTheGame) {
  EXPECT_TRUE(platform::HostPathFitsGame("/tmp/st/bellramp.stg"));
  EXPECT_TRUE(platform::HostPathFitsGame("/tmp/st/\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.stg"));  // テスト
  EXPECT_TRUE(platform::HostPathFitsGame("relative/a.stg"));
  // caf\u00e9: written by the game as "caf?.stg", another file.
  EXPECT_FALSE(platform::HostPathFitsGame("/tmp/st/caf\xC3\xA9.stg"));
  EXPECT_FALSE(platform::HostPathFitsGame("/tmp/st/\xF0\x9F\x98\x80.stg"));  // an emoji
  // A backslash in a host name would become a folder separator in the game.
  EXPECT_FALSE(platform::HostPathFitsGame("/tmp/st/a\\b.stg"));
}

// What keeps a path out is told apart: a folder on the way, or the name.
TEST_F(FileDialogs, APathTheGameCannotHoldIsBlamedOnItsFolderOrItsName) {
  using platform::UnheldPart;
  const std::string odd = "caf\xC3\xA9_na\xC3\xAFve_\xF0\x9F\x98\x80";  // café_naïve_😀
  EXPECT_EQ(platform::UnheldPartOf("/tmp/st/s.stg"), UnheldPart::kNone);
  EXPECT_EQ(platform::UnheldPartOf("/tmp/" + odd + "/s.stg"), UnheldPart::kFolder);
  EXPECT_EQ(platform::UnheldPartOf("/tmp/" + odd + "/ok/s.stg"), UnheldPart::kFolder);
  EXPECT_EQ(platform::UnheldPartOf("/tmp/" + odd + "/na\xC3\xAFve.stg"), UnheldPart::kFolder);
  EXPECT_EQ(platform::UnheldPartOf("/tmp/st/na\xC3\xAFve.stg"), UnheldPart::kName);
  EXPECT_EQ(platform::UnheldPartOf("na\xC3\xAFve.stg"), UnheldPart::kName);
  EXPECT_EQ(platform::UnheldPartOf("/tmp/st/\xEF\xBF\xBD.stg"), UnheldPart::kName);  // unreadable bytes
  // Said in words that fit opening a file as well as saving one.
  EXPECT_EQ(platform::UnheldPathText(UnheldPart::kFolder),
            "フォルダー名に、このゲームでは扱えない文字（アクセント記号付きの文字や絵文字など）が"
            "含まれています。\n別のフォルダーを指定してください。");
  EXPECT_EQ(platform::UnheldPathText(UnheldPart::kName),
            "ファイル名に、このゲームでは扱えない文字（アクセント記号付きの文字や絵文字など）が"
            "含まれています。\n別のファイル名を指定してください。");
  EXPECT_EQ(platform::UnheldPathText(UnheldPart::kNone), "");
}

TEST_F(FileDialogs, DropsReachOnlyWindowsThatTakeFiles) {
  HWND plain = MakeWindow(0);
  EXPECT_FALSE(headless::DropFiles(plain, {"\\x\\a.stg"}));
  DragAcceptFiles(plain, TRUE);
  EXPECT_TRUE(headless::DropFiles(plain, {"\\x\\a.stg"}));
  DragAcceptFiles(plain, FALSE);
  EXPECT_FALSE(headless::DropFiles(plain, {"\\x\\a.stg"}));

  HWND w = MakeWindow(WS_EX_ACCEPTFILES);
  EXPECT_FALSE(headless::DropFiles(w, {}));
  ASSERT_TRUE(headless::DropFiles(w, {"\\x\\first.ply", "\\x\\second.stg", "\\x\\third.pau"},
                                  POINT{10, 20}));
  std::vector<MSG> queued = platform::PendingMessages();
  ASSERT_EQ(queued.size(), 2u);
  EXPECT_EQ(queued[1].message, (UINT)WM_DROPFILES);
  EXPECT_EQ(queued[1].hwnd, w);
  HDROP drop = reinterpret_cast<HDROP>(queued[1].wParam);
  EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0), 3u);
  EXPECT_EQ(DragQueryFileA(drop, 0, nullptr, 0), 12u);
  char buf[256];
  EXPECT_EQ(DragQueryFileA(drop, 0, buf, sizeof(buf)), 12u);
  EXPECT_STREQ(buf, "\\x\\first.ply");
  EXPECT_EQ(DragQueryFileA(drop, 1, buf, 6), 5u);
  EXPECT_STREQ(buf, "\\x\\se");
  EXPECT_EQ(DragQueryFileA(drop, 3, buf, sizeof(buf)), 0u);
  POINT p;
  EXPECT_TRUE(DragQueryPoint(drop, &p));
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 20);
  EXPECT_EQ(platform::LiveDropCount(), 2);
  DragFinish(drop);
  EXPECT_EQ(platform::LiveDropCount(), 1);
  EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0), 0u);
}

TEST_F(FileDialogs, TheProgramFolderComesFromTheModulePathAndItsTitle) {
  char path[256];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, sizeof(path));
  EXPECT_EQ(path[0], '\\');
  char title[256];
  ASSERT_EQ(GetFileTitleA(path, title, sizeof(title)), 0);
  EXPECT_STREQ(title, "file_dialogs_test");
  std::string folder(path, n - std::strlen(title));
  EXPECT_EQ(folder.back(), '\\');
  // The folder is the host's, back again.
  EXPECT_EQ(access(GamePathToHost(folder.c_str()).c_str(), F_OK), 0);
  char small[8];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof(small)), 8u);
  EXPECT_EQ(std::strlen(small), 7u);
}
