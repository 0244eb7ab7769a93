// The generator's source tables: parameter names, sound, effect and setting parameters, skin images and
// value lists, all read from the data files under tools/resgen/tables and src/config.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace resgen
{

// One per-part sound parameter (tables/SoundParams.def).
struct SoundParam
{
  const char* name;
  int soundIndex; // parameter-change address, 0..382
  int min;
  int max; // knob or switch: highest value; menu: entry count
  int def;
  const char* list;
  const char* caption;
  int cc; // controller number for controller-bound parameters, else 0
};

// One effect parameter named by its effect type (tables/EffectParams.def).
struct EffectParam
{
  const char* name;
  int fx;   // 1 or 2
  int type; // effect type that uses it
  int slot; // 1..14
  int max;
  int def;
  const char* caption;
  int soundIndex() const { return (fx == 1 ? 129 : 145) + slot; }
};

enum class SettingFamily
{
  Multi,
  MultiSingle,
  Global
};

// One multi or global setting (tables/SettingParams.def).
struct SettingParam
{
  const char* name;
  SettingFamily family;
  int key;
  int min;
  int max;
  int def;
  const char* list;
  const char* caption;
};

enum class ImageSet
{
  Common,
  Light,
  Dark
};

// How an image is drawn.
enum class Art
{
  Panel,
  Frame,
  LedRing,
  PlainButton,
  LabelButton,
  InfoButton,
  Knob,
  KnobLarge,
  KnobStepped,
  KnobSmall,
  PowerButton,
  ToggleLabel,
  MainTabs,
  PartTabs,
  PartButton,
  Led,
  SmallSwitch,
  FaderHandle,
  ArrowButton,
  Transparent,
  Browser,
  Lock,
  Checkbox,
  Progress,
  FilterCurve,
  Gears
};

// One skin image (tables/Images.def); width and height are those of one frame.
struct ImageSpec
{
  ImageSet set;
  const char* name;
  int id;
  const char* file;
  int frames;
  bool horizontal;
  int width;
  int height;
  Art art;
};

const std::vector<SoundParam>& soundParams();
const std::vector<EffectParam>& effectParams();
const std::vector<SettingParam>& settingParams();
const std::vector<ImageSpec>& imageSpecs();

// Index of a parameter name of the parameter table (src/config/ParamTable.def), -1 when unknown.
int paramIndex(const std::string& name);
// Number of indices the name covers: 16 for a per-part block, 1 for a single index, -1 when unknown.
int paramCount(const std::string& name);
// Every name of the parameter table, in table order.
const std::vector<std::string>& paramNames();

// Finds a table entry by parameter name; throws std::runtime_error when it is missing.
const SoundParam& soundParam(const std::string& name);
const EffectParam& effectParam(const std::string& name);
const SettingParam& settingParam(const std::string& name);
// The image of the given name for a style (0 light, 1 dark): its own set's entry, else the common one.
const ImageSpec* findImage(const std::string& name, int style);

// A named list of display texts.
struct ValueList
{
  std::string name;
  std::vector<std::string> items;
};

// Reads a value-list file: "@name" starts a list, every further non-empty line that does not start with
// "#" is one entry. Throws std::runtime_error when the file cannot be read or a list repeats a name.
std::vector<ValueList> readValueLists(const std::string& path);

} // namespace resgen
