// Drawing helpers over cairo for the skin images: fixed DejaVu fonts loaded from their files (so the
// output does not depend on the machine's font configuration), colours and rounded shapes.
#pragma once

#include <cairo.h>

#include <string>

namespace resgen
{

struct Rgb
{
  double r, g, b;
};

// Colour from 0xRRGGBB.
Rgb hex(unsigned value);

// A rectangle in drawing units.
struct InkBox
{
  double x, y, w, h;
};

enum class Font
{
  Regular,
  Bold,
  CondensedBold
};

class Painter
{
public:
  // Loads the fonts once; throws std::runtime_error when a font file is missing.
  Painter();
  ~Painter();
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  // Selects a font at a pixel size with fixed rendering options (no hinting, grey antialiasing).
  void setFont(cairo_t* cr, Font font, double size) const;
  // Draws text with its baseline at y; x is the left end, centre or right end by align (-1, 0, 1).
  void text(cairo_t* cr, double x, double y, const std::string& text, int align) const;
  double textWidth(cairo_t* cr, const std::string& text) const;
  // The box the ink of text() with the same arguments covers, in the font selected now.
  InkBox inkBox(cairo_t* cr, double x, double y, const std::string& text, int align) const;

  static void setColor(cairo_t* cr, Rgb c, double alpha = 1.0);
  static void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);

private:
  struct Fonts;
  Fonts* fonts_;
};

} // namespace resgen
