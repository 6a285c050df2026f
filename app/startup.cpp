#include "app/startup.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "app/dialogs.h"
#include "app/fonts_textures.h"
#include "app/game_hooks.h"
#include "app/menus.h"
#include "app/shell_globals.h"
#include "app/small_dialogs.h"
#include "app/title_screen.h"
#include "app/window_proc.h"
#include "app/window_title.h"
#include "game/frame.h"
#include "game/update.h"
#include "platform/cp932.h"
#include "platform/d3dx9.h"
#include "platform/gl_context.h"
#include "platform/gtk_face.h"
#include "platform/text_encoding.h"
#include "platform/win_kernel.h"
#include "platform/win_message.h"
#include "platform/win_user.h"
#include "platform/winmm.h"
#include "render/meshes.h"
#include "world/folder_lock.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/snapshot.h"
#include "world/stage_file_io.h"

char g_configPath[256] = "";
IDirect3D9* g_d3d = nullptr;
HACCEL g_accelerators = nullptr;
HCURSOR g_handCursor = nullptr;
int32_t g_startUpFailed = 0;

namespace {

constexpr char kWindowClassName[] = "Generic Game SDK Window";
constexpr char kVersion[] = "Ver.1.10";
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;
constexpr DWORD kWindowStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kIconResource = 202;

UINT g_timerPeriod = 0;  // the period raised at start-up, 0 while none is
// A close asked from outside: none, asked and not yet taken, or being
// taken (the save question may be up).
enum : int { kNoOutsideClose, kOutsideCloseAsked, kOutsideCloseTaken };
volatile std::sig_atomic_t g_closeFromOutside = kNoOutsideClose;

// With GIZMOWORKS_FRAME_LOG set in the environment the loop tells stderr
// when the first picture was presented (wall-clock nanoseconds, for a bench
// that noted when it started the program) and, once a second, how many
// frames were paced and drawn since start-up, for frame rates measured from
// outside over any stretch of a session.
struct FrameLog {
  bool on = std::getenv("GIZMOWORKS_FRAME_LOG") != nullptr;
  bool firstTold = false;
  DWORD lastLine = 0;
  // Accepted frames that came one millisecond after their time and those
  // that came later still: where lateness comes from.
  uint64_t oneLate = 0, moreLate = 0;
};

void TellFrameLog(DWORD lastFrameBefore) {
  static FrameLog log;
  if (!log.on) return;
  if (g_lastFrameTime != lastFrameBefore) {
    const DWORD elapsed = g_lastFrameTime - lastFrameBefore;
    if (elapsed == g_frameInterval + 1) ++log.oneLate;
    else if (elapsed > g_frameInterval + 1) ++log.moreLate;
  }
  // The first picture counts once the desktop has it: its buffer swap is
  // put off until the loop waits, after this frame.
  if (!log.firstTold && g_drawnFrameCount > 0 && platform::FirstPictureShownWallNs() != 0) {
    log.firstTold = true;
    std::fprintf(stderr, "first_frame_wall_ns=%lld\n",
                 static_cast<long long>(platform::FirstPictureShownWallNs()));
  }
  const DWORD now = timeGetTime();
  if (now - log.lastLine < 1000) return;
  log.lastLine = now;
  std::fprintf(stderr, "frame_log ms=%lu paced=%llu drawn=%llu late1=%llu late2=%llu mode=%d\n",
               static_cast<unsigned long>(now), static_cast<unsigned long long>(g_pacedFrameCount),
               static_cast<unsigned long long>(g_drawnFrameCount),
               static_cast<unsigned long long>(log.oneLate),
               static_cast<unsigned long long>(log.moreLate), static_cast<int>(g_appMode));
}

void PutInt32(unsigned char* p, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
}

int32_t GetInt32(const unsigned char* p) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(p[i]) << (8 * i);
  return static_cast<int32_t>(u);
}

void ShowStartUpError(const char* textUtf8) {
  MessageBoxA(nullptr, Cp932Text(textUtf8), "ERROR", MB_ICONERROR);
}

// The four ways of making the device, best first: device type, vertex
// processing and depth buffer.
struct DeviceSetup {
  int level;
  D3DDEVTYPE type;
  DWORD flags;
  D3DFORMAT depth;
};
constexpr DeviceSetup kDeviceSetups[] = {
    {4, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DFMT_D24X8},
    {3, D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DFMT_D16},
    {2, D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, D3DFMT_D16},
    {1, D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, D3DFMT_D16},
};

// The device on the main window, trying the four set-ups in turn.
bool CreateGameDevice() {
  D3DDISPLAYMODE mode = {};
  g_d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
  g_presentParams = {};
  g_presentParams.BackBufferWidth = kClientWidth;
  g_presentParams.BackBufferHeight = kClientHeight;
  g_presentParams.BackBufferFormat = mode.Format;
  g_presentParams.Windowed = TRUE;
  g_presentParams.EnableAutoDepthStencil = TRUE;
  g_presentParams.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
  g_presentParams.hDeviceWindow = g_hWnd;
  g_presentParams.SwapEffect = D3DSWAPEFFECT_COPY;
  g_presentParams.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  // The device draws into the main window's own GL area when the desktop
  // face shows it; otherwise into whatever context was set (tests).
  if (GlContext* context = platform::GtkWindowGlContext(g_hWnd)) SetGlContext(context);
  for (const DeviceSetup& setup : kDeviceSetups) {
    g_presentParams.AutoDepthStencilFormat = setup.depth;
    IDirect3DDevice9* device = nullptr;
    if (SUCCEEDED(g_d3d->CreateDevice(D3DADAPTER_DEFAULT, setup.type, g_hWnd, setup.flags,
                                      &g_presentParams, &device)) &&
        device) {
      g_device = device;
      g_deviceLevel = setup.level;
      return true;
    }
  }
  return false;
}

}  // namespace

void ReleaseEverything() {
  g_initDone = 0;  // a paint from here on draws nothing
  FreeSnapshotBuffers();
  ReleaseFonts();
  ReleaseTextures();
  ReleasePrimitiveMeshes();
  ReleaseModels();
  ReleaseLinkFont();
  DestroyPickRay();
  // Items before the world that holds their bodies and geoms.
  for (int i = 0; i < kMaxItems; ++i)
    if (g_items[i].state != 0) DestroyItem(i);
  if (g_world) DestroyPhysicsWorld();
  if (g_timerPeriod) {
    timeEndPeriod(g_timerPeriod);
    g_timerPeriod = 0;
  }
  if (g_cursorVisible == 0) {
    g_cursorVisible = 1;
    ShowCursor(TRUE);
  }
  g_cursorIdleFrames = 0;
  if (g_sprite) {
    g_sprite->Release();
    g_sprite = nullptr;
  }
  if (g_device) {
    g_device->Release();
    g_device = nullptr;
  }
  g_deviceLevel = 0;
  if (g_d3d) {
    g_d3d->Release();
    g_d3d = nullptr;
  }
  // The window goes before its menus: the title menu is its bar.
  if (g_hWnd) {
    DestroyWindow(g_hWnd);
    g_hWnd = nullptr;
  }
  for (HMENU* menu : {&g_editorMenu, &g_playMenu, &g_titleMenu}) {
    if (*menu) DestroyMenu(*menu);
    *menu = nullptr;
  }
  g_accelerators = nullptr;
}

namespace {

// A name the game can show and store again: whole CP932 characters, none of
// them a control character. Anything else is a damaged record.
bool IsShowableName(const unsigned char* name, size_t length) {
  for (size_t i = 0; i < length; ++i)
    if (name[i] < 0x20 || name[i] == 0x7F) return false;
  const std::string utf8 =
      Cp932ToUtf8(std::string_view(reinterpret_cast<const char*>(name), length));
  return utf8.find("\xEF\xBF\xBD") == std::string::npos;  // U+FFFD: bytes that do not decode
}

}  // namespace

void SetDefaultConfig(Config* config) {
  std::memset(config, 0, sizeof *config);
  std::snprintf(config->editorName, sizeof config->editorName, "%s", Cp932Text("新人エディター"));
}

int ReadConfigFile(const char* path, Config* config) {
  SetDefaultConfig(config);
  const std::string hostPath = GamePathToHost(path);
  // Not in the middle of another game's write of it.
  FolderLock lock(hostPath);
  if (!lock.Held()) return kConfigUnreadable;
  // Only a regular file is read: a named pipe or device of that name would
  // hold start-up for ever.
  FILE* f = OpenRegularFileForReading(hostPath.c_str());
  if (!f) {
    // Nothing there, or nothing that is a file: there are no settings to
    // lose. A file there that would not open holds the player's.
    return errno == ENOENT || errno == ENOTDIR || errno == EINVAL ? 0 : kConfigUnreadable;
  }
  unsigned char bytes[kConfigFileSize];
  size_t n = std::fread(bytes, 1, sizeof bytes, f);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return kConfigUnreadable;
  // A record cut short cannot be taken apart: none of it is trusted.
  if (n < sizeof bytes) return 0;
  int whole = 1;
  config->reserved = 0;  // written as 0 and never looked at
  // A place no screen can have (window systems keep 16-bit coordinates)
  // would put the window out of reach: it opens at the default place.
  int32_t x = GetInt32(bytes + 4), y = GetInt32(bytes + 8);
  if (x >= kMinWindowCoordinate && x <= kMaxWindowCoordinate && y >= kMinWindowCoordinate &&
      y <= kMaxWindowCoordinate) {
    config->windowX = x;
    config->windowY = y;
  } else {
    whole = 0;
  }
  // A name that runs past its field is never read beyond it: the default
  // name stands instead.
  // Nor is a name whose bytes are not CP932 text, which would show as
  // unreadable marks in the title and go into every exported play file.
  const unsigned char* name = bytes + kConfigNameOffset;
  const void* end = std::memchr(name, '\0', sizeof config->editorName);
  if (end && IsShowableName(name, static_cast<const unsigned char*>(end) - name))
    std::memcpy(config->editorName, name, sizeof config->editorName);
  else
    whole = 0;
  return whole;
}

void KeepWindowReachable(Config* config) {
  const int64_t left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int64_t top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int64_t width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int64_t height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (width <= 0 || height <= 0) return;
  // The strip along the window's top (its title bar and menu) must show at
  // least this much for the player to see the window and drag it back.
  constexpr int64_t kGrabWidth = 64, kGrabHeight = 16, kStripHeight = 24;
  const int64_t x = config->windowX, y = config->windowY;
  const int64_t shownWidth = std::min(x + kClientWidth, left + width) - std::max(x, left);
  const int64_t shownHeight = std::min(y + kStripHeight, top + height) - std::max(y, top);
  if (shownWidth < kGrabWidth || shownHeight < kGrabHeight) {
    config->windowX = 0;
    config->windowY = 0;
  }
}

int WriteConfigFile(const char* path, const Config* config) {
  unsigned char bytes[kConfigFileSize] = {};
  PutInt32(bytes + 0, 0);
  PutInt32(bytes + 4, config->windowX);
  PutInt32(bytes + 8, config->windowY);
  std::memcpy(bytes + kConfigNameOffset, config->editorName, sizeof config->editorName);
  // The new record takes the old one's place only when it is whole and on
  // the disk, so a full disk or a power cut never leaves the settings empty;
  // a Config.dat its user has write-protected keeps what it holds. Another
  // game's read or write of it is waited for.
  const std::string hostPath = GamePathToHost(path);
  FolderLock lock(hostPath);
  if (!lock.Held()) return 0;
  return WriteFileSafely(hostPath, bytes, sizeof bytes) == FileWriteResult::kWritten ? 1 : 0;
}

int ProgramFolderOfPath(const char* modulePath, char* folder, int size) {
  if (!folder || size <= 0) return 0;
  folder[0] = '\0';
  if (!modulePath) return 0;
  // The folder ends at the last separator ('\' or '/'; a ':' belongs to a
  // name); a double-byte character's second byte may look like '\' and is
  // stepped over.
  size_t end = 0;
  for (size_t i = 0; modulePath[i] != '\0';) {
    unsigned char c = static_cast<unsigned char>(modulePath[i]);
    int len = Cp932CharLength(c);
    if (len == 1 && (c == '\\' || c == '/')) end = i + 1;
    if (len == 2 && modulePath[i + 1] == '\0') break;
    i += len;
  }
  if (end == 0 || end >= static_cast<size_t>(size)) return 0;
  std::memcpy(folder, modulePath, end);
  folder[end] = '\0';
  return static_cast<int>(end);
}

void FindProgramFolder() {
  char path[256] = "";
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  g_programDir[0] = '\0';
  if (n > 0 && n < sizeof path) ProgramFolderOfPath(path, g_programDir, sizeof g_programDir);
  int written = std::snprintf(g_configPath, sizeof g_configPath, "%sConfig.dat", g_programDir);
  // A program path too long to hold, or one the game's code page cannot
  // spell, names no folder: the files beside the program are then those of
  // the current folder, which is the program's own once it has been entered.
  if (g_programDir[0] == '\0' || written < 0 || written >= static_cast<int>(sizeof g_configPath)) {
    std::snprintf(g_programDir, sizeof g_programDir, ".\\");
    std::snprintf(g_configPath, sizeof g_configPath, ".\\Config.dat");
  }
}

int EnterProgramFolder() {
  FindProgramFolder();
  return platform::EnterProgramFolderHolding("data") ? 1 : 0;
}

HCURSOR LoadHandCursor() {
  if (HCURSOR hand = LoadCursorA(nullptr, IDC_HAND)) return hand;
  return LoadCursorA(nullptr, IDC_ARROW);
}

namespace {

int StartUpSteps(HINSTANCE instance, int showCommand) {
  ConnectGameHooks();
  g_hInstance = instance;
  FindProgramFolder();
  ReadSettings();
  KeepWindowReachable(&g_config);
  std::snprintf(g_appTitle, sizeof g_appTitle, Cp932Text("ギズモワークス %s"), kVersion);
  // The models and the textures take longest of what start-up reads: they
  // are read alongside the window's and the device's making.
  PrefetchModelFiles();
  PrefetchTextureFiles();

  RegisterGameMenus();
  RegisterGameDialogs();  // the play list, the editor name and the about box
  RegisterGameAccelerators();
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = MainWndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = kWindowClassName;
  RegisterClassExA(&windowClass);  // a second start-up in one process finds it registered

  g_editorMenu = LoadMenuA(instance, MAKEINTRESOURCEA(kMenuEditor));
  g_playMenu = LoadMenuA(instance, MAKEINTRESOURCEA(kMenuPlay));
  g_titleMenu = LoadMenuA(instance, MAKEINTRESOURCEA(kMenuTitle));

  g_hWnd = CreateWindowExA(WS_EX_ACCEPTFILES, kWindowClassName, g_appTitle, kWindowStyle,
                           g_config.windowX, g_config.windowY, kClientWidth, kClientHeight,
                           nullptr, g_titleMenu, instance, nullptr);
  if (!g_hWnd) {
    ReleaseEverything();
    return 0;
  }
  RECT outer = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRect(&outer, kWindowStyle, TRUE);
  SetWindowPos(g_hWnd, nullptr, g_config.windowX, g_config.windowY, outer.right - outer.left,
               outer.bottom - outer.top, SWP_NOZORDER);
  ShowWindow(g_hWnd, showCommand);
  UpdateWindow(g_hWnd);
  SetFocus(g_hWnd);
  InitCommonControls();

  g_d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!g_d3d) {
    ShowStartUpError("Direct3D の作成に失敗しました。");
    ReleaseEverything();
    return 0;
  }
  if (!CreateGameDevice()) {
    ShowStartUpError("DirectX9が初期化できません。\n未対応のパソコンと思われます。");
    ReleaseEverything();
    return 0;
  }
  SetDefaultRenderStates();

  TIMECAPS caps = {1, 1000000};
  if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR) caps.wPeriodMin = 1;
  if (timeBeginPeriod(caps.wPeriodMin) == TIMERR_NOERROR) g_timerPeriod = caps.wPeriodMin;
  g_frameInterval = FrameIntervalForPeriod(caps.wPeriodMin);
  std::srand(timeGetTime() % 0x7FFF);

  if (SUCCEEDED(D3DXCreateSprite(g_device, &g_sprite)) && g_sprite) g_sprite->OnResetDevice();
  g_menuItemInfo = {};
  g_menuItemInfo.cbSize = 48;
  g_menuItemInfo.fMask = MIIM_STATE;
  CreateFonts();  // sets up the lights first

  CreatePhysicsWorld();
  LoadTextureFiles(0, kTexturesBeforeModels);
  LoadModels();
  CreatePickRay();
  LoadTextureFiles(kTexturesBeforeModels, kTextureCount - kTexturesBeforeModels);
  CreatePrimitiveMeshes();

  // Every frame draws with all of these; a data folder that is missing or
  // incomplete is told now rather than shown as a broken picture.
  char missing[1024];
  if (!g_sprite || !CheckDrawingResources(missing, sizeof missing)) {
    if (!g_sprite)
      std::snprintf(missing, sizeof missing, "%s\n", Cp932Text("スプライトを作成できませんでした。"));
    // Where the files were looked for, so the player can tell a folder
    // started from the wrong place from one with files missing.
    char folder[256] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    std::string text = missing;
    text += Cp932Text("データフォルダー: ");
    text += folder;
    if (std::strcmp(folder, "\\") != 0) text += '\\';  // the root already ends in one
    text += "data";
    MessageBoxA(nullptr, text.c_str(), "ERROR", MB_ICONERROR);
    ReleaseEverything();
    return 0;
  }

  AllocateSnapshotBuffers();
  CaptureSnapshot(1, g_fileSnapshotItems, g_fileSnapshotBodies, g_fileSnapshotJoints,
                  &g_snapshotJointList);
  CaptureSnapshot(1, g_runSnapshotItems, g_runSnapshotBodies, g_runSnapshotJoints,
                  &g_snapshotJointList);
  D3DXMatrixIdentity(&g_worldIdentity);

  g_accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(kAccelTable));
  g_handCursor = LoadHandCursor();
  CreateLinkFont();
  UpdateWindowTitle();
  g_device->GetViewport(&g_viewport);
  g_initDone = 1;
  return 1;
}

}  // namespace

int StartUp(HINSTANCE instance, int showCommand) {
  const int started = StartUpSteps(instance, showCommand);
  // What was read ahead and not taken (by a start-up that failed before
  // loading it) would otherwise wait for the next start-up in this process,
  // whose files may have changed. The model readers go first: they ask for
  // their materials' textures.
  DropPrefetchedMeshes();
  DropPrefetchedTextures();
  return started;
}

bool RequestCloseFromOutside() {
  if (g_closeFromOutside != kNoOutsideClose) return false;
  g_closeFromOutside = kOutsideCloseAsked;
  return true;
}

int RunMainLoopPass(int* exitCode) {
  if (g_closeFromOutside == kOutsideCloseAsked) {
    // Taken at once, as the close box's message would be: once the player
    // has answered (a cancelled close keeps the game), the next request
    // asks again.
    g_closeFromOutside = kOutsideCloseTaken;
    if (g_hWnd) SendMessageA(g_hWnd, WM_CLOSE, 0, 0);
    g_closeFromOutside = kNoOutsideClose;
  }
  MSG msg;
  if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      if (exitCode) *exitCode = static_cast<int>(msg.wParam);
      return 0;
    }
    if (got > 0 && !TranslateAcceleratorA(g_hWnd, g_accelerators, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    return 1;
  }
  const DWORD lastFrame = g_lastFrameTime;
  if (g_appMode == kModeTitle)
    RunTitleFrame();
  else
    RunFrame();
  TellFrameLog(lastFrame);
  // No frame was due: rest until the next one is, or until the desktop has
  // something for the game. The wait ends within the very millisecond the
  // frame falls due: a timer that woke a millisecond later would make an
  // on-time frame late by that millisecond, and a late frame is not drawn.
  if (g_lastFrameTime == lastFrame) platform::WaitForMessageOrTime(NextFrameDueTime());
  return 1;
}

int RunMainLoop() {
  int exitCode = 0;
  while (RunMainLoopPass(&exitCode)) {
  }
  return exitCode;
}

void ReadSettings() {
  g_keepConfigFile = ReadConfigFile(g_configPath, &g_config) == kConfigUnreadable ? 1 : 0;
}

void WriteSettings() {
  // The settings the game started with are then only the defaults: written,
  // they would take the place of the player's.
  if (g_keepConfigFile) return;
  g_config.reserved = 0;
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  // The restored rectangle, so a window closed while minimised comes back
  // where it was shown.
  if (g_hWnd && GetWindowPlacement(g_hWnd, &placement)) {
    g_config.windowX = placement.rcNormalPosition.left;
    g_config.windowY = placement.rcNormalPosition.top;
  }
  WriteConfigFile(g_configPath, &g_config);
}

void ShutDown() {
  WriteSettings();
  ReleaseEverything();
}

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  g_startUpFailed = 0;
  if (!StartUp(instance, showCommand)) {
    g_startUpFailed = 1;
    return 0;
  }
  int exitCode = RunMainLoop();
  ShutDown();
  return exitCode;
}
