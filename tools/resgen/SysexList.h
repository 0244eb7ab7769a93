// The sysex template list: one record per distinct parameter-change template, in first-use order.
#pragma once

#include "XmlNode.h"

#include <map>
#include <string>
#include <vector>

namespace resgen
{

// Unframed message layout shared by every template: 3E 13 dev kind part hi lo value.
constexpr int kTemplateLength = 8;
constexpr int kKindByte = 3;     // 0x20 sound, 0x21 multi, 0x24 global
constexpr int kPartByte = 4;     // the control factories write the part index here
constexpr int kValueByte = 7;    // the byte that carries the value
constexpr int kChangingByte = 8; // 1-based position of the value byte, as the UI description gives it
constexpr int kKindSound = 0x20;
constexpr int kKindMulti = 0x21;
constexpr int kKindGlobal = 0x24;

class SysexList
{
public:
  // Position of the template for a sound parameter at sound data index 0..382.
  int soundTemplate(int soundIndex);
  // Position of the template for a multi setting: per-part keys carry the part number in the part byte.
  int multiTemplate(int part, int key);
  // Position of the template for a global setting.
  int globalTemplate(int key);

  const std::vector<std::string>& templates() const { return templates_; }
  // The "sysexlist" document element.
  XmlNode toXml() const;

private:
  int intern(const std::string& text);
  std::vector<std::string> templates_;
  std::map<std::string, int> positions_;
};

// The template text of one message: eight two-digit hexadecimal bytes separated by blanks.
std::string templateText(int kind, int part, int high, int low);

} // namespace resgen
