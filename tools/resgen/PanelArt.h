// What the generator draws onto a panel image besides its base: section frames, value fields and the
// captions of the controls that the UI description places over the panel.
#pragma once

#include <string>
#include <vector>

namespace resgen
{

enum class BoxKind
{
  Section, // a titled frame around a group of controls
  Field,   // a value field under a sysex or controller menu (its text follows the style)
  Lcd,     // a dark value field under the editor's own menus and name fields
  Screen,  // the control display window
  Well     // a plain recessed area (slot lists, pictures)
};

struct Box
{
  BoxKind kind;
  int x, y, w, h; // relative to the panel's top-left corner
  std::string title;
  bool operator==(const Box& o) const
  {
    return kind == o.kind && x == o.x && y == o.y && w == o.w && h == o.h && title == o.title;
  }
};

enum class Align
{
  Left,
  Center,
  Right
};

struct Caption
{
  int x, y; // anchor (left, centre or right end of the baseline), relative to the panel
  std::string text;
  int size; // pixel size of the font
  Align align;
  bool bold;
  bool operator==(const Caption& o) const
  {
    return x == o.x && y == o.y && text == o.text && size == o.size && align == o.align && bold == o.bold;
  }
};

// An envelope shape, drawn into the envelope zone panels.
enum class Sketch
{
  None,
  EnvADSR,
  EnvADS1DS2R,
  EnvOneShot,
  EnvLoopS1S2,
  EnvLoopAll
};

struct SketchAt
{
  Sketch sketch;
  int x, y, w, h;
  bool operator==(const SketchAt& o) const
  {
    return sketch == o.sketch && x == o.x && y == o.y && w == o.w && h == o.h;
  }
};

// The area a control, or a panel placed over this one, covers; captions keep clear of it. Not drawn.
struct Area
{
  int x, y, w, h; // relative to the panel's top-left corner
  bool operator==(const Area& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

// Everything drawn onto one panel image, in drawing order: boxes, sketches, captions.
struct PanelArt
{
  std::string image;
  int width = 0;
  int height = 0;
  std::vector<Box> boxes;
  std::vector<SketchAt> sketches;
  std::vector<Caption> captions;
  std::vector<Area> controls;
  bool operator==(const PanelArt& o) const
  {
    return image == o.image && width == o.width && height == o.height && boxes == o.boxes &&
           sketches == o.sketches && captions == o.captions && controls == o.controls;
  }
};

} // namespace resgen
