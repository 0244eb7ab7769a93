// UIConfigManager: builds the editor from the enciphered UI description and sysex template list.
#pragma once

#include "SysExContainer.h"
// Control actions, registries and skin images
#include "ControlAction.h"
#include "ControlIDMaps.h"
#include "ImageInfo.h"
#include "NRPNControlContainer.h"
#include "SysExControlContainer.h"

#include <memory>
struct IBitmap;

#include "IGraphicsStructs.h"

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

class ControlLayer;
class IControl;
class IGraphics;
class IParam;
class Korvid;
class LibrarianViewControl;
class PatchLibrarian;

namespace tinyxml2
{
class XMLDocument;
class XMLElement;
class XMLNode;
} // namespace tinyxml2

// Outcome of loading the bytes of one resource file.
enum class ResourceLoadResult
{
  Loaded,
  Missing,   // no such resource
  Unreadable // present but could not be opened or read
};

// Created empty by the plug-in and filled once by readUIConfig on the thread that constructs the
// plug-in; afterwards its tables are read-only and may be read from any thread.
// Concern files: UIConfigManager.cpp (loading and deciphering), UIConfigManagerResources.cpp
// (sysex template list and value lists), UIConfigManagerInitParams.cpp (parameter name registry),
// UIConfigManagerImages.cpp and UIConfigManagerWalker.cpp (skin images, UI description walk).
class UIConfigManager
{
public:
  // Resource ids and names as the framework's loader knows them.
  static constexpr int kUIConfigResourceId = 100;
  static constexpr int kSysexResourceId = 101;
  static constexpr const char* kUIConfigResourceName = "resources/uiconfig.tea";
  static constexpr const char* kSysexResourceName = "resources/sysex.tea";
  // A resource is read up to this many bytes; the rest of a longer file is cut.
  static constexpr std::size_t kMaxResourceBytes = 4096000;

  // Loads the raw (still enciphered) bytes of resource `name` with load id `id` into `bytes`.
  // The plug-in wires this to IGraphics::LoadFile; tests load from a folder.
  using ResourceLoader =
      std::function<ResourceLoadResult(int id, const std::string& name, std::string& bytes)>;

  UIConfigManager() = default;

  // Debug lines ("CONFIG READER: ...") go to the log file at logPath while enabled is true.
  void setDebugOutput(bool enabled, const std::string& logPath);
  // Replaces the resource loader. Without one, resources are read from files: the folder given
  // to setResourceDirectory joined with the resource name (for example "resources/sysex.tea").
  void setResourceLoader(ResourceLoader loader);
  void setResourceDirectory(const std::string& directory);

  // Builds the editor: keeps the five arguments, reads the sysex template list, loads the skin
  // images, registers the parameter names, loads, deciphers and parses the UI description, reads
  // its value lists and walks it. style 0 light, 1 dark; scale multiplies every skin position.
  // A resource that is missing, unreadable or without its root element is logged and recorded
  // (resourcesOk, getResourceErrors); the remaining steps still run.
  void readUIConfig(IGraphics* graphics, Korvid* plug, PatchLibrarian* librarian, int style, double scale);

  // Deciphers `length` bytes of `data` in 8-byte blocks with the project's key and appends the
  // plain bytes to `out` (NULs included): length rounded up to a multiple of 8, a short tail block
  // filled with zero bytes. A length below 1 or a null pointer appends nothing. Any thread.
  static void decrypt(const char* data, int length, std::string& out);

  // Reads at most kMaxResourceBytes of the file at path into bytes.
  static ResourceLoadResult loadResourceFile(const std::string& path, std::string& bytes);

  // False when a resource could not be loaded or did not decipher to a document with its root
  // element; the texts say which and how, for the editor to show.
  bool resourcesOk() const { return resourceErrors.empty(); }
  const std::vector<std::string>& getResourceErrors() const { return resourceErrors; }

  // --- Sysex template list and value lists (UIConfigManagerResources.cpp) ---

  // Loads "resources/sysex.tea" and appends one record per "sysex" element to sysexList.
  void readSysexValues();
  // Fills the value lists from the "valueLists" section of a parsed UI description; a null
  // document or one without the section reads nothing.
  void readReasources(tinyxml2::XMLDocument* document);

  // The list of that exact name, or an empty list. Never adds an entry, so any thread may call it
  // once start-up is over.
  const std::vector<std::string>& getValueList(const std::string& name) const;
  bool hasValueList(const std::string& name) const;

  // The record at sysexIndex, or null when the index lies outside the list.
  const SysExContainer* getSysexRecord(int sysexIndex) const;

  // One record per "sysex" element in document order; a record's position is its sysexIndex.
  std::vector<SysExContainer> sysexList;

  // --- Parameter name registry (UIConfigManagerInitParams.cpp) ---

  // Registers every name of the parameter table with its index.
  void initParams();
  // Adds name -> index unless the name is registered already (then the first index stays and,
  // with debug output on, "CONFIG READER: parameter <name> ALREADY EXISTS!" is logged).
  void mapParamToString(const std::string& name, int index);
  // The index registered for name (case matters), or -1 (then, with debug output on,
  // "CONFIG READER: parameter <name> NOT FOUND!" is logged). Never adds an entry.
  int getParamByName(const std::string& name) const;
  // Number of registered names.
  std::size_t getParamNameCount() const { return paramIndexByName.size(); }

  // --- UI description walk and control factories ---
  // (UIConfigManagerWalker.cpp; the factories by binding in UIConfigManagerSysexControls.cpp,
  // UIConfigManagerCCControls.cpp, UIConfigManagerMsbLsbControls.cpp, UIConfigManagerPlainControls.cpp and
  // UIConfigManagerMenus.cpp, their shared steps in UIConfigManagerFactorySteps.cpp)
  // Everything here runs on the thread that constructs the plug-in, while readUIConfig builds the editor
  // (createAutoOffSwitchControl also right after it). Positions and sizes are unscaled skin pixels; each
  // product with the UI scale is truncated toward zero. part is the multi part (0 to 15) of a control inside
  // a part expansion, -1 outside; layer receives the control, null for the surface's own list. A factory
  // whose paramIdx names no parameter builds nothing and logs the element. Controls belong to their layer or
  // the surface; registries and layerByName point at them without owning them.

  // Appends every maximal run of text without a delimiter character to tokens (empty runs dropped; tokens
  // is not cleared). Any thread.
  static void Tokenize(const std::string& text, std::vector<std::string>& tokens,
                       const std::string& delimiters);
  // Reads the first min(tokens, count) comma-separated tokens of text as decimal ints into values[0...]
  // (leading blanks skipped, reading stops at the first other character). A token that does not begin with
  // a number, and every entry beyond the tokens, keeps its value. Returns how many entries were read. Any
  // thread.
  static int getCSValues(std::string text, int* values, int count);
  // The three ints of a link description "name,name[,extra]": values[0] and values[1] the indices of the
  // two names plus offset, values[2] the extra number when exactly three tokens are given, else -1. Fewer
  // than two tokens give -1 for all three; a name that is not registered gives -1 (offset not added).
  void getBiDirectLinkValues(std::string text, int* values, int offset);
  // The group text of a parameter: "Part <part + 1>", with ":" and group when group is not empty, for part
  // 0 or more; group itself for a negative part. Points into this manager and stays valid until the next
  // call; a negative part with an empty group gives "" and leaves the kept text as it was.
  const char* getParamGroup(int part, std::string group);
  // Appends the ints of from to to.
  static void copyIntVector(std::vector<int>* from, std::vector<int>* to);

  // Sample names for the oscillator sample menus, handed over by the plug-in before readUIConfig when its
  // sample-name file could be opened; without them those menus are numbered "Sample A1", "Sample A2" ...
  void setSampleNames(std::vector<std::string> names);

  // Sysex controls (type 5 button, 6 otherwise): one prepared message per value from sysexList[sysexIndex],
  // the value at the 1-based byte changingByte, registered in sysexControls. Inside a part the parameter's
  // name is prefixed "[part + 1] ". defaultValue, minValue and maxValue are in parameter units.
  void createSysExKnobControl(std::string name, int paramIdx, int x, int y, std::string imageName,
                              double defaultValue, double minValue, double maxValue, double fourthBound,
                              int msgZeroVal, int sysexIndex, int changingByte, int part, LinkInfo link,
                              ControlLayer* layer, std::string group);
  // A fader of travel length; messages carry min + msgZeroVal upward (wrapping at 128).
  void createSysExSliderControl(std::string name, int paramIdx, int x, int y, int length,
                                std::string imageName, double defaultValue, double minValue, double maxValue,
                                double fourthBound, int msgZeroVal, int sysexIndex, int changingByte,
                                int part, LinkInfo link, ControlLayer* layer, std::string group,
                                EDirection direction, bool flag);
  void createSysExBoolControl(std::string name, int paramIdx, int x, int y, std::string imageName,
                              double defaultValue, int msgZeroVal, int sysexIndex, int changingByte, int part,
                              LinkInfo link, ControlLayer* layer, std::string group);
  // A drop-down of maxValue - minValue entries named by valueList, or numbered from displayFirst when the
  // list does not match and displayFirst differs from displayLast; otherwise only the parameter is made.
  void createMultiSelectionSysExControl(std::string name, int paramIdx, int x, int y, int width, int textSize,
                                        int defaultValue, int minValue, int maxValue, int displayFirst,
                                        int displayLast, std::vector<std::string> valueList, int msgZeroVal,
                                        int color, int sysexIndex, int changingByte, int part,
                                        ControlLayer* layer, std::string group, bool white);

  // CC controls (type 1, the button type 2), registered in ccControls under (channel key, ccNumber, key
  // flag): the channel key is part + 1 inside a part, else channel. step is truncated to an int.
  void createCCKnobControl(int ccNumber, int channel, std::string name, int paramIdx, int x, int y,
                           std::string imageName, double defaultValue, double minValue, double maxValue,
                           double step, LinkInfo link, int part, ControlLayer* layer, std::string group);
  void createCCSliderControl(int ccNumber, int channel, std::string name, int paramIdx, int x, int y,
                             int length, std::string imageName, double defaultValue, double minValue,
                             double maxValue, LinkInfo link, int part, ControlLayer* layer, std::string group,
                             EDirection direction, bool flag);
  // offValue and onValue (truncated) are the controller values sent for 0 and for any other value.
  void createCCBoolControl(int ccNumber, int channel, std::string name, int paramIdx, int x, int y,
                           std::string imageName, double defaultValue, double offValue, double onValue,
                           LinkInfo link, int part, ControlLayer* layer, std::string group);
  void createMultiSelectionCCControl(int ccNumber, int channel, std::string name, int paramIdx, int x, int y,
                                     int width, int height, int defaultValue, int minValue, int maxValue,
                                     int displayFirst, int displayLast, std::vector<std::string> valueList,
                                     int part, ControlLayer* layer, std::string group);

  // MSB/LSB (NRPN) controls (type 3), registered in nrpnControls. The channel key and key flag follow the
  // name of layer (the mixer and multi settings layers keep channel); a null layer counts as any other.
  void createMsbLsbKnobControl(int key1, int key2, int key3, int key4, int channel, std::string name,
                               int paramIdx, int x, int y, std::string imageName, double defaultValue,
                               double minValue, double maxValue, double fourthBound, LinkInfo link, int part,
                               ControlLayer* layer, std::string group);
  void createMsbLsbBoolControl(int key1, int key2, int key3, int key4, int channel, std::string name,
                               int paramIdx, int x, int y, std::string imageName, double defaultValue,
                               double offValue, double onValue, LinkInfo link, int part, ControlLayer* layer,
                               std::string group);
  void createMsbLsbSelectionCCControl(int key1, int key2, int key3, int key4, int channel, std::string name,
                                      int paramIdx, int x, int y, int width, int height, int defaultValue,
                                      int minValue, int maxValue, int displayFirst, int displayLast,
                                      std::vector<std::string> valueList, int part, ControlLayer* layer,
                                      std::string group);

  // Plain controls (type 0, or no control action for the two multi-effect factories); the parameter's name
  // is name as given. A caption showing "----" whose click opens nothing.
  void createDropDownMenu(std::string name, int paramIdx, int x, int y, int width, int height, int part,
                          ControlLayer* layer, std::string group);
  // A value-list menu; only the parameter is made when valueList does not hold maxValue - minValue texts.
  void createDropDownMenu2(std::string name, int paramIdx, int x, int y, int width, int height,
                           int defaultValue, int minValue, int maxValue, std::vector<std::string> valueList,
                           int part, ControlLayer* layer, std::string group);
  // The MIDI port selector: input ports when inputDev is 1, else output ports, "OFF" first. Always on the
  // surface's own list.
  void createMIDIDeviceSelectionControl(std::string name, int paramIdx, int x, int y, int width, int height,
                                        int inputDev, int part, ControlLayer* layer, std::string group);
  // The numbered menu of the multi-effect and mixer pages; visible other than 1 gives an invisible text.
  void createNoValDropDown(std::string name, int paramIdx, int x, int y, int width, int height,
                           int defaultValue, int minValue, int maxValue, int displayFirst, int displayLast,
                           int visible, std::vector<std::string> valueList, int part, ControlLayer* layer,
                           std::string group, bool white);
  // A text display bound to paramIdx through its control action only.
  void createControlDisplay(std::string name, int paramIdx, int x, int y, int width, int height, int part,
                            ControlLayer* layer, std::string group, bool white);
  // An editable name (text parameter) accepting at most nameLen characters.
  void createNameDisplay(std::string name, int paramIdx, int x, int y, int width, int height, int nameLen,
                         int part, ControlLayer* layer, std::string group);
  void createRadioControl(std::string name, int paramIdx, int x, int y, std::string imageName, int buttons,
                          int part, ControlLayer* layer, std::string group, bool horizontal);
  // A toggle.
  void createBoolControl(std::string name, int paramIdx, int defaultValue, int x, int y,
                         std::string imageName, int part, ControlLayer* layer, std::string group);
  // A momentary button (back to 0 on release).
  void createSwitchControl(std::string name, int paramIdx, int defaultValue, int x, int y,
                           std::string imageName, int part, ControlLayer* layer, std::string group);
  // A momentary button that starts off; returns it (owned by layer or the surface), null when paramIdx names
  // no parameter.
  IControl* createAutoOffSwitchControl(std::string name, int paramIdx, int x, int y, std::string imageName,
                                       int part, ControlLayer* layer, std::string group);
  void createNoValKnobControl(std::string name, int paramIdx, int x, int y, std::string imageName,
                              double defaultValue, double minValue, double maxValue, double fourthBound,
                              int part, ControlLayer* layer, std::string group);

  // Every layer of the UI description by name; a later layer of the same name replaces the entry. The
  // editor core looks its layers up here after readUIConfig.
  std::map<std::string, ControlLayer*> layerByName;
  // The librarian's slot view built for the "patchBrowser" element, null without one.
  LibrarianViewControl* librarianView = nullptr;

  // --- Control actions, registries and skin images ---
  // (UIConfigManagerControlActions.cpp, UIConfigManagerSysexMessages.cpp, UIConfigManagerImages.cpp)
  // All of it is filled on the start-up thread while the editor is built; afterwards the registries and the
  // image table are only read.

  // Binds control to parameter paramIdx: the parameter's ControlAction, created fresh with type when it has
  // none (owned by this manager), otherwise kept with its type overwritten; control (when not null) appended
  // to its bound controls; the record stored in the parameter. Null when paramIdx names no parameter.
  ControlAction* bindControlAction(int paramIdx, ControlActionType type, IControl* control);
  // Links the parameter paramIdx, which owns action, with link.linkedParam in both directions: action keeps
  // link; the partner (given a fresh sysex-value record when it has none) links back to paramIdx with the
  // same switch parameter and no extra. Indices are exact (LinkInfo::forPart). Nothing happens when either
  // index of link is negative; a partner outside the parameters gets no reverse link. part is not needed
  // for the arithmetic and is not read.
  void setControlLink(ControlAction* action, int paramIdx, LinkInfo link, int part);

  // The hexadecimal byte values of text, split at blanks; a token that does not start with a hex digit gives
  // 0, reading stops at the first other character. Any thread.
  static std::vector<int> convertStringSysextoVector(const std::string& text);
  // Fills out->messages with count messages made from the template tmpl: message k carries start + k at the
  // 1-based position changingByte (wrapping from 128 to 0) and, for part 1 to 15, the part in the part byte.
  // start -1 counts from the template's own value byte. A range whose value bytes would leave 0..127 (a first
  // value below 0 or above 127), a part outside -1..15, more than kMaxMessagesPerControl messages or an empty
  // template is rejected with a debug line: the list is left empty and false returned. A framed template
  // (F0 ... F7) keeps its part byte one position further on. Positions outside the template are not written.
  bool calculateSysexWithChangingByte(std::string tmpl, int changingByte, int count,
                                      ControlActionSysExMessage* out, int start, int part);
  static constexpr int kMaxMessagesPerControl = 1024;
  // The four registry key bytes of a control from its first prepared message: positions 2 to 5 when the
  // value sits at (unframed) position 7, else 3 to 6, each reduced to 8 bits; a framed message has each
  // position one further. False, keyBytes untouched, when the message is missing or too short.
  static bool getSysexRegistryKey(const ControlActionSysExMessage& prepared, int changingByte,
                                  unsigned char keyBytes[SysexTemplateLayout::kKeyLength]);
  // Effect group of a parameter index (1 chorus ... 7 reverb), 0 for every non-effect index.
  static int getEffectGroup(int paramIdx);

  // Loads one skin image into the surface's bitmap cache and records it under name; while the cache is
  // being cleared it releases the bitmap instead. Nothing without a surface.
  void preloadImage(IGraphics* graphics, int resourceId, const char* name, const char* file, int frameCount,
                    bool framesHorizontal);
  // The cached bitmap of the image recorded under name, carrying its frame count and layout; the empty
  // bitmap (one frame, stacked) for a name never preloaded or without a surface.
  IBitmap getImageByName(IGraphics* graphics, std::string name);
  // Releases every skin bitmap from the bitmap cache and empties the table; with reload loads the set of
  // the current style again.
  void ClearImageCache(bool reload);

  // Incoming-message registries; they point at controls without owning them.
  CCControlRegistry ccControls;
  NRPNControlContainer nrpnControls;
  SysExControlContainer sysexControls;
  // Skin image table: image name -> bitmap cache id, frame count and layout.
  std::map<std::string, ImageInfo> imageCache;

private:
  bool releasingImages = false;
  // Every ControlAction created while building, released with the manager.
  std::vector<std::unique_ptr<ControlAction>> controlActions;

private:
  void logDebug(const std::string& text) const;
  // Loads, deciphers and parses one resource into document; false (error recorded) when it is
  // missing, unreadable or lacks the root element rootName.
  bool loadDocument(int id, const char* name, const char* rootName, tinyxml2::XMLDocument& document);
  void recordResourceError(const std::string& text);
  void readSysexRecord(const tinyxml2::XMLElement* sysex, SysExContainer& record) const;

  // Skin images of the chosen style (UIConfigManagerImages.cpp).
  void initImages(IGraphics* graphics);
  // Walks the UI description from node under parentLayer for part (-1 outside any part)
  // (UIConfigManagerWalker.cpp).
  void processXMLElement(tinyxml2::XMLNode* node, ControlLayer* parentLayer, int part);

  // The walk's per-element work (UIConfigManagerWalker.cpp). ElementReader reads and checks attributes.
  struct ElementReader;
  void buildElement(tinyxml2::XMLElement* element, ControlLayer* layer, int part);
  void buildLayer(ElementReader& reader, ControlLayer* layer, int part);
  void buildMultiLayer(ElementReader& reader, ControlLayer* layer, int part);
  void buildPatchBrowser(ElementReader& reader, ControlLayer* layer);
  void buildBackground(ElementReader& reader, ControlLayer* layer);
  void buildPlainElement(ElementReader& reader, int paramIdx, ControlLayer* layer, int part);
  void buildMultiFx(ElementReader& reader, int paramIdx, ControlLayer* layer, int part);
  void buildControlElement(ElementReader& reader, int paramIdx, ControlLayer* layer, int part);
  // index := the parameter a "paramId" reference names for part (-1 for an empty reference). False when the
  // reference names no parameter (an unknown name, an index outside the parameters); problem then says why,
  // and may also describe a tolerated flaw when true is returned.
  bool resolveParamReference(const std::string& reference, int part, int& index, std::string& problem);
  // A copy of the value list called name (empty for none); a name that no list has is logged.
  std::vector<std::string> valueListFor(const std::string& name, const std::string& element);

  // Steps the factories share (UIConfigManagerFactorySteps.cpp).
  // The parameter at paramIdx; null, with a log line naming factory, when paramIdx names no parameter.
  IParam* factoryParam(int paramIdx, const char* factory);
  // value times the UI scale, truncated, held within +-kMaxCoordinate so that the controls' own
  // arithmetic on their rectangles cannot overflow.
  int scaled(int value) const;
  static constexpr int kMaxCoordinate = 1 << 20;
  // value truncated toward zero, held inside the int range.
  static int clampedInt(double value);
  static std::string partPrefixedName(const std::string& name, int part);
  // The knob, fader and button of the MIDI-bound families: the parameter initialised (a double of step, or a
  // bool for the button) with its name prefixed by the part and its group text, then the control built from
  // imageName and placed. Null, nothing placed, when paramIdx names no parameter or there is no surface.
  IControl* createPartKnob(const char* factory, const std::string& name, int paramIdx, int x, int y,
                           const std::string& imageName, double defaultValue, double minValue,
                           double maxValue, double step, int part, ControlLayer* layer,
                           const std::string& group);
  IControl* createPartFader(const char* factory, const std::string& name, int paramIdx, int x, int y,
                            int length, const std::string& imageName, double defaultValue, double minValue,
                            double maxValue, int part, ControlLayer* layer, const std::string& group,
                            EDirection direction);
  IControl* createPartSwitch(const char* factory, const std::string& name, int paramIdx, int x, int y,
                             const std::string& imageName, double defaultValue, int part, ControlLayer* layer,
                             const std::string& group);
  // The drop-down of the MIDI-bound families: an enumeration of maxValue - minValue entries with its name
  // prefixed by the part, its display texts (setMenuTexts), then a caption in color placed. With
  // emptyMenuBuilt a menu without entries is built without texts whatever its list says. Null when no control
  // is built.
  IControl* createPartMenu(const char* factory, const std::string& name, int paramIdx, int x, int y,
                           int width, int height, int defaultValue, int minValue, int maxValue,
                           int displayFirst, int displayLast, const std::vector<std::string>& valueList,
                           int part, ControlLayer* layer, const std::string& group, const IColor& color,
                           bool emptyMenuBuilt);
  // Appends control to layer or attaches it to the surface; false (control deleted) with neither.
  bool placeControl(IControl* control, ControlLayer* layer);
  // The text style of the text controls: "NK57 Monospace" of the given pixel size and colour.
  static IText controlText(int size, const IColor& color);
  // Prepares the messages of a sysex control into action and registers control under their key bytes and
  // group. firstValue is the parameter value the first message belongs to.
  void prepareSysexControl(ControlAction* action, IControl* control, int paramIdx, int sysexIndex,
                           int changingByte, int count, int start, int firstValue, int part, int group);
  // The text of entry k of a numbered drop-down whose number is displayFirst + k.
  using MenuNumberText = std::function<std::string(int entry, long long number)>;
  // Display texts of a drop-down of entries values: the list when it holds exactly that many, else numbers
  // from displayFirst (the decimal number, or what numberText makes of it) when displayFirst differs from
  // displayLast. False (logged) when neither applies and the factory builds no control.
  bool setMenuTexts(IParam* param, int paramIdx, int entries, const std::vector<std::string>& valueList,
                    int displayFirst, int displayLast, const MenuNumberText& numberText = nullptr);
  // The caption of a drop-down whose value prompt opens on a click.
  IControl* makeMenuCaption(int paramIdx, int x, int y, int width, int height, const IColor& color);

  std::string groupText;
  std::vector<std::string> sampleNames;
  bool sampleNamesGiven = false;

  IGraphics* graphics = nullptr;
  Korvid* plug = nullptr;
  PatchLibrarian* librarian = nullptr;
  int uiStyle = 0;
  double uiScale = 1.0;

  bool debugEnabled = false;
  std::string debugLogPath;
  ResourceLoader resourceLoader;
  std::string resourceDirectory;
  std::vector<std::string> resourceErrors;

  std::map<std::string, std::vector<std::string>> valueListByName;
  std::map<std::string, int> paramIndexByName;
};
