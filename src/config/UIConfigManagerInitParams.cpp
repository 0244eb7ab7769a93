// UIConfigManager: the registry that maps parameter names of the UI description to indices.
#include "UIConfigManager.h"

#include "ParamIndex.h"

void UIConfigManager::initParams()
{
  logDebug("CONFIG READER: Started to initialize parameters...");
  for (const ParamTableEntry& entry : kParamTable)
    mapParamToString(entry.name, entry.index);
}

void UIConfigManager::mapParamToString(const std::string& name, int index)
{
  if (!paramIndexByName.emplace(name, index).second)
    logDebug("CONFIG READER: parameter " + name + " ALREADY EXISTS!");
}

int UIConfigManager::getParamByName(const std::string& name) const
{
  const auto found = paramIndexByName.find(name);
  if (found == paramIndexByName.end())
  {
    logDebug("CONFIG READER: parameter " + name + " NOT FOUND!");
    return -1;
  }
  return found->second;
}
