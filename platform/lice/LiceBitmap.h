// Bitmaps of the drawing layer: 32-bit ARGB images held in cairo image surfaces.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

typedef struct _cairo_surface cairo_surface_t;

// A pixel as 0xAARRGGBB, not premultiplied.
typedef uint32_t LICE_pixel;

constexpr LICE_pixel LICE_RGBA(int r, int g, int b, int a)
{
  return (static_cast<LICE_pixel>(a & 0xff) << 24) | (static_cast<LICE_pixel>(r & 0xff) << 16) |
         (static_cast<LICE_pixel>(g & 0xff) << 8) | static_cast<LICE_pixel>(b & 0xff);
}
constexpr int LICE_GETA(LICE_pixel p)
{
  return static_cast<int>((p >> 24) & 0xff);
}
constexpr int LICE_GETR(LICE_pixel p)
{
  return static_cast<int>((p >> 16) & 0xff);
}
constexpr int LICE_GETG(LICE_pixel p)
{
  return static_cast<int>((p >> 8) & 0xff);
}
constexpr int LICE_GETB(LICE_pixel p)
{
  return static_cast<int>(p & 0xff);
}

// An image of width x height pixels, transparent black when made. Owns its cairo surface. Any thread, but
// one bitmap is not drawn into by two threads at once.
class LICE_IBitmap
{
public:
  // Makes the pixels of a deferred bitmap: a new bitmap of the promised size, or null.
  using Maker = std::function<std::unique_ptr<LICE_IBitmap>()>;

  // w, h: size in pixels; negative values count as 0.
  explicit LICE_IBitmap(int w = 0, int h = 0);
  // Takes over an ARGB32 image surface (one reference); null gives a 0 x 0 bitmap.
  explicit LICE_IBitmap(cairo_surface_t* surface);
  // A bitmap of w x h whose pixels are made by maker on their first use (drawing, reading a pixel), once,
  // on whichever thread uses them first; the maker is dropped then. What maker gives in another size, or
  // null, leaves the bitmap transparent black. Sizes below 1 give a 0 x 0 bitmap and maker is never run.
  LICE_IBitmap(int w, int h, Maker maker);
  virtual ~LICE_IBitmap();
  LICE_IBitmap(const LICE_IBitmap&) = delete;
  LICE_IBitmap& operator=(const LICE_IBitmap&) = delete;

  int getWidth() const { return mWidth; }
  int getHeight() const { return mHeight; }
  // Pixels per row of the stored image.
  int getRowSpan() const;
  // Changes the size; the contents become transparent black. Returns false when the size is unchanged.
  bool resize(int w, int h);

  // The pixel at (x, y), not premultiplied; 0 outside the image.
  LICE_pixel getPixel(int x, int y) const;

  // True while a deferred bitmap's pixels are still to be made.
  bool isDeferred() const { return !mMade.load(std::memory_order_acquire); }

  // The cairo surface (null for a 0 x 0 bitmap), made first for a deferred bitmap; for the drawing layer and
  // the window layer only.
  cairo_surface_t* surface() const
  {
    if (!mMade.load(std::memory_order_acquire))
    {
      make();
    }
    return mSurface;
  }

private:
  void make() const;

  mutable cairo_surface_t* mSurface = nullptr;
  int mWidth = 0;
  int mHeight = 0;
  // Deferred bitmaps only: the maker until the pixels are made, and the lock of their making.
  mutable Maker mMaker;
  mutable std::atomic<bool> mMade{true};
  mutable std::mutex mMakeMutex;
};

// A bitmap in memory. lineAlign is accepted for compatibility; rows are always 4-byte aligned.
class LICE_MemBitmap : public LICE_IBitmap
{
public:
  explicit LICE_MemBitmap(int w = 0, int h = 0, int lineAlign = 4) : LICE_IBitmap(w, h) { (void)lineAlign; }
};

// The bitmap the surface draws into and the window layer copies to the screen.
class LICE_SysBitmap : public LICE_IBitmap
{
public:
  explicit LICE_SysBitmap(int w = 0, int h = 0) : LICE_IBitmap(w, h) {}
};
