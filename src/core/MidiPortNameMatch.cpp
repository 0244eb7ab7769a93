// Finding a MIDI port stored in a project among the ports listed now.
#include "MidiPortNameMatch.h"

#include <regex>

namespace
{
bool beginsWith(const std::string& text, const std::string& prefix)
{
  return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}
} // namespace

std::string MidiPortNameMatch::withoutNumbers(const std::string& name)
{
  static const std::regex alsaNumbers(R"(\s+\d+:\d+$)");
  static const std::regex bracketedClient(R"(\s*\[\d+\])");
  static const std::regex clientSuffix(R"(^([^:]*?)-\d+:)");
  std::string text = std::regex_replace(name, alsaNumbers, "");
  text = std::regex_replace(text, bracketedClient, "");
  text = std::regex_replace(text, clientSuffix, "$1:", std::regex_constants::format_first_only);
  const size_t last = text.find_last_not_of(" \t");
  text.erase(last == std::string::npos ? 0 : last + 1);
  return text;
}

MidiPortNameMatch MidiPortNameMatch::find(const std::vector<std::string>& listed, const std::string& stored,
                                          size_t storedWidth)
{
  if (stored.empty())
  {
    return {};
  }
  for (size_t i = 1; i < listed.size(); ++i)
  {
    if (listed[i] == stored)
    {
      return {static_cast<int>(i), Kind::Exact};
    }
  }
  const std::string plain = withoutNumbers(stored);
  if (plain.empty())
  {
    return {};
  }
  for (size_t i = 1; i < listed.size(); ++i)
  {
    if (withoutNumbers(listed[i]) == plain)
    {
      return {static_cast<int>(i), Kind::WithoutNumbers};
    }
  }
  if (stored.size() == storedWidth)
  {
    for (size_t i = 1; i < listed.size(); ++i)
    {
      if (beginsWith(listed[i], stored) || beginsWith(withoutNumbers(listed[i]), plain))
      {
        return {static_cast<int>(i), Kind::Beginning};
      }
    }
  }
  return {};
}

const char* MidiPortNameMatch::describe(Kind kind)
{
  switch (kind)
  {
  case Kind::Exact:
    return "matched exactly";
  case Kind::WithoutNumbers:
    return "matched without client and port numbers";
  case Kind::Beginning:
    return "matched by the beginning of its name";
  default:
    return "not found";
  }
}
