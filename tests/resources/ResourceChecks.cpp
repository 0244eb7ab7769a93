// The checks of the generated resources.
#include "ResourceChecks.h"

#include "RequiredNames.h"
#include "Tables.h"

#include <cairo.h>

#include <cctype>

#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <sstream>

namespace resources_test
{

namespace
{

std::string two(int n)
{
  return twoDigitName("", n);
}

bool givesRange(const Control& c)
{
  static const std::set<std::string> elements = {"knobcontrol",   "buttoncontrol", "menucontrol",
                                                 "slidercontrol", "switch",        "autooff",
                                                 "radio",         "multiFx"};
  if (c.element == "dropMenu")
    return c.type == "dropSelection" || c.type == "textSelection" || c.type == "nameSelection";
  return elements.count(c.element) > 0;
}

// Control kinds of the sending rule: CC value (type 1), sysex value (type 6), sysex switch (type 5).
bool isCcValue(const Control& c)
{
  return c.type == "ccKnob" || c.type == "ccSliderVer" || c.type == "ccSliderHor" || c.type == "ccMenu";
}
bool isSysexValue(const Control& c)
{
  return c.type == "seKnob" || c.type == "seSliderVer" || c.type == "seSliderHor" || c.type == "seMenu";
}
bool isSysex(const Control& c)
{
  return isSysexValue(c) || c.type == "seButton";
}
// Elements that bind a parameter without a device message of their own.
bool isPlain(const Control& c)
{
  return c.element == "multiFx" || c.element == "dropMenu" || c.element == "display";
}

int effectGroup(int i)
{
  auto in = [i](int a, int b) { return i >= a && i <= b; };
  if (in(3089, 3120) || in(3425, 3456))
    return 1;
  if (in(3121, 3184) || in(3457, 3520))
    return 2;
  if (in(3185, 3280) || in(3521, 3616))
    return 3;
  if (in(3281, 3344) || in(3713, 3776))
    return 4;
  if (in(3345, 3424) || in(3777, 3856))
    return 5;
  if (in(3617, 3632) || in(3649, 3712))
    return 6;
  if (in(3857, 3968))
    return 7;
  return 0;
}

// Template bytes; a token that is not hexadecimal reads as 0, as the control factories read it.
std::vector<int> bytesOf(const std::string& text)
{
  std::vector<int> out;
  std::istringstream s(text);
  std::string token;
  while (s >> token)
    out.push_back(static_cast<int>(std::strtol(token.c_str(), nullptr, 16)));
  return out;
}

std::string describe(const Control& c)
{
  return c.element + " " + c.type + " " + c.attr("paramId") + " in " + c.layer;
}

int sysexIndexOf(const Control& c)
{
  return std::atoi(c.attr("sysexIndex").c_str());
}

} // namespace

int paramIndexOf(const std::string& name)
{
  auto it = UiConfigModel::registry().find(name);
  return it == UiConfigModel::registry().end() ? -1 : it->second;
}

ResourceChecks::ResourceChecks(const UiConfigModel& model, std::string resourcesDir)
    : model_(model), dir_(std::move(resourcesDir))
{
}

std::vector<const Control*> ResourceChecks::bindings(int paramIdx) const
{
  std::vector<const Control*> out;
  for (const auto& c : model_.controls)
    if (c->paramIdx == paramIdx)
      out.push_back(c.get());
  return out;
}

Problems ResourceChecks::vocabulary() const
{
  // Element name -> allowed types ("" for elements without one) and the count of each number list read.
  struct Form
  {
    std::set<std::string> types;
    std::map<std::string, size_t> numbers;
  };
  const std::set<std::string> controlTypes = {"seKnob", "seSliderVer", "seSliderHor", "seButton", "seMenu",
                                              "ccKnob", "ccSliderVer", "ccSliderHor", "ccButton", "ccMenu"};
  const std::map<std::string, size_t> controlNumbers = {{"position", 3}, {"valueBounds", 4}};
  const std::map<std::string, Form> forms = {
      {"valueLists", {{""}, {}}},
      {"background", {{""}, {{"position", 2}}}},
      {"patchBrowser", {{""}, {{"bounds", 4}}}},
      {"display", {{""}, {{"bounds", 4}}}},
      {"switch", {{""}, {{"position", 2}, {"valueBounds", 3}}}},
      {"autooff", {{""}, {{"position", 2}}}},
      {"radio", {{""}, {{"position", 2}}}},
      {"dropMenu", {{"textSelection", "deviceSelection", "nameSelection", "dropSelection"}, {{"bounds", 4}}}},
      {"multiFx", {{"Knob", "Menu"}, {}}},
      {"knobcontrol", {controlTypes, controlNumbers}},
      {"buttoncontrol", {controlTypes, controlNumbers}},
      {"menucontrol", {controlTypes, controlNumbers}},
      {"slidercontrol", {controlTypes, controlNumbers}}};
  Problems p;
  for (const auto& c : model_.controls)
  {
    auto it = forms.find(c->element);
    if (it == forms.end())
    {
      p.push_back("element outside the vocabulary: " + describe(*c));
      continue;
    }
    if (!it->second.types.count(c->type))
      p.push_back("type outside the vocabulary: " + describe(*c));
    std::map<std::string, size_t> numbers = it->second.numbers;
    if (c->element == "multiFx")
    {
      numbers = {{"position", c->type == "Knob" ? 2u : 4u}, {"valueBounds", c->type == "Knob" ? 4u : 3u}};
      if (c->type == "Menu")
        numbers["visible"] = 2;
    }
    if (c->element == "dropMenu" && c->type == "dropSelection")
      numbers["valueBounds"] = 3;
    for (const auto& [attribute, count] : numbers)
      if (c->numbers(attribute).size() < count)
        p.push_back(attribute + " lacks numbers: " + describe(*c));
  }
  return p;
}

Problems ResourceChecks::parameterNames() const
{
  Problems p;
  for (const auto& n : model_.unknownNames)
    p.push_back("unknown parameter name " + n);
  for (const auto& c : model_.controls)
    if (!c->attr("paramId").empty() && (c->paramIdx < 0 || c->paramIdx >= UiConfigModel::kParamCount))
      p.push_back("parameter outside the table: " + describe(*c));
  return p;
}

Problems ResourceChecks::documents() const
{
  // The resource loader reads at most this many bytes; the cipher rounds a document up to 8 bytes.
  const size_t loaderLimit = 4096000;
  Problems p;
  if (!model_.hasBanner)
    p.push_back("a document lacks the generator banner");
  for (const auto& [path, bytes] : model_.documentBytes)
    if (bytes + 7 > loaderLimit)
      p.push_back(path + " is too long for the resource loader");
  for (const auto& path : model_.documentsWithNul)
    p.push_back(path + " holds a NUL byte: the parser would stop there");
  for (const auto& e : model_.parseErrors)
    p.push_back("does not parse: " + e);
  if (model_.documentBytes.size() != 2)
    p.push_back("expected two documents");
  return p;
}

Problems ResourceChecks::namedLayers() const
{
  Problems p;
  for (const auto& n : namedLayerNames())
    if (!model_.layerByName.count(n))
      p.push_back("missing layer " + n);
  return p;
}

Problems ResourceChecks::pageStructure() const
{
  Problems p;
  auto it = model_.layerByName.find("root");
  if (it == model_.layerByName.end())
    return {"missing layer root"};
  const Layer* root = it->second;
  if (root->sublayers.size() < 6)
    return {"root holds fewer than six pages"};
  for (int page = 0; page < 6; ++page)
    if (root->sublayers[page]->id != page)
      p.push_back("page at position " + std::to_string(page) + " has id " +
                  std::to_string(root->sublayers[page]->id));
  const std::map<int, std::vector<int>>& zones = pageZones();
  for (const auto& [page, ids] : zones)
  {
    const Layer* pageLayer = root->sublayers[page].get();
    if (pageLayer->sublayers.size() < 16)
    {
      p.push_back(pageLayer->name + " holds fewer than sixteen parts");
      continue;
    }
    for (int part = 0; part < 16; ++part)
    {
      const Layer* partLayer = pageLayer->sublayers[part].get();
      if (partLayer->id != part)
        p.push_back(pageLayer->name + " position " + std::to_string(part) + " is not part " +
                    std::to_string(part));
      std::set<int> present;
      for (const auto& z : partLayer->sublayers)
        present.insert(z->id);
      for (int id : ids)
        if (!present.count(id))
          p.push_back(pageLayer->name + " part " + std::to_string(part) + " lacks zone " +
                      std::to_string(id));
      // Zone ids below 10 would be hidden by every zone switch of the page.
      if (!present.empty() && *present.begin() < 10)
        p.push_back(pageLayer->name + " part " + std::to_string(part) + " has a zone id below 10");
    }
  }
  return p;
}

Problems ResourceChecks::valueLists() const
{
  const std::map<std::string, size_t>& sizes = valueListSizes();
  Problems p;
  for (const auto& [name, size] : sizes)
  {
    auto it = model_.valueLists.find(name);
    if (it == model_.valueLists.end())
    {
      p.push_back("missing value list " + name);
      continue;
    }
    if (it->second.size() != size)
      p.push_back("value list " + name + " holds " + std::to_string(it->second.size()) + " texts, not " +
                  std::to_string(size));
    for (const auto& text : it->second)
      if (text.empty())
        p.push_back("value list " + name + " holds an empty text");
  }
  // The MIDI clock job reads the tempo list as whole numbers of beats per minute.
  auto tempo = model_.valueLists.find("tempoValues");
  if (tempo != model_.valueLists.end())
    for (const auto& t : tempo->second)
      if (std::atoi(t.c_str()) <= 0)
        p.push_back("tempo " + t + " is not a number");
  return p;
}

Problems ResourceChecks::menuLists() const
{
  Problems p;
  for (const auto& c : model_.controls)
  {
    const bool menu = c->type == "seMenu" || c->type == "ccMenu" || c->type == "dropSelection" ||
                      (c->element == "multiFx" && c->type == "Menu");
    if (!menu)
      continue;
    const std::vector<int> vb = c->numbers("valueBounds");
    if (vb.size() < 3)
    {
      p.push_back("menu without three bounds: " + describe(*c));
      continue;
    }
    const int count = vb[2] - vb[1];
    const std::string list = c->attr("valueList");
    if (!list.empty())
    {
      auto it = model_.valueLists.find(list);
      if (it == model_.valueLists.end())
        p.push_back("menu names a missing list " + list + ": " + describe(*c));
      else if (static_cast<int>(it->second.size()) != count)
        p.push_back("list " + list + " of " + std::to_string(it->second.size()) + " texts does not fit " +
                    std::to_string(count) + " entries: " + describe(*c));
    }
    else
    {
      // Without a fitting list the factory needs a display range, or it builds no control at all.
      const std::string display = c->attr("valueDisplay");
      const size_t colon = display.find(':');
      const bool range = colon != std::string::npos && colon > 0 && colon + 1 < display.size() &&
                         std::atoi(display.c_str()) != std::atoi(display.c_str() + colon + 1);
      if (!range || c->type == "dropSelection")
        p.push_back("menu with neither a list nor a display range: " + describe(*c));
    }
    if (vb[0] < 0 || vb[0] >= std::max(count, 1))
      p.push_back("menu default outside its entries: " + describe(*c));
  }
  return p;
}

Problems ResourceChecks::images() const
{
  Problems p;
  std::set<std::string> named = {"BUTTON_LIB_CANCEL_ID", "PROGRESS_INDICATOR_ID", "MAIN_BG_FRAME_ID"};
  for (const auto& c : model_.controls)
    if (!c->attr("imageId").empty())
      named.insert(c->attr("imageId"));
  for (const auto& n : named)
    for (int style = 0; style < 2; ++style)
      if (!resgen::findImage(n, style))
        p.push_back("image " + n + " missing in style " + std::to_string(style));
  for (const auto& spec : resgen::imageSpecs())
  {
    const std::string path = dir_ + "/img/" + spec.file + ".png";
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS)
    {
      cairo_surface_destroy(s);
      p.push_back("cannot read " + path);
      continue;
    }
    const int w = cairo_image_surface_get_width(s);
    const int h = cairo_image_surface_get_height(s);
    cairo_surface_destroy(s);
    const int frames = spec.frames < 1 ? 1 : spec.frames;
    const int along = spec.horizontal ? w : h;
    const int across = spec.horizontal ? h : w;
    const int frameSize = spec.horizontal ? spec.width : spec.height;
    const int crossSize = spec.horizontal ? spec.height : spec.width;
    if (along % frames != 0 || along / frames != frameSize || across != crossSize)
      p.push_back(std::string(spec.name) + ": " + std::to_string(w) + " x " + std::to_string(h) +
                  " does not fit " + std::to_string(frames) + " frames");
  }
  return p;
}

Problems ResourceChecks::templates() const
{
  Problems p;
  if (model_.templates.empty())
    p.push_back("the sysex template list is empty");
  for (size_t i = 0; i < model_.templates.size(); ++i)
  {
    const std::vector<int> bytes = bytesOf(model_.templates[i]);
    const std::string at = "template " + std::to_string(i) + " \"" + model_.templates[i] + "\"";
    if (bytes.size() != 8)
      p.push_back(at + " is not 8 bytes");
    if (!bytes.empty() && (bytes.front() == 0xF0 || bytes.back() == 0xF7))
      p.push_back(at + " is framed");
    for (int b : bytes)
      if (b > 0x7F)
      {
        p.push_back(at + " carries a value above 127");
        break;
      }
    if (bytes.size() >= 2 && (bytes[0] != 0x3E || bytes[1] != 0x13))
      p.push_back(at + " is not addressed to the synthesizer");
  }
  for (const auto& c : model_.controls)
    if (isSysex(*c))
    {
      const int i = sysexIndexOf(*c);
      if (i < 0 || i >= static_cast<int>(model_.templates.size()))
        p.push_back("sysex index outside the list: " + describe(*c));
      else if (std::atoi(c->attr("changingByte").c_str()) != 8)
        p.push_back("value byte is not the eighth: " + describe(*c));
    }
  return p;
}

Problems ResourceChecks::keyCollisions() const
{
  // Parameters that share one packed byte of the sound data also share its address.
  const std::map<int, int>& packedFamily = packedFamilies();
  std::map<std::vector<int>, std::set<int>> byKey;
  for (const auto& c : model_.controls)
  {
    if (!isSysex(*c))
      continue;
    const int index = sysexIndexOf(*c);
    if (index < 0 || index >= static_cast<int>(model_.templates.size()))
      continue; // reported by templates()
    std::vector<int> m = bytesOf(model_.templates[index]);
    if (m.size() < 7)
      continue;
    const std::vector<int> vb = c->numbers("valueBounds");
    const int changing = std::atoi(c->attr("changingByte").c_str()) & 0xFF;
    int start = vb.size() > 1 ? vb[1] : 0;
    if (c->type == "seButton")
      start = 0;
    if (c->type == "seSliderVer" || c->type == "seSliderHor")
      start += std::atoi(c->attr("msgZeroVal").c_str());
    if (c->part > 0)
      m[4] = c->part;
    if (changing >= 1 && changing <= static_cast<int>(m.size()))
      m[changing - 1] = start == 128 ? 0 : start;
    const int first = changing == 7 ? 2 : 3;
    std::vector<int> key(m.begin() + first, m.begin() + first + 4);
    key.push_back(c->type == "seKnob" ? effectGroup(c->paramIdx) : 0);
    byKey[key].insert(c->paramIdx);
  }
  Problems p;
  for (const auto& [key, params] : byKey)
  {
    std::set<int> families;
    for (int param : params)
      families.insert(packedFamily.count(param) ? packedFamily.at(param) : -param - 1);
    if (families.size() > 1)
    {
      std::ostringstream s;
      s << "sysex key " << key[0] << " " << key[1] << " " << key[2] << " " << key[3] << " group " << key[4]
        << " is shared by parameters";
      for (int param : params)
        s << " " << param;
      p.push_back(s.str());
    }
  }
  return p;
}

Problems ResourceChecks::sendingRules() const
{
  Problems p;
  auto every =
      [&](int first, int count, const std::function<bool(const Control&)>& rule, const std::string& what)
  {
    for (int i = first; i < first + count; ++i)
      for (const Control* c : bindings(i))
        if (!isPlain(*c) && !rule(*c))
          p.push_back(what + " bound as " + c->element + " " + c->type + ": parameter " + std::to_string(i));
  };
  for (const char* n : {"kOscillator1Octave", "kOscillator2Octave", "kOscillator3Octave",
                        "kOscillator1Semitone", "kOscillator2Semitone", "kOscillator3Semitone"})
    every(paramIndexOf(n), 16, isCcValue, "octave or semitone");
  for (const char* n :
       {"kOscillatorMonoPolyMode", "kOscillatorUnisono", "kFilterEnvMode", "kFilterEnvTrigger", "kAmpEnvMode",
        "kAmpEnvTrigger", "kEnvelope3Mode", "kEnv3Trigger", "kEnvelope4Mode", "kEnv4Trigger"})
    every(paramIndexOf(n), 16, isSysexValue, "packed parameter");
  for (int s = 1; s <= 16; ++s)
  {
    const std::string n = "kArpPattern" + two(s);
    for (const char* f : {"Step", "Accent", "Timing", "StepLen"})
      every(paramIndexOf(n + f), 16, isSysexValue, "packed arpeggiator step");
    every(
        paramIndexOf(n + "Glide"), 16, [](const Control& c) { return c.type == "seButton"; },
        "arpeggiator glide");
  }
  const int midiCh = paramIndexOf("kMultiPartMIDICh");
  every(midiCh, paramIndexOf("kMultiPartVeloHigh") + 16 - midiCh, isSysexValue, "multi setting");
  const int receive = paramIndexOf("kReceiveMIDI");
  every(
      receive, paramIndexOf("kMultiTempo") + 1 - receive,
      [](const Control& c) { return isSysexValue(c) || c.type == "seButton"; }, "multi setting");
  const int global = paramIndexOf("kGlobalVelocityCurve");
  every(
      global, paramIndexOf("kGlobalTranspose") + 1 - global,
      [](const Control& c) { return isSysexValue(c) || c.type == "seButton"; }, "global setting");
  every(
      paramIndexOf("kMultiPartStatus"), 16, [](const Control& c) { return c.type == "seButton"; },
      "part status");
  const int effects = paramIndexOf("kFX1ChorusSpeed");
  every(
      effects, paramIndexOf("kEffect1Mode") - effects, [](const Control& c) { return c.type == "seKnob"; },
      "effect parameter");
  // Multi and global settings must not look like sound parameter changes.
  for (int i = paramIndexOf("kMultiPartStatus"); i < paramIndexOf("kMultiMasterVolume") + 2; ++i)
    for (const Control* c : bindings(i))
      if (isSysex(*c))
      {
        const int t = sysexIndexOf(*c);
        if (t >= 0 && t < static_cast<int>(model_.templates.size()) &&
            bytesOf(model_.templates[t]).size() > 3 && bytesOf(model_.templates[t])[3] == 0x20)
          p.push_back("multi or global setting with a sound template: " + describe(*c));
      }
  return p;
}

Problems ResourceChecks::dumpRanges() const
{
  std::set<int> ranged;
  for (const auto& c : model_.controls)
    if (c->paramIdx >= 0 && givesRange(*c))
      ranged.insert(c->paramIdx);
  Problems p;
  for (const auto& [index, name] : dumpParameters())
    if (index < 0)
      p.push_back("dump parameter " + name + " is not in the table");
    else if (!ranged.count(index))
      p.push_back(name + " has no range");
  return p;
}

Problems ResourceChecks::reachability() const
{
  std::set<int> edited;
  for (const auto& c : model_.controls)
    if (c->paramIdx >= 0 && givesRange(*c) && c->layer.rfind("rangesPart", 0) != 0 &&
        c->layer != "parameterRanges")
      edited.insert(c->paramIdx);
  Problems p;
  auto block = [&](const std::string& name, int parts)
  {
    const int base = paramIndexOf(name);
    for (int part = 0; part < parts; ++part)
      if (base < 0 || !edited.count(base + part))
        p.push_back(name + " of part " + std::to_string(part + 1) + " has no control on the pages");
  };
  for (const auto& s : resgen::soundParams())
    block(s.name, 16);
  for (const auto& e : resgen::effectParams())
    block(e.name, e.fx == 1 ? 16 : 1);
  for (int s = 1; s <= 16; ++s)
  {
    for (const char* f : {"Step", "Glide", "Accent", "Timing", "StepLen"})
      block("kArpPattern" + two(s) + f, 16);
    for (const char* f : {"Source", "Destination", "Amount"})
      block("kModulation" + two(s) + f, 16);
  }
  for (const char* n : {"kPatchName", "kCategoryName", "kOscillator1Wavetable", "kOscillator2Wavetable",
                        "kOscillator1Sample", "kOscillator2Sample"})
    block(n, 16);
  return p;
}

Problems ResourceChecks::requiredControls() const
{
  Problems p;
  for (const char* n :
       {"kControlDisplayName", "kControlDisplayValue", "kControlDisplayCC", "kControlDisplayCategory",
        "kControlDisplayPatch", "kControlDisplayBuild", "kControlDisplayMIDIOutDelay", "kControlLibrary"})
  {
    const auto b = bindings(paramIndexOf(n));
    if (b.empty() || b.front()->element != "display")
      p.push_back(std::string(n) + " is not bound first to a display");
  }
  for (const char* n :
       {"kRandomize", "kDatatype", "kPatchSearch", "kKeepSelectedBank", "kPatchRename", "kDeviceOutSelection",
        "kDeviceInSelection", "kPatchSelectionListUpper", "kPatchSelectionListLower", "kMainTab", "kQuickTab",
        "kOverrideTempo", "kLibrarianArea", "kCancelDataRequest"})
  {
    // The editor core builds the cancel buttons itself; every other one comes from the description.
    if (std::string(n) != "kCancelDataRequest" && bindings(paramIndexOf(n)).empty())
      p.push_back(std::string(n) + " has no control");
  }
  auto radioButtons = [&](const char* n, const char* count)
  {
    const auto b = bindings(paramIndexOf(n));
    if (b.empty() || b.front()->element != "radio" || b.front()->attr("buttons") != count)
      p.push_back(std::string(n) + " is not a radio of " + count + " buttons");
  };
  radioButtons("kMainTab", "6");
  radioButtons("kQuickTab", "16");
  for (int part = 0; part < 16; ++part)
  {
    const auto b = bindings(paramIndexOf("kMultiPartMIDICh") + part);
    if (b.empty() || b.front()->type != "seMenu")
      p.push_back("the channel of part " + std::to_string(part + 1) + " is not first a menu");
  }
  auto inside = [](const std::vector<int>& r, int l, int t, int rr, int b)
  { return r.size() >= 4 && r[0] >= l && r[1] >= t && r[0] + r[2] <= rr && r[1] + r[3] <= b; };
  // The bank and program of every part lie under the editor core's selector menus.
  for (int part = 0; part <= 16; ++part)
  {
    const std::string name = part == 16 ? "bankAndProgramMulti" : "bankAndProgram" + two(part + 1);
    auto it = model_.layerByName.find(name);
    if (it == model_.layerByName.end())
      continue; // reported by namedLayers()
    int bank = 0, program = 0;
    for (const Control* c : it->second->controls)
    {
      if (c->element != "multiFx")
        continue;
      bank += inside(c->numbers("position"), 1142, 60, 1180, 84);
      program += inside(c->numbers("position"), 1184, 60, 1229, 84);
    }
    if (bank != 1 || program != 1)
      p.push_back(name + " lacks its bank or program display under the selector menus");
  }
  const auto upper = bindings(paramIndexOf("kPatchSelectionListUpper"));
  const auto lower = bindings(paramIndexOf("kPatchSelectionListLower"));
  if (upper.empty() || !inside(upper.front()->numbers("bounds"), 394, 188, 810, 207))
    p.push_back("the upper bank name does not lie under its menu");
  if (lower.empty() || !inside(lower.front()->numbers("bounds"), 394, 461, 810, 480))
    p.push_back("the lower bank name does not lie under its menu");
  return p;
}

Problems ResourceChecks::displayNames() const
{
  Problems p;
  for (const auto& c : model_.controls)
  {
    if (c->paramIdx < 0)
      continue;
    const std::string name = c->attr("name");
    // The parameter's own name in small letters, as a control without a caption might show it glued.
    const std::string reference = c->attr("paramId");
    std::string glued;
    int capitals = 0;
    for (size_t i = 1; i < reference.size() && reference[i] != '+'; ++i)
    {
      capitals += std::isupper(static_cast<unsigned char>(reference[i])) ? 1 : 0;
      glued += static_cast<char>(std::tolower(static_cast<unsigned char>(reference[i])));
    }
    std::istringstream words(name);
    std::string word;
    std::string previous;
    bool raw = false;
    bool doubled = false;
    while (words >> word)
    {
      std::string lower;
      for (char ch : word)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      doubled = doubled || lower == previous;
      previous = lower;
      raw = raw || (capitals > 1 && lower == glued);
      // A parameter's own name: "k" before a capital, an underscore, or a capital right after a small letter.
      raw = raw || (word.size() > 1 && word[0] == 'k' && std::isupper(static_cast<unsigned char>(word[1]))) ||
            word.find('_') != std::string::npos;
      for (size_t i = 1; i < word.size(); ++i)
        raw = raw || (std::islower(static_cast<unsigned char>(word[i - 1])) &&
                      std::isupper(static_cast<unsigned char>(word[i])));
    }
    if (doubled)
      p.push_back("control of " + c->attr("paramId") + " repeats a word in its name \"" + name + "\"");
    if (raw)
      p.push_back("control of " + c->attr("paramId") + " shows a raw name \"" + name + "\"");
  }
  return p;
}

Problems ResourceChecks::all() const
{
  Problems p;
  for (const auto& part : {documents(), vocabulary(), parameterNames(), namedLayers(), pageStructure(),
                           valueLists(), menuLists(), images(), templates(), keyCollisions(), sendingRules(),
                           dumpRanges(), reachability(), requiredControls(), displayNames()})
    p.insert(p.end(), part.begin(), part.end());
  return p;
}

} // namespace resources_test
