// Pictures of the skin: knob strips, buttons, lights, panels with their captions, windows and overlays.
#include "ImageRenderer.h"

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

namespace resgen
{

namespace
{

const double kPi = 3.14159265358979323846;

// Colours of one style. Style 2 is the neutral graphite of the common images, shared by both skins.
struct Palette
{
  Rgb background, header, headerText, page, section, sectionBorder, titleBar, titleText, caption, zone,
      zoneBorder, field, fieldBorder, lcd, screen, screenBorder, well, sketch, accent;
};

Palette palette(int style)
{
  if (style == 0)
    return {hex(0xEFEFED), hex(0xDCDCD9), hex(0x262626), hex(0xE6E6E3), hex(0xD2D2CE),
            hex(0xA4A4A0), hex(0x4C4C4C), hex(0xFFFFFF), hex(0x1C1C1C), hex(0xC4C4C0),
            hex(0x9C9C98), hex(0xFBFBF9), hex(0x8A8A86), hex(0x1A1A1A), hex(0x14211A),
            hex(0x000000), hex(0xB4B4B0), hex(0x2A2A2A), hex(0xE0781E)};
  if (style == 1)
    return {hex(0x0B0B0B), hex(0x161616), hex(0xF29A3F), hex(0x121212), hex(0xE8892B),
            hex(0xB8661A), hex(0x111111), hex(0xF29A3F), hex(0x111111), hex(0xD77B22),
            hex(0xA85A12), hex(0x161616), hex(0x5A3210), hex(0x0A0A0A), hex(0xF2962E),
            hex(0x7A4A10), hex(0xB86A1C), hex(0x111111), hex(0xF29A3F)};
  return {hex(0x141414), hex(0x1A1A1A), hex(0xE6E6E6), hex(0x1C1C1C), hex(0x2A2A2A),
          hex(0x474747), hex(0x101010), hex(0xF29A3F), hex(0xE8E8E8), hex(0x262626),
          hex(0x474747), hex(0x111111), hex(0x474747), hex(0x0D0D0D), hex(0x14211A),
          hex(0x000000), hex(0x151515), hex(0xE8E8E8), hex(0xF29A3F)};
}

int styleOf(const ImageSpec& spec)
{
  switch (spec.set)
  {
  case ImageSet::Light:
    return 0;
  case ImageSet::Dark:
    return 1;
  case ImageSet::Common:
    return 2;
  }
  return 2;
}

bool nameIs(const ImageSpec& spec, const char* name)
{
  return std::strcmp(spec.name, name) == 0;
}

enum class PanelKind
{
  Main,
  Page,
  Zone,
  Window,
  Strip
};

PanelKind panelKind(const std::string& name)
{
  if (name == "MAIN_BG_ID")
    return PanelKind::Main;
  if (name == "BG_ABOUT_ID" || name == "BG_FIRST_RUN_ID" || name == "BG_PATCH_CONFLICT_ID" ||
      name == "BG_ID_MIDI_FILTERS")
    return PanelKind::Window;
  if (name == "BG_RENAME_ID" || name == "BG_ID_CATEGORY_FILTER" || name == "BG_SEARCH_FIELD_ID")
    return PanelKind::Strip;
  if (name.rfind("BG_ID_", 0) == 0 || name.rfind("EFFECTS_", 0) == 0 || name == "MULTI_PART_SETTINGS_BG_ID")
    return name == "EFFECTS_ID" ? PanelKind::Page : PanelKind::Zone;
  return PanelKind::Page;
}

// ---------------------------------------------------------------------------------------------------
// Shapes

void button(cairo_t* cr, double x, double y, double w, double h, bool lit, const Palette& p)
{
  Painter::roundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, std::min(4.0, h / 3));
  cairo_pattern_t* g = cairo_pattern_create_linear(0, y, 0, y + h);
  if (lit)
  {
    cairo_pattern_add_color_stop_rgb(g, 0, p.accent.r, p.accent.g, p.accent.b);
    cairo_pattern_add_color_stop_rgb(g, 1, p.accent.r * 0.8, p.accent.g * 0.8, p.accent.b * 0.8);
  }
  else
  {
    cairo_pattern_add_color_stop_rgb(g, 0, 0.27, 0.27, 0.27);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.15, 0.15, 0.15);
  }
  cairo_set_source(cr, g);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(g);
  cairo_set_source_rgb(cr, 0.04, 0.04, 0.04);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

void label(const Painter& painter, cairo_t* cr, double x, double y, double w, double h, const std::string& s,
           bool dark, double size = 10)
{
  painter.setFont(cr, Font::CondensedBold, size);
  if (dark)
    cairo_set_source_rgb(cr, 0.05, 0.05, 0.05);
  else
    cairo_set_source_rgb(cr, 0.92, 0.92, 0.92);
  painter.text(cr, x + w / 2, y + h / 2 + size * 0.36, s, 0);
}

void knob(cairo_t* cr, double cx, double cy, double r, double value, int steps, bool large, const Palette& p)
{
  const double a0 = 0.75 * kPi;
  const double a = a0 + value * 1.5 * kPi;
  // Track and value arc.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_width(cr, r * 0.12);
  cairo_set_source_rgb(cr, 0.32, 0.32, 0.32);
  cairo_arc(cr, cx, cy, r * 0.9, a0, a0 + 1.5 * kPi);
  cairo_stroke(cr);
  if (value > 0)
  {
    Painter::setColor(cr, p.accent);
    cairo_arc(cr, cx, cy, r * 0.9, a0, a);
    cairo_stroke(cr);
  }
  if (steps > 1 && steps <= 25)
  {
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    for (int i = 0; i < steps; ++i)
    {
      const double t = a0 + 1.5 * kPi * i / (steps - 1);
      cairo_arc(cr, cx + std::cos(t) * r * 0.9, cy + std::sin(t) * r * 0.9, r * 0.035 + 0.4, 0, 2 * kPi);
      cairo_fill(cr);
    }
  }
  // Body.
  const double body = r * 0.7;
  cairo_arc(cr, cx + 0.6, cy + 1.2, body, 0, 2 * kPi);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
  cairo_fill(cr);
  cairo_pattern_t* g =
      cairo_pattern_create_radial(cx - body * 0.3, cy - body * 0.4, body * 0.1, cx, cy, body);
  cairo_pattern_add_color_stop_rgb(g, 0, 0.36, 0.36, 0.36);
  cairo_pattern_add_color_stop_rgb(g, 1, 0.11, 0.11, 0.11);
  cairo_arc(cr, cx, cy, body, 0, 2 * kPi);
  cairo_set_source(cr, g);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(g);
  cairo_set_source_rgb(cr, 0.03, 0.03, 0.03);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  if (large)
  {
    cairo_arc(cr, cx, cy, body * 0.55, 0, 2 * kPi);
    Painter::setColor(cr, p.accent, 0.85);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
  }
  // Pointer.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, std::max(2.0, r * 0.1));
  cairo_set_source_rgb(cr, 0.97, 0.97, 0.97);
  cairo_move_to(cr, cx + std::cos(a) * body * 0.25, cy + std::sin(a) * body * 0.25);
  cairo_line_to(cr, cx + std::cos(a) * body * 0.9, cy + std::sin(a) * body * 0.9);
  cairo_stroke(cr);
}

void led(cairo_t* cr, double cx, double cy, double r, bool on, Rgb color)
{
  if (on)
  {
    cairo_pattern_t* glow = cairo_pattern_create_radial(cx, cy, 0, cx, cy, r);
    cairo_pattern_add_color_stop_rgba(glow, 0, 1, 1, 1, 1);
    cairo_pattern_add_color_stop_rgba(glow, 0.35, color.r, color.g, color.b, 1);
    cairo_pattern_add_color_stop_rgba(glow, 1, color.r * 0.6, color.g * 0.6, color.b * 0.6, 1);
    cairo_set_source(cr, glow);
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
  }
  else
  {
    cairo_set_source_rgb(cr, color.r * 0.3, color.g * 0.3, color.b * 0.3);
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    cairo_fill(cr);
  }
  cairo_set_source_rgb(cr, 0.05, 0.05, 0.05);
  cairo_set_line_width(cr, 1);
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  cairo_stroke(cr);
}

void padlock(cairo_t* cr, double x, double y, double s, bool closed, Rgb color)
{
  Painter::setColor(cr, color);
  cairo_set_line_width(cr, s * 0.1);
  const double bx = x + s * 0.25, by = y + s * 0.45, bw = s * 0.5, bh = s * 0.38;
  const double shackle = closed ? 0 : s * 0.18;
  cairo_arc(cr, x + s * 0.5 + shackle, by, s * 0.16, kPi, 2 * kPi);
  cairo_stroke(cr);
  if (!closed)
  {
    cairo_move_to(cr, x + s * 0.34 + shackle, by);
    cairo_line_to(cr, x + s * 0.34 + shackle, by + 1);
    cairo_stroke(cr);
  }
  Painter::roundedRect(cr, bx, by, bw, bh, 1.5);
  cairo_fill(cr);
}

void gear(cairo_t* cr, double cx, double cy, double r, Rgb color)
{
  Painter::setColor(cr, color);
  const int teeth = 8;
  for (int i = 0; i < teeth * 2; ++i)
  {
    const double a = kPi * i / teeth;
    const double rr = (i % 2 == 0) ? r : r * 0.78;
    const double x = cx + std::cos(a) * rr, y = cy + std::sin(a) * rr;
    if (i == 0)
      cairo_move_to(cr, x, y);
    else
      cairo_line_to(cr, x, y);
  }
  cairo_close_path(cr);
  cairo_fill(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_arc(cr, cx, cy, r * 0.32, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
}

double filterResponse(const std::string& name, double x)
{
  const double res = 0.35;
  if (name.find("lowpass") != std::string::npos)
  {
    const double f = 0.55;
    return x < f ? 0.35 - res * std::exp(-std::pow((x - f) * 14, 2))
                 : 0.35 + (x - f) * 1.6 - res * std::exp(-std::pow((x - f) * 14, 2));
  }
  if (name.find("highpass") != std::string::npos)
    return filterResponse("lowpass", 1.0 - x);
  if (name.find("bandpass") != std::string::npos)
    return 0.95 - 0.75 * std::exp(-std::pow((x - 0.5) * 5, 2));
  if (name.find("notch") != std::string::npos)
    return 0.3 + 0.6 * std::exp(-std::pow((x - 0.5) * 9, 2));
  const bool minus = name.find("minus") != std::string::npos;
  const double c = std::cos(x * 7 * 2 * kPi);
  return minus ? 0.45 - 0.3 * c : 0.45 + 0.3 * c;
}

void envelopeSketch(cairo_t* cr, const SketchAt& s, Rgb color)
{
  // Points of the envelope shape, in units of the sketch box.
  static const double adsr[][2] = {{0, 1}, {0.15, 0}, {0.35, 0.45}, {0.72, 0.45}, {1, 1}};
  static const double ads1ds2r[][2] = {{0, 1}, {0.12, 0}, {0.26, 0.3}, {0.42, 0.55}, {0.72, 0.55}, {1, 1}};
  static const double oneShot[][2] = {{0, 1}, {0.14, 0}, {0.32, 0.3}, {0.52, 0.55}, {0.78, 0.8}, {1, 1}};
  const double(*pts)[2] = adsr;
  int n = 5;
  if (s.sketch == Sketch::EnvADS1DS2R || s.sketch == Sketch::EnvLoopS1S2 || s.sketch == Sketch::EnvLoopAll)
  {
    pts = ads1ds2r;
    n = 6;
  }
  else if (s.sketch == Sketch::EnvOneShot)
  {
    pts = oneShot;
    n = 6;
  }
  Painter::setColor(cr, color);
  cairo_set_line_width(cr, 2);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  for (int i = 0; i < n; ++i)
  {
    const double x = s.x + pts[i][0] * s.w, y = s.y + pts[i][1] * s.h;
    if (i == 0)
      cairo_move_to(cr, x, y);
    else
      cairo_line_to(cr, x, y);
  }
  cairo_stroke(cr);
  if (s.sketch == Sketch::EnvLoopS1S2 || s.sketch == Sketch::EnvLoopAll)
  {
    // The looped stretch, drawn as an arc below the shape with an arrow head.
    const double from = s.sketch == Sketch::EnvLoopAll ? 0.0 : 0.26;
    const double to = 0.72;
    const double y = s.y + s.h + 6;
    cairo_set_line_width(cr, 1.5);
    cairo_move_to(cr, s.x + to * s.w, y - 4);
    cairo_curve_to(cr, s.x + to * s.w, y + 3, s.x + from * s.w, y + 3, s.x + from * s.w, y - 4);
    cairo_stroke(cr);
    cairo_move_to(cr, s.x + from * s.w - 3, y - 2);
    cairo_line_to(cr, s.x + from * s.w, y - 6);
    cairo_line_to(cr, s.x + from * s.w + 3, y - 2);
    cairo_stroke(cr);
  }
}

// ---------------------------------------------------------------------------------------------------
// Panels

void drawPanel(const Painter& painter, cairo_t* cr, const ImageSpec& spec, const PanelArt* art,
               const Palette& p)
{
  const int w = spec.width, h = spec.height;
  const PanelKind kind = panelKind(spec.name);
  switch (kind)
  {
  case PanelKind::Main:
  {
    Painter::setColor(cr, p.background);
    cairo_paint(cr);
    Painter::setColor(cr, p.header);
    cairo_rectangle(cr, 0, 0, w, 96);
    cairo_fill(cr);
    Painter::setColor(cr, p.accent);
    cairo_rectangle(cr, 0, 95, w, 2);
    cairo_fill(cr);
    break;
  }
  case PanelKind::Page:
    Painter::setColor(cr, p.page);
    Painter::roundedRect(cr, 0, 0, w, h, 6);
    cairo_fill(cr);
    break;
  case PanelKind::Zone:
    Painter::setColor(cr, p.zone);
    Painter::roundedRect(cr, 0.5, 0.5, w - 1, h - 1, 4);
    cairo_fill_preserve(cr);
    Painter::setColor(cr, p.zoneBorder);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    break;
  case PanelKind::Window:
    Painter::setColor(cr, p.page);
    Painter::roundedRect(cr, 1, 1, w - 2, h - 2, 10);
    cairo_fill_preserve(cr);
    Painter::setColor(cr, p.accent);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    break;
  case PanelKind::Strip:
    Painter::setColor(cr, p.section);
    Painter::roundedRect(cr, 0.5, 0.5, w - 1, h - 1, 4);
    cairo_fill_preserve(cr);
    Painter::setColor(cr, p.sectionBorder);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    break;
  }
  if (!art)
    return;
  for (const auto& b : art->boxes)
  {
    switch (b.kind)
    {
    case BoxKind::Section:
      Painter::setColor(cr, p.section);
      Painter::roundedRect(cr, b.x + 0.5, b.y + 0.5, b.w - 1, b.h - 1, 5);
      cairo_fill_preserve(cr);
      Painter::setColor(cr, p.sectionBorder);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      Painter::setColor(cr, p.titleBar);
      Painter::roundedRect(cr, b.x + 1, b.y + 1, b.w - 2, 18, 4);
      cairo_fill(cr);
      painter.setFont(cr, Font::Bold, 11);
      Painter::setColor(cr, p.titleText);
      painter.text(cr, b.x + 9, b.y + 14, b.title, -1);
      break;
    case BoxKind::Field:
    case BoxKind::Lcd:
    case BoxKind::Screen:
    case BoxKind::Well:
    {
      const Rgb fill = b.kind == BoxKind::Field    ? p.field
                       : b.kind == BoxKind::Lcd    ? p.lcd
                       : b.kind == BoxKind::Screen ? p.screen
                                                   : p.well;
      const Rgb border = b.kind == BoxKind::Field    ? p.fieldBorder
                         : b.kind == BoxKind::Screen ? p.screenBorder
                                                     : hex(0x000000);
      Painter::setColor(cr, fill);
      Painter::roundedRect(cr, b.x + 0.5, b.y + 0.5, b.w - 1, b.h - 1, b.h > 8 ? 3 : 1.5);
      cairo_fill_preserve(cr);
      Painter::setColor(cr, border);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      break;
    }
    }
  }
  for (const auto& s : art->sketches)
    envelopeSketch(cr, s, p.sketch);
  const Rgb text = kind == PanelKind::Main ? p.headerText : p.caption;
  for (const auto& c : art->captions)
  {
    const int align = selectCaptionFont(painter, cr, c);
    Painter::setColor(cr, text);
    painter.text(cr, c.x, c.y, c.text, align);
  }
}

// ---------------------------------------------------------------------------------------------------

struct Labels
{
  const char* name;
  const char* off;
  const char* on;
};

const Labels kLabels[] = {
    {"BUTTON_LIB_DATATYPE_ID", "SOUNDS", "MULTIS"},
    {"BUTTON_BANK_RECALL_ID", "REQUEST", "REQUEST"},
    {"BUTTON_PART_MUTE", "MUTE", "PLAY"},
    {"BTN_OFFON_ID", "CATEGORIES", "CATEGORIES"},
    {"BUTTON_BANK_SEARCH_ID", "SEARCH", "SEARCH"},
    {"BTN_EXIT_ABOUT_ID", "CLOSE", "CLOSE"},
    {"BUTTON_LIB_DISCARD_ID", "DISCARD", "DISCARD"},
    {"BUTTON_LIB_CANCEL_ID", "CANCEL", "CANCEL"},
    {"ID_RANDOMIZE", "RANDOMIZE", "RANDOMIZE"},
    {"BTN_EXIT_FIRST_RUN_ID", "OK", "OK"},
    {"BUTTON_BANK_OVERWRITE_ID", "STORE SOUND", "STORE SOUND"},
};

const Labels& labelsOf(const ImageSpec& spec)
{
  for (const auto& l : kLabels)
    if (nameIs(spec, l.name))
      return l;
  static const Labels none{"", "", ""};
  return none;
}

const char* const kTabs[] = {
    "MULTI", "LIBRARIAN", "OSCILLATORS", "FILTERS & ENVELOPES", "LFO & MODULATION", "EFFECTS & ARP"};

void drawFrame(const Painter& painter, cairo_t* cr, const ImageSpec& spec, int frame, const Palette& p,
               const std::map<std::string, PanelArt>& panels)
{
  const int w = spec.width, h = spec.height;
  const bool on = frame == 1;
  switch (spec.art)
  {
  case Art::Panel:
  {
    auto it = panels.find(spec.name);
    drawPanel(painter, cr, spec, it == panels.end() ? nullptr : &it->second, p);
    break;
  }
  case Art::Frame:
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    cairo_paint(cr);
    break;
  case Art::Knob:
  case Art::KnobLarge:
  case Art::KnobSmall:
  case Art::KnobStepped:
  {
    const double value = spec.frames > 1 ? static_cast<double>(frame) / (spec.frames - 1) : 0.0;
    knob(cr, w / 2.0, h / 2.0 + 1, w / 2.0 - 1, value, spec.art == Art::KnobStepped ? spec.frames : 0,
         spec.art == Art::KnobLarge, p);
    break;
  }
  case Art::LedRing:
    cairo_set_source_rgb(cr, 0.08, 0.08, 0.08);
    cairo_set_line_width(cr, 2);
    cairo_arc(cr, w / 2.0, h / 2.0, w / 2.0 - 1.5, 0, 2 * kPi);
    cairo_stroke(cr);
    break;
  case Art::PlainButton:
    button(cr, 0, 0, w, h, false, p);
    cairo_set_source_rgb(cr, 0.75, 0.75, 0.75);
    cairo_arc(cr, w / 2.0, h / 2.0, 2.5, 0, 2 * kPi);
    cairo_fill(cr);
    break;
  case Art::LabelButton:
  case Art::ToggleLabel:
  {
    const Labels& l = labelsOf(spec);
    button(cr, 0, 0, w, h, on, p);
    label(painter, cr, 0, 0, w, h, on ? l.on : l.off, on);
    break;
  }
  case Art::InfoButton:
    cairo_arc(cr, w / 2.0, h / 2.0, w / 2.0 - 1, 0, 2 * kPi);
    Painter::setColor(cr, p.accent);
    cairo_fill(cr);
    painter.setFont(cr, Font::Bold, 15);
    cairo_set_source_rgb(cr, 0.05, 0.05, 0.05);
    painter.text(cr, w / 2.0, h / 2.0 + 5.5, "i", 0);
    break;
  case Art::PowerButton:
    button(cr, 0, 0, w, h, on, p);
    cairo_set_line_width(cr, 2);
    cairo_set_source_rgb(cr, on ? 0.05 : 0.8, on ? 0.05 : 0.8, on ? 0.05 : 0.8);
    cairo_arc(cr, w / 2.0, h / 2.0 + 1, 5, -0.35 * kPi, 1.35 * kPi);
    cairo_stroke(cr);
    cairo_move_to(cr, w / 2.0, h / 2.0 - 6);
    cairo_line_to(cr, w / 2.0, h / 2.0);
    cairo_stroke(cr);
    break;
  case Art::MainTabs:
  {
    const double tw = static_cast<double>(w) / 6;
    for (int i = 0; i < 6; ++i)
    {
      button(cr, i * tw + 2, 0, tw - 4, h, on, p);
      label(painter, cr, i * tw, 0, tw, h, kTabs[i], on, 11);
    }
    break;
  }
  case Art::PartTabs:
  {
    const double th = static_cast<double>(h) / 16;
    for (int i = 0; i < 16; ++i)
    {
      button(cr, 0, i * th + 2, w, th - 4, on, p);
      label(painter, cr, 0, i * th, w, th, std::to_string(i + 1), on, 13);
    }
    break;
  }
  case Art::PartButton:
  {
    button(cr, 0, 0, w, h, false, p);
    std::string number = spec.file;
    number = std::to_string(std::stoi(number.substr(number.size() - 2)));
    if (on)
    {
      Painter::roundedRect(cr, 2, 2, w - 4, h - 4, 3);
      cairo_set_source_rgb(cr, 0.25, 0.78, 0.36);
      cairo_fill(cr);
    }
    label(painter, cr, 0, 0, w, h, number, on, 12);
    break;
  }
  case Art::Led:
    led(cr, w / 2.0, h / 2.0, w / 2.0 - 1, on,
        std::strstr(spec.file, "pink") ? hex(0xFF4FA0) : hex(0xFF2A2A));
    break;
  case Art::SmallSwitch:
    button(cr, 0, 0, w, h, false, p);
    Painter::roundedRect(cr, w * 0.25, h * 0.35, w * 0.5, h * 0.3, 1.5);
    if (on)
      Painter::setColor(cr, p.accent);
    else
      cairo_set_source_rgb(cr, 0.32, 0.2, 0.1);
    cairo_fill(cr);
    break;
  case Art::FaderHandle:
    button(cr, 0, 0, w, h, false, p);
    Painter::setColor(cr, p.accent);
    if (w > h)
      cairo_rectangle(cr, 3, h / 2.0 - 1, w - 6, 2);
    else
      cairo_rectangle(cr, w / 2.0 - 1, 3, 2, h - 6);
    cairo_fill(cr);
    break;
  case Art::ArrowButton:
  {
    button(cr, 0, 0, w, h, on, p);
    const bool up = std::strstr(spec.file, "up") != nullptr;
    cairo_set_source_rgb(cr, on ? 0.05 : 0.9, on ? 0.05 : 0.9, on ? 0.05 : 0.9);
    cairo_move_to(cr, w * 0.28, up ? h * 0.64 : h * 0.36);
    cairo_line_to(cr, w * 0.72, up ? h * 0.64 : h * 0.36);
    cairo_line_to(cr, w * 0.5, up ? h * 0.32 : h * 0.68);
    cairo_close_path(cr);
    cairo_fill(cr);
    break;
  }
  case Art::Transparent:
    break;
  case Art::Browser:
    // The gap between the panes stays transparent: the lower bank name shows through it.
    for (int pane = 0; pane < 2; ++pane)
    {
      const double top = pane == 0 ? 1 : 274;
      cairo_set_source_rgb(cr, 0.07, 0.07, 0.07);
      cairo_rectangle(cr, 0, top - 1, w, 16 * 14 + 2);
      cairo_fill(cr);
      for (int c = 0; c < 8; ++c)
      {
        cairo_set_source_rgb(cr, 0.13, 0.13, 0.13);
        cairo_rectangle(cr, c * 133, top, 105, 16 * 14);
        cairo_fill(cr);
        for (int r = 1; r < 16; ++r)
        {
          cairo_set_source_rgb(cr, 0.09, 0.09, 0.09);
          cairo_rectangle(cr, c * 133, top + r * 14, 105, 1);
          cairo_fill(cr);
        }
        // Each column's first slot number stands in the gap before it (the first column's is plainly 1).
        if (c > 0)
        {
          painter.setFont(cr, Font::Regular, 9);
          cairo_set_source_rgb(cr, 0.45, 0.45, 0.45);
          painter.text(cr, c * 133 - 14, top + 11, std::to_string(c * 16 + 1), 0);
        }
      }
    }
    break;
  case Art::Lock:
  {
    const bool white = std::strstr(spec.file, "white") != nullptr;
    Painter::roundedRect(cr, 0.5, 0.5, w - 1, h - 1, 3);
    if (white)
      cairo_set_source_rgb(cr, 0.9, 0.9, 0.88);
    else
      cairo_set_source_rgb(cr, 0.12, 0.12, 0.12);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    padlock(cr, 1, 1, w - 2, on, on ? p.accent : (white ? hex(0x606060) : hex(0x9A9A9A)));
    break;
  }
  case Art::Checkbox:
    Painter::roundedRect(cr, 1.5, 1.5, w - 3, h - 3, 2);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    if (on)
    {
      Painter::setColor(cr, p.accent);
      cairo_set_line_width(cr, 2.2);
      cairo_move_to(cr, w * 0.24, h * 0.52);
      cairo_line_to(cr, w * 0.43, h * 0.72);
      cairo_line_to(cr, w * 0.78, h * 0.28);
      cairo_stroke(cr);
    }
    break;
  case Art::Progress:
  {
    const bool light = styleOf(spec) == 0;
    cairo_set_source_rgba(cr, light ? 1 : 0, light ? 1 : 0, light ? 1 : 0, 0.55);
    cairo_paint(cr);
    Painter::roundedRect(cr, 530, 300, 440, 200, 10); // holds the cancel button at (835, 457)
    Painter::setColor(cr, light ? hex(0xE2E2DF) : hex(0x1A1A1A));
    cairo_fill_preserve(cr);
    Painter::setColor(cr, p.accent);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    painter.setFont(cr, Font::Bold, 18);
    Painter::setColor(cr, light ? hex(0x1C1C1C) : hex(0xF29A3F));
    painter.text(cr, 750, 356, "TALKING TO THE SYNTHESIZER", 0);
    painter.setFont(cr, Font::Regular, 13);
    painter.text(cr, 750, 386, "Please wait until the transfer ends.", 0);
    break;
  }
  case Art::FilterCurve:
  {
    const bool white = std::strstr(spec.file, "white") != nullptr;
    Painter::roundedRect(cr, 0.5, 0.5, w - 1, h - 1, 3);
    cairo_set_source_rgba(cr, 0, 0, 0, white ? 0.35 : 0.08);
    cairo_fill(cr);
    cairo_set_line_width(cr, 2);
    if (white)
      cairo_set_source_rgb(cr, 0.95, 0.95, 0.95);
    else
      cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
    for (int i = 0; i <= 100; ++i)
    {
      const double x = i / 100.0;
      const double y = std::min(1.0, std::max(0.0, filterResponse(spec.file, x)));
      const double px = 4 + x * (w - 8), py = 4 + y * (h - 8);
      if (i == 0)
        cairo_move_to(cr, px, py);
      else
        cairo_line_to(cr, px, py);
    }
    cairo_stroke(cr);
    break;
  }
  case Art::Gears:
    gear(cr, w / 2.0, h / 2.0, w / 2.0 - 2, on ? p.accent : hex(0x8A8A8A));
    break;
  }
}

cairo_status_t writeTo(void* closure, const unsigned char* data, unsigned int length)
{
  auto* out = static_cast<std::string*>(closure);
  out->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

} // namespace

int selectCaptionFont(const Painter& painter, cairo_t* cr, const Caption& caption)
{
  painter.setFont(cr, caption.bold ? Font::CondensedBold : Font::Regular, caption.size);
  return caption.align == Align::Left ? -1 : caption.align == Align::Center ? 0 : 1;
}

ImageRenderer::ImageRenderer(const Painter& painter, const std::map<std::string, PanelArt>& panels)
    : painter_(painter), panels_(panels)
{
}

void ImageRenderer::render(const ImageSpec& spec, const std::string& dir) const
{
  const int total = spec.frames < 1 ? 1 : spec.frames;
  const int width = spec.horizontal ? spec.width * total : spec.width;
  const int height = spec.horizontal ? spec.height : spec.height * total;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  const Palette p = palette(styleOf(spec));
  for (int frame = 0; frame < total; ++frame)
  {
    cairo_save(cr);
    if (spec.horizontal)
      cairo_translate(cr, frame * spec.width, 0);
    else
      cairo_translate(cr, 0, frame * spec.height);
    cairo_rectangle(cr, 0, 0, spec.width, spec.height);
    cairo_clip(cr);
    drawFrame(painter_, cr, spec, frame, p, panels_);
    cairo_restore(cr);
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  std::string png;
  const cairo_status_t status = cairo_surface_write_to_png_stream(surface, writeTo, &png);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error(std::string("cannot encode ") + spec.file);
  const std::string path = dir + "/" + spec.file + ".png";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f)
    throw std::runtime_error("cannot write " + path);
  const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  if (std::fclose(f) != 0 || !ok)
    throw std::runtime_error("cannot write " + path);
}

} // namespace resgen
