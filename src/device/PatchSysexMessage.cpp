// Saving one stored sysex dump as raw bytes or as a MIDI-file sysex event.
#include "PatchSysexMessage.h"

int PatchSysexMessage::midiEventLength() const
{
  if (mData.empty())
    return 0;
  const int size = static_cast<int>(mData.size());
  return mData[0] == kSysexStart ? size - 1 : size;
}

void PatchSysexMessage::appendVariableLength(ByteChunk* out, unsigned int value)
{
  unsigned char groups[5];
  int count = 0;
  do
  {
    groups[count++] = static_cast<unsigned char>(value & 0x7F);
    value >>= 7;
  } while (value != 0 && count < 5);
  unsigned char bytes[5];
  for (int i = 0; i < count; ++i)
    bytes[i] = static_cast<unsigned char>(groups[count - 1 - i] | (i < count - 1 ? 0x80 : 0x00));
  out->AppendBytes(bytes, count);
}

void PatchSysexMessage::save(ByteChunk* out, bool midiFile, int index, int, bool) const
{
  if (out == nullptr || mData.empty())
    return;
  if (!midiFile)
  {
    out->AppendBytes(mData.data(), static_cast<int>(mData.size()));
    return;
  }
  const int length = midiEventLength();
  if (index != 0)
  {
    out->AppendBytes(kEventDelta, static_cast<int>(sizeof(kEventDelta)));
    out->AppendBytes(&kSysexStart, 1);
    appendVariableLength(out, static_cast<unsigned int>(length));
  }
  out->AppendBytes(mData.data() + (mData.size() - length), length);
}
