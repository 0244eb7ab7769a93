// Blits, lines and fills of the drawing layer, each one cairo operation on the destination surface; the
// plain blits and opaque fills that make up most of a redraw go to pixman directly, as cairo would.
#include "LiceDraw.h"

#include <algorithm>
#include <cairo.h>
#include <cstdint>
#include <pixman.h>

namespace
{
float clampWeight(float alpha)
{
  return alpha < 0.0f ? 0.0f : (alpha > 1.0f ? 1.0f : alpha);
}

cairo_operator_t operatorFor(int mode, bool opaqueSource)
{
  switch (mode & LICE_BLIT_MODE_MASK)
  {
  case LICE_BLIT_MODE_ADD:
    return CAIRO_OPERATOR_ADD;
  case LICE_BLIT_MODE_DODGE:
    return CAIRO_OPERATOR_COLOR_DODGE;
  default:
    // A plain copy replaces the pixels alpha included; an opaque source gives the same result with OVER.
    return (mode & LICE_BLIT_USE_ALPHA) || opaqueSource ? CAIRO_OPERATOR_OVER : CAIRO_OPERATOR_SOURCE;
  }
}

cairo_filter_t filterFor(int mode)
{
  return (mode & LICE_BLIT_FILTER_BILINEAR) ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST;
}

void paintWeighted(cairo_t* cr, float alpha)
{
  if (alpha >= 1.0f)
  {
    cairo_paint(cr);
  }
  else
  {
    cairo_paint_with_alpha(cr, alpha);
  }
}

// Sets a solid colour: the colour's A counts only with LICE_BLIT_USE_ALPHA; the weight is folded in.
void setColor(cairo_t* cr, LICE_pixel color, float alpha, int mode)
{
  const double a = (mode & LICE_BLIT_USE_ALPHA) ? LICE_GETA(color) / 255.0 : 1.0;
  cairo_set_source_rgba(cr, LICE_GETR(color) / 255.0, LICE_GETG(color) / 255.0, LICE_GETB(color) / 255.0,
                        a * clampWeight(alpha));
  cairo_set_operator(cr, operatorFor(mode, true));
}

bool usable(LICE_IBitmap* bm)
{
  return bm && bm->surface();
}

// A pixman view of a bitmap's pixels, valid while the bitmap keeps its surface; null when there are none.
class PixmanView
{
public:
  explicit PixmanView(cairo_surface_t* surface)
  {
    cairo_surface_flush(surface);
    mImage = pixman_image_create_bits(PIXMAN_a8r8g8b8, cairo_image_surface_get_width(surface),
                                      cairo_image_surface_get_height(surface),
                                      reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface)),
                                      cairo_image_surface_get_stride(surface));
  }
  ~PixmanView()
  {
    if (mImage)
    {
      pixman_image_unref(mImage);
    }
  }
  PixmanView(const PixmanView&) = delete;
  PixmanView& operator=(const PixmanView&) = delete;

  pixman_image_t* get() const { return mImage; }

private:
  pixman_image_t* mImage = nullptr;
};

// The pixman operator that cairo uses for a blit of full weight in this mode; false for the modes left to
// cairo (colour dodge).
bool directOperator(int mode, pixman_op_t& op)
{
  switch (mode & LICE_BLIT_MODE_MASK)
  {
  case LICE_BLIT_MODE_COPY:
    op = (mode & LICE_BLIT_USE_ALPHA) ? PIXMAN_OP_OVER : PIXMAN_OP_SRC;
    return true;
  case LICE_BLIT_MODE_ADD:
    op = PIXMAN_OP_ADD;
    return true;
  default:
    return false;
  }
}

// dest's pixels were written behind cairo's back: what cairo keeps of them (copies on a display) is stale.
void markWritten(cairo_surface_t* dest, int x, int y, int w, int h)
{
  cairo_surface_mark_dirty_rectangle(dest, x, y, w, h);
}

// Clips the rectangle (x, y, w, h) to a bitmap of bw x bh, moving (sx, sy) along with its corner; false when
// nothing is left.
bool clipTo(int bw, int bh, int& x, int& y, int& w, int& h, int& sx, int& sy)
{
  const int x0 = std::max(x, 0);
  const int y0 = std::max(y, 0);
  const int x1 = std::min(x + w, bw);
  const int y1 = std::min(y + h, bh);
  if (x1 <= x0 || y1 <= y0)
  {
    return false;
  }
  sx += x0 - x;
  sy += y0 - y;
  x = x0;
  y = y0;
  w = x1 - x0;
  h = y1 - y0;
  return true;
}
} // namespace

void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy, int srcw,
               int srch, float alpha, int mode)
{
  if (!usable(dest) || !usable(src) || srcw <= 0 || srch <= 0)
  {
    return;
  }
  // Only pixels that exist in the source are written.
  const int sx0 = std::max(srcx, 0);
  const int sy0 = std::max(srcy, 0);
  const int sx1 = std::min(srcx + srcw, src->getWidth());
  const int sy1 = std::min(srcy + srch, src->getHeight());
  if (sx1 <= sx0 || sy1 <= sy0)
  {
    return;
  }
  pixman_op_t op;
  if (alpha >= 1.0f && dest != src && directOperator(mode, op))
  {
    int x = dstx + (sx0 - srcx);
    int y = dsty + (sy0 - srcy);
    int w = sx1 - sx0;
    int h = sy1 - sy0;
    int sx = sx0;
    int sy = sy0;
    if (clipTo(dest->getWidth(), dest->getHeight(), x, y, w, h, sx, sy))
    {
      PixmanView to(dest->surface());
      PixmanView from(src->surface());
      if (to.get() && from.get())
      {
        pixman_image_composite32(op, from.get(), nullptr, to.get(), sx, sy, 0, 0, x, y, w, h);
        markWritten(dest->surface(), x, y, w, h);
      }
    }
    return;
  }
  cairo_t* cr = cairo_create(dest->surface());
  cairo_rectangle(cr, dstx + (sx0 - srcx), dsty + (sy0 - srcy), sx1 - sx0, sy1 - sy0);
  cairo_clip(cr);
  cairo_set_source_surface(cr, src->surface(), dstx - srcx, dsty - srcy);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_set_operator(cr, operatorFor(mode, false));
  paintWeighted(cr, clampWeight(alpha));
  cairo_destroy(cr);
}

void LICE_ScaledBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                     float srcx, float srcy, float srcw, float srch, float alpha, int mode)
{
  if (!usable(dest) || !usable(src) || dstw <= 0 || dsth <= 0 || srcw <= 0.0f || srch <= 0.0f)
  {
    return;
  }
  cairo_t* cr = cairo_create(dest->surface());
  cairo_rectangle(cr, dstx, dsty, dstw, dsth);
  cairo_clip(cr);
  cairo_translate(cr, dstx, dsty);
  cairo_scale(cr, dstw / static_cast<double>(srcw), dsth / static_cast<double>(srch));
  cairo_set_source_surface(cr, src->surface(), -srcx, -srcy);
  // Edges repeat the border pixels so that filtering does not fade them out.
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(cairo_get_source(cr), filterFor(mode));
  cairo_set_operator(cr, operatorFor(mode, false));
  paintWeighted(cr, clampWeight(alpha));
  cairo_destroy(cr);
}

namespace
{
// Maps source pixels (srcx, srcy, srcw, srch) onto the destination rectangle rotated about its centre.
void rotatedTransform(cairo_t* cr, int dstx, int dsty, int dstw, int dsth, float srcw, float srch,
                      float angle, float rotxcent, float rotycent)
{
  const double cx = dstw * 0.5 + rotxcent;
  const double cy = dsth * 0.5 + rotycent;
  cairo_translate(cr, dstx + cx, dsty + cy);
  cairo_rotate(cr, angle);
  cairo_translate(cr, -cx, -cy);
  cairo_scale(cr, dstw / static_cast<double>(srcw), dsth / static_cast<double>(srch));
}
} // namespace

void LICE_RotatedBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                      float srcx, float srcy, float srcw, float srch, float angle, bool cliptosourcerect,
                      float alpha, int mode, float rotxcent, float rotycent)
{
  if (!usable(dest) || !usable(src) || dstw <= 0 || dsth <= 0 || srcw <= 0.0f || srch <= 0.0f)
  {
    return;
  }
  cairo_t* cr = cairo_create(dest->surface());
  cairo_rectangle(cr, dstx, dsty, dstw, dsth);
  cairo_clip(cr);
  rotatedTransform(cr, dstx, dsty, dstw, dsth, srcw, srch, angle, rotxcent, rotycent);
  cairo_set_source_surface(cr, src->surface(), -srcx, -srcy);
  cairo_pattern_set_filter(cairo_get_source(cr), filterFor(mode));
  if (cliptosourcerect)
  {
    cairo_rectangle(cr, 0, 0, srcw, srch);
    cairo_clip(cr);
  }
  cairo_set_operator(cr, operatorFor(mode, false));
  paintWeighted(cr, clampWeight(alpha));
  cairo_destroy(cr);
}

void LICE_Copy(LICE_IBitmap* dest, LICE_IBitmap* src)
{
  if (!dest || !src)
  {
    return;
  }
  dest->resize(src->getWidth(), src->getHeight());
  LICE_Blit(dest, src, 0, 0, 0, 0, src->getWidth(), src->getHeight(), 1.0f, LICE_BLIT_MODE_COPY);
}

void LICE_Line(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, LICE_pixel color, float alpha, int mode,
               bool antiAlias)
{
  if (!usable(dest))
  {
    return;
  }
  if (x1 == x2 && y1 == y2)
  {
    // cairo draws no caps on a zero-length line; the point is one pixel.
    LICE_FillRect(dest, x1, y1, 1, 1, color, alpha, mode);
    return;
  }
  cairo_t* cr = cairo_create(dest->surface());
  cairo_set_antialias(cr, antiAlias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr, 1.0);
  // Square caps through pixel centres cover both end pixels.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
  cairo_move_to(cr, x1 + 0.5, y1 + 0.5);
  cairo_line_to(cr, x2 + 0.5, y2 + 0.5);
  setColor(cr, color, alpha, mode);
  cairo_stroke(cr);
  cairo_destroy(cr);
}

void LICE_FillRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel color, float alpha, int mode)
{
  if (!usable(dest) || w <= 0 || h <= 0)
  {
    return;
  }
  // An opaque colour replaces the pixels whatever the mode's copy flags say: stored as it is.
  const bool opaque = !(mode & LICE_BLIT_USE_ALPHA) || LICE_GETA(color) == 0xff;
  if ((mode & LICE_BLIT_MODE_MASK) == LICE_BLIT_MODE_COPY && alpha >= 1.0f && opaque)
  {
    int sx = 0;
    int sy = 0;
    if (clipTo(dest->getWidth(), dest->getHeight(), x, y, w, h, sx, sy))
    {
      cairo_surface_t* surface = dest->surface();
      cairo_surface_flush(surface);
      pixman_fill(reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface)),
                  cairo_image_surface_get_stride(surface) / 4, 32, x, y, w, h, color | 0xff000000u);
      markWritten(surface, x, y, w, h);
    }
    return;
  }
  cairo_t* cr = cairo_create(dest->surface());
  cairo_rectangle(cr, x, y, w, h);
  setColor(cr, color, alpha, mode);
  cairo_fill(cr);
  cairo_destroy(cr);
}

void LICE_RotatedMaskCompose(LICE_IBitmap* dest, LICE_IBitmap* base, LICE_IBitmap* mask, LICE_IBitmap* top,
                             float angle, float rotxcent)
{
  if (!dest || !usable(base))
  {
    return;
  }
  const int w = base->getWidth();
  const int h = base->getHeight();
  dest->resize(w, h);
  if (!usable(dest))
  {
    return;
  }
  // Colour: base plus the rotated mask's colour, kept apart from alpha on an opaque surface.
  cairo_surface_t* colour = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_t* cc = cairo_create(colour);
  cairo_set_source_surface(cc, base->surface(), 0, 0);
  cairo_set_operator(cc, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cc);
  if (usable(mask))
  {
    rotatedTransform(cc, 0, 0, w, h, mask->getWidth(), mask->getHeight(), angle, rotxcent, 0.0f);
    cairo_set_source_surface(cc, mask->surface(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cc), CAIRO_FILTER_BILINEAR);
    cairo_set_operator(cc, CAIRO_OPERATOR_ADD);
    cairo_paint(cc);
  }
  cairo_destroy(cc);

  // Alpha: the rotated mask's alpha; without a mask nothing of base shows.
  cairo_t* cr = cairo_create(dest->surface());
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cr);
  if (usable(mask))
  {
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, colour, 0, 0); // locked to the untransformed space
    cairo_save(cr);
    rotatedTransform(cr, 0, 0, w, h, mask->getWidth(), mask->getHeight(), angle, rotxcent, 0.0f);
    cairo_pattern_t* maskPattern = cairo_pattern_create_for_surface(mask->surface());
    cairo_pattern_set_filter(maskPattern, CAIRO_FILTER_BILINEAR);
    cairo_mask(cr, maskPattern);
    cairo_pattern_destroy(maskPattern);
    cairo_restore(cr);
  }
  if (usable(top))
  {
    rotatedTransform(cr, 0, 0, w, h, top->getWidth(), top->getHeight(), angle, rotxcent, 0.0f);
    cairo_set_source_surface(cr, top->surface(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_paint(cr);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(colour);
}
