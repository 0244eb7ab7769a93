// What the test host prints: the effect record and the plug-in's answers to every query opcode.
#include "HostReport.h"

#include "VstHost.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
struct FlagName
{
  VstInt32 bit;
  const char* name;
};

const FlagName kFlagNames[] = {
    {1 << 0, "editor"},
    {1 << 3, "mono"},
    {1 << 4, "replacing"},
    {1 << 5, "chunks"},
    {1 << 8, "synth"},
    {1 << 9, "no-sound-in-stop"},
    {1 << 12, "double-replacing"},
};

const char* const kCapabilities[] = {
    "receiveVstTimeInfo",  "sendVstEvents",       "sendVstMidiEvent", "receiveVstEvents",
    "receiveVstMidiEvent", "hasCockosExtensions", "offline",          "bypass"};

constexpr VstInt32 kFlagsCanDoubleReplacing = 1 << 12;

// Programs and parameters listed by name; larger plug-ins are cut there.
constexpr int kMaxListed = 16;
constexpr int kMiddleC = 60;

std::string categoryName(VstIntPtr category)
{
  switch (category)
  {
  case 1:
    return "effect";
  case 2:
    return "synth";
  case 3:
    return "analysis";
  case 4:
    return "mastering";
  case 5:
    return "spacializer";
  case 6:
    return "room effect";
  case 7:
    return "surround effect";
  case 8:
    return "restoration";
  case 9:
    return "offline";
  case 10:
    return "shell";
  case 11:
    return "generator";
  default:
    return "unknown";
  }
}

void printPins(std::ostream& out, VstHost& host, bool input, int count)
{
  for (int i = 0; i < count && i < kMaxListed; ++i)
  {
    VstPinProperties pin;
    std::memset(&pin, 0, sizeof(pin));
    const VstIntPtr answer =
        host.Dispatch(input ? effGetInputProperties : effGetOutputProperties, i, 0, &pin);
    pin.label[sizeof(pin.label) - 1] = '\0';
    out << (input ? "input " : "output ") << i << ": ";
    if (!answer)
    {
      out << "(no properties)\n";
      continue;
    }
    out << '"' << pin.label << '"' << ((pin.flags & 1) ? " active" : "") << ((pin.flags & 2) ? " stereo" : "")
        << "\n";
  }
}
} // namespace

bool HasDoubleReplacing(const AEffect& effect)
{
  return (effect.flags & kFlagsCanDoubleReplacing) && effect.processDoubleReplacing;
}

std::string DescribeFlags(VstInt32 flags)
{
  std::string text;
  for (const FlagName& flag : kFlagNames)
  {
    if (flags & flag.bit)
    {
      text += text.empty() ? "" : " ";
      text += flag.name;
    }
  }
  return text;
}

std::string FourCCText(VstInt32 code)
{
  char text[16];
  const unsigned char bytes[4] = {
      static_cast<unsigned char>((code >> 24) & 0xFF), static_cast<unsigned char>((code >> 16) & 0xFF),
      static_cast<unsigned char>((code >> 8) & 0xFF), static_cast<unsigned char>(code & 0xFF)};
  bool printable = true;
  for (unsigned char b : bytes)
  {
    printable = printable && std::isprint(b);
  }
  if (printable)
  {
    std::snprintf(text, sizeof(text), "%c%c%c%c", bytes[0], bytes[1], bytes[2], bytes[3]);
  }
  else
  {
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(code));
  }
  return text;
}

void PrintEffectRecord(std::ostream& out, const AEffect& effect)
{
  char hex[16];
  std::snprintf(hex, sizeof(hex), "0x%X", static_cast<unsigned>(effect.flags));
  out << "magic: " << FourCCText(effect.magic) << "\n";
  out << "numPrograms: " << effect.numPrograms << "\n";
  out << "numParams: " << effect.numParams << "\n";
  out << "numInputs: " << effect.numInputs << "\n";
  out << "numOutputs: " << effect.numOutputs << "\n";
  out << "flags: " << hex << " (" << DescribeFlags(effect.flags) << ")\n";
  out << "initialDelay: " << effect.initialDelay << "\n";
  out << "ioRatio: " << effect.ioRatio << "\n";
  out << "uniqueID: " << FourCCText(effect.uniqueID) << "\n";
  out << "version: " << effect.version << "\n";
  out << "callbacks: dispatcher " << (effect.dispatcher ? "yes" : "no") << ", process "
      << (effect.process ? "yes" : "no") << ", processReplacing " << (effect.processReplacing ? "yes" : "no")
      << ", processDoubleReplacing " << (HasDoubleReplacing(effect) ? "yes" : "no") << ", getParameter "
      << (effect.getParameter ? "yes" : "no") << ", setParameter " << (effect.setParameter ? "yes" : "no")
      << "\n";
}

void PrintPluginView(std::ostream& out, VstHost& host)
{
  AEffect* effect = host.Effect();
  if (!effect)
  {
    return;
  }
  out << "effect name: " << host.DispatchString(effGetEffectName, 0, kVstEffectNameLen) << "\n";
  out << "vendor: " << host.DispatchString(effGetVendorString, 0, kVstVendorStrLen) << "\n";
  out << "product: " << host.DispatchString(effGetProductString, 0, kVstProductStrLen) << "\n";
  out << "vendor version: " << host.Dispatch(effGetVendorVersion) << "\n";
  out << "vst version: " << host.Dispatch(effGetVstVersion) << "\n";
  const VstIntPtr category = host.Dispatch(effGetPlugCategory);
  out << "category: " << categoryName(category) << " (" << category << ")\n";
  char identify[16];
  std::snprintf(identify, sizeof(identify), "0x%llX",
                static_cast<unsigned long long>(host.Dispatch(effIdentify)));
  out << "identify: " << identify << "\n";

  out << "can do:";
  for (const char* capability : kCapabilities)
  {
    std::vector<char> text(capability, capability + std::strlen(capability) + 1);
    const VstIntPtr answer = host.Dispatch(effCanDo, 0, 0, text.data());
    char value[24];
    std::snprintf(value, sizeof(value), answer > 0xFFFF ? "0x%llX" : "%lld", static_cast<long long>(answer));
    out << " " << capability << "=" << value;
  }
  out << "\n";

  out << "current program: " << host.Dispatch(effGetProgram) << " \""
      << host.DispatchString(effGetProgramName, 0, kVstProgNameLen) << "\"\n";
  for (int i = 0; i < effect->numPrograms && i < kMaxListed; ++i)
  {
    VstIntPtr answer = 0;
    const std::string name = host.DispatchString(effGetProgramNameIndexed, i, kVstProgNameLen, &answer);
    out << "program " << i << ": \"" << name << "\"" << (answer ? "" : " (no name)") << "\n";
  }
  host.Dispatch(effSetProgram, 0, 0);

  for (int i = 0; i < effect->numParams && i < kMaxListed; ++i)
  {
    // Hosts give more than the nominal 8 bytes; the guard bytes show overruns past what we give.
    const int bufferSize = 64;
    out << "parameter " << i << ": \"" << host.DispatchString(effGetParamName, i, bufferSize) << "\" = \""
        << host.DispatchString(effGetParamDisplay, i, bufferSize) << "\" \""
        << host.DispatchString(effGetParamLabel, i, bufferSize) << "\" (automatable "
        << host.Dispatch(effCanBeAutomated, i) << ")\n";
  }
  if (effect->numParams > kMaxListed)
  {
    out << "parameters listed: " << kMaxListed << " of " << effect->numParams << "\n";
  }
  char empty[1] = {'\0'};
  out << "string to parameter 0: " << host.Dispatch(effString2Parameter, 0, 0, empty) << "\n";
  char display[64] = {'\0'};
  out << "vendor specific 7: "
      << (host.Dispatch(effVendorSpecific, 7, 0, display, 0.5f) == 0xBEEF ? "0xBEEF" : "other") << "\n";

  printPins(out, host, true, effect->numInputs);
  printPins(out, host, false, effect->numOutputs);

  VstSpeakerArrangement* inArr = nullptr;
  VstSpeakerArrangement* outArr = nullptr;
  host.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&inArr), &outArr);
  if (inArr && outArr)
  {
    out << "speaker arrangement: in type " << inArr->type << " channels " << inArr->numChannels
        << ", out type " << outArr->type << " channels " << outArr->numChannels << "\n";
    // Give back what was reported; a plug-in must accept its own arrangement.
    VstSpeakerArrangement inCopy = *inArr;
    VstSpeakerArrangement outCopy = *outArr;
    out << "set speaker arrangement: "
        << host.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&inCopy), &outCopy) << "\n";
  }
  else
  {
    out << "speaker arrangement: none\n";
  }

  ERect* rect = nullptr;
  if (host.Dispatch(effEditGetRect, 0, 0, &rect) && rect)
  {
    out << "editor rect: " << rect->right - rect->left << " x " << rect->bottom - rect->top << "\n";
  }
  else
  {
    out << "editor rect: none\n";
  }

  MidiKeyName key;
  std::memset(&key, 0, sizeof(key));
  key.thisKeyNumber = kMiddleC;
  const VstIntPtr named = host.Dispatch(effGetMidiKeyName, 0, 0, &key);
  key.keyName[sizeof(key.keyName) - 1] = '\0';
  out << "key name 60: " << (named ? key.keyName : "(none)") << "\n";

  host.Dispatch(effEditIdle);
  host.Dispatch(effIdle);
}
