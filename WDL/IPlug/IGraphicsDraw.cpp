// The surface's bitmaps, fonts and drawing operations on the drawing layer.
#include "IGraphics.h"

#include "BitmapStorage.h"
#include "FontStorage.h"
#include "lice.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace
{
// Largest side of a scaled bitmap; a scale beyond it (or not a number) gives the empty bitmap.
const double kMaxBitmapSide = 32767.0;

// Truncates toward zero like a plain cast, but keeps values a cast could not hold inside int.
int truncated(float v)
{
  if (!(v > -1.0e9f && v < 1.0e9f))
  {
    return v > 0.0f ? 1000000000 : -1000000000;
  }
  return static_cast<int>(v);
}

// Blend method to the drawing layer's mode; methods outside 1..3 copy using source alpha.
int blendMode(const IChannelBlend* blend)
{
  switch (blend ? blend->mMethod : kBlendNone)
  {
  case kBlendClobber:
    return LICE_BLIT_MODE_COPY;
  case kBlendAdd:
    return LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA;
  case kBlendColorDodge:
    return LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA;
  default:
    return LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA;
  }
}

float blendWeight(const IChannelBlend* blend)
{
  return blend ? blend->mWeight : 1.0f;
}

LICE_pixel colorPixel(const IColor* color)
{
  return LICE_RGBA(color->R, color->G, color->B, color->A);
}

// Source offset of a frame counted from 1 along the frames' direction; 0 for the first frame.
int frameOffset(const IBitmap* bitmap, int frame)
{
  const int extent = bitmap->framesHorizontal ? bitmap->width : bitmap->height;
  return static_cast<int>(static_cast<double>(frame - 1) * extent / bitmap->frameCount + 0.5);
}

int fontQuality(int quality)
{
  switch (quality)
  {
  case IText::kQualityDefault:
    return 0;
  case IText::kQualityNonAntiAliased:
    return 3;
  case IText::kQualityAntiAliased:
  case IText::kQualityClearType:
    return 4;
  default:
    return 3;
  }
}

HFONT makeSystemFont(const IText* text, int height)
{
  const int escapement = 10 * text->mOrientation;
  return CreateFont(height < 2 ? 2 : height, 0, escapement, escapement,
                    text->mStyle == IText::kStyleBold ? 700 : 400, text->mStyle == IText::kStyleItalic, 0, 0,
                    0, 0, 0, static_cast<char>(fontQuality(text->mQuality)), 0, text->mFont);
}
} // namespace

IBitmap IGraphics::LoadIBitmap(int id, const char* name, double scale, int nStates, bool framesAreHoriz)
{
  BitmapStorage& cache = BitmapStorage::Instance();
  LICE_IBitmap* result = cache.Find(id, scale);
  if (!result)
  {
    LICE_IBitmap* loaded = OSLoadBitmap(id, name);
    if (!loaded)
    {
      return IBitmap(nullptr, 0, 0, nStates, framesAreHoriz);
    }
    const double scaledW = loaded->getWidth() * scale;
    const double scaledH = loaded->getHeight() * scale;
    if (!(scaledW >= 0.0 && scaledW <= kMaxBitmapSide && scaledH >= 0.0 && scaledH <= kMaxBitmapSide))
    {
      delete loaded;
      return IBitmap(nullptr, 0, 0, nStates, framesAreHoriz);
    }
    const int w = static_cast<int>(scaledW);
    const int h = static_cast<int>(scaledH);
    if (w == loaded->getWidth() && h == loaded->getHeight())
    {
      // A filtered blit at the image's own size copies every pixel unchanged: keep the image itself.
      result = loaded;
    }
    else
    {
      // Scaled when first drawn, as the image itself may be decoded only then.
      std::shared_ptr<LICE_IBitmap> source(loaded);
      result = new LICE_IBitmap(w, h,
                                [source, w, h]
                                {
                                  auto scaled = std::make_unique<LICE_MemBitmap>(w, h, 4);
                                  LICE_ScaledBlit(scaled.get(), source.get(), 0, 0, w, h, 0.0f, 0.0f,
                                                  static_cast<float>(source->getWidth()),
                                                  static_cast<float>(source->getHeight()), 1.0f,
                                                  LICE_BLIT_MODE_COPY | LICE_BLIT_FILTER_BILINEAR);
                                  return std::unique_ptr<LICE_IBitmap>(std::move(scaled));
                                });
    }
    cache.Add(result, id, scale);
  }
  mLoadedScales[id] = scale;
  return IBitmap(result, result->getWidth(), result->getHeight(), nStates, framesAreHoriz);
}

IBitmap IGraphics::getImageById(int id, int nStates, bool framesAreHoriz)
{
  BitmapStorage& cache = BitmapStorage::Instance();
  const auto own = mLoadedScales.find(id);
  LICE_IBitmap* bitmap = own != mLoadedScales.end() ? cache.Find(id, own->second) : cache.FindAnyScale(id);
  if (!bitmap)
  {
    return IBitmap(nullptr, 0, 0, nStates, framesAreHoriz);
  }
  return IBitmap(bitmap, bitmap->getWidth(), bitmap->getHeight(), nStates, framesAreHoriz);
}

void IGraphics::DecodeBitmaps()
{
  BitmapStorage& cache = BitmapStorage::Instance();
  for (const auto& loaded : mLoadedScales)
  {
    if (LICE_IBitmap* bitmap = cache.Find(loaded.first, loaded.second))
    {
      bitmap->surface();
    }
  }
}

void IGraphics::ReleaseBitmap(IBitmap* bitmap)
{
  if (bitmap)
  {
    BitmapStorage::Instance().Remove(bitmap->pixels);
  }
}

bool IGraphics::DrawBitmap(IBitmap* bitmap, IRECT* dest, int srcX, int srcY, const IChannelBlend* blend)
{
  if (!bitmap || !bitmap->pixels || !dest)
  {
    return true;
  }
  const IRECT r = dest->Intersect(mDrawArea);
  if (r.Empty())
  {
    return true;
  }
  LICE_Blit(mOffscreen, bitmap->pixels, r.L, r.T, srcX + r.L - dest->L, srcY + r.T - dest->T, r.W(), r.H(),
            blendWeight(blend), blendMode(blend));
  return true;
}

bool IGraphics::DrawBitmap(IBitmap* bitmap, IRECT* dest, int frame, const IChannelBlend* blend)
{
  return DrawBitmap(bitmap, dest, frame, 0, 0, blend);
}

bool IGraphics::DrawBitmap(IBitmap* bitmap, IRECT* dest, int frame, int srcX, int srcY,
                           const IChannelBlend* blend)
{
  if (!bitmap)
  {
    return true;
  }
  if (frame >= 2 && bitmap->frameCount >= 2)
  {
    if (frame > bitmap->frameCount)
    {
      // Its offset would lie past the image: nothing of it exists to copy.
      return true;
    }
    if (bitmap->framesHorizontal)
    {
      srcX = frameOffset(bitmap, frame);
    }
    else
    {
      srcY = frameOffset(bitmap, frame);
    }
  }
  return DrawBitmap(bitmap, dest, srcX, srcY, blend);
}

bool IGraphics::DrawRotatedBitmap(IBitmap* bitmap, int destCtrX, int destCtrY, double angle,
                                  int yOffsetZeroDeg, const IChannelBlend* blend)
{
  if (!bitmap || !bitmap->pixels)
  {
    return true;
  }
  const int w = bitmap->width;
  const int h = bitmap->height;
  LICE_RotatedBlit(mOffscreen, bitmap->pixels, destCtrX - w / 2, destCtrY - h / 2, w, h, 0.0f, 0.0f,
                   static_cast<float>(w), static_cast<float>(h), static_cast<float>(angle), false,
                   blendWeight(blend), blendMode(blend) | LICE_BLIT_FILTER_BILINEAR, 0.0f,
                   static_cast<float>(yOffsetZeroDeg));
  return true;
}

bool IGraphics::DrawRotatedMask(IBitmap* base, IBitmap* mask, IBitmap* top, int x, int y, double angle,
                                const IChannelBlend* blend)
{
  if (!base || !base->pixels)
  {
    return true;
  }
  const int w = base->width;
  const int h = base->height;
  if (!mScratchBitmap)
  {
    mScratchBitmap = new LICE_MemBitmap(0, 0, 4);
  }
  const double radians = angle * M_PI / 180.0;
  LICE_RotatedMaskCompose(mScratchBitmap, base->pixels, mask ? mask->pixels : nullptr,
                          top ? top->pixels : nullptr, static_cast<float>(radians), (w % 2) ? -0.5f : 0.0f);
  const IRECT r = IRECT(x, y, x + w, y + h).Intersect(mDrawArea);
  if (!r.Empty())
  {
    LICE_Blit(mOffscreen, mScratchBitmap, r.L, r.T, r.L - x, r.T - y, r.W(), r.H(), blendWeight(blend),
              blendMode(blend));
  }
  return true;
}

bool IGraphics::DrawLine(const IColor* color, float x1, float y1, float x2, float y2,
                         const IChannelBlend* blend, bool antiAlias)
{
  if (!color)
  {
    return true;
  }
  LICE_Line(mOffscreen, truncated(x1), truncated(y1), truncated(x2), truncated(y2), colorPixel(color),
            blendWeight(blend), blendMode(blend), antiAlias);
  return true;
}

bool IGraphics::FillIRect(const IColor* color, IRECT* r, const IChannelBlend* blend)
{
  if (!color || !r)
  {
    return true;
  }
  // Kept inside the area being drawn again, like bitmaps and text: a fill beyond it would cover what that
  // pass does not draw again (a slot's highlight over its name).
  const IRECT clipped = r->Intersect(mDrawArea);
  if (clipped.Empty())
  {
    return true;
  }
  LICE_FillRect(mOffscreen, clipped.L, clipped.T, clipped.W(), clipped.H(), colorPixel(color),
                blendWeight(blend), blendMode(blend));
  return true;
}

bool IGraphics::DrawIText(IText* text, char* str, IRECT* r, bool measure, bool clipSides)
{
  if (!str || !*str)
  {
    return true;
  }
  if (!text || !r)
  {
    return false;
  }
  LICE_IFont* font = text->mCached ? text->mCached : CacheFont(text);
  if (!font)
  {
    return false;
  }

  unsigned int flags = LICE_DT_NOCLIP;
  if (text->mColor.A != 255)
  {
    flags |= LICE_DT_USEFGALPHA;
  }
  if (text->mAlign == IText::kAlignCenter)
  {
    flags |= LICE_DT_CENTER;
  }
  else if (text->mAlign != IText::kAlignNear)
  {
    flags |= LICE_DT_RIGHT;
  }
  if (text->mVAlign == IText::kVAlignBottom)
  {
    flags |= LICE_DT_BOTTOM;
  }
  else if (text->mVAlign != IText::kVAlignTop)
  {
    flags |= LICE_DT_VCENTER;
  }

  if (!measure)
  {
    // The font is shared by every surface; measuring (also off the drawing pass) leaves its colour alone.
    font->SetTextColor(colorPixel(&text->mColor));
    LICE_Rect rect{r->L, r->T, r->R, r->B};
    // Like bitmaps and fills, the text stays inside the area being drawn again: beyond it the old text is
    // still there, and drawn once more over itself it would look bold.
    LICE_Rect clip{mDrawArea.L, mDrawArea.T, mDrawArea.R, mDrawArea.B};
    if (clipSides)
    {
      clip.left = std::max(clip.left, r->L);
      clip.right = std::min(clip.right, r->R);
    }
    font->DrawText(mOffscreen, str, -1, &rect, flags, &clip);
    return true;
  }

  LICE_Rect extent;
  font->DrawText(mOffscreen, str, -1, &extent, flags | LICE_DT_CALCRECT);
  const int width = extent.right;
  const int height = extent.bottom;
  if (text->mAlign == IText::kAlignCenter)
  {
    r->L = static_cast<int>((r->L + r->R) * 0.5) - width / 2;
    r->R = r->L + width;
  }
  else if (text->mAlign == IText::kAlignNear)
  {
    r->R = r->L + width;
  }
  else
  {
    r->L = r->R - width;
  }
  r->B = r->T + height;
  return true;
}

bool IGraphics::MeasureIText(IText* text, char* str, IRECT* r)
{
  return DrawIText(text, str, r, true);
}

LICE_IFont* IGraphics::CacheFont(IText* text)
{
  if (!text)
  {
    return nullptr;
  }
  FontStorage& cache = FontStorage::Instance();
  LICE_IFont* found = cache.Find(text);
  if (found)
  {
    text->mCached = found;
    return found;
  }

  LICE_CachedFont* font = new LICE_CachedFont;
  int h = text->mSize < 2 ? 2 : text->mSize;
  for (int attempt = 0; attempt < 2; ++attempt)
  {
    HFONT systemFont = makeSystemFont(text, h);
    if (!systemFont)
    {
      delete font;
      return nullptr;
    }
    font->SetFromHFont(systemFont, LICE_FONT_FLAG_OWNS_HFONT | LICE_FONT_FLAG_FORCE_NATIVE);
    // The system font's height is its em; correct it once so the line height comes near the style's size.
    const int lineHeight = font->GetLineHeight();
    if (attempt > 0 || lineHeight == h || lineHeight <= 0)
    {
      break;
    }
    h = static_cast<int>(static_cast<double>(h) * h / lineHeight + 0.5);
  }
  cache.Add(font, text);
  text->mCached = font;
  return font;
}
