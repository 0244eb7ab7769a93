// Host identification by substring search in the lower-cased product name.
#include "Hosts.h"

#include <cctype>
#include <cstring>

namespace
{
struct HostMatch
{
  const char* text;
  EHost host;
};

// Searched in this order; the first hit decides.
const HostMatch kHostMatches[] = {
    {"cubase", kHostCubase},
    {"reaper", kHostReaper},
    {"nuendo", kHostNuendo},
    {"cakewalk", kHostSonar},
    {"samplitude", kHostSamplitude},
    {"fruity", kHostFL},
    {"live", kHostAbletonLive},
    {"melodyne", kHostMelodyneStudio},
    {"vstmanlib", kHostVSTScanner},
    {"aulab", kHostAULab},
    {"garageband", kHostGarageBand},
    {"forte", kHostForte},
    {"chainer", kHostChainer},
    {"audition", kHostAudition},
    {"orion", kHostOrion},
    {"sawstudio", kHostSAWStudio},
    {"logic", kHostLogic},
    {"digital", kHostDigitalPerformer},
    {"audiomulch", kHostAudioMulch},
    {"presonus", kHostStudioOne},
    {"vst3plugintesthost", kHostVST3TestHost},
    {"protools", kHostProTools},
    {"ardour", kHostArdour},
    {"standalone", kHostStandalone},
};
} // namespace

void ToLower(char* dst, const char* src)
{
  while (*src)
  {
    *dst++ = static_cast<char>(std::tolower(static_cast<unsigned char>(*src++)));
  }
  *dst = '\0';
}

EHost LookUpHost(const char* name)
{
  if (!name)
  {
    return kHostUnknown;
  }
  char bounded[kMaxHostNameLen + 1];
  std::strncpy(bounded, name, kMaxHostNameLen);
  bounded[kMaxHostNameLen] = '\0';
  char lower[kMaxHostNameLen + 1];
  ToLower(lower, bounded);
  for (const HostMatch& match : kHostMatches)
  {
    if (std::strstr(lower, match.text))
    {
      return match.host;
    }
  }
  return kHostUnknown;
}
