// UIConfigManager: the sysex template list and the named value lists of the UI description.
#include "UIConfigManager.h"

#include <tinyxml2.h>

#include <cstring>
#include <utility>

namespace
{
const char* const kSysexRootName = "sysexlist";
const char* const kSysexElement = "sysex";
const char* const kValuesElement = "values";
const char* const kMultiValueElement = "multivalue";
const char* const kValueElement = "value";
const char* const kUIConfigRootName = "uiconfig";
const char* const kValueListsElement = "valueLists";
const char* const kListElement = "list";
const char* const kListNameAttribute = "name";

// An element without text in a plain "values" group stands for one blank.
const char* const kNoTextValue = " ";
} // namespace

void UIConfigManager::readSysexValues()
{
  logDebug("CONFIG READER: Started to read SysEx Data...");
  tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
  if (!loadDocument(kSysexResourceId, kSysexResourceName, kSysexRootName, document))
    return;
  const tinyxml2::XMLElement* root = document.FirstChildElement(kSysexRootName);
  for (const tinyxml2::XMLElement* sysex = root->FirstChildElement(kSysexElement); sysex != nullptr;
       sysex = sysex->NextSiblingElement())
  {
    SysExContainer record;
    readSysexRecord(sysex, record);
    sysexList.push_back(std::move(record));
  }
  logDebug("CONFIG READER: Completed reading SysEx data!");
}

void UIConfigManager::readSysexRecord(const tinyxml2::XMLElement* sysex, SysExContainer& record) const
{
  for (const tinyxml2::XMLElement* group = sysex->FirstChildElement(kValuesElement); group != nullptr;
       group = group->NextSiblingElement())
  {
    const tinyxml2::XMLElement* value = group->FirstChildElement(kValueElement);
    if (value != nullptr)
    {
      Values plain;
      for (; value != nullptr; value = value->NextSiblingElement())
      {
        const char* text = value->GetText();
        if (text == nullptr)
          plain.items.emplace_back(kNoTextValue);
        else if (*text != '\0')
          plain.items.emplace_back(text);
      }
      record.values.push_back(std::move(plain));
      continue;
    }

    std::vector<Values> multi;
    for (const tinyxml2::XMLElement* entry = group->FirstChildElement(kMultiValueElement); entry != nullptr;
         entry = entry->NextSiblingElement())
    {
      Values texts;
      for (const tinyxml2::XMLElement* item = entry->FirstChildElement(kValueElement); item != nullptr;
           item = item->NextSiblingElement())
      {
        const char* text = item->GetText();
        texts.items.emplace_back(text != nullptr ? text : "");
      }
      multi.push_back(std::move(texts));
    }
    record.multiValues.push_back(std::move(multi));
    record.hasMultiValues = true;
  }
}

void UIConfigManager::readReasources(tinyxml2::XMLDocument* document)
{
  if (document == nullptr)
    return;
  const tinyxml2::XMLElement* root = document->FirstChildElement(kUIConfigRootName);
  if (root == nullptr)
    return;
  const tinyxml2::XMLElement* section = root->FirstChildElement(kValueListsElement);
  if (section == nullptr)
    return;
  for (const tinyxml2::XMLElement* list = section->FirstChildElement(); list != nullptr;
       list = list->NextSiblingElement())
  {
    if (std::strcmp(list->Name(), kListElement) != 0)
      continue;
    const char* name = list->Attribute(kListNameAttribute);
    if (name == nullptr)
    {
      logDebug("CONFIG READER: value list without a name passed over");
      continue;
    }
    std::vector<std::string> texts;
    for (const tinyxml2::XMLElement* value = list->FirstChildElement(kValueElement); value != nullptr;
         value = value->NextSiblingElement(kValueElement))
    {
      // An element without text keeps its place, so that list positions stay the values they name.
      const char* text = value->GetText();
      texts.emplace_back(text != nullptr ? text : "");
    }
    valueListByName[name] = std::move(texts);
  }
}

const std::vector<std::string>& UIConfigManager::getValueList(const std::string& name) const
{
  static const std::vector<std::string> kEmptyList;
  const auto found = valueListByName.find(name);
  return found != valueListByName.end() ? found->second : kEmptyList;
}

bool UIConfigManager::hasValueList(const std::string& name) const
{
  return valueListByName.find(name) != valueListByName.end();
}

const SysExContainer* UIConfigManager::getSysexRecord(int sysexIndex) const
{
  if (sysexIndex < 0 || static_cast<std::size_t>(sysexIndex) >= sysexList.size())
    return nullptr;
  return &sysexList[static_cast<std::size_t>(sysexIndex)];
}
