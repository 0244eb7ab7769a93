// Host identification: the known hosts and the look-up of a host's product name.
#pragma once

// Host identifiers; -1 until the host is identified. The numbers are stable.
enum EHost
{
  kHostUninit = -1,
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostProTools = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostSonar = 5,
  kHostFL = 7,
  kHostSamplitude = 8,
  kHostAbletonLive = 9,
  kHostMelodyneStudio = 12,
  kHostVSTScanner = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostSAWStudio = 20,
  kHostLogic = 21,
  kHostGarageBand = 22,
  kHostDigitalPerformer = 23,
  kHostStandalone = 24,
  kHostAudioMulch = 25,
  kHostStudioOne = 26,
  kHostVST3TestHost = 27,
  kHostArdour = 28,
};

// Longest host name looked at, without the terminator; longer names are cut there.
constexpr int kMaxHostNameLen = 255;

// The host whose matched text first occurs, case-insensitively, in name; kHostUnknown for none,
// for an empty or a null name. Any thread.
EHost LookUpHost(const char* name);

// Writes src in lower case with a terminator into dst, which must hold strlen(src) + 1 bytes.
void ToLower(char* dst, const char* src);
