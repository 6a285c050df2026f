// The game's whole frame for a full stage of 500 items, offscreen: the
// per-frame update, the world, the overlays and Present, called piece by
// piece as the frame driver calls them but without its pacing, once in a run
// and once in the editor. Beside them, a "floor": the same triangles and
// lines with the same transforms (so the same pixels) drawn by a minimal GL
// path of our own in the same process: one shader, one vertex array, one
// buffer of every mesh, no state changes but the viewport of the overlays'
// 3-D insets, one uniform and one draw per draw of the game. Each game frame
// is recorded, and the floor draws it right after it, so that a change in the
// machine's load meets both alike. Run from the repository root so the data
// folder is found.
//
//   build/bench/frame_bench [frames [picture-prefix]]
//
// Prints, last: run_ms=… edit_ms=… floor_ms=… edit_floor_ms=… run_ratio=…
// edit_ratio=… (medians over the frames; floor_ms is the run's floor).
#include <epoxy/gl.h>

#include <algorithm>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/fonts_textures.h"
#include "app/menus.h"
#include "app/shell_globals.h"
#include "game/frame.h"
#include "game/runs.h"
#include "game/update.h"
#include "platform/gl_context.h"
#include "platform/headless.h"
#include "platform/win_menu.h"
#include "platform/win_window.h"
#include "render/meshes.h"
#include "world/globals.h"
#include "world/items.h"
#include "world/physics_world.h"
#include "world/snapshot.h"

namespace {

using Clock = std::chrono::steady_clock;

double Millis(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// CPU time of the whole process (every rasteriser thread included), ms:
// the work a frame costs, which shows through the noise of a busy machine.
double ProcessCpuMs() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

// CPU time of this thread alone, ms: what the game's own thread spends
// sending a frame, the rasteriser's threads left out.
double ThreadCpuMs() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

double Best(const std::vector<double>& v) {
  return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end());
}

// 25 columns by 20 rows over the stage field, cycling through the player's
// six kinds, every item movable.
int FillStage() {
  static const struct {
    int kind;
    float a, b;
  } kinds[] = {{kKindBall, 5, 0},      {kKindBox, 8, 6},       {kKindCapsule, 2, 8},
               {kKindRubberBall, 5, 0}, {kKindRubberBox, 8, 6}, {kKindRubberCapsule, 2, 8}};
  int made = 0;
  for (int i = 0; i < kMaxItems; ++i) {
    const auto& k = kinds[i % 6];
    D3DXVECTOR3 at(16.0f + 31.0f * (float)(i % 25), 12.0f + 19.0f * (float)(i / 25), 0);
    if (CreateItem(at, nullptr, k.a, k.b, k.kind, 1) >= 0) ++made;
  }
  return made;
}

double g_updateMs = 0;  // the update's part of the last frame

// One frame as the frame driver draws it, without the pacing.
void GameFrame() {
  Clock::time_point a = Clock::now();
  UpdateFrame();
  g_updateMs = Millis(a, Clock::now());
  DrawFrame();
}

// ---- the floor ----

const char* kFloorVertex = R"(#version 330 core
layout(location = 0) in vec3 aPos;
uniform mat4 uClip;
void main() { gl_Position = uClip * vec4(aPos, 1.0); }
)";
const char* kFloorFragment = R"(#version 330 core
out vec4 fragColor;
// Shaded by depth, so the picture of the floor shows what it covered.
void main() { fragColor = vec4(fract(gl_FragCoord.z * 300.0), 0.6, 0.8, 1.0); }
)";

struct FloorDraw {
  GLenum mode;
  float clip[16];
  int viewport[4];
  bool indexed;
  GLint baseVertex;  // into the floor's vertex buffer
  size_t firstIndex;  // indexed: into the floor's index buffer; else first vertex
  GLsizei count;
};

// Copies every mesh once (positions only) into one vertex and one index
// buffer; the vertices drawn from user memory are copied per frame to the
// end of the vertex buffer, as any program would stream them.
class Floor {
 public:
  bool Init() {
    GLuint vs = Compile(GL_VERTEX_SHADER, kFloorVertex);
    GLuint fs = Compile(GL_FRAGMENT_SHADER, kFloorFragment);
    program_ = glCreateProgram();
    glAttachShader(program_, vs);
    glAttachShader(program_, fs);
    glLinkProgram(program_);
    GLint ok = 0;
    glGetProgramiv(program_, GL_LINK_STATUS, &ok);
    uClip_ = glGetUniformLocation(program_, "uClip");
    glGenVertexArrays(1, &vao_);
    glGenBuffers(1, &vbo_);
    glGenBuffers(1, &ebo_);
    return ok != 0;
  }

  // Called for each draw inside the timed frame: keeps just enough to build
  // the floor's draws afterwards (a mesh's data outlives the frame; vertices
  // from user memory are copied now), so the recording costs the game little.
  static void Capture(const RecordedDraw& r, void* user) {
    Floor* f = static_cast<Floor*>(user);
    Recorded& frame = f->frames_.back();
    RecordedDraw copy = r;
    if (!(r.mesh && r.indices)) {
      copy.vertices = reinterpret_cast<const uint8_t*>(frame.captured.size());  // an offset
      copy.stride = 12;
      copy.first = 0;
      for (int v = r.first; v < r.first + r.count; ++v) {
        const uint8_t* p = r.vertices + (size_t)v * r.stride;
        frame.captured.insert(frame.captured.end(), p, p + 12);
      }
    }
    frame.draws.push_back(copy);
  }

  // Starts recording a game frame.
  void BeginFrame() { frames_.emplace_back(); }
  size_t Frames() const { return frames_.size(); }
  void Forget() { frames_.clear(); }

  // The floor's draws from what game frame `i` recorded; returns its triangles.
  size_t Build(size_t i) {
    draws_.clear();
    stream_.clear();
    Recorded& frame = frames_[i];
    size_t triangles = 0;
    for (RecordedDraw r : frame.draws) {
      if (!(r.mesh && r.indices))
        r.vertices = frame.captured.data() + reinterpret_cast<size_t>(r.vertices);
      if (r.mode == GL_TRIANGLES)
        triangles += (size_t)r.count / 3;
      else if (r.mode == GL_TRIANGLE_FAN || r.mode == GL_TRIANGLE_STRIP)
        triangles += (size_t)r.count - 2;
      Add(r);
    }
    return triangles;
  }

  void Add(const RecordedDraw& r) {
    FloorDraw f;
    f.mode = r.mode;
    memcpy(f.clip, r.clip, sizeof f.clip);
    memcpy(f.viewport, r.viewport, sizeof f.viewport);
    f.count = r.count;
    if (r.mesh && r.indices) {
      auto it = meshes_.find(r.mesh);
      if (it == meshes_.end() || it->second.version != r.meshVersion) {
        MeshPlace place;
        place.version = r.meshVersion;
        place.baseVertex = (GLint)(staticVertices_.size() / 3);
        place.firstIndex = staticIndices_.size();
        AppendPositions(&staticVertices_, r, 0, r.vertexCount);
        staticIndices_.insert(staticIndices_.end(), r.indices, r.indices + r.indexCount);
        meshes_[r.mesh] = place;
        it = meshes_.find(r.mesh);
        staticDirty_ = true;
      }
      f.indexed = true;
      f.baseVertex = it->second.baseVertex;
      f.firstIndex = it->second.firstIndex + (size_t)r.first;
    } else {
      f.indexed = false;
      f.baseVertex = 0;
      f.firstIndex = stream_.size() / 3;  // counted from the stream's start
      AppendPositions(&stream_, r, (unsigned)r.first, (unsigned)r.count);
    }
    draws_.push_back(f);
  }

  // Draws the recorded frame into the device's framebuffer (still bound);
  // `split`: with a flush after each third of its vertices, as the game's
  // device hands a big scene to the rasteriser's threads.
  void Draw(bool split) {
    glUseProgram(program_);
    glBindVertexArray(vao_);
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    size_t staticBytes = staticVertices_.size() * sizeof(float);
    size_t streamBytes = stream_.size() * sizeof(float);
    if (staticDirty_ || staticBytes + streamBytes > capacity_) {
      capacity_ = staticBytes + std::max(streamBytes, (size_t)1 << 20) * 2;
      glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)capacity_, nullptr, GL_DYNAMIC_DRAW);
      glBufferSubData(GL_ARRAY_BUFFER, 0, (GLsizeiptr)staticBytes, staticVertices_.data());
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo_);
      glBufferData(GL_ELEMENT_ARRAY_BUFFER, (GLsizeiptr)(staticIndices_.size() * 4),
                   staticIndices_.data(), GL_STATIC_DRAW);
      glEnableVertexAttribArray(0);
      glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
      staticDirty_ = false;
    }
    glBufferSubData(GL_ARRAY_BUFFER, (GLintptr)staticBytes, (GLsizeiptr)streamBytes,
                    stream_.data());
    const GLint streamBase = (GLint)(staticVertices_.size() / 3);
    int viewport[4] = {0, 0, 640, 480};
    size_t total = 0, sinceFlush = 0;
    for (const FloorDraw& f : draws_) total += (size_t)f.count;
    for (const FloorDraw& f : draws_) {
      // The only state that changes: the 3-D insets of the overlays.
      if (memcmp(viewport, f.viewport, sizeof viewport) != 0) {
        memcpy(viewport, f.viewport, sizeof viewport);
        glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
      }
      glUniformMatrix4fv(uClip_, 1, GL_FALSE, f.clip);
      if (f.indexed)
        glDrawElementsBaseVertex(f.mode, f.count, GL_UNSIGNED_INT,
                                 reinterpret_cast<const void*>(f.firstIndex * 4), f.baseVertex);
      else
        glDrawArrays(f.mode, streamBase + (GLint)f.firstIndex, f.count);
      sinceFlush += (size_t)f.count;
      if (split && sinceFlush >= total / 3) {
        sinceFlush = 0;
        glFlush();
      }
    }
  }

  size_t Draws() const { return draws_.size(); }

 private:
  struct MeshPlace {
    unsigned version;
    GLint baseVertex;
    size_t firstIndex;
  };
  static GLuint Compile(GLenum type, const char* source) {
    GLuint s = glCreateShader(type);
    glShaderSource(s, 1, &source, nullptr);
    glCompileShader(s);
    return s;
  }
  static void AppendPositions(std::vector<float>* out, const RecordedDraw& r, unsigned first,
                              unsigned count) {
    for (unsigned v = first; v < first + count; ++v) {
      float p[3];
      memcpy(p, r.vertices + (size_t)v * r.stride, sizeof p);
      out->insert(out->end(), p, p + 3);
    }
  }

  GLuint program_ = 0, vao_ = 0, vbo_ = 0, ebo_ = 0;
  GLint uClip_ = -1;
  size_t capacity_ = 0;
  bool staticDirty_ = true;
  std::unordered_map<const void*, MeshPlace> meshes_;
  std::vector<float> staticVertices_;
  std::vector<uint32_t> staticIndices_;
  std::vector<float> stream_;
  std::vector<FloorDraw> draws_;
  struct Recorded {
    std::vector<RecordedDraw> draws;
    std::vector<uint8_t> captured;
  };
  std::vector<Recorded> frames_;
};

struct ModeResult {
  std::vector<double> game, floor, gameCpu, floorCpu, update, gameSent, floorSent, gameThread,
      floorThread, splitFloor;
  size_t draws = 0;
  size_t triangles = 0;
};

// Times the floor drawing the frame it was last given to build; fills the
// sent and thread figures; `picture` (optional) gets what it drew.
double FloorFrame(Floor* floor, bool split, double* sentMs, double* threadMs, double* cpuMs,
                  const char* picture) {
  g_device->BeginScene();
  glFinish();
  double cpuC = ProcessCpuMs();
  double threadC = ThreadCpuMs();
  Clock::time_point c = Clock::now();
  glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
  glClearDepth(1.0);
  glDepthMask(GL_TRUE);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDisable(GL_CULL_FACE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glViewport(0, 0, 640, 480);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  floor->Draw(split);
  Clock::time_point cSent = Clock::now();
  *threadMs = ThreadCpuMs() - threadC;
  glFinish();
  Clock::time_point d = Clock::now();
  *cpuMs = ProcessCpuMs() - cpuC;
  *sentMs = Millis(c, cSent);
  if (picture) {
    std::vector<uint32_t> pixels = ReadBackBuffer(g_device);
    WritePngFile((std::string(picture) + "_floor.png").c_str(), pixels.data(), 640, 480);
  }
  // The floor changed GL state behind the device's back; a scene's start
  // is where the device takes nothing it sent before for granted.
  g_device->EndScene();
  return Millis(c, d);
}

// `frames` game frames (after some to warm up), each followed by the floor
// drawing what it drew, plainly and split in thirds.
ModeResult Measure(Floor* floor, int frames, const char* picture) {
  const int kWarmUp = 10;
  ModeResult out;
  for (int f = -kWarmUp; f < frames; ++f) {
    const bool last = f == frames - 1;
    floor->Forget();
    floor->BeginFrame();
    RecordDraws(&Floor::Capture, floor);
    glFinish();
    double cpuA = ProcessCpuMs();
    double threadA = ThreadCpuMs();
    Clock::time_point a = Clock::now();
    GameFrame();
    Clock::time_point aSent = Clock::now();
    double threadSent = ThreadCpuMs();
    glFinish();
    Clock::time_point b = Clock::now();
    double cpuB = ProcessCpuMs();
    RecordDraws(nullptr, nullptr);
    if (picture && last) {
      std::vector<uint32_t> pixels = ReadBackBuffer(g_device);
      WritePngFile((std::string(picture) + "_game.png").c_str(), pixels.data(), 640, 480);
    }

    // The floor draws what this game frame drew, right after it, so that both
    // meet the same machine: on a shared machine the load moves from one
    // second to the next, and a floor timed seconds later measured that.
    const size_t triangles = floor->Build(0);
    double sent = 0, thread = 0, cpu = 0, unused = 0;
    const double floorMs = FloorFrame(floor, false, &sent, &thread, &cpu, last ? picture : nullptr);
    const double splitMs = FloorFrame(floor, true, &unused, &unused, &unused, nullptr);
    if (f < 0) continue;
    out.game.push_back(Millis(a, b));
    out.gameCpu.push_back(cpuB - cpuA);
    out.update.push_back(g_updateMs);
    out.gameSent.push_back(Millis(a, aSent));
    out.gameThread.push_back(threadSent - threadA);
    out.floor.push_back(floorMs);
    out.floorSent.push_back(sent);
    out.floorThread.push_back(thread);
    out.floorCpu.push_back(cpu);
    out.splitFloor.push_back(splitMs);
    out.draws = floor->Draws();
    out.triangles = triangles;
  }
  floor->Forget();
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  int frames = argc > 1 ? atoi(argv[1]) : 200;
  if (frames < 1) frames = 200;
  const char* picture = argc > 2 ? argv[2] : nullptr;

  headless::Reset();
  RegisterGameMenus();
  g_editorMenu = LoadMenuA(nullptr, MAKEINTRESOURCEA(kMenuEditor));
  g_hWnd = headless::MakeWindow("", g_editorMenu, POINT{100, 50});
  g_device = CreateHeadlessDevice();
  if (!g_device) {
    fprintf(stderr, "no headless GL device\n");
    return 1;
  }
  SetDefaultRenderStates();
  if (FAILED(D3DXCreateSprite(g_device, &g_sprite)) || !g_sprite) {
    fprintf(stderr, "no sprite\n");
    return 1;
  }
  g_sprite->OnResetDevice();
  CreateFonts();  // and the lights
  CreatePhysicsWorld();
  int missing = LoadTextureFiles(0, kTextureCount) + LoadModels() + CreatePrimitiveMeshes();
  if (missing) printf("note: %d textures or models missing from data/; they draw nothing\n", missing);
  CreatePickRay();
  AllocateSnapshotBuffers();
  D3DXMatrixIdentity(&g_worldIdentity);

  Floor floor;
  if (!floor.Init()) {
    fprintf(stderr, "floor shader failed\n");
    return 1;
  }

  g_appMode = kModeEdit;  // the items carry the editor's coat, as a saved stage's do
  int items = FillStage();
  // The whole field in view: the farthest zoom step, the camera at rest.
  g_zoomLevel = -6;
  g_cameraPos = D3DXVECTOR3(400, 200, 50.0f * (float)g_zoomLevel - 150.0f);
  g_area.corner1 = D3DXVECTOR3(0, 400, 0);
  g_area.corner2 = D3DXVECTOR3(800, 0, 0);
  g_goalType = kGoalNone;
  headless::SetCursorClientPos(g_hWnd, 320, 240);

  // Editing: the grid, the placement ghost under the mouse, the labels.
  g_appMode = kModeEdit;
  std::string editPicture = picture ? std::string(picture) + "_edit" : "";
  ModeResult edit = Measure(&floor, frames, picture ? editPicture.c_str() : nullptr);

  // A run from the placing mode: everything falls and piles up.
  g_appMode = kModePlay;
  UpdateFrame();
  StartRun();
  if (g_appMode != kModeRun) {
    fprintf(stderr, "the run did not start\n");
    return 1;
  }
  std::string runPicture = picture ? std::string(picture) + "_run" : "";
  ModeResult run = Measure(&floor, frames, picture ? runPicture.c_str() : nullptr);

  const double runMs = Median(run.game), editMs = Median(edit.game);
  const double runFloor = Median(run.floor), editFloor = Median(edit.floor);
  printf("%d items, %d frames per mode at 640 x 480\n", items, frames);
  printf("edit: %zu draws, %zu triangles; game median %.3f best %.3f ms, floor median %.3f best %.3f ms\n",
         edit.draws, edit.triangles, editMs, Best(edit.game), editFloor, Best(edit.floor));
  printf("run:  %zu draws, %zu triangles; game median %.3f best %.3f ms, floor median %.3f best %.3f ms\n",
         run.draws, run.triangles, runMs, Best(run.game), runFloor, Best(run.floor));
  printf("until every draw is sent (the rest is waiting for the rasteriser): edit game %.3f "
         "floor %.3f, run game %.3f floor %.3f ms\n",
         Median(edit.gameSent), Median(edit.floorSent), Median(run.gameSent), Median(run.floorSent));
  printf("cpu ms of the sending thread until every draw is sent: edit game %.3f floor %.3f, "
         "run game %.3f floor %.3f\n",
         Median(edit.gameThread), Median(edit.floorThread), Median(run.gameThread),
         Median(run.floorThread));
  printf("floor flushed after each third (as the game's device does): edit %.3f ms, run %.3f ms\n",
         Median(edit.splitFloor), Median(run.splitFloor));
  printf("update (in the game's frame): edit median %.3f ms, run median %.3f ms\n",
         Median(edit.update), Median(run.update));
  printf("cpu ms per frame (all threads): edit game %.3f floor %.3f, run game %.3f floor %.3f\n",
         Median(edit.gameCpu), Median(edit.floorCpu), Median(run.gameCpu), Median(run.floorCpu));
  printf("run_ms=%.3f edit_ms=%.3f floor_ms=%.3f edit_floor_ms=%.3f run_ratio=%.3f edit_ratio=%.3f\n",
         runMs, editMs, runFloor, editFloor, runFloor > 0 ? runMs / runFloor : 0.0,
         editFloor > 0 ? editMs / editFloor : 0.0);

  StopRun();
  for (int i = 0; i < kMaxItems; ++i)
    if (g_items[i].state != kItemFree) DestroyItem(i);
  FreeSnapshotBuffers();
  DestroyPickRay();
  DestroyPhysicsWorld();
  ReleaseFonts();
  g_sprite->Release();
  g_sprite = nullptr;
  ReleasePrimitiveMeshes();
  ReleaseModels();
  ReleaseTextures();
  g_device->Release();
  g_device = nullptr;
  return 0;
}
