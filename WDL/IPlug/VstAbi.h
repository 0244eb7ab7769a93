// Our own declarations of the VST 2 records exchanged with a host on x86_64 Linux (LP64).
#pragma once

#include <cstddef>
#include <cstdint>

// Pointer-sized signed int of the interface.
typedef intptr_t VstIntPtr;
typedef int32_t VstInt32;

struct AEffect;

// Host callback and dispatcher share one signature: (effect, opcode, index, value, ptr, opt).
typedef VstIntPtr (*audioMasterCallback)(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                         void* ptr, float opt);
typedef VstIntPtr (*AEffectDispatcherProc)(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                           void* ptr, float opt);
typedef void (*AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs, VstInt32 frames);
typedef void (*AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs, VstInt32 frames);
typedef void (*AEffectSetParameterProc)(AEffect* effect, VstInt32 index, float value);
typedef float (*AEffectGetParameterProc)(AEffect* effect, VstInt32 index);

// The effect record the entry point returns; the host reaches the plug-in through it.
struct AEffect
{
  VstInt32 magic;
  AEffectDispatcherProc dispatcher;
  AEffectProcessProc process;
  AEffectSetParameterProc setParameter;
  AEffectGetParameterProc getParameter;
  VstInt32 numPrograms;
  VstInt32 numParams;
  VstInt32 numInputs;
  VstInt32 numOutputs;
  VstInt32 flags;
  VstIntPtr resvd1;
  VstIntPtr resvd2;
  VstInt32 initialDelay;
  VstInt32 realQualities;
  VstInt32 offQualities;
  float ioRatio;
  void* object;
  void* user;
  VstInt32 uniqueID;
  VstInt32 version;
  AEffectProcessProc processReplacing;
  AEffectProcessDoubleProc processDoubleReplacing;
  char future[56];
};

// Generic event header; the 16 bytes of data depend on the type.
struct VstEvent
{
  VstInt32 type;
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  char data[16];
};

// A short MIDI message (type 1).
struct VstMidiEvent
{
  VstInt32 type;
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  VstInt32 noteLength;
  VstInt32 noteOffset;
  char midiData[4];
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};

// A system-exclusive message (type 6); the bytes are not owned by the event.
struct VstMidiSysexEvent
{
  VstInt32 type;
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  VstInt32 dumpBytes;
  VstIntPtr resvd1;
  char* sysexDump;
  VstIntPtr resvd2;
};

// A list of event pointers; hosts allocate it longer than declared when numEvents > 2.
struct VstEvents
{
  VstInt32 numEvents;
  VstIntPtr reserved;
  VstEvent* events[2];
};

// The event pointers of a list, read through a plain pointer: the list is longer than declared.
inline VstEvent** VstEventPointers(VstEvents* list)
{
  return list->events;
}

// Time information the host answers to the get-time call.
struct VstTimeInfo
{
  double samplePos;
  double sampleRate;
  double nanoSeconds;
  double ppqPos;
  double tempo;
  double barStartPos;
  double cycleStartPos;
  double cycleEndPos;
  VstInt32 timeSigNumerator;
  VstInt32 timeSigDenominator;
  VstInt32 smpteOffset;
  VstInt32 smpteFrameRate;
  VstInt32 samplesToNextClock;
  VstInt32 flags;
};

// Editor rectangle in pixels.
struct ERect
{
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

struct VstPinProperties
{
  char label[64];
  VstInt32 flags;
  VstInt32 arrangementType;
  char shortLabel[8];
  char future[48];
};

struct VstSpeakerProperties
{
  float azimuth;
  float elevation;
  float radius;
  float reserved;
  char name[64];
  VstInt32 type;
  char future[28];
};

struct VstSpeakerArrangement
{
  VstInt32 type;
  VstInt32 numChannels;
  VstSpeakerProperties speakers[8];
};

struct MidiKeyName
{
  VstInt32 thisProgramIndex;
  VstInt32 thisKeyNumber;
  char keyName[64];
  VstInt32 reserved;
  VstInt32 flags;
};

// Dispatcher opcodes (host to plug-in) that the plug-in answers and the test host sends.
enum EffOpcode
{
  effOpen = 0,
  effClose = 1,
  effSetProgram = 2,
  effGetProgram = 3,
  effSetProgramName = 4,
  effGetProgramName = 5,
  effGetParamLabel = 6,
  effGetParamDisplay = 7,
  effGetParamName = 8,
  effSetSampleRate = 10,
  effSetBlockSize = 11,
  effMainsChanged = 12,
  effEditGetRect = 13,
  effEditOpen = 14,
  effEditClose = 15,
  effEditIdle = 19,
  effIdentify = 22,
  effGetChunk = 23,
  effSetChunk = 24,
  effProcessEvents = 25,
  effCanBeAutomated = 26,
  effString2Parameter = 27,
  effGetProgramNameIndexed = 29,
  effGetInputProperties = 33,
  effGetOutputProperties = 34,
  effGetPlugCategory = 35,
  effSetSpeakerArrangement = 42,
  effGetEffectName = 45,
  effGetVendorString = 47,
  effGetProductString = 48,
  effGetVendorVersion = 49,
  effVendorSpecific = 50,
  effCanDo = 51,
  effIdle = 53,
  effGetVstVersion = 58,
  effGetMidiKeyName = 66,
  effGetSpeakerArrangement = 69,
};

// Host callback opcodes (plug-in to host) that the plug-in calls and the test host answers.
enum AudioMasterOpcode
{
  audioMasterAutomate = 0,
  audioMasterVersion = 1,
  audioMasterCurrentId = 2,
  audioMasterIdle = 3,
  audioMasterWantMidi = 6,
  audioMasterGetTime = 7,
  audioMasterProcessEvents = 8,
  audioMasterIOChanged = 13,
  audioMasterSizeWindow = 15,
  audioMasterGetSampleRate = 16,
  audioMasterGetBlockSize = 17,
  audioMasterGetCurrentProcessLevel = 23,
  audioMasterGetVendorString = 32,
  audioMasterGetProductString = 33,
  audioMasterGetVendorVersion = 34,
  audioMasterCanDo = 37,
  audioMasterGetLanguage = 38,
  audioMasterUpdateDisplay = 42,
  audioMasterBeginEdit = 43,
  audioMasterEndEdit = 44,
};

// Sizes of the host's string buffers, terminator included.
enum EVstStringSize
{
  kVstProgNameLen = 24,
  kVstParamStrLen = 8,
  kVstEffectNameLen = 32,
  kVstVendorStrLen = 64,
  kVstProductStrLen = 64,
  kVstPinLabelLen = 64,
  kVstPinShortLabelLen = 8,
  kVstKeyNameLen = 64,
};

static_assert(sizeof(void*) == 8, "the declarations are for a 64-bit target");
static_assert(sizeof(AEffect) == 192, "AEffect size");
static_assert(offsetof(AEffect, dispatcher) == 8, "AEffect.dispatcher");
static_assert(offsetof(AEffect, process) == 16, "AEffect.process");
static_assert(offsetof(AEffect, setParameter) == 24, "AEffect.setParameter");
static_assert(offsetof(AEffect, getParameter) == 32, "AEffect.getParameter");
static_assert(offsetof(AEffect, numPrograms) == 40, "AEffect.numPrograms");
static_assert(offsetof(AEffect, numParams) == 44, "AEffect.numParams");
static_assert(offsetof(AEffect, numInputs) == 48, "AEffect.numInputs");
static_assert(offsetof(AEffect, numOutputs) == 52, "AEffect.numOutputs");
static_assert(offsetof(AEffect, flags) == 56, "AEffect.flags");
static_assert(offsetof(AEffect, resvd1) == 64, "AEffect.resvd1");
static_assert(offsetof(AEffect, resvd2) == 72, "AEffect.resvd2");
static_assert(offsetof(AEffect, initialDelay) == 80, "AEffect.initialDelay");
static_assert(offsetof(AEffect, realQualities) == 84, "AEffect.realQualities");
static_assert(offsetof(AEffect, offQualities) == 88, "AEffect.offQualities");
static_assert(offsetof(AEffect, ioRatio) == 92, "AEffect.ioRatio");
static_assert(offsetof(AEffect, object) == 96, "AEffect.object");
static_assert(offsetof(AEffect, user) == 104, "AEffect.user");
static_assert(offsetof(AEffect, uniqueID) == 112, "AEffect.uniqueID");
static_assert(offsetof(AEffect, version) == 116, "AEffect.version");
static_assert(offsetof(AEffect, processReplacing) == 120, "AEffect.processReplacing");
static_assert(offsetof(AEffect, processDoubleReplacing) == 128, "AEffect.processDoubleReplacing");
static_assert(offsetof(AEffect, future) == 136, "AEffect.future");

static_assert(sizeof(VstEvent) == 32, "VstEvent size");
static_assert(sizeof(VstMidiEvent) == 32, "VstMidiEvent size");
static_assert(offsetof(VstMidiEvent, deltaFrames) == 8, "VstMidiEvent.deltaFrames");
static_assert(offsetof(VstMidiEvent, noteLength) == 16, "VstMidiEvent.noteLength");
static_assert(offsetof(VstMidiEvent, noteOffset) == 20, "VstMidiEvent.noteOffset");
static_assert(offsetof(VstMidiEvent, midiData) == 24, "VstMidiEvent.midiData");
static_assert(offsetof(VstMidiEvent, detune) == 28, "VstMidiEvent.detune");
static_assert(offsetof(VstMidiEvent, noteOffVelocity) == 29, "VstMidiEvent.noteOffVelocity");
static_assert(sizeof(VstMidiSysexEvent) == 48, "VstMidiSysexEvent size");
static_assert(offsetof(VstMidiSysexEvent, dumpBytes) == 16, "VstMidiSysexEvent.dumpBytes");
static_assert(offsetof(VstMidiSysexEvent, resvd1) == 24, "VstMidiSysexEvent.resvd1");
static_assert(offsetof(VstMidiSysexEvent, sysexDump) == 32, "VstMidiSysexEvent.sysexDump");
static_assert(offsetof(VstMidiSysexEvent, resvd2) == 40, "VstMidiSysexEvent.resvd2");
static_assert(offsetof(VstEvents, reserved) == 8, "VstEvents.reserved");
static_assert(offsetof(VstEvents, events) == 16, "VstEvents.events");

static_assert(sizeof(VstTimeInfo) == 88, "VstTimeInfo size");
static_assert(offsetof(VstTimeInfo, ppqPos) == 24, "VstTimeInfo.ppqPos");
static_assert(offsetof(VstTimeInfo, tempo) == 32, "VstTimeInfo.tempo");
static_assert(offsetof(VstTimeInfo, barStartPos) == 40, "VstTimeInfo.barStartPos");
static_assert(offsetof(VstTimeInfo, cycleEndPos) == 56, "VstTimeInfo.cycleEndPos");
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64, "VstTimeInfo.timeSigNumerator");
static_assert(offsetof(VstTimeInfo, samplesToNextClock) == 80, "VstTimeInfo.samplesToNextClock");
static_assert(offsetof(VstTimeInfo, flags) == 84, "VstTimeInfo.flags");

static_assert(sizeof(ERect) == 8, "ERect size");
static_assert(sizeof(VstPinProperties) == 128, "VstPinProperties size");
static_assert(offsetof(VstPinProperties, flags) == 64, "VstPinProperties.flags");
static_assert(offsetof(VstPinProperties, arrangementType) == 68, "VstPinProperties.arrangementType");
static_assert(offsetof(VstPinProperties, shortLabel) == 72, "VstPinProperties.shortLabel");
static_assert(sizeof(VstSpeakerProperties) == 112, "VstSpeakerProperties size");
static_assert(offsetof(VstSpeakerProperties, name) == 16, "VstSpeakerProperties.name");
static_assert(offsetof(VstSpeakerProperties, type) == 80, "VstSpeakerProperties.type");
static_assert(sizeof(VstSpeakerArrangement) == 904, "VstSpeakerArrangement size");
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8, "VstSpeakerArrangement.speakers");
static_assert(sizeof(MidiKeyName) == 80, "MidiKeyName size");
static_assert(offsetof(MidiKeyName, keyName) == 8, "MidiKeyName.keyName");
static_assert(offsetof(MidiKeyName, reserved) == 72, "MidiKeyName.reserved");
static_assert(offsetof(MidiKeyName, flags) == 76, "MidiKeyName.flags");
