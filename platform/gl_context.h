// Where the drawing device gets its OpenGL context from. The window provides
// one (a GL widget), tests provide a headless one; the device itself only asks
// for the context to be made current and for the place to present into.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d9.h"

// A window's face implements it on its GL widget: MakeCurrent makes the
// widget's context current; BindPresentTarget attaches the widget's buffers
// (which binds its framebuffer) and gives the widget's size in pixels;
// Presented asks the toolkit to show the new picture. The device draws into
// a framebuffer of its own (so every frame starts from what the last one
// left, as a copy swap does) and Present scales it onto the target.
class GlContext {
 public:
  virtual ~GlContext() = default;
  // Makes the context current on this thread; false when it cannot be.
  virtual bool MakeCurrent() = 0;
  // Binds, as the GL draw framebuffer, the surface that Present shows the
  // picture in and gives its size in pixels. False when there is none (a
  // headless context keeps the picture in the device's own framebuffer).
  virtual bool BindPresentTarget(int* width, int* height) = 0;
  // Called after the picture was copied to the present target.
  virtual void Presented() = 0;
};

// The context that IDirect3D9::CreateDevice will use. Not owned.
void SetGlContext(GlContext* context);
GlContext* GetGlContext();

// Makes a device on the given context, as CreateDevice does.
HRESULT CreateDeviceOnContext(GlContext* context, const D3DPRESENT_PARAMETERS* params,
                              IDirect3DDevice9** device);

// Shows the picture of the last Present of the device that presents on
// `context` again, as Present did (Presented included), for a window exposed
// while the game draws no frame. False when there is no such device, or it
// has begun drawing the next picture since.
bool PresentAgain(GlContext* context);

// ---- Headless drawing (tests, benchmarks, tools) ----

// An EGL surfaceless context on Mesa; needs no display. Returns null (and
// leaves a reason in *error when given) when EGL cannot make one.
GlContext* CreateHeadlessGlContext(std::string* error = nullptr);

// A device of width x height (640 x 480 by default) with a 24-bit depth
// buffer on a headless context; the context is created on first use and kept
// for the whole process. Null on failure.
IDirect3DDevice9* CreateHeadlessDevice(UINT width = 640, UINT height = 480);

// The device's back buffer, top row first, as 0xAARRGGBB with alpha forced to
// 0xFF (the back buffer has no alpha channel of its own).
std::vector<uint32_t> ReadBackBuffer(IDirect3DDevice9* device, int* width = nullptr,
                                     int* height = nullptr);

// How many GL errors were raised since the last call (0 when none), so
// tests can check that drawing ran clean.
unsigned TakeGlErrors();

// How many models were imported by a child process first, since start-up:
// those whose files the loader could not check completely itself.
int ModelImportChildren();

// Makes the device's Present fail and TestCooperativeLevel answer `state`
// (D3DERR_DEVICELOST or D3DERR_DEVICENOTRESET) until a Reset, as a lost
// device would; D3D_OK ends it.
void SimulateDeviceState(IDirect3DDevice9* device, HRESULT state);

// What sprites and fonts were told about a lost and a reset device, in the
// order they were told: tests hand in a log to fill (null stops recording).
struct DeviceObjectEvent {
  const void* object;  // the ID3DXSprite or ID3DXFont
  bool reset;          // false: OnLostDevice, true: OnResetDevice
};
void RecordDeviceObjectEvents(std::vector<DeviceObjectEvent>* log);

// Writes 0xAARRGGBB pixels, top row first, as an RGBA PNG. False on failure.
bool WritePngFile(const char* path, const uint32_t* pixels, int width, int height);

// ---- Draw recording (benchmarks) ----

// One draw as the device hands it to GL, for a benchmark that replays the
// same geometry through a minimal path of its own. Pointers are valid only
// during the callback.
struct RecordedDraw {
  unsigned mode;      // GL primitive mode: GL_TRIANGLES, GL_LINES, ...
  float clip[16];     // row-vector matrix from a vertex position to GL clip space
  int viewport[4];    // x, y, width, height in pixels of the target
  const void* mesh;   // the mesh drawn from (stable while it lives); null for user memory
  unsigned meshVersion;  // changes whenever the mesh's vertices change
  const uint8_t* vertices;  // vertex 0; the position is its first 3 floats
  unsigned stride, vertexCount;
  const uint32_t* indices;  // all of the mesh's indices; null when not indexed
  unsigned indexCount;
  int first, count;  // first index (indexed) or vertex, and how many
};
using DrawRecorder = void (*)(const RecordedDraw& draw, void* user);
// Calls `recorder` for every draw the device makes from now on; null stops.
void RecordDraws(DrawRecorder recorder, void* user);
