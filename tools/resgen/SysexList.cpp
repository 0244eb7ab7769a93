// Builds the sysex template list and its document.
#include "SysexList.h"

#include <cstdio>

namespace resgen
{

std::string templateText(int kind, int part, int high, int low)
{
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "3E 13 00 %02X %02X %02X %02X 00", kind & 0x7F, part & 0x7F,
                high & 0x7F, low & 0x7F);
  return buffer;
}

int SysexList::intern(const std::string& text)
{
  auto it = positions_.find(text);
  if (it != positions_.end())
    return it->second;
  const int position = static_cast<int>(templates_.size());
  templates_.push_back(text);
  positions_.emplace(text, position);
  return position;
}

int SysexList::soundTemplate(int soundIndex)
{
  return intern(templateText(kKindSound, 0, soundIndex >> 7, soundIndex & 0x7F));
}

int SysexList::multiTemplate(int part, int key)
{
  return intern(templateText(kKindMulti, part, 0, key));
}

int SysexList::globalTemplate(int key)
{
  return intern(templateText(kKindGlobal, 0, 0, key));
}

XmlNode SysexList::toXml() const
{
  XmlNode root("sysexlist");
  for (const auto& text : templates_)
  {
    XmlNode& record = root.add("sysex");
    XmlNode& values = record.add("values");
    values.add("value").text = text;
  }
  return root;
}

} // namespace resgen
