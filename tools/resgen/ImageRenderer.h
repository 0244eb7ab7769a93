// Draws every skin image of the image table for one style and writes it as PNG.
#pragma once

#include "PanelArt.h"
#include "Painter.h"
#include "Tables.h"

#include <map>
#include <string>

namespace resgen
{

// Selects the font a panel draws the caption in; returns the anchor's alignment for Painter::text.
int selectCaptionFont(const Painter& painter, cairo_t* cr, const Caption& caption);

class ImageRenderer
{
public:
  // panels: captions and boxes of the panel images, by image name (from UiBuilder).
  ImageRenderer(const Painter& painter, const std::map<std::string, PanelArt>& panels);

  // Draws the image for its set (common images are drawn once, in the neutral palette) and writes
  // "<dir>/<file>.png". Throws std::runtime_error when the PNG cannot be written.
  void render(const ImageSpec& spec, const std::string& dir) const;

private:
  const Painter& painter_;
  const std::map<std::string, PanelArt>& panels_;
};

} // namespace resgen
