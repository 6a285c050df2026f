// Textures from image files.
#include <unistd.h>

#include <cmath>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/cp932.h"
#include "platform/d3dx9.h"
#include "platform/gl_internal.h"
#include "platform/image_file.h"

namespace {

// Bilinear resampling with texel centres aligned, as a stretch of the whole
// picture onto the new size.
std::vector<uint32_t> Resample(const Image& src, uint32_t w, uint32_t h) {
  std::vector<uint32_t> out((size_t)w * h);
  auto channel = [](uint32_t c, int shift) { return (float)((c >> shift) & 0xff); };
  for (uint32_t y = 0; y < h; ++y) {
    float sy = ((float)y + 0.5f) * (float)src.height / (float)h - 0.5f;
    if (sy < 0) sy = 0;
    uint32_t y0 = (uint32_t)sy, y1 = y0 + 1 < src.height ? y0 + 1 : y0;
    float fy = sy - (float)y0;
    for (uint32_t x = 0; x < w; ++x) {
      float sx = ((float)x + 0.5f) * (float)src.width / (float)w - 0.5f;
      if (sx < 0) sx = 0;
      uint32_t x0 = (uint32_t)sx, x1 = x0 + 1 < src.width ? x0 + 1 : x0;
      float fx = sx - (float)x0;
      uint32_t c00 = src.argb[(size_t)y0 * src.width + x0], c01 = src.argb[(size_t)y0 * src.width + x1],
               c10 = src.argb[(size_t)y1 * src.width + x0], c11 = src.argb[(size_t)y1 * src.width + x1];
      uint32_t c = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        float top = channel(c00, shift) * (1 - fx) + channel(c01, shift) * fx;
        float bottom = channel(c10, shift) * (1 - fx) + channel(c11, shift) * fx;
        float v = top * (1 - fy) + bottom * fy;
        c |= (uint32_t)std::lround(v) << shift;
      }
      out[(size_t)y * w + x] = c;
    }
  }
  return out;
}

// The picture at the top left of a w x h field of transparent black.
std::vector<uint32_t> Place(const Image& src, uint32_t w, uint32_t h) {
  std::vector<uint32_t> out((size_t)w * h, 0);
  for (uint32_t y = 0; y < h && y < src.height; ++y)
    for (uint32_t x = 0; x < w && x < src.width; ++x)
      out[(size_t)y * w + x] = src.argb[(size_t)y * src.width + x];
  return out;
}

}  // namespace

namespace {

// A texture made ready on the CPU: everything D3DXCreateTextureFromFileExA
// does before it calls GL, with the outcome of each of its checks.
struct PreparedTexture {
  HRESULT result = D3D_OK;  // a failure found before GL
  bool decoded = false;
  uint32_t fileWidth = 0, fileHeight = 0;
  std::vector<uint32_t> pixels;
  MipChain chain;
};

PreparedTexture PrepareTexture(const std::string& hostPath, UINT width, UINT height,
                               UINT mipLevels, DWORD filter, D3DCOLOR colorKey) {
  PreparedTexture p;
  Image img;
  if (!LoadImageFile(hostPath.c_str(), &img)) {
    p.result = D3DXERR_INVALIDDATA;
    return p;
  }
  p.decoded = true;
  p.fileWidth = img.width;
  p.fileHeight = img.height;
  if (colorKey != 0)
    for (auto& c : img.argb)
      if (c == colorKey) c = 0;
  uint32_t w = (width == 0 || width == D3DX_DEFAULT) ? img.width : width;
  uint32_t h = (height == 0 || height == D3DX_DEFAULT) ? img.height : height;
  if (w > kMaxImageSide || h > kMaxImageSide) {
    p.result = D3DERR_INVALIDCALL;
    return p;
  }
  if (w == img.width && h == img.height)
    p.pixels.swap(img.argb);
  else if (filter == D3DX_FILTER_NONE)
    p.pixels = Place(img, w, h);
  else
    p.pixels = Resample(img, w, h);
  if (w == 0 || h == 0) return p;  // no texture can be made; the device says so
  UINT levels = mipLevels == D3DX_DEFAULT ? 0 : mipLevels;
  p.chain = PlanMipChain(p.pixels.data(), w, h, levels);
  return p;
}

// The file a game path names now: a relative path is taken from the current
// folder at the time of asking, so that a texture read ahead in one folder is
// never handed to a creation in another. False when the current folder has
// no name any more (it was removed).
bool FileOfGamePath(const char* path, std::string* hostPath) {
  *hostPath = GamePathToHost(path);
  if (!hostPath->empty() && (*hostPath)[0] == '/') return true;
  char folder[4096];
  if (!getcwd(folder, sizeof folder)) return false;
  *hostPath = std::string(folder) + "/" + *hostPath;
  return true;
}

// Textures being prepared, in the order asked for, by one worker thread
// (started again when it had run out of work); each is taken by the first
// creation that asks for the same file with the same arguments.
class TexturePrefetch {
 public:
  struct Key {
    std::string hostPath;
    UINT width, height, mipLevels;
    DWORD filter;
    D3DCOLOR colorKey;
    bool operator==(const Key& o) const {
      return hostPath == o.hostPath && width == o.width && height == o.height &&
             mipLevels == o.mipLevels && filter == o.filter && colorKey == o.colorKey;
    }
  };

  void Add(Key key) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& entry : entries_)
      if (entry->key == key) return;
    auto entry = std::make_shared<Entry>();
    entry->key = std::move(key);
    entry->done = entry->promise.get_future();
    entries_.push_back(entry);
    queue_.push_back(entry);
    if (!working_) {
      working_ = true;
      std::thread(&TexturePrefetch::Work, this).detach();
    }
  }

  // The prepared texture for these arguments, waiting for it; false when
  // none was asked for.
  bool Take(const Key& key, PreparedTexture* out) {
    std::shared_ptr<Entry> entry;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if ((*it)->key == key) {
          entry = *it;
          entries_.erase(it);
          break;
        }
      if (!entry) return false;
      for (auto it = queue_.begin(); it != queue_.end(); ++it)
        if (*it == entry) {  // not started: made here instead
          queue_.erase(it);
          return false;
        }
    }
    *out = entry->done.get();
    return true;
  }

  // Forgets every texture not yet taken. One the worker is preparing is
  // finished and thrown away by it; the worker stops once nothing is left.
  void Drop() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
    queue_.clear();
  }

  int LeftToPrepare() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(queue_.size()) + preparing_;
  }

 private:
  struct Entry {
    Key key;
    std::promise<PreparedTexture> promise;
    std::future<PreparedTexture> done;
  };

  void Work() {
    for (;;) {
      std::shared_ptr<Entry> entry;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (queue_.empty()) {
          working_ = false;
          return;
        }
        entry = queue_.front();
        queue_.pop_front();
        preparing_ = 1;
      }
      const Key& k = entry->key;
      entry->promise.set_value(
          PrepareTexture(k.hostPath, k.width, k.height, k.mipLevels, k.filter, k.colorKey));
      std::lock_guard<std::mutex> lock(mutex_);
      preparing_ = 0;
    }
  }

  std::mutex mutex_;
  std::vector<std::shared_ptr<Entry>> entries_;  // asked for and not yet taken
  std::deque<std::shared_ptr<Entry>> queue_;     // not yet started
  bool working_ = false;
  int preparing_ = 0;  // the worker has one in hand
};
// Never destroyed: the worker may still be preparing a texture that was
// dropped, or one asked for by a model reader, when the program ends, and is
// then simply ended with the process.
TexturePrefetch& Prefetched() {
  static TexturePrefetch* prefetch = new TexturePrefetch;
  return *prefetch;
}

}  // namespace

void PrefetchTextureFromFileExA(const char* path, UINT width, UINT height, UINT mipLevels,
                                DWORD filter, D3DCOLOR colorKey) {
  std::string hostPath;
  if (path && FileOfGamePath(path, &hostPath))
    Prefetched().Add({std::move(hostPath), width, height, mipLevels, filter, colorKey});
}

void DropPrefetchedTextures() { Prefetched().Drop(); }

int TexturesLeftToReadAhead() { return Prefetched().LeftToPrepare(); }

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, const char* path, UINT width,
                                     UINT height, UINT mipLevels, DWORD, D3DFORMAT, D3DPOOL,
                                     DWORD filter, DWORD, D3DCOLOR colorKey,
                                     D3DXIMAGE_INFO* srcInfo, PALETTEENTRY*,
                                     IDirect3DTexture9** texture) {
  if (!device || !path || !texture) return D3DERR_INVALIDCALL;
  TexturePrefetch::Key key{"", width, height, mipLevels, filter, colorKey};
  PreparedTexture p;
  if (!FileOfGamePath(path, &key.hostPath) || !Prefetched().Take(key, &p))
    p = PrepareTexture(key.hostPath, width, height, mipLevels, filter, colorKey);
  if (p.decoded && srcInfo) *srcInfo = {p.fileWidth, p.fileHeight, 1, 1, D3DFMT_A8R8G8B8};
  if (FAILED(p.result)) return p.result;
  IDirect3DTexture9* t = CreateTextureFromChain(device, p.pixels.data(), p.chain);
  if (!t) return E_OUTOFMEMORY;
  *texture = t;
  return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* path,
                                   IDirect3DTexture9** texture) {
  return D3DXCreateTextureFromFileExA(device, path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT,
                                      0, nullptr, nullptr, texture);
}
