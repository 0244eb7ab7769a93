// Fonts of the drawing layer: system fonts chosen through fontconfig and cached fonts that draw and measure
// text.
#pragma once

#include "LiceBitmap.h"

// A system font: a fontconfig match rendered by cairo. Made by CreateFont, freed by DeleteFont.
struct LICE_SystemFont;
typedef LICE_SystemFont* HFONT;

// Makes a system font. height: pixel size of the em (values below 1 count as 1); escapement: text angle in
// tenths of a degree, counter-clockwise; weight: 700 and up is bold; italic non-zero for italic; quality:
// 3 no anti-aliasing, 4 anti-aliased, anything else the default. The face is looked up through fontconfig;
// "Consolas" and "NK57 Monospace" map to DejaVu Sans Mono. Unused arguments are accepted for compatibility.
// Returns null when no font can be made. Any thread.
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, char italic,
                 char underline, char strikeOut, char charSet, char outPrecision, char clipPrecision,
                 char quality, char pitchAndFamily, const char* face);
void DeleteFont(HFONT font);

// Flags of LICE_IFont::DrawText.
enum
{
  LICE_DT_CALCRECT = 0x1,          // measure only: set the rectangle to the extent, draw nothing
  LICE_DT_VCENTER = 0x2,           // centre vertically
  LICE_DT_CENTER = 0x4,            // centre horizontally
  LICE_DT_BOTTOM = 0x10,           // align to the bottom
  LICE_DT_RIGHT = 0x20,            // align to the right
  LICE_DT_NOCLIP = 0x100,          // do not clip to the rectangle
  LICE_DT_USEFGALPHA = 0x40000000, // use the text colour's alpha
};

// Flags of LICE_IFont::SetFromHFont.
enum
{
  LICE_FONT_FLAG_FORCE_NATIVE = 0x200, // accepted; rendering is always cairo's
  LICE_FONT_FLAG_OWNS_HFONT = 0x400,   // the font deletes the system font with itself
};

// A rectangle for text: right and bottom exclusive.
struct LICE_Rect
{
  int left = 0, top = 0, right = 0, bottom = 0;
};

// A font that draws text into bitmaps. One thread at a time per font.
class LICE_IFont
{
public:
  virtual ~LICE_IFont() = default;
  // Uses the system font from now on (null clears it); flags as above.
  virtual void SetFromHFont(HFONT font, int flags = 0) = 0;
  // Sets the text colour; returns the previous one.
  virtual LICE_pixel SetTextColor(LICE_pixel color) = 0;
  // Height of one line in pixels (ascent plus descent, rounded); 0 without a system font.
  virtual int GetLineHeight() = 0;
  // Draws str on one line (len < 0: up to the terminating zero; each byte that is not part of valid UTF-8,
  // each noncharacter and each control character, a line break too, is shown as U+FFFD, see lineText)
  // placed in rect by the flags. With LICE_DT_CALCRECT rect's right and bottom become left + width and
  // top + height of the text and nothing is drawn. Nothing is drawn outside clip when one is given (a
  // partial redraw must not draw over what it did not draw again). Returns the text's height.
  virtual int DrawText(LICE_IBitmap* dest, const char* str, int len, LICE_Rect* rect, unsigned int flags,
                       const LICE_Rect* clip = nullptr) = 0;
};

// The cached font: keeps the measured glyphs of its system font.
class LICE_CachedFont : public LICE_IFont
{
public:
  LICE_CachedFont() = default;
  ~LICE_CachedFont() override;
  LICE_CachedFont(const LICE_CachedFont&) = delete;
  LICE_CachedFont& operator=(const LICE_CachedFont&) = delete;

  void SetFromHFont(HFONT font, int flags = 0) override;
  LICE_pixel SetTextColor(LICE_pixel color) override;
  int GetLineHeight() override { return mLineHeight; }
  int DrawText(LICE_IBitmap* dest, const char* str, int len, LICE_Rect* rect, unsigned int flags,
               const LICE_Rect* clip = nullptr) override;

private:
  HFONT mFont = nullptr;
  bool mOwnsFont = false;
  LICE_pixel mColor = LICE_RGBA(0, 0, 0, 255);
  int mLineHeight = 0;
  int mAscent = 0;
};
