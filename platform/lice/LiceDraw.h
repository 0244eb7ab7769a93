// Drawing operations of the drawing layer: blits (plain, scaled, rotated), lines and filled rectangles.
#pragma once

#include "LiceBitmap.h"

// Blend modes: the low byte selects the combination, the flags add filtering and use of source alpha.
enum
{
  LICE_BLIT_MODE_COPY = 0x0,         // replace (lerp by the weight)
  LICE_BLIT_MODE_ADD = 0x1,          // add, saturating
  LICE_BLIT_MODE_DODGE = 0x2,        // colour dodge
  LICE_BLIT_MODE_MASK = 0xff,        // mask of the combination
  LICE_BLIT_FILTER_BILINEAR = 0x100, // bilinear sampling for scaled and rotated blits
  LICE_BLIT_USE_ALPHA = 0x10000,     // the source's alpha (or the colour's A) weighs the result
};

// All operations clip to the destination bitmap and do nothing with a null or 0 x 0 bitmap.
// alpha is the weight 0..1 of the whole operation. Any thread, one bitmap per thread at a time.

// Copies srcw x srch pixels from (srcx, srcy) of src to (dstx, dsty) of dest, clipped to both bitmaps.
void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy, int srcw,
               int srch, float alpha, int mode);

// Draws the source rectangle stretched onto the destination rectangle.
void LICE_ScaledBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                     float srcx, float srcy, float srcw, float srch, float alpha, int mode);

// Draws the source rectangle onto the destination rectangle rotated clockwise by angle (radians) about the
// destination's centre moved by (rotxcent, rotycent) pixels; only the destination rectangle is written.
// cliptosourcerect limits the samples to the source rectangle instead of the whole source bitmap.
void LICE_RotatedBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                      float srcx, float srcy, float srcw, float srch, float angle, bool cliptosourcerect,
                      float alpha, int mode, float rotxcent = 0.0f, float rotycent = 0.0f);

// Makes dest an exact copy of src (size and pixels).
void LICE_Copy(LICE_IBitmap* dest, LICE_IBitmap* src);

// A one-pixel line including both end points.
void LICE_Line(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, LICE_pixel color, float alpha, int mode,
               bool antiAlias);

// Fills w x h pixels at (x, y).
void LICE_FillRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel color, float alpha, int mode);

// Builds a rotated-mask image in dest (resized to base): base's colour plus the rotated mask's colour,
// given the rotated mask's alpha, then the rotated top image drawn over it. The mask and the top image are
// stretched to base's size and rotated clockwise by angle (radians) about the centre moved right by
// rotxcent; bilinear filtering. top may be null.
void LICE_RotatedMaskCompose(LICE_IBitmap* dest, LICE_IBitmap* base, LICE_IBitmap* mask, LICE_IBitmap* top,
                             float angle, float rotxcent);
