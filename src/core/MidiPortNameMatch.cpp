// Finding a MIDI port stored in a project among the ports listed now.
#include "MidiPortNameMatch.h"

#include <cctype>

// Each step below is one pass over the name: a stored name comes from the project and may be of any length.
namespace
{
bool beginsWith(const std::string& text, const std::string& prefix)
{
  return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}

bool isBlank(char c)
{
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool isDigit(char c)
{
  return c >= '0' && c <= '9';
}

// Position of the first of the digits that end at end (exclusive), end when there are none.
size_t digitsBefore(const std::string& text, size_t end)
{
  while (end > 0 && isDigit(text[end - 1]))
  {
    --end;
  }
  return end;
}

// Blanks, then "client:port" numbers at the end: "Blofeld MIDI 1 24:0" gives "Blofeld MIDI 1".
void eraseAlsaNumbers(std::string* text)
{
  const size_t portDigits = digitsBefore(*text, text->size());
  if (portDigits == text->size() || portDigits == 0 || (*text)[portDigits - 1] != ':')
  {
    return;
  }
  const size_t clientDigits = digitsBefore(*text, portDigits - 1);
  if (clientDigits == portDigits - 1)
  {
    return;
  }
  size_t blanks = clientDigits;
  while (blanks > 0 && isBlank((*text)[blanks - 1]))
  {
    --blanks;
  }
  if (blanks < clientDigits)
  {
    text->erase(blanks);
  }
}

// Every "[digits]" with the blanks before it: "Blofeld [24] (capture)" gives "Blofeld (capture)".
void eraseBracketedClients(std::string* text)
{
  std::string out;
  out.reserve(text->size());
  // Blanks before out's kept size belong to text before an earlier bracket's end, never to the next one.
  size_t kept = 0;
  size_t i = 0;
  while (i < text->size())
  {
    if ((*text)[i] == '[')
    {
      size_t close = i + 1;
      while (close < text->size() && isDigit((*text)[close]))
      {
        ++close;
      }
      if (close > i + 1 && close < text->size() && (*text)[close] == ']')
      {
        while (out.size() > kept && isBlank(out.back()))
        {
          out.pop_back();
        }
        kept = out.size();
        i = close + 1;
        continue;
      }
    }
    out.push_back((*text)[i]);
    ++i;
  }
  *text = std::move(out);
}

// "-digits" right before the first colon: "synth-01:out" gives "synth:out".
void eraseClientSuffix(std::string* text)
{
  const size_t colon = text->find(':');
  if (colon == std::string::npos)
  {
    return;
  }
  const size_t digits = digitsBefore(*text, colon);
  if (digits < colon && digits > 0 && (*text)[digits - 1] == '-')
  {
    text->erase(digits - 1, colon - digits + 1);
  }
}

// The one entry of listed after "OFF" that passes test, as kind; Several when more than one does.
template <class Test>
MidiPortNameMatch onlyOne(const std::vector<std::string>& listed, MidiPortNameMatch::Kind kind, Test test)
{
  MidiPortNameMatch match;
  for (size_t i = 1; i < listed.size(); ++i)
  {
    if (!test(listed[i]))
    {
      continue;
    }
    if (match.kind != MidiPortNameMatch::Kind::None)
    {
      return {0, MidiPortNameMatch::Kind::Several};
    }
    match = {static_cast<int>(i), kind};
  }
  return match;
}
} // namespace

std::string MidiPortNameMatch::withoutNumbers(const std::string& name)
{
  std::string text = name;
  eraseAlsaNumbers(&text);
  eraseBracketedClients(&text);
  eraseClientSuffix(&text);
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
  MidiPortNameMatch match = onlyOne(listed, Kind::WithoutNumbers,
                                    [&](const std::string& name) { return withoutNumbers(name) == plain; });
  if (match.kind == Kind::None && stored.size() == storedWidth)
  {
    match = onlyOne(listed, Kind::Beginning,
                    [&](const std::string& name)
                    { return beginsWith(name, stored) || beginsWith(withoutNumbers(name), plain); });
  }
  return match;
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
  case Kind::Several:
    return "matches several ports, none is opened";
  default:
    return "not found";
  }
}
