// The checks of the built editor.
#include "BuiltEditorChecks.h"

#include "ParamIndex.h"

#include "ControlLayer.h"
#include "HeadlessSurface.h"
#include "IControl.h"
#include "IParam.h"
#include "LibrarianViewControl.h"
#include "RequiredNames.h"
#include "Tables.h"

#include <cairo.h>

#include <cmath>
#include <sstream>

namespace resources_test
{

namespace
{

bool startsWith(const std::string& text, const std::string& prefix)
{
  return text.rfind(prefix, 0) == 0;
}

bool contains(const std::string& text, const std::string& part)
{
  return text.find(part) != std::string::npos;
}

SendKind kindOf(const ControlAction& action)
{
  switch (action.type)
  {
  case kActionCCValue:
    return SendKind::CcValue;
  case kActionCCButton:
    return SendKind::CcButton;
  case kActionMsbLsbValue:
    return SendKind::MsbLsb;
  case kActionSysexButton:
    return SendKind::SysexButton;
  case kActionSysexValue:
    return SendKind::SysexValue;
  default:
    return SendKind::None;
  }
}

const char* kindName(SendKind kind)
{
  switch (kind)
  {
  case SendKind::CcValue:
    return "a CC value";
  case SendKind::CcButton:
    return "a CC button";
  case SendKind::MsbLsb:
    return "an NRPN";
  case SendKind::SysexValue:
    return "a sysex value";
  case SendKind::SysexButton:
    return "a sysex button";
  default:
    return "no message";
  }
}

bool isSysexAction(const ControlAction* action)
{
  return action != nullptr && (action->type == kActionSysexValue || action->type == kActionSysexButton);
}

std::string bytesText(const SysexMessageBytes& message)
{
  std::ostringstream s;
  s << std::hex << std::uppercase;
  for (std::size_t i = 0; i < message.size(); ++i)
    s << (i ? " " : "") << (message[i] < 16 && message[i] >= 0 ? "0" : "") << message[i];
  return s.str();
}

// The 1-based byte position the value of a prepared message list changes at: where the first two messages
// differ, else the value byte of the templates.
int changingByteOf(const std::vector<SysexMessageBytes>& messages)
{
  const int kTemplateValueByte = 8;
  if (messages.size() >= 2 && messages[0].size() == messages[1].size())
    for (std::size_t i = 0; i < messages[0].size(); ++i)
      if (messages[0][i] != messages[1][i])
        return static_cast<int>(i) + 1;
  return kTemplateValueByte;
}

} // namespace

BuiltEditorChecks::BuiltEditorChecks(BuiltEditor& editor) : editor_(editor) {}

Problems BuiltEditorChecks::log() const
{
  Problems p;
  for (const std::string& error : editor_.manager().getResourceErrors())
    p.push_back("resource error: " + error);
  for (const std::string& line : editor_.logLines())
    if (!startsWith(line, "CONFIG READER: Started") && !startsWith(line, "CONFIG READER: Completed"))
      p.push_back("walker: " + line);
  return p;
}

Problems BuiltEditorChecks::layers() const
{
  const auto& byName = editor_.manager().layerByName;
  Problems p;
  for (const std::string& name : namedLayerNames())
    if (!byName.count(name))
      p.push_back("missing layer " + name);
  if (editor_.manager().librarianView == nullptr)
    p.push_back("no slot view for the patch browser");
  auto root = byName.find("root");
  if (root == byName.end())
    return p;
  const std::vector<ControlLayer*>& pages = root->second->mSubLayers;
  for (int page = 0; page < 6; ++page)
    if (page >= static_cast<int>(pages.size()) || pages[page]->mId != page)
      p.push_back("root has no page " + std::to_string(page) + " at position " + std::to_string(page));
  for (const auto& [page, zones] : pageZones())
  {
    if (page >= static_cast<int>(pages.size()))
      continue;
    const ControlLayer* pageLayer = pages[page];
    // The part switch hides every sub-layer of the page but the part's: a shared panel placed there would
    // vanish with the first part switch.
    for (size_t i = 16; i < pageLayer->mSubLayers.size(); ++i)
      p.push_back(pageLayer->mName + " holds " + pageLayer->mSubLayers[i]->mName + " beside its parts");
    for (int part = 0; part < 16; ++part)
    {
      if (part >= static_cast<int>(pageLayer->mSubLayers.size()) || pageLayer->mSubLayers[part]->mId != part)
      {
        p.push_back(pageLayer->mName + " has no part " + std::to_string(part) + " at position " +
                    std::to_string(part));
        continue;
      }
      std::set<int> present;
      for (const ControlLayer* zone : pageLayer->mSubLayers[part]->mSubLayers)
        present.insert(zone->mId);
      for (int id : zones)
        if (!present.count(id))
          p.push_back(pageLayer->mName + " part " + std::to_string(part) + " lacks zone " +
                      std::to_string(id));
    }
  }
  return p;
}

Problems BuiltEditorChecks::lists() const
{
  const UIConfigManager& manager = editor_.manager();
  Problems p;
  for (const auto& [name, size] : valueListSizes())
  {
    if (!manager.hasValueList(name))
      p.push_back("missing value list " + name);
    else if (manager.getValueList(name).size() != size)
      p.push_back("value list " + name + " holds " + std::to_string(manager.getValueList(name).size()) +
                  " texts, not " + std::to_string(size));
  }
  // A sysex or CC menu takes its texts from its list only when the list holds one per entry; otherwise it
  // is numbered or not built at all, both logged.
  for (const std::string& line : editor_.logLines())
    if (contains(line, "value list holds") || contains(line, "unknown value list") ||
        contains(line, "texts and no display range"))
      p.push_back("menu and list disagree: " + line);
  // Every drop-down parameter holds one text per value.
  for (int i = 0; i < editor_.paramCount(); ++i)
  {
    const IParam* param = editor_.param(i);
    const ControlAction* action = param->GetAction();
    if (action == nullptr || param->Type() != IParam::kTypeEnum || param->GetNDisplayTexts() == 0)
      continue;
    const int values = static_cast<int>(param->GetMax() - param->GetMin()) + 1;
    if (param->GetNDisplayTexts() != values && !(values == 2 && param->GetNDisplayTexts() == 1))
      p.push_back(std::string("menu ") + param->GetNameForHost() + " (parameter " + std::to_string(i) +
                  ") has " + std::to_string(param->GetNDisplayTexts()) + " texts for " +
                  std::to_string(values) + " values");
  }
  return p;
}

Problems BuiltEditorChecks::images() const
{
  UIConfigManager& manager = editor_.manager();
  HeadlessSurface& surface = editor_.surface();
  Problems p;
  for (const std::string& line : editor_.logLines())
    if (contains(line, "Image ") && contains(line, "MISSING"))
      p.push_back("missing image: " + line);
  for (const char* name : {"BUTTON_LIB_CANCEL_ID", "PROGRESS_INDICATOR_ID", "MAIN_BG_FRAME_ID"})
    if (!manager.imageCache.count(name))
      p.push_back(std::string("image ") + name + " is not in the image table");
  // The editor core loads the background and the progress overlays itself, by file name.
  for (const char* file : {"main-bg-frame", "korvid-progress-overlay", "korvid-progress-overlay-b"})
  {
    const std::string path = editor_.pluginDir + "/resources/img/" + file + ".png";
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS || cairo_image_surface_get_width(png) <= 0)
      p.push_back(std::string("image file ") + file + ".png that the editor core loads did not load");
    cairo_surface_destroy(png);
  }
  for (const auto& [name, info] : manager.imageCache)
  {
    const IBitmap bitmap = manager.getImageByName(&surface, name);
    if (bitmap.pixels == nullptr || bitmap.width <= 0 || bitmap.height <= 0)
    {
      p.push_back("image " + name + " did not load");
      continue;
    }
    const resgen::ImageSpec* spec = resgen::findImage(name, editor_.style);
    if (spec == nullptr)
    {
      p.push_back("image " + name + " has no entry in the generator's table");
      continue;
    }
    const int frames = std::max(1, info.frameCount);
    const int along = info.framesHorizontal ? bitmap.width : bitmap.height;
    const int across = info.framesHorizontal ? bitmap.height : bitmap.width;
    const double frameSize = (info.framesHorizontal ? spec->width : spec->height) * editor_.scale;
    const double crossSize = (info.framesHorizontal ? spec->height : spec->width) * editor_.scale;
    // At size factor 1 the frames tile the strip exactly; scaled, each frame may be a pixel off.
    const bool exact = editor_.scale == 1.0;
    const bool fits = exact ? along % frames == 0 && along / frames == static_cast<int>(frameSize) &&
                                  across == static_cast<int>(crossSize)
                            : std::fabs(static_cast<double>(along) / frames - frameSize) < 1.0 &&
                                  std::fabs(across - crossSize) < 1.0;
    if (!fits)
      p.push_back(name + ": " + std::to_string(bitmap.width) + " x " + std::to_string(bitmap.height) +
                  " does not fit " + std::to_string(frames) + " frames at size " +
                  std::to_string(editor_.scale));
  }
  return p;
}

Problems BuiltEditorChecks::requiredControls() const
{
  Problems p;
  for (const std::string& name : keptFirstControls())
  {
    const ControlAction* action = editor_.action(paramIndexOf(name));
    if (action == nullptr || action->boundControls.empty())
      p.push_back(name + " has no control");
  }
  for (const std::string& name : displayParameters())
  {
    const ControlAction* action = editor_.action(paramIndexOf(name));
    if (action != nullptr && !action->boundControls.empty() &&
        dynamic_cast<ITextControl*>(action->boundControls.front()) == nullptr)
      p.push_back(name + " is not bound first to a display");
  }
  for (const auto& [name, buttons] : {std::make_pair("kMainTab", 6), std::make_pair("kQuickTab", 16)})
  {
    const ControlAction* action = editor_.action(paramIndexOf(name));
    const auto* radio = action == nullptr || action->boundControls.empty()
                            ? nullptr
                            : dynamic_cast<IRadioButtonsControl*>(action->boundControls.front());
    if (radio == nullptr || radio->NButtons() != buttons)
      p.push_back(std::string(name) + " is not a radio of " + std::to_string(buttons) + " buttons");
  }
  for (int part = 0; part < 16; ++part)
  {
    const ControlAction* action = editor_.action(paramIndexOf("kMultiPartMIDICh") + part);
    if (action == nullptr || action->boundControls.empty())
      p.push_back("the channel of part " + std::to_string(part + 1) + " has no control");
  }
  return p;
}

Problems BuiltEditorChecks::templates() const
{
  Problems p;
  for (int i = 0; i < editor_.paramCount(); ++i)
  {
    const ControlAction* action = editor_.action(i);
    if (!isSysexAction(action))
      continue;
    const std::string at =
        std::string("parameter ") + editor_.param(i)->GetNameForHost() + " (" + std::to_string(i) + ")";
    if (action->messages.empty() && action->messagesPerValue.empty())
    {
      p.push_back(at + " has no prepared message");
      continue;
    }
    std::vector<const SysexMessageBytes*> all;
    for (const auto& m : action->messages)
      all.push_back(&m);
    for (const auto& list : action->messagesPerValue)
      for (const auto& m : list)
        all.push_back(&m);
    for (const SysexMessageBytes* m : all)
    {
      std::string faults;
      if (m->size() != 8)
        faults += " is not 8 bytes;";
      if (!m->empty() && (m->front() == SysexTemplateLayout::kFrameStart || m->back() == 0xF7))
        faults += " is framed;";
      for (int b : *m)
        if (b < 0 || b > SysexTemplateLayout::kMaxValueByte)
        {
          faults += " carries a value above 127;";
          break;
        }
      if (!faults.empty())
      {
        p.push_back(at + ": message " + bytesText(*m) + faults);
        break; // one report per parameter
      }
    }
  }
  return p;
}

Problems BuiltEditorChecks::keyCollisions() const
{
  const UIConfigManager& manager = editor_.manager();
  const std::map<int, int>& families = packedFamilies();
  auto familyOf = [&](int i) { return families.count(i) ? families.at(i) : -i - 1; };
  Problems p;
  for (int i = 0; i < editor_.paramCount(); ++i)
  {
    const ControlAction* action = editor_.action(i);
    if (!isSysexAction(action) || action->messages.empty() || action->boundControls.empty())
      continue;
    ControlActionSysExMessage prepared;
    prepared.messages = action->messages;
    unsigned char key[SysexTemplateLayout::kKeyLength] = {};
    if (!UIConfigManager::getSysexRegistryKey(prepared, changingByteOf(action->messages), key))
    {
      p.push_back("parameter " + std::to_string(i) + " has no registry key");
      continue;
    }
    // The factories register a knob under its effect group, every other control under group 0.
    bool registered = false;
    const IControl* taker = nullptr;
    for (int group : {0, UIConfigManager::getEffectGroup(i)})
    {
      const IControl* found = manager.sysexControls.findControl(key[0], key[1], key[2], key[3], group);
      if (found == nullptr)
        continue;
      for (const IControl* own : action->boundControls)
        registered = registered || own == found;
      if (!registered)
        taker = found;
    }
    if (registered)
      continue;
    if (taker == nullptr)
    {
      p.push_back("parameter " + std::to_string(i) + " is not in the sysex registry");
      continue;
    }
    const int other = taker->ParamIdx();
    if (familyOf(other) == familyOf(i))
      continue; // one packed byte: the incoming change is split by the handler, not by the registry
    std::ostringstream s;
    s << "sysex key " << int(key[0]) << " " << int(key[1]) << " " << int(key[2]) << " " << int(key[3])
      << " of parameter " << i << " (" << editor_.param(i)->GetNameForHost() << ") is taken by parameter "
      << other;
    p.push_back(s.str());
  }
  return p;
}

Problems BuiltEditorChecks::sendingRules() const
{
  Problems p;
  // Device bytes with an offset: the bend ranges are stored as the byte minus 40.
  constexpr int kBendRangeZero = 40;
  for (int base : {kOscillator1BendRange, kOscillator2BendRange, kOscillator3BendRange})
    for (int part = 0; part < 16; ++part)
    {
      const ControlAction* action = editor_.action(base + part);
      const SysexMessageBytes* lowest = action ? action->messageForValue(0) : nullptr;
      const int sent = lowest && lowest->size() > 7 ? (*lowest)[7] : -1;
      if (sent != kBendRangeZero)
        p.push_back(std::string(editor_.param(base + part)->GetNameForHost()) + " sends byte " +
                    std::to_string(sent) + " for its lowest value, the synthesizer wants " +
                    std::to_string(kBendRangeZero));
    }
  for (const SendingRule& rule : resources_test::sendingRules())
    for (int i = rule.first; i < rule.first + rule.count; ++i)
    {
      const ControlAction* action = editor_.action(i);
      if (action == nullptr)
        continue; // a parameter without any control is reported by dumpRanges
      const SendKind kind = kindOf(*action);
      if (!rule.allowed.count(kind))
        p.push_back(rule.what + " sends " + kindName(kind) + ": parameter " + std::to_string(i) + " (" +
                    editor_.param(i)->GetNameForHost() + ")");
    }
  return p;
}

Problems BuiltEditorChecks::dumpRanges() const
{
  Problems p;
  for (const auto& [index, name] : dumpParameters())
  {
    const IParam* param = editor_.param(index);
    if (param == nullptr)
      p.push_back("dump parameter " + name + " is not in the table");
    else if (param->Type() == IParam::kTypeNone || !(param->GetMax() > param->GetMin()))
      p.push_back(name + " has no range");
  }
  return p;
}

Problems BuiltEditorChecks::all() const
{
  Problems p;
  for (const auto& part : {log(), layers(), lists(), images(), requiredControls(), templates(),
                           keyCollisions(), sendingRules(), dumpRanges()})
    p.insert(p.end(), part.begin(), part.end());
  return p;
}

} // namespace resources_test
