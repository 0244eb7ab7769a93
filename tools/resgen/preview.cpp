// resgen_preview: draws one page of the generated UI description roughly as the editor shows it, to
// check the layout of controls against their captions without the plug-in.
// Usage: resgen_preview <resources folder> <page 0-5> <style 0|1> <zone offset 0-4> <out.png>
#include "Painter.h"
#include "Tables.h"

#include <cairo.h>
#include <tinyxml2.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{

struct Context
{
  std::string dir;
  int page;
  int style;
  int zone;
  cairo_t* cr;
  resgen::Painter* painter;
  std::map<std::string, std::vector<std::string>> lists;
  std::map<std::string, cairo_surface_t*> images;
};

std::vector<int> numbers(const char* text)
{
  std::vector<int> out;
  if (!text)
    return out;
  std::stringstream s(text);
  std::string item;
  while (std::getline(s, item, ','))
    out.push_back(std::atoi(item.c_str()));
  return out;
}

cairo_surface_t* image(Context& c, const std::string& name)
{
  const resgen::ImageSpec* spec = resgen::findImage(name, c.style);
  if (!spec)
    return nullptr;
  auto it = c.images.find(spec->file);
  if (it != c.images.end())
    return it->second;
  cairo_surface_t* s = cairo_image_surface_create_from_png((c.dir + "/img/" + spec->file + ".png").c_str());
  c.images[spec->file] = s;
  return s;
}

void drawFrame(Context& c, const std::string& name, int x, int y, double value)
{
  const resgen::ImageSpec* spec = resgen::findImage(name, c.style);
  cairo_surface_t* s = image(c, name);
  if (!spec || !s)
    return;
  int frame = spec->frames <= 1 ? 0 : static_cast<int>(0.5 + value * (spec->frames - 1));
  const int fx = spec->horizontal ? frame * spec->width : 0;
  const int fy = spec->horizontal ? 0 : frame * spec->height;
  cairo_save(c.cr);
  cairo_rectangle(c.cr, x, y, spec->width, spec->height);
  cairo_clip(c.cr);
  cairo_set_source_surface(c.cr, s, x - fx, y - fy);
  cairo_paint(c.cr);
  cairo_restore(c.cr);
}

void text(Context& c, int x, int y, int h, const std::string& s, double r, double g, double b)
{
  c.painter->setFont(c.cr, resgen::Font::Regular, h * 0.9);
  cairo_set_source_rgb(c.cr, r / 255, g / 255, b / 255);
  c.painter->text(c.cr, x, y + h * 0.8, s, -1);
}

std::string entry(Context& c, const tinyxml2::XMLElement* e, int value)
{
  const char* list = e->Attribute("valueList");
  if (list && c.lists.count(list) && value < static_cast<int>(c.lists[list].size()))
    return c.lists[list][value];
  std::vector<int> display;
  if (const char* d = e->Attribute("valueDisplay"))
  {
    std::string t = d;
    return std::to_string(std::atoi(t.c_str()) + value);
  }
  return "----";
}

void walk(Context& c, const tinyxml2::XMLElement* e, int depth, bool inRoot)
{
  for (; e; e = e->NextSiblingElement())
  {
    const std::string name = e->Name();
    const std::vector<int> pos = numbers(e->Attribute("position"));
    const std::vector<int> vb = numbers(e->Attribute("valueBounds"));
    const int def = vb.empty() ? 0 : vb[0];
    const double norm = vb.size() >= 3 && vb[2] > vb[1] ? double(def - vb[1]) / (vb[2] - vb[1]) : 0;
    if (name == "layer")
    {
      const std::string n = e->Attribute("name");
      const int id = e->IntAttribute("id");
      bool show = true;
      if (inRoot && depth == 1)
        show = id == c.page;
      else if (depth == 0)
        show = n == "root" || (n == "miniMixer" && c.page != 0) || n == "bankAndProgram01" ||
               (c.page == 3 && (n == "filter1LP" || n == "filter2BP")) ||
               (c.page == 5 && id == 56 + c.zone + 1) ||
               (c.page == 1 && (n == "categoryLimit" || n == "keepBankOpenLayer" || n == "saveChangesLayer"));
      else if (id >= 10 && id < 200)
        show = id % 10 == c.zone || (id >= 90 && id % 10 == 0) || (c.page == 4);
      if (n == "parameterRanges" || n == "multiSettingsPart02")
        show = n == "multiSettingsPart02";
      if (show)
        walk(c, e->FirstChildElement(), depth + 1, inRoot || n == "root");
    }
    else if (name == "multilayer")
    {
      walk(c, e->FirstChildElement(), depth + 1, inRoot);
    }
    else if (name == "background")
    {
      drawFrame(c, e->Attribute("imageId"), pos[0], pos[1], 0);
    }
    else if (name == "knobcontrol" || name == "buttoncontrol" || name == "switch" || name == "autooff")
    {
      drawFrame(c, e->Attribute("imageId") ? e->Attribute("imageId") : "", pos[0], pos[1],
                name == "autooff" ? 0 : norm);
    }
    else if (name == "slidercontrol")
    {
      const int len = e->IntAttribute("length");
      drawFrame(c, e->Attribute("imageId"), pos[0] + static_cast<int>(norm * (len - 14)), pos[1], 0);
    }
    else if (name == "radio")
    {
      drawFrame(c, e->Attribute("imageId"), pos[0], pos[1], 0);
    }
    else if (name == "menucontrol")
    {
      const int v = c.style == 1 ? 200 : 0;
      text(c, pos[0], pos[1], 13, entry(c, e, def), v, v, v);
    }
    else if (name == "multiFx" && std::string(e->Attribute("type")) == "Menu")
    {
      if (numbers(e->Attribute("visible"))[0] == 1)
        text(c, pos[0], pos[1], pos[3], entry(c, e, 0), c.style ? 200 : 255, c.style ? 200 : 173,
             c.style ? 200 : 0);
    }
    else if (name == "dropMenu")
    {
      const std::vector<int> b = numbers(e->Attribute("bounds"));
      const std::string type = e->Attribute("type");
      if (type == "dropSelection")
        text(c, b[0], b[1], b[3], entry(c, e, def), 255, 173, 0);
      else if (type == "deviceSelection")
        text(c, b[0], b[1], b[3], "OFF", 0, 174, 255);
      else
        text(c, b[0], b[1], b[3], type == "nameSelection" ? "Init Sound" : "Bank A", 225, 225, 225);
    }
    else if (name == "display")
    {
      const std::vector<int> b = numbers(e->Attribute("bounds"));
      const int v = c.style == 1 ? 0 : 255;
      text(c, b[0], b[1], b[3], e->Attribute("paramId"), v, v, v);
    }
    else if (name == "patchBrowser")
    {
      const std::vector<int> b = numbers(e->Attribute("bounds"));
      drawFrame(c, e->Attribute("imageId"), b[0], b[1], 0);
    }
  }
}

} // namespace

int main(int argc, char** argv)
{
  if (argc != 6)
  {
    std::fprintf(stderr, "usage: %s <resources> <page> <style> <zone> <out.png>\n", argv[0]);
    return 2;
  }
  Context c;
  c.dir = argv[1];
  c.page = std::atoi(argv[2]);
  c.style = std::atoi(argv[3]);
  c.zone = std::atoi(argv[4]);
  tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
  if (doc.LoadFile((c.dir + "/uiconfig.xml").c_str()) != tinyxml2::XML_SUCCESS)
    return 1;
  const tinyxml2::XMLElement* root = doc.FirstChildElement("uiconfig");
  for (const auto* l = root->FirstChildElement("valueLists")->FirstChildElement("list"); l;
       l = l->NextSiblingElement("list"))
    for (const auto* v = l->FirstChildElement("value"); v; v = v->NextSiblingElement("value"))
      c.lists[l->Attribute("name")].push_back(v->GetText() ? v->GetText() : " ");
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1500, 757);
  c.cr = cairo_create(out);
  resgen::Painter painter;
  c.painter = &painter;
  walk(c, root->FirstChildElement(), 0, false);
  cairo_destroy(c.cr);
  const bool ok = cairo_surface_write_to_png(out, argv[5]) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(out);
  for (auto& i : c.images)
    cairo_surface_destroy(i.second);
  return ok ? 0 : 1;
}
