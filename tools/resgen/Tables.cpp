// The generator's tables, expanded from the X-macro lists and the value-list file.
#include "Tables.h"

#include <fstream>
#include <set>
#include <stdexcept>

namespace resgen
{

const std::vector<SoundParam>& soundParams()
{
  static const std::vector<SoundParam> table = {
#define RESGEN_SOUND(name, index, min, max, def, list, caption, cc)                                          \
  {#name, index, min, max, def, list, caption, cc},
#include "tables/SoundParams.def"
#undef RESGEN_SOUND
  };
  return table;
}

const std::vector<EffectParam>& effectParams()
{
  static const std::vector<EffectParam> table = {
#define RESGEN_EFFECT(name, fx, type, slot, max, def, caption) {#name, fx, type, slot, max, def, caption},
#include "tables/EffectParams.def"
#undef RESGEN_EFFECT
  };
  return table;
}

const std::vector<SettingParam>& settingParams()
{
  static const std::vector<SettingParam> table = {
#define RESGEN_SETTING(name, family, key, min, max, def, list, caption)                                      \
  {#name, SettingFamily::family, key, min, max, def, list, caption},
#include "tables/SettingParams.def"
#undef RESGEN_SETTING
  };
  return table;
}

const std::vector<ImageSpec>& imageSpecs()
{
  static const std::vector<ImageSpec> table = {
#define RESGEN_IMAGE(set, name, id, file, frames, horizontal, w, h, art)                                     \
  {ImageSet::set, name, id, file, frames, horizontal != 0, w, h, Art::art},
#include "tables/Images.def"
#undef RESGEN_IMAGE
  };
  return table;
}

namespace
{

struct ParamEntry
{
  const char* name;
  int index;
  int count;
};

const std::vector<ParamEntry>& paramEntries()
{
  static const std::vector<ParamEntry> table = {
#define KORVID_PARAM(name, index, count) {#name, index, count},
#include "ParamTable.def"
#undef KORVID_PARAM
  };
  return table;
}

const std::map<std::string, const ParamEntry*>& paramMap()
{
  static const std::map<std::string, const ParamEntry*> map = []
  {
    std::map<std::string, const ParamEntry*> m;
    for (const auto& e : paramEntries())
      m.emplace(e.name, &e); // the first registration of a name wins
    return m;
  }();
  return map;
}

template <typename T> const T& findByName(const std::vector<T>& table, const std::string& name)
{
  for (const auto& e : table)
    if (name == e.name)
      return e;
  throw std::runtime_error("no table entry for " + name);
}

} // namespace

int paramIndex(const std::string& name)
{
  auto it = paramMap().find(name);
  return it == paramMap().end() ? -1 : it->second->index;
}

int paramCount(const std::string& name)
{
  auto it = paramMap().find(name);
  if (it == paramMap().end())
    return -1;
  return it->second->count == 16 ? 16 : 1;
}

const std::vector<std::string>& paramNames()
{
  static const std::vector<std::string> names = []
  {
    std::vector<std::string> v;
    for (const auto& e : paramEntries())
      v.emplace_back(e.name);
    return v;
  }();
  return names;
}

const SoundParam& soundParam(const std::string& name)
{
  return findByName(soundParams(), name);
}
const EffectParam& effectParam(const std::string& name)
{
  return findByName(effectParams(), name);
}
const SettingParam& settingParam(const std::string& name)
{
  return findByName(settingParams(), name);
}

const ImageSpec* findImage(const std::string& name, int style)
{
  const ImageSet own = style == 1 ? ImageSet::Dark : ImageSet::Light;
  const ImageSpec* common = nullptr;
  for (const auto& spec : imageSpecs())
  {
    if (name != spec.name)
      continue;
    if (spec.set == own)
      return &spec;
    if (spec.set == ImageSet::Common)
      common = &spec;
  }
  return common;
}

std::vector<ValueList> readValueLists(const std::string& path)
{
  std::ifstream in(path);
  if (!in)
    throw std::runtime_error("cannot read " + path);
  std::vector<ValueList> lists;
  std::set<std::string> seen;
  std::string line;
  while (std::getline(in, line))
  {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.empty() || line[0] == '#')
      continue;
    if (line[0] == '@')
    {
      std::string name = line.substr(1);
      if (!seen.insert(name).second)
        throw std::runtime_error("value list " + name + " given twice");
      lists.push_back({name, {}});
      continue;
    }
    if (lists.empty())
      throw std::runtime_error("value entry before the first list in " + path);
    lists.back().items.push_back(line);
  }
  return lists;
}

} // namespace resgen
