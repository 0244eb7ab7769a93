// UIConfigManager: the walk of the UI description into layers and controls, and its small text readers.
#include "UIConfigManager.h"

#include "ControlLayer.h"
#include "IControl.h"
#include "IGraphics.h"
#include "Korvid.h"
#include "LibrarianViewControl.h"
#include "ParamIndex.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <set>
#include <utility>

namespace
{
// Layer elements: all alike, the name chooses nothing else.
const char* const kLayerElements[] = {"layer",         "fxlayer",          "multifxlayer",
                                      "envelopelayer", "oscillator1layer", "oscillator2layer",
                                      "modlayer",      "banklayer"};
// Control elements: all alike, the "type" attribute chooses the factory.
const char* const kControlElements[] = {"knobcontrol", "buttoncontrol", "menucontrol", "slidercontrol"};
// Read by the value-list reader; the walk builds nothing for it.
const char* const kValueListsElement = "valueLists";

// Text height of the sysex and CC drop-downs, unscaled pixels.
constexpr int kMenuTextSize = 13;
// A changing byte is a byte position: only its low 8 bits count.
constexpr int kChangingByteMask = 0xFF;

// Counts of the number lists an element reads.
constexpr int kPositionCount = 2;
constexpr int kBoundsCount = 4;
constexpr int kControlPositionCount = 3;
constexpr int kControlValueBoundsCount = 4;
constexpr int kSwitchValueBoundsCount = 3;
constexpr int kMenuValueBoundsCount = 3;
constexpr int kKnobValueBoundsCount = 4;
constexpr int kMultiFxMenuPositionCount = 4;
constexpr int kInputDevCount = 2;
constexpr int kVisibleCount = 2;

bool isOneOf(const char* name, const char* const* names, std::size_t count)
{
  for (std::size_t i = 0; i < count; ++i)
  {
    if (std::strcmp(name, names[i]) == 0)
      return true;
  }
  return false;
}

// True when text begins with a decimal number: blanks, an optional sign, then a digit.
bool beginsWithNumber(const char* text)
{
  if (text == nullptr)
    return false;
  while (*text == ' ' || *text == '\t')
    ++text;
  const char* digits = (*text == '+' || *text == '-') ? text + 1 : text;
  return std::isdigit(static_cast<unsigned char>(*digits)) != 0;
}

// Reads the leading decimal int of text: blanks skipped, an optional sign, then digits up to the first other
// character. False, value untouched, when text does not begin with a number or the number leaves int.
bool readLeadingInt(const char* text, int& value)
{
  if (!beginsWithNumber(text))
    return false;
  errno = 0;
  char* end = nullptr;
  const long long read = std::strtoll(text, &end, 10);
  if (errno == ERANGE || read < INT_MIN || read > INT_MAX)
    return false;
  value = static_cast<int>(read);
  return true;
}
} // namespace

// Reads the attributes of one element and reports what is wrong with them. A fault that leaves the element
// unusable (a number list with missing numbers) clears ok; a malformed single value is logged and its
// default kept.
struct UIConfigManager::ElementReader
{
  ElementReader(tinyxml2::XMLElement* elementIn, const UIConfigManager& managerIn, int part)
      : element(elementIn), manager(managerIn), name(elementIn->Value())
  {
    // The attributes are looked up many times each: their names and values are taken once.
    for (const tinyxml2::XMLAttribute* a = element->FirstAttribute(); a != nullptr; a = a->Next())
      attributes.emplace_back(a->Name(), a->Value());
    label = name;
    const char* given = attribute("name");
    if (given == nullptr || *given == '\0')
      given = attribute("paramId");
    if (given != nullptr && *given != '\0')
      label += std::string(" \"") + given + "\"";
    if (part >= 0)
      label += " in part " + std::to_string(part + 1);
  }

  // The value of the attribute, or null when the element has none of that name (the first one counts, as
  // tinyxml2 keeps one attribute per name).
  const char* attribute(const char* attributeName) const
  {
    for (const auto& entry : attributes)
      if (std::strcmp(entry.first, attributeName) == 0)
        return entry.second;
    return nullptr;
  }

  bool has(const char* attribute) const { return this->attribute(attribute) != nullptr; }

  std::string text(const char* attribute) const
  {
    const char* value = this->attribute(attribute);
    return value != nullptr ? std::string(value) : std::string();
  }

  // A decimal int; an absent attribute gives defaultValue, a malformed one too (logged).
  int integer(const char* attribute, int defaultValue = 0)
  {
    const char* value = this->attribute(attribute);
    if (value == nullptr)
      return defaultValue;
    int read = defaultValue;
    if (!readLeadingInt(value, read))
      report(std::string("attribute ") + attribute + " \"" + value + "\" is not a number");
    return read;
  }

  // An int (non-zero is true), "true" or "false"; anything else is false (logged).
  bool boolean(const char* attribute)
  {
    const char* value = this->attribute(attribute);
    if (value == nullptr)
      return false;
    if (std::strcmp(value, "true") == 0)
      return true;
    if (std::strcmp(value, "false") == 0)
      return false;
    int read = 0;
    if (!readLeadingInt(value, read))
      report(std::string("attribute ") + attribute + " \"" + value + "\" is not a truth value");
    return read != 0;
  }

  // The first count numbers of a comma-separated list. An absent list, or one with fewer readable numbers,
  // makes the element unusable: logged, ok cleared, zeros returned.
  std::vector<int> numbers(const char* attribute, int count)
  {
    std::vector<int> values(static_cast<std::size_t>(count), 0);
    const char* value = this->attribute(attribute);
    if (value == nullptr)
    {
      fail(std::string("attribute ") + attribute + " is missing (" + std::to_string(count) + " numbers)");
      return values;
    }
    if (UIConfigManager::getCSValues(value, values.data(), count) < count)
    {
      fail(std::string("attribute ") + attribute + " \"" + value + "\" holds fewer than " +
           std::to_string(count) + " numbers");
      std::fill(values.begin(), values.end(), 0);
    }
    return values;
  }

  // Two ints separated by ":"; -1 and -1 when absent or not exactly two parts (a malformed pair is logged).
  void pair(const char* attribute, int& first, int& second)
  {
    first = -1;
    second = -1;
    const char* value = this->attribute(attribute);
    if (value == nullptr)
      return;
    std::vector<std::string> parts;
    UIConfigManager::Tokenize(value, parts, ":");
    bool whole = parts.size() == 2;
    if (whole)
    {
      whole = readLeadingInt(parts[0].c_str(), first);
      whole = readLeadingInt(parts[1].c_str(), second) && whole;
    }
    if (!whole)
      report(std::string("attribute ") + attribute + " \"" + value + "\" is not two numbers separated by :");
  }

  // Logs problem once per element (an attribute read twice is reported once).
  void report(const std::string& problem)
  {
    if (reported.insert(problem).second)
      manager.logDebug("CONFIG READER: " + label + ": " + problem);
  }

  void fail(const std::string& problem)
  {
    ok = false;
    report(problem + ", element skipped");
  }

  tinyxml2::XMLElement* element;
  // Name and value of every attribute, in document order.
  std::vector<std::pair<const char*, const char*>> attributes;
  const UIConfigManager& manager;
  std::string name;
  // The element as log lines name it: its name and its "name" or "paramId".
  std::string label;
  bool ok = true;
  std::set<std::string> reported;
};

void UIConfigManager::Tokenize(const std::string& text, std::vector<std::string>& tokens,
                               const std::string& delimiters)
{
  std::size_t pos = text.find_first_not_of(delimiters);
  while (pos != std::string::npos)
  {
    const std::size_t end = text.find_first_of(delimiters, pos);
    tokens.push_back(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    pos = text.find_first_not_of(delimiters, end);
  }
}

int UIConfigManager::getCSValues(std::string text, int* values, int count)
{
  if (values == nullptr || count <= 0)
    return 0;
  std::vector<std::string> tokens;
  Tokenize(text, tokens, ",");
  const std::size_t used = std::min(tokens.size(), static_cast<std::size_t>(count));
  int read = 0;
  for (std::size_t i = 0; i < used; ++i)
  {
    if (readLeadingInt(tokens[i].c_str(), values[i]))
      ++read;
  }
  return read;
}

void UIConfigManager::getBiDirectLinkValues(std::string text, int* values, int offset)
{
  if (values == nullptr)
    return;
  values[0] = values[1] = values[2] = -1;
  std::vector<std::string> tokens;
  Tokenize(text, tokens, ",");
  if (tokens.size() < 2)
    return;
  // An unregistered name stays -1: with the offset added it would name a neighbouring parameter.
  for (int i = 0; i < 2; ++i)
  {
    const int index = getParamByName(tokens[static_cast<std::size_t>(i)]);
    values[i] = index >= 0 ? index + offset : -1;
  }
  if (tokens.size() == 3)
    readLeadingInt(tokens[2].c_str(), values[2]);
}

const char* UIConfigManager::getParamGroup(int part, std::string group)
{
  if (part >= 0)
  {
    groupText = "Part " + std::to_string(part + 1);
    if (!group.empty())
      groupText += ":" + group;
    return groupText.c_str();
  }
  if (group.empty())
    return "";
  groupText = group;
  return groupText.c_str();
}

void UIConfigManager::copyIntVector(std::vector<int>* from, std::vector<int>* to)
{
  if (from == nullptr || to == nullptr || from == to)
    return;
  to->insert(to->end(), from->begin(), from->end());
}

void UIConfigManager::setSampleNames(std::vector<std::string> names)
{
  sampleNames = std::move(names);
  sampleNamesGiven = true;
}

void UIConfigManager::processXMLElement(tinyxml2::XMLNode* node, ControlLayer* layer, int part)
{
  if (layer == nullptr && graphics == nullptr)
  {
    if (node != nullptr)
      logDebug("CONFIG READER: no drawing surface, the UI description builds nothing");
    return;
  }
  // Siblings in a loop, children by recursion: depth first, in document order.
  for (; node != nullptr; node = node->NextSibling())
  {
    tinyxml2::XMLElement* element = node->ToElement();
    if (element != nullptr)
      buildElement(element, layer, part);
  }
}

void UIConfigManager::buildElement(tinyxml2::XMLElement* element, ControlLayer* layer, int part)
{
  ElementReader reader(element, *this, part);
  const char* name = element->Value();
  const bool isLayer = isOneOf(name, kLayerElements, std::size(kLayerElements));
  const bool isMultiLayer = std::strcmp(name, "multilayer") == 0;

  int paramIdx = -1;
  std::string problem;
  const bool paramOk = resolveParamReference(reader.text("paramId"), part, paramIdx, problem);
  // A reference to no parameter never binds another one: a control is skipped, a layer keeps its contents.
  if (!paramOk && !isLayer && !isMultiLayer)
  {
    reader.fail(problem);
    return;
  }
  if (!paramOk)
    reader.report(problem + ", the layer is built without it");
  else if (!problem.empty())
    reader.report(problem);

  const bool isControl = std::strcmp(name, "display") == 0 || std::strcmp(name, "switch") == 0 ||
                         std::strcmp(name, "autooff") == 0 || std::strcmp(name, "radio") == 0 ||
                         std::strcmp(name, "dropMenu") == 0 || std::strcmp(name, "multiFx") == 0 ||
                         isOneOf(name, kControlElements, std::size(kControlElements));
  if (isControl && paramIdx < 0)
  {
    reader.fail("no paramId");
    return;
  }
  const int channel = reader.integer("channel", 0);

  if (isLayer)
    buildLayer(reader, layer, part);
  else if (isMultiLayer)
    buildMultiLayer(reader, layer, part);
  else if (std::strcmp(name, "patchBrowser") == 0)
    buildPatchBrowser(reader, layer);
  else if (std::strcmp(name, "background") == 0)
    buildBackground(reader, layer);
  else if (std::strcmp(name, "multiFx") == 0)
    buildMultiFx(reader, paramIdx, layer, part);
  else if (isOneOf(name, kControlElements, std::size(kControlElements)))
    buildControlElement(reader, paramIdx, layer, part);
  else if (isControl)
    buildPlainElement(reader, paramIdx, layer, part);
  else if (std::strcmp(name, kValueListsElement) != 0)
    reader.report("unknown element, nothing built");

  if (!reader.ok || !paramOk || paramIdx < 0)
    return;
  // The part of the parameter's control action; after every element that names it, so the last one wins.
  IPlugBase* base = plug;
  IParam* param = base != nullptr ? base->GetParam(paramIdx) : nullptr;
  if (param != nullptr && param->GetAction() != nullptr)
    param->GetAction()->part = part >= 0 ? part : channel - 1;
}

bool UIConfigManager::resolveParamReference(const std::string& reference, int part, int& index,
                                            std::string& problem)
{
  index = -1;
  problem.clear();
  if (reference.empty())
    return true;
  std::vector<std::string> pieces;
  Tokenize(reference, pieces, "+");
  if (pieces.empty())
  {
    problem = "paramId \"" + reference + "\" names no parameter";
    return false;
  }
  const int named = getParamByName(pieces[0]);
  if (named < 0)
  {
    problem = "unknown parameter \"" + pieces[0] + "\"";
    return false;
  }
  int offset = 0;
  if (pieces.size() >= 2 && !readLeadingInt(pieces[1].c_str(), offset))
  {
    // An offset too large for an int names no parameter; read as 0 it would bind the base parameter.
    if (beginsWithNumber(pieces[1].c_str()))
    {
      problem = "paramId \"" + reference + "\" has an offset outside the parameters";
      return false;
    }
    problem = "paramId \"" + reference + "\" has no number after +";
  }
  if (pieces.size() > 2)
    problem = "paramId \"" + reference + "\" has more than one offset";

  const long long resolved = static_cast<long long>(named) + (part > 0 ? part : 0) + offset;
  IPlugBase* base = plug;
  const long long count = base != nullptr ? base->NParams() : kParamIndexCount;
  if (resolved < 0 || resolved >= count)
  {
    problem = "paramId \"" + reference + "\" in part " + std::to_string(part) + " gives index " +
              std::to_string(resolved) + ", outside the parameters";
    return false;
  }
  index = static_cast<int>(resolved);
  return true;
}

std::vector<std::string> UIConfigManager::valueListFor(const std::string& name, const std::string& element)
{
  if (!name.empty() && !hasValueList(name))
    logDebug("CONFIG READER: " + element + ": unknown value list \"" + name + "\"");
  return getValueList(name);
}

void UIConfigManager::buildLayer(ElementReader& reader, ControlLayer* layer, int part)
{
  const std::string name = reader.text("name");
  if (name.empty())
  {
    reader.fail("layer without a name, its contents are not built");
    return;
  }
  const int id = reader.integer("id", 0);
  const bool overlay = reader.text("overlay") == "true";

  auto* created = new ControlLayer(id, name);
  if (layer != nullptr)
    layer->AddSubLayer(created);
  else
    graphics->AttachLayer(created);
  layerByName[name] = created;
  processXMLElement(reader.element->FirstChild(), created, part);
  // After the children: an enclosing layer's setting reaches its whole tree.
  created->setIgnoreHiddenWhenUpdatingScreen(overlay);
}

void UIConfigManager::buildMultiLayer(ElementReader& reader, ControlLayer* layer, int)
{
  const int copies = reader.integer("create", 0);
  const std::string name = reader.text("name");
  for (int copy = 0; copy < copies; ++copy)
  {
    const std::string copyName = name + std::to_string(copy);
    auto* created = new ControlLayer(copy, copyName);
    // Each copy is built with its own number as the part; an enclosing part is not used inside.
    processXMLElement(reader.element->FirstChild(), created, copy);
    layerByName[copyName] = created;
    if (layer != nullptr)
      layer->AddSubLayer(created);
    else
      graphics->AttachLayer(created);
  }
}

void UIConfigManager::buildPatchBrowser(ElementReader& reader, ControlLayer* layer)
{
  IBitmap bitmap = getImageByName(graphics, reader.text("imageId"));
  const std::vector<int> bounds = reader.numbers("bounds", kBoundsCount);
  if (!reader.ok)
    return;
  const int x = scaled(bounds[0]);
  const int y = scaled(bounds[1]);
  const IRECT rect(x, y, clampedInt(static_cast<double>(x) + scaled(bounds[2])),
                   clampedInt(static_cast<double>(y) + scaled(bounds[3])));
  auto* view = new LibrarianViewControl(plug, x, y, kLibrarianArea, &bitmap, rect, librarian, uiScale);
  if (placeControl(view, layer))
    librarianView = view;
}

void UIConfigManager::buildBackground(ElementReader& reader, ControlLayer* layer)
{
  IBitmap bitmap = getImageByName(graphics, reader.text("imageId"));
  const std::vector<int> position = reader.numbers("position", kPositionCount);
  if (!reader.ok)
    return;
  placeControl(new IBitmapControl(plug, scaled(position[0]), scaled(position[1]), -1, &bitmap), layer);
}

void UIConfigManager::buildPlainElement(ElementReader& reader, int paramIdx, ControlLayer* layer, int part)
{
  const std::string& element = reader.name;
  const std::string name = reader.text("name");
  const std::string imageName = reader.text("imageId");
  const std::string group = reader.text("paramGroup");

  if (element == "display")
  {
    const std::vector<int> bounds = reader.numbers("bounds", kBoundsCount);
    const bool white = reader.integer("white", 0) != 0;
    if (reader.ok)
      createControlDisplay("Display", paramIdx, bounds[0], bounds[1], bounds[2], bounds[3], part, layer,
                           group, white);
  }
  else if (element == "switch")
  {
    const std::vector<int> position = reader.numbers("position", kPositionCount);
    const std::vector<int> valueBounds = reader.numbers("valueBounds", kSwitchValueBoundsCount);
    if (reader.ok)
      createBoolControl(name, paramIdx, valueBounds[0], position[0], position[1], imageName, part, layer,
                        group);
  }
  else if (element == "autooff")
  {
    const std::vector<int> position = reader.numbers("position", kPositionCount);
    if (reader.ok)
      createSwitchControl(name, paramIdx, 0, position[0], position[1], imageName, part, layer, group);
  }
  else if (element == "radio")
  {
    const std::vector<int> position = reader.numbers("position", kPositionCount);
    const int buttons = reader.integer("buttons", 0);
    const bool horizontal = reader.boolean("horizontal");
    if (reader.ok)
      createRadioControl(name, paramIdx, position[0], position[1], imageName, buttons, part, layer, group,
                         horizontal);
  }
  else // dropMenu
  {
    const std::string type = reader.text("type");
    if (type != "textSelection" && type != "deviceSelection" && type != "nameSelection" &&
        type != "dropSelection")
    {
      reader.report("unknown type \"" + type + "\", nothing built");
      return;
    }
    const std::vector<int> bounds = reader.numbers("bounds", kBoundsCount);
    if (type == "textSelection" && reader.ok)
    {
      createDropDownMenu(name, paramIdx, bounds[0], bounds[1], bounds[2], bounds[3], part, layer, group);
    }
    else if (type == "deviceSelection")
    {
      const std::vector<int> inputDev = reader.numbers("inputDev", kInputDevCount);
      if (reader.ok)
        createMIDIDeviceSelectionControl("MIDI Setup", paramIdx, bounds[0], bounds[1], bounds[2], bounds[3],
                                         inputDev[0], part, layer, group);
    }
    else if (type == "nameSelection")
    {
      const int nameLen = reader.integer("nameLen", 0);
      if (reader.ok)
        createNameDisplay(name, paramIdx, bounds[0], bounds[1], bounds[2], bounds[3], nameLen, part, layer,
                          group);
    }
    else if (type == "dropSelection")
    {
      const std::vector<int> valueBounds = reader.numbers("valueBounds", kMenuValueBoundsCount);
      if (reader.ok)
        createDropDownMenu2(name, paramIdx, bounds[0], bounds[1], bounds[2], bounds[3], valueBounds[0],
                            valueBounds[1], valueBounds[2],
                            valueListFor(reader.text("valueList"), reader.label), part, layer, group);
    }
  }
}

void UIConfigManager::buildMultiFx(ElementReader& reader, int paramIdx, ControlLayer* layer, int part)
{
  const std::string type = reader.text("type");
  const std::string name = reader.text("name");
  const std::string group = reader.text("paramGroup");
  if (type == "Knob")
  {
    const std::vector<int> position = reader.numbers("position", kPositionCount);
    const std::vector<int> valueBounds = reader.numbers("valueBounds", kKnobValueBoundsCount);
    if (reader.ok)
      createNoValKnobControl(name, paramIdx, position[0], position[1], reader.text("imageId"), valueBounds[0],
                             valueBounds[1], valueBounds[2], valueBounds[3], part, layer, group);
  }
  else if (type == "Menu")
  {
    const std::vector<int> position = reader.numbers("position", kMultiFxMenuPositionCount);
    const std::vector<int> valueBounds = reader.numbers("valueBounds", kMenuValueBoundsCount);
    const std::vector<int> visible = reader.numbers("visible", kVisibleCount);
    int displayFirst = -1;
    int displayLast = -1;
    reader.pair("valueDisplay", displayFirst, displayLast);
    const bool white = reader.integer("white", 0) != 0;
    if (reader.ok)
      createNoValDropDown(name, paramIdx, position[0], position[1], position[2], position[3], valueBounds[0],
                          valueBounds[1], valueBounds[2], displayFirst, displayLast, visible[0],
                          valueListFor(reader.text("valueList"), reader.label), part, layer, group, white);
  }
  else
  {
    reader.report("unknown type \"" + type + "\", nothing built");
  }
}

void UIConfigManager::buildControlElement(ElementReader& reader, int paramIdx, ControlLayer* layer, int part)
{
  const std::string type = reader.text("type");
  const bool sysexType = type == "seKnob" || type == "seSliderVer" || type == "seSliderHor" ||
                         type == "seButton" || type == "seMenu";
  const bool ccType = type == "ccKnob" || type == "ccSliderVer" || type == "ccSliderHor" ||
                      type == "ccButton" || type == "ccMenu";
  if (!sysexType && !ccType)
  {
    reader.report("unknown type \"" + type + "\", nothing built");
    return;
  }

  const std::string name = reader.text("name");
  const std::string imageName = reader.text("imageId");
  const std::string group = reader.text("paramGroup");
  const std::vector<int> position = reader.numbers("position", kControlPositionCount);
  const int length = reader.integer("length", 0);
  const std::vector<int> bounds = reader.numbers("valueBounds", kControlValueBoundsCount);
  const int changingByte = reader.integer("changingByte", 0) & kChangingByteMask;
  int linkValues[3] = {-1, -1, -1};
  if (reader.has("biDirectLink"))
  {
    const std::string linkText = reader.text("biDirectLink");
    std::vector<std::string> linkTokens;
    Tokenize(linkText, linkTokens, ",");
    if (linkTokens.size() < 2 || linkTokens.size() > 3)
      reader.report("biDirectLink \"" + linkText + "\" is not two parameter names and an optional number");
    getBiDirectLinkValues(linkText, linkValues, 0);
    if (linkTokens.size() >= 2 && (linkValues[0] < 0 || linkValues[1] < 0))
      reader.report("biDirectLink \"" + linkText + "\" names an unknown parameter, no link made");
  }
  // The named indices are moved to the element's part: the link joins the parameters of one part.
  const LinkInfo link = LinkInfo::forPart(linkValues[0], linkValues[1], linkValues[2], part);
  int displayFirst = -1;
  int displayLast = -1;
  reader.pair("valueDisplay", displayFirst, displayLast);
  const int ccNumber = reader.integer("ccNumber", 0);
  const int channel = reader.integer("channel", 0);
  const int sysexIndex = reader.integer("sysexIndex", 0);
  const int msgZeroVal = reader.integer("msgZeroVal", 0);
  const int color = reader.integer("color", 0);
  const bool white = reader.integer("white", 0) != 0;
  // Read for the description's sake; no factory takes them.
  reader.integer("msbValue", 0);
  reader.integer("lsbValue", 0);
  reader.integer("lsbControl", 0);
  if (!reader.ok)
    return;

  const int x = position[0];
  const int y = position[1];
  const int width = position[2];
  const double defaultValue = bounds[0];
  const double minValue = bounds[1];
  const double maxValue = bounds[2];
  const double fourthBound = bounds[3];
  const EDirection direction = (type == "seSliderHor" || type == "ccSliderHor") ? kHorizontal : kVertical;

  if (type == "seKnob")
    createSysExKnobControl(name, paramIdx, x, y, imageName, defaultValue, minValue, maxValue, fourthBound,
                           msgZeroVal, sysexIndex, changingByte, part, link, layer, group);
  else if (type == "seSliderVer" || type == "seSliderHor")
    createSysExSliderControl(name, paramIdx, x, y, length, imageName, defaultValue, minValue, maxValue,
                             fourthBound, msgZeroVal, sysexIndex, changingByte, part, link, layer, group,
                             direction, false);
  else if (type == "seButton")
    createSysExBoolControl(name, paramIdx, x, y, imageName, defaultValue, msgZeroVal, sysexIndex,
                           changingByte, part, link, layer, group);
  else if (type == "seMenu")
    createMultiSelectionSysExControl(name, paramIdx, x, y, width, kMenuTextSize, bounds[0], bounds[1],
                                     bounds[2], displayFirst, displayLast,
                                     valueListFor(reader.text("valueList"), reader.label), msgZeroVal, color,
                                     sysexIndex, changingByte, part, layer, group, white);
  else if (type == "ccKnob")
    createCCKnobControl(ccNumber, channel, name, paramIdx, x, y, imageName, defaultValue, minValue, maxValue,
                        fourthBound, link, part, layer, group);
  else if (type == "ccSliderVer" || type == "ccSliderHor")
    createCCSliderControl(ccNumber, channel, name, paramIdx, x, y, length, imageName, defaultValue, minValue,
                          maxValue, link, part, layer, group, direction, false);
  else if (type == "ccButton")
    createCCBoolControl(ccNumber, channel, name, paramIdx, x, y, imageName, defaultValue, minValue, maxValue,
                        link, part, layer, group);
  else // ccMenu
    createMultiSelectionCCControl(ccNumber, channel, name, paramIdx, x, y, width, kMenuTextSize, bounds[0],
                                  bounds[1], bounds[2], displayFirst, displayLast,
                                  valueListFor(reader.text("valueList"), reader.label), part, layer, group);
}
