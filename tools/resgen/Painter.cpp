// Font loading and small drawing helpers of the skin generator.
#include "Painter.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <stdexcept>

namespace resgen
{

namespace
{
const char* const kFontDir = "/usr/share/fonts/truetype/dejavu/";
const char* const kFontFiles[] = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSansCondensed-Bold.ttf"};
} // namespace

struct Painter::Fonts
{
  ~Fonts();
  FT_Library library = nullptr;
  FT_Face faces[3] = {nullptr, nullptr, nullptr};
  cairo_font_face_t* cairoFaces[3] = {nullptr, nullptr, nullptr};
  cairo_font_options_t* options = nullptr;
};

Painter::Fonts::~Fonts()
{
  if (options)
    cairo_font_options_destroy(options);
  for (auto* face : cairoFaces)
    if (face)
      cairo_font_face_destroy(face);
  // cairo may still cache the faces, so the FreeType faces and library live until the process ends.
}

Rgb hex(unsigned value)
{
  return {((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0, (value & 0xFF) / 255.0};
}

Painter::Painter() : fonts_(new Fonts)
{
  if (FT_Init_FreeType(&fonts_->library) != 0)
  {
    delete fonts_;
    throw std::runtime_error("cannot start FreeType");
  }
  for (int i = 0; i < 3; ++i)
  {
    const std::string path = std::string(kFontDir) + kFontFiles[i];
    if (FT_New_Face(fonts_->library, path.c_str(), 0, &fonts_->faces[i]) != 0)
    {
      delete fonts_;
      throw std::runtime_error("cannot load font " + path + " (install fonts-dejavu-core)");
    }
    fonts_->cairoFaces[i] = cairo_ft_font_face_create_for_ft_face(fonts_->faces[i], 0);
  }
  fonts_->options = cairo_font_options_create();
  cairo_font_options_set_antialias(fonts_->options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(fonts_->options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(fonts_->options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_subpixel_order(fonts_->options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
}

Painter::~Painter()
{
  delete fonts_;
}

void Painter::setFont(cairo_t* cr, Font font, double size) const
{
  cairo_set_font_face(cr, fonts_->cairoFaces[static_cast<int>(font)]);
  cairo_set_font_size(cr, size);
  cairo_set_font_options(cr, fonts_->options);
}

double Painter::textWidth(cairo_t* cr, const std::string& s) const
{
  cairo_text_extents_t ext;
  cairo_text_extents(cr, s.c_str(), &ext);
  return ext.x_advance;
}

namespace
{
// The pen's start for text anchored at x by align (-1 left end, 0 centre, 1 right end), on a whole pixel.
double penX(double x, double width, int align)
{
  return std::round(align == 0 ? x - width / 2.0 : align > 0 ? x - width : x);
}
} // namespace

void Painter::text(cairo_t* cr, double x, double y, const std::string& s, int align) const
{
  cairo_move_to(cr, penX(x, textWidth(cr, s), align), y);
  cairo_show_text(cr, s.c_str());
  cairo_new_path(cr);
}

InkBox Painter::inkBox(cairo_t* cr, double x, double y, const std::string& s, int align) const
{
  cairo_text_extents_t ext;
  cairo_text_extents(cr, s.c_str(), &ext);
  return {penX(x, ext.x_advance, align) + ext.x_bearing, y + ext.y_bearing, ext.width, ext.height};
}

void Painter::setColor(cairo_t* cr, Rgb c, double alpha)
{
  cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void Painter::roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
  const double pi = 3.14159265358979323846;
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -pi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, pi / 2);
  cairo_arc(cr, x + r, y + h - r, r, pi / 2, pi);
  cairo_arc(cr, x + r, y + r, r, pi, 3 * pi / 2);
  cairo_close_path(cr);
}

} // namespace resgen
