// What the test host prints: the effect record and the plug-in's answers to every query opcode.
#pragma once

#include "VstAbi.h"

#include <ostream>
#include <string>

class VstHost;

// The fields of the record as "name: value" lines.
void PrintEffectRecord(std::ostream& out, const AEffect& effect);

// Asks every query opcode (names, versions, category, capabilities, programs, parameters, pins,
// speaker arrangements, editor rectangle, key names, idle calls) and prints the answers.
void PrintPluginView(std::ostream& out, VstHost& host);

// Whether the record has a double-precision pass. Plug-ins built on older declarations allocate a
// shorter record without that field: it is read only when the flag says it exists.
bool HasDoubleReplacing(const AEffect& effect);

// The flag names of the record's flags field, separated by blanks.
std::string DescribeFlags(VstInt32 flags);

// A four-character code as text when printable ("kv2w"), else hex.
std::string FourCCText(VstInt32 code);
