// The plug-in's state body read into plain values, before anything of it is applied.
#pragma once

#include "IPlugStructs.h"

#include <string>
#include <vector>

// One state body as the host stored it (little-endian, doubles as IEEE 754):
//   version word 00 00 00 01 (not tested); the raw kQuickTab value; one raw value per host-visible
//   parameter; with names: the PatchManager name block, then the normalized values of kDeviceInSelection,
//   kDeviceOutSelection, kBankSelection and kPatchSelection; then the raw values of the stored parameters.
// A plain value filled by read on the host's thread; never shared.
struct StoredState
{
  static constexpr unsigned char kVersionWord[4] = {0x00, 0x00, 0x00, 0x01};

  double quickTab = 0.0;
  std::vector<double> hostValues;
  // The name block: the data block and the 35 name slots (fixed to their widths).
  ByteChunk nameData;
  std::vector<std::string> names;
  // Normalized values of the port selectors (read, never applied: ports are found by name) and of the
  // bank and patch selection.
  double inSelection = 0.0;
  double outSelection = 0.0;
  double bankSelection = 0.0;
  double patchSelection = 0.0;
  std::vector<double> storedValues;
  // Positions after the bank and patch selection values (after the host-visible values without names)
  // and after the stored values.
  int afterSelections = -1;
  int end = -1;

  // Reads a whole body at pos: hostCount host-visible values, with or without the name block, then
  // storedCount stored values, ending where the chunk ends. False when pos is negative, an item runs past
  // the end of the chunk, bytes are left after the body (a length in the name block lies), or a value the
  // recall applies is not a number: the fields are then unspecified. The data block and the port names
  // are taken as stored, whatever they hold.
  bool read(const ByteChunk& chunk, int pos, bool withNames, int hostCount, int storedCount);
};
