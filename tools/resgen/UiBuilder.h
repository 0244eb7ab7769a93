// Builds the UI description (layers, controls, value lists), the sysex template list it refers to and
// the captions of every panel image, from the generator's tables.
#pragma once

#include "PanelArt.h"
#include "SysexList.h"
#include "Tables.h"
#include "XmlNode.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace resgen
{

// Editor geometry in unscaled skin pixels.
constexpr int kEditorWidth = 1500;
constexpr int kEditorHeight = 757;
constexpr int kPageX = 386; // pages 1 to 5 sit right of the part mixer
constexpr int kPageY = 100;
constexpr int kPageWidth = 1108;
constexpr int kPageHeight = 651;
constexpr int kParts = 16;

class UiBuilder
{
public:
  // valueLists: the lists written into the description; every list a menu names must be among them.
  explicit UiBuilder(std::vector<ValueList> valueLists);

  // Builds the whole description once; throws std::runtime_error on an inconsistent layout (a panel
  // image placed twice with different captions, a menu whose list size does not fit its bounds, ...).
  void build();

  const XmlNode& document() const { return root_; }
  const SysexList& sysex() const { return sysex_; }
  const std::map<std::string, PanelArt>& panels() const { return panels_; }

private:
  // Pages and windows (UiBuilderPages*.cpp).
  void buildHeader();
  void buildMultiPage();
  void buildLibrarianPage();
  void buildOscillatorPage();
  void buildFilterPage();
  void buildModulationPage();
  void buildEffectsPage();
  void buildFilterPictures();
  void buildEffect2Layers();
  void buildMiniMixer();
  void buildBankAndProgram();
  void buildLibrarianLayers();
  void buildWindows();
  void buildRanges();
  void buildEnvelope(const std::string& prefix, int x, int y, int zoneBase);
  void buildEffectControls(int fx, int type, int x, int y);
  void buildOscillator(int osc, int x, int y);

  // Tree.
  XmlNode& element(const std::string& name);
  // Notes the area of the last element made inside a panel, once it is complete (its attributes set).
  void notePlaced();
  void layer(const std::string& name, int id, const std::function<void()>& body);
  void multilayer(const std::string& name, int count, const std::function<void()>& body);
  void background(const std::string& image, int x, int y);

  // Panels: a panel scope draws the captions of the controls placed inside it onto its image.
  void beginPanel(const std::string& image, int x, int y);
  void endPanel();
  void section(int x, int y, int w, int h, const std::string& title);
  void caption(int x, int y, const std::string& text, int size = 10, Align align = Align::Center,
               bool bold = false);
  void box(BoxKind kind, int x, int y, int w, int h);
  void sketch(Sketch kind, int x, int y, int w, int h);

  // Parameter reference of the element: inside the part expansion the walker adds the part itself.
  std::string ref(const std::string& name, int part = 0) const;
  void common(XmlNode& e, const std::string& name, int part, const std::string& image);

  // Sound parameters of the part (inside the part expansion).
  void soundKnob(const std::string& name, int x, int y, const std::string& image = "IKNOBROTATERCONTROL_ID2");
  void soundMenu(const std::string& name, int x, int y, int w, bool withCaption = true);
  void soundButton(const std::string& name, int x, int y);
  // A sound parameter whose device byte is the stored value + zero: a sysex fader, the one control that sends
  // with an offset.
  void soundSlider(const std::string& name, int x, int y, int length, int zero);
  void effectKnob(const std::string& name, int x, int y, int part);
  // Controls of the parameters the tables do not hold (modulation slots, arpeggiator steps) or lay out
  // apart; def is the value of the synthesizer's init sound.
  void stepKnob(const std::string& name, int soundIndex, int max, int x, int y, const std::string& image,
                const std::string& caption, int def);
  void stepMenu(const std::string& name, int soundIndex, int x, int y, int w, const std::string& list,
                const std::string& label, int def);

  // Multi and global settings; part is the part index for per-part settings, -1 otherwise.
  void settingKnob(const std::string& name, int part, int x, int y, const std::string& image,
                   bool withCaption = true);
  void settingMenu(const std::string& name, int part, int x, int y, int w, bool withCaption = true);
  void settingButton(const std::string& name, int part, int x, int y, const std::string& image,
                     bool withCaption = true);
  void settingSlider(const std::string& name, int part, int x, int y, int length, bool withCaption = true);
  int settingTemplate(const SettingParam& s, int part);

  // Controls without a device message of their own.
  void switchControl(const std::string& name, int x, int y, const std::string& image,
                     const std::string& label, int def = 0);
  void autoOff(const std::string& name, int x, int y, const std::string& image, const std::string& label);
  void radio(const std::string& name, int x, int y, const std::string& image, int buttons,
             const std::string& label);
  void display(const std::string& name, int x, int y, int w, int h, bool white = false);
  void textMenu(const std::string& name, int x, int y, int w, int h, const std::string& label);
  void listMenu(const std::string& name, int x, int y, int w, int h, const std::string& list, int def,
                const std::string& label);
  void nameDisplay(const std::string& name, int x, int y, int w, int h, int length, const std::string& label);
  void deviceMenu(const std::string& name, int x, int y, int w, int h, bool input, const std::string& label);
  void numberMenu(const std::string& name, int x, int y, int w, int h, int count, const std::string& list,
                  int first, int visible, const std::string& label);
  // A knob that no page shows, carrying a parameter's range; label is its display name.
  void rangeKnob(const std::string& name, int min, int max, int def, const std::string& label);
  void ccMenu(const std::string& name, int cc, int count, int x, int y, int w, const std::string& label);
  void lock(const std::string& name, int x, int y);

  const ValueList& list(const std::string& name) const;
  static std::string bounds(std::initializer_list<int> numbers);
  std::string displayName(const std::string& param) const;

  std::vector<ValueList> lists_;
  XmlNode root_;
  std::vector<XmlNode*> stack_;
  SysexList sysex_;
  std::map<std::string, PanelArt> panels_;
  XmlNode* unplaced_ = nullptr; // made inside a panel, area not yet noted
  bool inPart_ = false;
  std::string group_;

  struct PanelScope
  {
    std::string image;
    int x, y;
    PanelArt art;
  };
  std::vector<PanelScope> panelStack_;
};

} // namespace resgen
