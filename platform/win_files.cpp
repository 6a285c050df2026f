// Common file dialogs, file titles and dropped files.
#include "platform/win_files.h"

#include <unistd.h>

#include <cstring>
#include <map>

#include "platform/cp932.h"
#include "platform/text_encoding.h"
#include "platform/win_user.h"
#include "platform/window_model.h"

namespace {

struct FileState {
  std::vector<platform::FileDialogRecord> log;
  std::vector<std::string> refused;  // by the dialog that is open now
  std::vector<std::string> told;     // by the dialog that is open now
  std::string lastFolder;  // game path of the folder of the last file chosen
  DWORD lastError = 0;
  struct Drop {
    std::vector<std::string> paths;
    POINT point;
    std::vector<platform::UnheldPart> unheld;
  };
  std::map<uintptr_t, Drop> drops;
  uintptr_t nextDrop = 1;
};

FileState& F() {
  static FileState* state = new FileState;
  return *state;
}

// Byte offset just past the last separator ('\' or '/') of a CP932 path,
// stepping over double-byte characters whose second byte may look like '\'.
// A ':' is an ordinary character of a file name here: there are no drives.
size_t NameStart(const std::string& path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size();) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    int len = Cp932CharLength(c);
    if (len == 1 && (c == '\\' || c == '/')) start = i + 1;
    i += len;
  }
  return start;
}

// Copies text into buffer of size bytes, cut at a whole character.
size_t CopyCut(const std::string& text, char* buffer, size_t size) {
  if (!buffer || size == 0) return 0;
  size_t n = 0;
  while (n < text.size()) {
    size_t len = Cp932CharLength(static_cast<unsigned char>(text[n]));
    if (n + len > size - 1 || n + len > text.size()) break;
    n += len;
  }
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

std::string CurrentFolder() {
  char buf[4096];
  if (!getcwd(buf, sizeof(buf))) return std::string();
  return platform::HostPathToGamePath(buf);
}

bool ValidStructSize(DWORD size) { return size == 76 || size == sizeof(OPENFILENAMEA); }

BOOL RunDialog(OPENFILENAMEA* ofn, bool save) {
  F().lastError = 0;
  if (!ofn) return FALSE;
  if (!ValidStructSize(ofn->lStructSize) || !ofn->lpstrFile || ofn->nMaxFile == 0) {
    F().lastError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  platform::FileDialogRequest request;
  request.save = save;
  request.owner = ofn->hwndOwner;
  request.title = ofn->lpstrTitle ? ofn->lpstrTitle : "";
  request.flags = ofn->Flags;
  if (const char* f = ofn->lpstrFilter) {
    // Pairs of NUL-ended strings up to an empty one.
    while (*f) {
      platform::FileDialogRequest::Filter filter;
      filter.text = f;
      f += std::strlen(f) + 1;
      if (!*f) break;
      std::string patterns = f;
      f += patterns.size() + 1;
      size_t from = 0;
      while (from <= patterns.size()) {
        size_t semi = patterns.find(';', from);
        if (semi == std::string::npos) semi = patterns.size();
        if (semi > from) filter.patterns.push_back(patterns.substr(from, semi - from));
        from = semi + 1;
      }
      request.filters.push_back(std::move(filter));
    }
  }
  request.longestPath = ofn->nMaxFile - 1;
  request.filterIndex = ofn->nFilterIndex >= 1 && ofn->nFilterIndex <= request.filters.size()
                            ? static_cast<int>(ofn->nFilterIndex)
                            : 1;
  // The first name may carry a folder of its own; otherwise the initial
  // folder, else where the last file was chosen, else the current folder.
  std::string first(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
  size_t nameStart = NameStart(first);
  if (nameStart > 0) {
    request.folder = first.substr(0, nameStart);
    request.fileName = first.substr(nameStart);
  } else {
    request.fileName = first;
    if (ofn->lpstrInitialDir && *ofn->lpstrInitialDir)
      request.folder = ofn->lpstrInitialDir;
    else if (!F().lastFolder.empty())
      request.folder = F().lastFolder;
    else
      request.folder = CurrentFolder();
  }

  std::string path;
  int filterIndex = request.filterIndex;
  F().refused.clear();
  F().told.clear();
  bool chosen = platform::WhileModal([&] {
    return platform::CurrentFace().RunFileDialog(request, &path, &filterIndex) && !path.empty();
  });
  platform::FileDialogRecord record;
  record.request = request;
  record.chosen = chosen;
  record.path = chosen ? path : std::string();
  record.refused = std::move(F().refused);
  record.told = std::move(F().told);
  F().refused.clear();
  F().told.clear();
  F().log.push_back(record);
  if (!chosen) return FALSE;

  if (platform::HeldPathBytes(request, path, filterIndex) > request.longestPath) {
    F().lastError = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  std::memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
  size_t start = NameStart(path);
  std::string title = path.substr(start);
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0)
    CopyCut(title, ofn->lpstrFileTitle, ofn->nMaxFileTitle);
  ofn->nFileOffset = static_cast<WORD>(start);
  size_t dot = title.rfind('.');
  ofn->nFileExtension =
      static_cast<WORD>(dot == std::string::npos ? path.size() : start + dot + 1);
  ofn->nFilterIndex = static_cast<DWORD>(filterIndex);
  F().lastFolder = path.substr(0, start);
  return TRUE;
}

}  // namespace

BOOL GetOpenFileNameA(OPENFILENAMEA* ofn) { return RunDialog(ofn, false); }
BOOL GetSaveFileNameA(OPENFILENAMEA* ofn) { return RunDialog(ofn, true); }
DWORD CommDlgExtendedError() { return F().lastError; }

short GetFileTitleA(LPCSTR file, LPSTR buffer, WORD bufferSize) {
  if (!file) return -1;
  std::string path = file;
  std::string title = path.substr(NameStart(path));
  if (title.empty()) return -1;
  if (!buffer || bufferSize < title.size() + 1) return static_cast<short>(title.size() + 1);
  std::memcpy(buffer, title.c_str(), title.size() + 1);
  return 0;
}

// --- drops ----------------------------------------------------------------------------

void DragAcceptFiles(HWND window, BOOL accept) {
  platform::WindowInfo info = platform::GetWindowInfo(window);
  if (!info.found) return;
  platform::SetWindowExStyle(window, accept ? (info.exStyle | WS_EX_ACCEPTFILES)
                                            : (info.exStyle & ~WS_EX_ACCEPTFILES));
}

UINT DragQueryFileA(HDROP drop, UINT index, LPSTR buffer, UINT bufferSize) {
  auto it = F().drops.find(reinterpret_cast<uintptr_t>(drop));
  if (it == F().drops.end()) return 0;
  const std::vector<std::string>& files = it->second.paths;
  if (index == 0xFFFFFFFFu) return static_cast<UINT>(files.size());
  if (index >= files.size()) return 0;
  if (!buffer) return static_cast<UINT>(files[index].size());
  return static_cast<UINT>(CopyCut(files[index], buffer, bufferSize));
}

BOOL DragQueryPoint(HDROP drop, POINT* point) {
  auto it = F().drops.find(reinterpret_cast<uintptr_t>(drop));
  if (it == F().drops.end() || !point) return FALSE;
  *point = it->second.point;
  return point->x >= 0 && point->y >= 0 ? TRUE : FALSE;
}

void DragFinish(HDROP drop) { F().drops.erase(reinterpret_cast<uintptr_t>(drop)); }

namespace platform {

std::string HostPathToGamePath(const std::string& hostUtf8) {
  std::string p = Utf8ToCp932(hostUtf8);
  // Only single-byte slashes are separators; a trail byte is never 0x2F.
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

bool HostPathFitsGame(const std::string& hostUtf8) {
  return GamePathToHost(HostPathToGamePath(hostUtf8).c_str()) == hostUtf8;
}

UnheldPart UnheldPartOf(const std::string& hostUtf8) {
  if (HostPathFitsGame(hostUtf8)) return UnheldPart::kNone;
  const size_t slash = hostUtf8.rfind('/');
  if (slash != std::string::npos && !HostPathFitsGame(hostUtf8.substr(0, slash)))
    return UnheldPart::kFolder;
  return UnheldPart::kName;
}

std::string UnheldPartPhrase(UnheldPart part) {
  if (part == UnheldPart::kNone) return std::string();
  return std::string(part == UnheldPart::kFolder ? "フォルダー名" : "ファイル名") +
         "に、このゲームでは扱えない文字（アクセント記号付きの文字や絵文字など）が";
}

std::string UnheldPathText(UnheldPart part) {
  if (part == UnheldPart::kNone) return std::string();
  return UnheldPartPhrase(part) + "含まれています。\n" +
         (part == UnheldPart::kFolder ? "別のフォルダーを指定してください。"
                                      : "別のファイル名を指定してください。");
}

const std::vector<FileDialogRecord>& GetFileDialogLog() { return F().log; }

namespace {

// What the caller of a dialog adds to gamePath: the save filter's extension
// when the name does not end in it (see HeldPathBytes); otherwise nothing.
std::string AddedExtension(const FileDialogRequest& request, const std::string& gamePath,
                           int filterIndex) {
  if (!request.save || filterIndex < 1 || filterIndex > static_cast<int>(request.filters.size()))
    return std::string();
  // Only a filter of one plain extension names the caller's files.
  const std::vector<std::string>& patterns = request.filters[filterIndex - 1].patterns;
  if (patterns.size() != 1 || patterns[0].size() < 3 || patterns[0].compare(0, 2, "*.") != 0 ||
      patterns[0].find_first_of("*?", 1) != std::string::npos)
    return std::string();
  const std::string ext = patterns[0].substr(1);
  bool hasIt = gamePath.size() >= ext.size() &&
               gamePath.compare(gamePath.size() - ext.size(), ext.size(), ext) == 0;
  return hasIt ? std::string() : ext;
}

}  // namespace

size_t HeldPathBytes(const FileDialogRequest& request, const std::string& gamePath,
                     int filterIndex) {
  return gamePath.size() + AddedExtension(request, gamePath, filterIndex).size();
}

std::string FileDialogRefusal(const FileDialogRequest& request, const std::string& gamePath,
                              int filterIndex) {
  const size_t held = HeldPathBytes(request, gamePath, filterIndex);
  if (held <= request.longestPath) return std::string();
  F().refused.push_back(gamePath);
  // The name as the caller will hold it, its extension added, and the bytes
  // counted: the user sees what was measured, not only the rule.
  const std::string name =
      gamePath.substr(NameStart(gamePath)) + AddedExtension(request, gamePath, filterIndex);
  return "ファイルのパスが長すぎます（「" + Cp932ToUtf8(name) + "」で半角" + std::to_string(held) +
         "文字分）。\n"
         "パスはフォルダー名と拡張子を含めて半角" + std::to_string(request.longestPath) +
         "文字分（全角文字は2文字分）までです。\n"
         "短い名前にするか、別のフォルダーを選んでください。";
}

void NoteFileDialogTold(const std::string& textUtf8) { F().told.push_back(textUtf8); }

bool DropFiles(HWND window, const std::vector<std::string>& gamePaths, POINT clientPoint,
               const std::vector<UnheldPart>& unheld) {
  WindowInfo info = GetWindowInfo(window);
  if (!info.found || !(info.exStyle & WS_EX_ACCEPTFILES) || gamePaths.empty()) return false;
  uintptr_t id = F().nextDrop++;
  F().drops[id] = {gamePaths, clientPoint, unheld};
  PostMessageA(window, WM_DROPFILES, static_cast<WPARAM>(id), 0);
  return true;
}

UnheldPart DroppedFileUnheld(HDROP drop, UINT index) {
  auto it = F().drops.find(reinterpret_cast<uintptr_t>(drop));
  if (it == F().drops.end() || index >= it->second.unheld.size()) return UnheldPart::kNone;
  return it->second.unheld[index];
}

int LiveDropCount() { return static_cast<int>(F().drops.size()); }

void ResetFileState() {
  FileState& f = F();
  f.log.clear();
  f.refused.clear();
  f.told.clear();
  f.lastFolder.clear();
  f.lastError = 0;
  f.drops.clear();
}

}  // namespace platform
