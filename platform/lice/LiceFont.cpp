// System fonts through fontconfig and cairo-ft; cached fonts that place, draw and measure text.
#include "LiceFont.h"

#include "DisplayText.h"
#include "LiceCairo.h"

#include <algorithm>
#include <cairo-ft.h>
#include <cairo.h>
#include <cmath>
#include <cstring>
#include <fontconfig/fontconfig.h>
#include <mutex>
#include <string>
#include <utility>

struct LICE_SystemFont
{
  // What the scaled font is made of, kept to make it again.
  cairo_font_face_t* face = nullptr;
  cairo_matrix_t matrix{};
  cairo_font_options_t* options = nullptr;
  // Guards scaled, which a use that finds it in an error state replaces.
  std::mutex lock;
  cairo_scaled_font_t* scaled = nullptr;
  double angle = 0.0; // radians, counter-clockwise on screen
};

namespace
{
// Faces the editor names that Linux lacks, resolved by fontconfig as one monospace face from
// fonts-dejavu-core so text looks the same on every machine. (Kept here rather than as a fontconfig
// configuration fragment: parsing one from memory leaks inside fontconfig.)
const char* const kMonospaceFace = "DejaVu Sans Mono";
const char* const kAliasedFaces[] = {"Consolas", "NK57 Monospace"};

const char* resolveFace(const char* face)
{
  if (!face || !*face)
  {
    return "monospace";
  }
  for (const char* alias : kAliasedFaces)
  {
    if (std::strcmp(face, alias) == 0)
    {
      return kMonospaceFace;
    }
  }
  return face;
}

// Looks the face up and makes the cairo font face; null when fontconfig finds nothing.
cairo_font_face_t* matchFace(const char* face, int pixelSize, int weight, bool italic)
{
  FcPattern* pattern = FcPatternCreate();
  if (!pattern)
  {
    return nullptr;
  }
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(resolveFace(face)));
  FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixelSize);
  FcPatternAddInteger(pattern, FC_WEIGHT, weight >= 700 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match)
  {
    return nullptr;
  }
  // Rendering options come from the font's quality alone, not from the machine's settings.
  for (const char* key : {FC_ANTIALIAS, FC_HINTING, FC_HINT_STYLE, FC_RGBA, FC_AUTOHINT, FC_LCD_FILTER})
  {
    FcPatternDel(match, key);
  }
  cairo_font_face_t* fontFace = cairo_ft_font_face_create_for_pattern(match);
  FcPatternDestroy(match);
  if (cairo_font_face_status(fontFace) != CAIRO_STATUS_SUCCESS)
  {
    cairo_font_face_destroy(fontFace);
    return nullptr;
  }
  return fontFace;
}

// fontconfig's lazy set-up is not safe to race; font creation is rare, so it is serialized.
std::mutex fontconfigMutex;

cairo_scaled_font_t* makeScaled(const LICE_SystemFont& font)
{
  cairo_matrix_t identity;
  cairo_matrix_init_identity(&identity);
  return cairo_scaled_font_create(font.face, &font.matrix, &identity, font.options);
}

// A reference to the font's scaled font for one use, made again first when an earlier use left it in an
// error state: cairo keeps a scaled font's first error for good and then draws and measures nothing.
cairo_scaled_font_t* usableScaledFont(HFONT font)
{
  std::lock_guard<std::mutex> lock(font->lock);
  if (cairo_scaled_font_status(font->scaled) != CAIRO_STATUS_SUCCESS)
  {
    std::lock_guard<std::mutex> fontconfigLock(fontconfigMutex);
    cairo_scaled_font_t* fresh = makeScaled(*font);
    if (cairo_scaled_font_status(fresh) == CAIRO_STATUS_SUCCESS)
    {
      std::swap(fresh, font->scaled);
    }
    cairo_scaled_font_destroy(fresh);
  }
  return cairo_scaled_font_reference(font->scaled);
}
} // namespace

HFONT CreateFont(int height, int /*width*/, int escapement, int /*orientation*/, int weight, char italic,
                 char /*underline*/, char /*strikeOut*/, char /*charSet*/, char /*outPrecision*/,
                 char /*clipPrecision*/, char quality, char /*pitchAndFamily*/, const char* face)
{
  const int pixelSize = std::max(1, height);
  std::lock_guard<std::mutex> lock(fontconfigMutex);
  cairo_font_face_t* fontFace = matchFace(face, pixelSize, weight, italic != 0);
  if (!fontFace)
  {
    return nullptr;
  }
  HFONT font = new LICE_SystemFont;
  font->face = fontFace;
  cairo_matrix_init_scale(&font->matrix, pixelSize, pixelSize);
  font->options = cairo_font_options_create();
  cairo_font_options_set_antialias(font->options, quality == 3 ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(font->options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(font->options, CAIRO_HINT_METRICS_ON);
  font->scaled = makeScaled(*font);
  font->angle = escapement / 10.0 * M_PI / 180.0;
  if (cairo_scaled_font_status(font->scaled) != CAIRO_STATUS_SUCCESS)
  {
    DeleteFont(font);
    return nullptr;
  }
  return font;
}

void DeleteFont(HFONT font)
{
  if (font)
  {
    cairo_scaled_font_destroy(font->scaled);
    cairo_font_options_destroy(font->options);
    cairo_font_face_destroy(font->face);
    delete font;
  }
}

cairo_scaled_font_t* LICE_CairoScaledFont(HFONT font)
{
  return font ? font->scaled : nullptr;
}

LICE_CachedFont::~LICE_CachedFont()
{
  SetFromHFont(nullptr, 0);
}

void LICE_CachedFont::SetFromHFont(HFONT font, int flags)
{
  if (mOwnsFont && mFont != font)
  {
    DeleteFont(mFont);
  }
  mFont = font;
  mOwnsFont = font && (flags & LICE_FONT_FLAG_OWNS_HFONT);
  mLineHeight = 0;
  mAscent = 0;
  if (mFont)
  {
    cairo_scaled_font_t* scaled = usableScaledFont(mFont);
    cairo_font_extents_t extents;
    cairo_scaled_font_extents(scaled, &extents);
    cairo_scaled_font_destroy(scaled);
    mAscent = static_cast<int>(std::lround(extents.ascent));
    mLineHeight = static_cast<int>(std::lround(extents.ascent + extents.descent));
  }
}

LICE_pixel LICE_CachedFont::SetTextColor(LICE_pixel color)
{
  const LICE_pixel previous = mColor;
  mColor = color;
  return previous;
}

int LICE_CachedFont::DrawText(LICE_IBitmap* dest, const char* str, int len, LICE_Rect* rect,
                              unsigned int flags, const LICE_Rect* clip)
{
  if (!str || !rect || !mFont)
  {
    return 0;
  }
  // Text from outside may be what cairo refuses, which would leave the scaled font in an error state, or
  // hold line breaks and other control characters: shown on one line, each as U+FFFD.
  const std::string line = lineText(len < 0 ? std::string(str) : std::string(str, strnlen(str, len)));
  cairo_scaled_font_t* scaled = usableScaledFont(mFont);
  cairo_text_extents_t extents;
  cairo_scaled_font_text_extents(scaled, line.c_str(), &extents);
  const int textWidth = static_cast<int>(std::lround(extents.x_advance));
  const int textHeight = mLineHeight;
  if ((flags & LICE_DT_CALCRECT) || !dest || !dest->surface())
  {
    cairo_scaled_font_destroy(scaled);
    if (flags & LICE_DT_CALCRECT)
    {
      rect->right = rect->left + textWidth;
      rect->bottom = rect->top + textHeight;
    }
    return textHeight;
  }

  int y = rect->top;
  if (flags & LICE_DT_BOTTOM)
  {
    y = rect->bottom - textHeight;
  }
  else if (flags & LICE_DT_VCENTER)
  {
    y = rect->top + (rect->bottom - rect->top - textHeight) / 2;
  }
  cairo_t* cr = cairo_create(dest->surface());
  if (!(flags & LICE_DT_NOCLIP))
  {
    cairo_rectangle(cr, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
    cairo_clip(cr);
  }
  if (clip)
  {
    cairo_rectangle(cr, clip->left, clip->top, clip->right - clip->left, clip->bottom - clip->top);
    cairo_clip(cr);
  }
  const double alpha = (flags & LICE_DT_USEFGALPHA) ? LICE_GETA(mColor) / 255.0 : 1.0;
  cairo_set_source_rgba(cr, LICE_GETR(mColor) / 255.0, LICE_GETG(mColor) / 255.0, LICE_GETB(mColor) / 255.0,
                        alpha);
  cairo_set_scaled_font(cr, scaled);
  if (mFont->angle != 0.0)
  {
    // Rotated text turns about its top-left corner.
    cairo_translate(cr, rect->left, y);
    cairo_rotate(cr, -mFont->angle);
    cairo_translate(cr, -rect->left, -y);
  }
  int x = rect->left;
  if (flags & LICE_DT_RIGHT)
  {
    x = rect->right - textWidth;
  }
  else if (flags & LICE_DT_CENTER)
  {
    x = rect->left + (rect->right - rect->left - textWidth) / 2;
  }
  cairo_move_to(cr, x, y + mAscent);
  cairo_show_text(cr, line.c_str());
  cairo_destroy(cr);
  cairo_scaled_font_destroy(scaled);
  return textHeight;
}

#if defined(__SANITIZE_ADDRESS__)
// fontconfig 2.14 leaks a few bytes while parsing the system's configuration on first use; LeakSanitizer
// is told to ignore leaks that start inside it. Lives here so every program that makes fonts gets it.
extern "C" const char* __lsan_default_suppressions()
{
  return "leak:libfontconfig.so\n";
}
#endif
