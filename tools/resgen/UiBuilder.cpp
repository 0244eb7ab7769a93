// Building blocks of the UI description: layers, panel captions and one helper per control kind.
#include "UiBuilder.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>
#include <sstream>
#include <stdexcept>

namespace resgen
{

namespace
{

const int kMenuHeight = 13; // the sysex and CC menus are as tall as their text

// Abbreviations kept in capitals in names, also where a parameter's name runs them together ("DAWCC").
const std::vector<std::string>& abbreviations()
{
  static const std::vector<std::string> all = {"MIDI", "PWM", "LFO", "USB", "DAW", "KBD", "FM", "WT", "ID",
                                               "FX",   "CC",  "HW",  "PC",  "PP",  "PA",  "CA", "SE"};
  return all;
}

std::string titleCase(const std::string& caption)
{
  static const std::set<std::string> keep = []
  {
    std::set<std::string> words(abbreviations().begin(), abbreviations().end());
    words.insert("2>3");
    return words;
  }();
  std::istringstream words(caption);
  std::string word, out;
  while (words >> word)
  {
    if (!out.empty())
      out += ' ';
    if (keep.count(word))
    {
      out += word;
      continue;
    }
    for (size_t i = 0; i < word.size(); ++i)
      out += static_cast<char>(i == 0 ? word[i] : std::tolower(static_cast<unsigned char>(word[i])));
  }
  return out;
}

// A parameter's name in words, for a control without a caption: "kSectionLockOsc1" gives "SECTION LOCK OSC
// 1", "kMIDIFilterDAWCCPassThrough" gives "MIDI FILTER DAW CC PASS THROUGH". A part ("+n") comes first as
// "[n+1] ".
std::string captionOfName(const std::string& reference)
{
  const size_t plus = reference.find('+');
  const std::string name = reference.substr(1, plus == std::string::npos ? std::string::npos : plus - 1);
  std::vector<std::string> words;
  auto upper = [](char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; };
  auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  size_t i = 0;
  while (i < name.size())
  {
    size_t j = i + 1;
    if (digit(name[i]))
    {
      while (j < name.size() && digit(name[j]))
        ++j;
    }
    else if (upper(name[i]))
    {
      while (j < name.size() && upper(name[j]))
        ++j;
      if (j - i > 1)
      {
        // A run of capitals: abbreviations, the last capital starting a word when small letters follow.
        const size_t runEnd = j < name.size() && !digit(name[j]) ? j - 1 : j;
        std::string run = name.substr(i, runEnd - i);
        while (!run.empty())
        {
          size_t take = run.size();
          for (const std::string& a : abbreviations())
            if (run.compare(0, a.size(), a) == 0)
            {
              take = a.size();
              break;
            }
          words.push_back(run.substr(0, take));
          run.erase(0, take);
        }
        i = runEnd;
        continue;
      }
      while (j < name.size() && !upper(name[j]) && !digit(name[j]))
        ++j;
    }
    else
    {
      while (j < name.size() && !upper(name[j]) && !digit(name[j]))
        ++j;
    }
    words.push_back(name.substr(i, j - i));
    i = j;
  }
  std::string caption = plus == std::string::npos
                            ? ""
                            : "[" + std::to_string(std::atoi(reference.c_str() + plus + 1) + 1) + "]";
  for (std::string word : words)
  {
    for (char& c : word)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    caption += (caption.empty() ? "" : " ") + word;
  }
  return caption;
}

const ImageSpec& imageOrThrow(const std::string& name)
{
  const ImageSpec* spec = findImage(name, 0);
  if (!spec)
    throw std::runtime_error("unknown image " + name);
  return *spec;
}

} // namespace

UiBuilder::UiBuilder(std::vector<ValueList> valueLists) : lists_(std::move(valueLists)), root_("uiconfig") {}

const ValueList& UiBuilder::list(const std::string& name) const
{
  for (const auto& l : lists_)
    if (l.name == name)
      return l;
  throw std::runtime_error("unknown value list " + name);
}

std::string UiBuilder::bounds(std::initializer_list<int> numbers)
{
  std::string out;
  for (int n : numbers)
  {
    if (!out.empty())
      out += ',';
    out += std::to_string(n);
  }
  return out;
}

std::string UiBuilder::displayName(const std::string& caption) const
{
  if (group_.empty() || caption.empty())
    return group_.empty() ? titleCase(caption) : group_;
  const std::string titled = titleCase(caption);
  // A caption that begins with the group's own word ("GLIDE RATE" in the group "Glide") names it once.
  if (titled == group_ || titled.rfind(group_ + " ", 0) == 0)
    return titled;
  return group_ + " " + titled;
}

// ---------------------------------------------------------------------------------------------------
// Tree

XmlNode& UiBuilder::element(const std::string& name)
{
  // Before the append, which may move the element's siblings.
  notePlaced();
  XmlNode& e = stack_.back()->add(name);
  if (!panelStack_.empty())
    unplaced_ = &e;
  return e;
}

void UiBuilder::notePlaced()
{
  XmlNode* e = unplaced_;
  unplaced_ = nullptr;
  // The slot view's panes leave room for the lower pane's menu and caption inside its bounds.
  if (!e || panelStack_.empty() || e->name == "patchBrowser")
    return;
  const bool hasBounds = e->has("bounds");
  std::vector<int> at;
  std::istringstream numbers(hasBounds ? e->get("bounds") : e->get("position"));
  for (std::string n; std::getline(numbers, n, ',');)
    at.push_back(std::atoi(n.c_str()));
  if (at.size() < 2)
    return;
  const ImageSpec* spec = e->has("imageId") ? &imageOrThrow(e->get("imageId")) : nullptr;
  int w = spec ? spec->width : 0;
  int h = spec ? spec->height : 0;
  // Rectangles give their size; a sysex menu is as wide as given and as tall as its text; a fader's handle
  // travels its length.
  if ((hasBounds || e->name == "multiFx") && at.size() >= 4)
  {
    w = at[2];
    h = at[3];
  }
  else if (e->name == "menucontrol" && at.size() >= 3)
  {
    w = at[2];
    h = kMenuHeight;
  }
  else if (e->name == "slidercontrol")
  {
    w += std::atoi(e->get("length").c_str());
  }
  auto& s = panelStack_.back();
  s.art.controls.push_back({at[0] - s.x, at[1] - s.y, w, h});
}

void UiBuilder::layer(const std::string& name, int id, const std::function<void()>& body)
{
  // Layers that disappear without another layer taking their place: when hidden, the area of their first
  // control (their background) is still redrawn. "root" passes the flag on to every page, part and zone.
  static const std::set<std::string> kOverlays = {"root",
                                                  "miniMixer",
                                                  "aboutWindow",
                                                  "firstRunNotification",
                                                  "bankPatchConflictWindow",
                                                  "midiFilterSettings",
                                                  "categoryLimit",
                                                  "searchField",
                                                  "saveChangesLayer",
                                                  "discardChangesLayerRight",
                                                  "keepBankOpenLayer",
                                                  "patchRename",
                                                  "filter1LP",
                                                  "filter1BP",
                                                  "filter1HP",
                                                  "filter1Notch",
                                                  "filter1CombMinus",
                                                  "filter1CombPlus",
                                                  "filter2LP",
                                                  "filter2BP",
                                                  "filter2HP",
                                                  "filter2Notch",
                                                  "filter2CombMinus",
                                                  "filter2CombPlus",
                                                  "Bypass",
                                                  "Chorus",
                                                  "Flanger",
                                                  "Phaser",
                                                  "Overdrive",
                                                  "TripleFX",
                                                  "Delay",
                                                  "DelayClocked",
                                                  "Reverb"};
  XmlNode& e = element("layer");
  e.attr("name", name).attr("id", id);
  if (kOverlays.count(name) || name.rfind("bankAndProgram", 0) == 0)
    e.attr("overlay", "true");
  stack_.push_back(&e);
  body();
  stack_.pop_back();
}

void UiBuilder::multilayer(const std::string& name, int count, const std::function<void()>& body)
{
  XmlNode& e = element("multilayer");
  e.attr("name", name).attr("create", count);
  stack_.push_back(&e);
  inPart_ = true;
  body();
  inPart_ = false;
  stack_.pop_back();
}

void UiBuilder::background(const std::string& image, int x, int y)
{
  imageOrThrow(image);
  element("background").attr("imageId", image).attr("position", bounds({x, y}));
}

// ---------------------------------------------------------------------------------------------------
// Panels

void UiBuilder::beginPanel(const std::string& image, int x, int y)
{
  const ImageSpec& spec = imageOrThrow(image);
  if (spec.art != Art::Panel)
    throw std::runtime_error(image + " is not a panel image");
  background(image, x, y);
  // The panel covers the one it lies on.
  notePlaced();
  PanelScope scope{image, x, y, PanelArt{}};
  scope.art.image = image;
  scope.art.width = spec.width;
  scope.art.height = spec.height;
  panelStack_.push_back(scope);
}

void UiBuilder::endPanel()
{
  notePlaced();
  PanelScope scope = panelStack_.back();
  panelStack_.pop_back();
  auto it = panels_.find(scope.image);
  if (it == panels_.end())
  {
    panels_.emplace(scope.image, scope.art);
  }
  else if (!(it->second == scope.art))
  {
    // One image serves every place it is shown, so each place must lay its controls out alike.
    throw std::runtime_error("panel " + scope.image + " is laid out differently in two places");
  }
}

void UiBuilder::section(int x, int y, int w, int h, const std::string& title)
{
  if (panelStack_.empty())
    throw std::runtime_error("section outside a panel: " + title);
  auto& s = panelStack_.back();
  s.art.boxes.push_back({BoxKind::Section, x - s.x, y - s.y, w, h, title});
}

void UiBuilder::box(BoxKind kind, int x, int y, int w, int h)
{
  if (panelStack_.empty())
    return; // controls over a picture drawn elsewhere (the header fields) need no box
  auto& s = panelStack_.back();
  s.art.boxes.push_back({kind, x - s.x, y - s.y, w, h, std::string()});
}

void UiBuilder::sketch(Sketch kind, int x, int y, int w, int h)
{
  if (panelStack_.empty())
    throw std::runtime_error("sketch outside a panel");
  auto& s = panelStack_.back();
  s.art.sketches.push_back({kind, x - s.x, y - s.y, w, h});
}

void UiBuilder::caption(int x, int y, const std::string& text, int size, Align align, bool bold)
{
  if (text.empty())
    return;
  if (panelStack_.empty())
    throw std::runtime_error("caption outside a panel: " + text);
  auto& s = panelStack_.back();
  s.art.captions.push_back({x - s.x, y - s.y, text, size, align, bold});
}

// ---------------------------------------------------------------------------------------------------
// Elements

std::string UiBuilder::ref(const std::string& name, int part) const
{
  if (paramIndex(name) < 0)
    throw std::runtime_error("unknown parameter " + name);
  if (part > 0)
    return name + "+" + std::to_string(part);
  return name;
}

void UiBuilder::common(XmlNode& e, const std::string& name, int part, const std::string& image)
{
  e.attr("paramId", ref(name, inPart_ ? 0 : part));
  if (!image.empty())
  {
    imageOrThrow(image);
    e.attr("imageId", image);
  }
  if (!group_.empty())
    e.attr("paramGroup", group_);
  // Outside the part expansion the channel names the part, so the action's part field is right.
  if (!inPart_ && part >= 0 && paramCount(name) == 16)
    e.attr("channel", part + 1);
}

void UiBuilder::soundKnob(const std::string& name, int x, int y, const std::string& image)
{
  const SoundParam& s = soundParam(name);
  const ImageSpec& spec = imageOrThrow(image);
  if (spec.frames != 128 && spec.frames != s.max - s.min + 1)
    throw std::runtime_error("knob strip " + image + " does not fit the range of " + name);
  XmlNode& e = element("knobcontrol");
  if (s.cc)
  {
    e.attr("type", "ccKnob").attr("name", displayName(s.caption));
    common(e, name, -1, image);
    e.attr("position", bounds({x, y, 0})).attr("valueBounds", bounds({s.def, s.min, s.max, 1}));
    e.attr("ccNumber", s.cc);
  }
  else
  {
    e.attr("type", "seKnob").attr("name", displayName(s.caption));
    common(e, name, -1, image);
    e.attr("position", bounds({x, y, 0})).attr("valueBounds", bounds({s.def, s.min, s.max, 0}));
    e.attr("sysexIndex", sysex_.soundTemplate(s.soundIndex)).attr("changingByte", kChangingByte);
  }
  caption(x + spec.width / 2, y - 5, s.caption);
}

void UiBuilder::soundSlider(const std::string& name, int x, int y, int length, int zero)
{
  const SoundParam& s = soundParam(name);
  if (s.cc)
    throw std::runtime_error(name + " is sent as a controller, not by a sysex fader");
  const ImageSpec& spec = imageOrThrow("SLIDER_VAAKA");
  XmlNode& e = element("slidercontrol");
  e.attr("type", "seSliderHor").attr("name", displayName(s.caption));
  common(e, name, -1, spec.name);
  e.attr("position", bounds({x, y, 0})).attr("length", length);
  e.attr("valueBounds", bounds({s.def, s.min, s.max, 0})).attr("msgZeroVal", zero);
  e.attr("sysexIndex", sysex_.soundTemplate(s.soundIndex)).attr("changingByte", kChangingByte);
  box(BoxKind::Well, x - 2, y + spec.height / 2 - 2, length + 4, 4);
  caption(x + length / 2, y - 4, s.caption);
}

void UiBuilder::soundMenu(const std::string& name, int x, int y, int w, bool withCaption)
{
  const SoundParam& s = soundParam(name);
  XmlNode& e = element("menucontrol");
  e.attr("type", "seMenu").attr("name", displayName(s.caption));
  common(e, name, -1, "");
  e.attr("position", bounds({x, y, w})).attr("valueBounds", bounds({s.def, s.min, s.max, 0}));
  if (*s.list)
  {
    if (static_cast<int>(list(s.list).items.size()) != s.max - s.min)
      throw std::runtime_error(std::string("list ") + s.list + " does not fit the menu of " + name);
    e.attr("valueList", s.list);
  }
  else
  {
    e.attr("valueDisplay", std::to_string(1) + ":" + std::to_string(s.max));
  }
  e.attr("sysexIndex", sysex_.soundTemplate(s.soundIndex)).attr("changingByte", kChangingByte);
  box(BoxKind::Field, x - 3, y - 2, w + 6, kMenuHeight + 4);
  if (withCaption)
    caption(x + w / 2, y - 6, s.caption);
}

void UiBuilder::soundButton(const std::string& name, int x, int y)
{
  const SoundParam& s = soundParam(name);
  const ImageSpec& spec = imageOrThrow("BTN_SMALL_ID");
  XmlNode& e = element("buttoncontrol");
  e.attr("type", "seButton").attr("name", displayName(s.caption));
  common(e, name, -1, spec.name);
  e.attr("position", bounds({x, y, 0})).attr("valueBounds", bounds({s.def, 0, 1, 0}));
  e.attr("sysexIndex", sysex_.soundTemplate(s.soundIndex)).attr("changingByte", kChangingByte);
  caption(x + spec.width / 2, y - 5, s.caption);
}

void UiBuilder::effectKnob(const std::string& name, int x, int y, int part)
{
  const EffectParam& p = effectParam(name);
  const bool twoWay = p.max == 1;
  const std::string image =
      twoWay ? "BTN_SMALL_ID" : (p.max == 11 ? "IKNOBROTATERCONTROL_ID12" : "IKNOBROTATERCONTROL_ID2");
  const ImageSpec& spec = imageOrThrow(image);
  XmlNode& e = element("knobcontrol");
  e.attr("type", "seKnob").attr("name", displayName(p.caption));
  common(e, name, part, image);
  e.attr("position", bounds({x, y, 0})).attr("valueBounds", bounds({p.def, 0, p.max, 0}));
  e.attr("sysexIndex", sysex_.soundTemplate(p.soundIndex())).attr("changingByte", kChangingByte);
  caption(x + spec.width / 2, y - 5, p.caption);
  if (twoWay)
  {
    // A click flips the polarity through its trigger, which lies over the switch picture.
    std::string trigger = name;
    trigger.replace(0, 1, "kTrigger");
    autoOff(trigger, x, y, "ID_TRIGGER", "");
  }
}

void UiBuilder::stepKnob(const std::string& name, int soundIndex, int max, int x, int y,
                         const std::string& image, const std::string& label, int def)
{
  XmlNode& e = element("knobcontrol");
  e.attr("type", "seKnob").attr("name", displayName(label));
  common(e, name, -1, image);
  e.attr("position", bounds({x, y, 0})).attr("valueBounds", bounds({def, 0, max, 0}));
  e.attr("sysexIndex", sysex_.soundTemplate(soundIndex)).attr("changingByte", kChangingByte);
}

void UiBuilder::stepMenu(const std::string& name, int soundIndex, int x, int y, int w,
                         const std::string& listName, const std::string& label, int def)
{
  const int count = static_cast<int>(list(listName).items.size());
  XmlNode& e = element("menucontrol");
  e.attr("type", "seMenu").attr("name", displayName(label));
  common(e, name, -1, "");
  e.attr("position", bounds({x, y, w}))
      .attr("valueBounds", bounds({def, 0, count, 0}))
      .attr("valueList", listName);
  e.attr("sysexIndex", sysex_.soundTemplate(soundIndex)).attr("changingByte", kChangingByte);
  box(BoxKind::Field, x - 3, y - 2, w + 6, kMenuHeight + 4);
}

// ---------------------------------------------------------------------------------------------------
// Multi and global settings

int UiBuilder::settingTemplate(const SettingParam& s, int part)
{
  switch (s.family)
  {
  case SettingFamily::Multi:
    return sysex_.multiTemplate(part, s.key);
  case SettingFamily::MultiSingle:
    return sysex_.multiTemplate(0, s.key);
  case SettingFamily::Global:
    return sysex_.globalTemplate(s.key);
  }
  return -1;
}

void UiBuilder::settingKnob(const std::string& name, int part, int x, int y, const std::string& image,
                            bool withCaption)
{
  const SettingParam& s = settingParam(name);
  const ImageSpec& spec = imageOrThrow(image);
  XmlNode& e = element("knobcontrol");
  e.attr("type", "seKnob").attr("name", displayName(s.caption));
  common(e, name, part, image);
  e.attr("position", bounds({x, y, 0})).attr("valueBounds", bounds({s.def, s.min, s.max, 0}));
  e.attr("sysexIndex", settingTemplate(s, part)).attr("changingByte", kChangingByte);
  if (withCaption)
    caption(x + spec.width / 2, y - 5, s.caption);
}

void UiBuilder::settingMenu(const std::string& name, int part, int x, int y, int w, bool withCaption)
{
  const SettingParam& s = settingParam(name);
  XmlNode& e = element("menucontrol");
  e.attr("type", "seMenu").attr("name", displayName(s.caption));
  common(e, name, part, "");
  e.attr("position", bounds({x, y, w})).attr("valueBounds", bounds({s.def, s.min, s.max, 0}));
  if (*s.list)
  {
    if (static_cast<int>(list(s.list).items.size()) != s.max - s.min)
      throw std::runtime_error(std::string("list ") + s.list + " does not fit the menu of " + name);
    e.attr("valueList", s.list);
  }
  else
  {
    e.attr("valueDisplay", std::to_string(s.min) + ":" + std::to_string(s.max - 1));
  }
  e.attr("sysexIndex", settingTemplate(s, part)).attr("changingByte", kChangingByte);
  box(BoxKind::Field, x - 3, y - 2, w + 6, kMenuHeight + 4);
  if (withCaption)
    caption(x + w / 2, y - 6, s.caption);
}

void UiBuilder::settingButton(const std::string& name, int part, int x, int y, const std::string& image,
                              bool withCaption)
{
  const SettingParam& s = settingParam(name);
  const ImageSpec& spec = imageOrThrow(image);
  XmlNode& e = element("buttoncontrol");
  e.attr("type", "seButton").attr("name", displayName(s.caption));
  common(e, name, part, image);
  e.attr("position", bounds({x, y, 0})).attr("valueBounds", bounds({s.def, 0, 1, 0}));
  e.attr("sysexIndex", settingTemplate(s, part)).attr("changingByte", kChangingByte);
  if (withCaption)
    caption(x + spec.width / 2, y - 5, s.caption);
}

void UiBuilder::settingSlider(const std::string& name, int part, int x, int y, int length, bool withCaption)
{
  const SettingParam& s = settingParam(name);
  const ImageSpec& spec = imageOrThrow("SLIDER_VAAKA");
  XmlNode& e = element("slidercontrol");
  e.attr("type", "seSliderHor").attr("name", displayName(s.caption));
  common(e, name, part, spec.name);
  e.attr("position", bounds({x, y, 0})).attr("length", length);
  e.attr("valueBounds", bounds({s.def, s.min, s.max, 0})).attr("msgZeroVal", 0);
  e.attr("sysexIndex", settingTemplate(s, part)).attr("changingByte", kChangingByte);
  box(BoxKind::Well, x - 2, y + spec.height / 2 - 2, length + 4, 4);
  if (withCaption)
    caption(x + length / 2, y - 4, s.caption);
}

// ---------------------------------------------------------------------------------------------------
// Controls without a device message

namespace
{

// A plain control's parameter reference is given whole ("kMIDILed+3"); check its name piece.
void checkReference(const std::string& reference)
{
  const std::string name = reference.substr(0, reference.find('+'));
  if (paramIndex(name) < 0)
    throw std::runtime_error("unknown parameter " + name);
}

} // namespace

void UiBuilder::switchControl(const std::string& name, int x, int y, const std::string& image,
                              const std::string& label, int def)
{
  checkReference(name);
  const ImageSpec& spec = imageOrThrow(image);
  XmlNode& e = element("switch");
  e.attr("name", label.empty() ? titleCase(captionOfName(name)) : displayName(label))
      .attr("paramId", name)
      .attr("imageId", image);
  if (!group_.empty())
    e.attr("paramGroup", group_);
  e.attr("position", bounds({x, y})).attr("valueBounds", bounds({def, 0, 1}));
  caption(x + spec.width / 2, y - 5, label);
}

void UiBuilder::autoOff(const std::string& name, int x, int y, const std::string& image,
                        const std::string& label)
{
  checkReference(name);
  const ImageSpec& spec = imageOrThrow(image);
  XmlNode& e = element("autooff");
  e.attr("name", label.empty() ? titleCase(captionOfName(name)) : displayName(label))
      .attr("paramId", name)
      .attr("imageId", image);
  if (!group_.empty())
    e.attr("paramGroup", group_);
  e.attr("position", bounds({x, y}));
  caption(x + spec.width / 2, y - 5, label);
}

void UiBuilder::radio(const std::string& name, int x, int y, const std::string& image, int buttons,
                      const std::string& label)
{
  checkReference(name);
  XmlNode& e = element("radio");
  e.attr("name", label).attr("paramId", name).attr("imageId", image);
  e.attr("position", bounds({x, y})).attr("buttons", buttons);
}

void UiBuilder::display(const std::string& name, int x, int y, int w, int h, bool white)
{
  checkReference(name);
  XmlNode& e = element("display");
  e.attr("paramId", name).attr("bounds", bounds({x, y, w, h})).attr("white", white ? 1 : 0);
}

void UiBuilder::textMenu(const std::string& name, int x, int y, int w, int h, const std::string& label)
{
  checkReference(name);
  XmlNode& e = element("dropMenu");
  e.attr("type", "textSelection")
      .attr("name", label)
      .attr("paramId", name)
      .attr("bounds", bounds({x, y, w, h}));
}

void UiBuilder::listMenu(const std::string& name, int x, int y, int w, int h, const std::string& listName,
                         int def, const std::string& label)
{
  checkReference(name);
  const int count = static_cast<int>(list(listName).items.size());
  XmlNode& e = element("dropMenu");
  e.attr("type", "dropSelection").attr("name", displayName(label)).attr("paramId", name);
  e.attr("bounds", bounds({x, y, w, h}))
      .attr("valueBounds", bounds({def, 0, count}))
      .attr("valueList", listName);
  box(BoxKind::Lcd, x - 3, y - 2, w + 6, h + 4);
  caption(x + w / 2, y - 6, label);
}

void UiBuilder::nameDisplay(const std::string& name, int x, int y, int w, int h, int length,
                            const std::string& label)
{
  checkReference(name);
  XmlNode& e = element("dropMenu");
  e.attr("type", "nameSelection").attr("name", displayName(label)).attr("paramId", name);
  e.attr("bounds", bounds({x, y, w, h})).attr("nameLen", length);
  box(BoxKind::Lcd, x - 3, y - 2, w + 6, h + 4);
  caption(x + w / 2, y - 6, label);
}

void UiBuilder::deviceMenu(const std::string& name, int x, int y, int w, int h, bool input,
                           const std::string& label)
{
  checkReference(name);
  XmlNode& e = element("dropMenu");
  e.attr("type", "deviceSelection").attr("name", "MIDI Setup").attr("paramId", name);
  e.attr("bounds", bounds({x, y, w, h})).attr("inputDev", bounds({input ? 1 : 0, 0}));
  box(BoxKind::Lcd, x - 3, y - 2, w + 6, h + 4);
  caption(x - 6, y + h - 2, label, 10, Align::Right, true);
}

void UiBuilder::numberMenu(const std::string& name, int x, int y, int w, int h, int count,
                           const std::string& listName, int first, int visible, const std::string& label)
{
  checkReference(name);
  XmlNode& e = element("multiFx");
  e.attr("type", "Menu").attr("name", displayName(label)).attr("paramId", name);
  e.attr("position", bounds({x, y, w, h})).attr("valueBounds", bounds({0, 0, count}));
  if (!listName.empty())
  {
    if (static_cast<int>(list(listName).items.size()) != count)
      throw std::runtime_error("list " + listName + " does not fit the menu of " + name);
    e.attr("valueList", listName);
  }
  else
  {
    e.attr("valueDisplay", std::to_string(first) + ":" + std::to_string(first + count - 1));
  }
  e.attr("visible", bounds({visible, 0})).attr("white", 0);
  if (visible == 1)
    box(BoxKind::Lcd, x - 3, y - 2, w + 6, h + 4);
  caption(x + w / 2, y - 6, label);
}

void UiBuilder::rangeKnob(const std::string& name, int min, int max, int def, const std::string& label)
{
  checkReference(name);
  XmlNode& e = element("multiFx");
  // The name carries the part as the sysex factories write it, since the value display shows it.
  const size_t plus = name.find('+');
  const std::string shown = plus == std::string::npos
                                ? label
                                : "[" + std::to_string(std::atoi(name.c_str() + plus + 1) + 1) + "] " + label;
  e.attr("type", "Knob").attr("name", shown).attr("paramId", name);
  e.attr("imageId", "IKNOBROTATERCONTROL_ID3").attr("position", bounds({0, 0}));
  e.attr("valueBounds", bounds({def, min, max, 0}));
}

// ---------------------------------------------------------------------------------------------------

void UiBuilder::build()
{
  stack_.clear();
  stack_.push_back(&root_);
  XmlNode& lists = element("valueLists");
  for (const auto& l : lists_)
  {
    XmlNode& e = lists.add("list");
    e.attr("name", l.name);
    for (const auto& item : l.items)
      e.add("value").text = item;
  }
  // Full-size background of the style, then the header, the pages and the windows above them.
  beginPanel("MAIN_BG_ID", 0, 0);
  buildHeader();
  endPanel();
  layer("root", 0,
        [&]
        {
          buildMultiPage();
          buildLibrarianPage();
          buildOscillatorPage();
          buildFilterPage();
          buildModulationPage();
          buildEffectsPage();
          buildRanges();
        });
  buildFilterPictures();
  buildEffect2Layers();
  buildMiniMixer();
  buildBankAndProgram();
  buildLibrarianLayers();
  buildWindows();
  stack_.clear();
}

} // namespace resgen

namespace resgen
{

void UiBuilder::ccMenu(const std::string& name, int cc, int count, int x, int y, int w,
                       const std::string& label)
{
  if (paramIndex(name) < 0)
    throw std::runtime_error("unknown parameter " + name);
  XmlNode& e = element("menucontrol");
  e.attr("type", "ccMenu").attr("name", displayName(label));
  common(e, name, -1, "");
  e.attr("position", bounds({x, y, w})).attr("valueBounds", bounds({0, 0, count, 0}));
  e.attr("valueDisplay", "1:" + std::to_string(count)).attr("ccNumber", cc);
  box(BoxKind::Field, x - 3, y - 2, w + 6, kMenuHeight + 4);
  caption(x + w / 2, y - 6, label);
}

// A section lock: the switch in the top right corner of a section frame keeps the section's values when
// a sound arrives from the synthesizer.
void UiBuilder::lock(const std::string& name, int x, int y)
{
  const std::string saved = group_;
  group_.clear();
  switchControl(name, x, y, "BUTTON_LOCK_ID", "");
  group_ = saved;
}

} // namespace resgen
