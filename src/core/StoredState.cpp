// The plug-in's state body read into plain values, before anything of it is applied.
#include "StoredState.h"

#include "PatchManager.h"

#include <cmath>

namespace
{
constexpr int kVersionWordSize = static_cast<int>(sizeof(StoredState::kVersionWord));

// One double at pos; -1 when it is missing or not a number (no state this plug-in writes holds one).
int readNumber(const ByteChunk& chunk, int pos, double* value)
{
  pos = chunk.ReadValue(value, pos);
  return pos >= 0 && std::isnan(*value) ? -1 : pos;
}

// count doubles at pos in one piece; -1 when they do not all fit or one is not a number.
int readNumbers(const ByteChunk& chunk, int pos, int count, std::vector<double>* values)
{
  const size_t size = static_cast<size_t>(count) * sizeof(double);
  if (pos < 0 || count < 0 || pos > chunk.Size() || static_cast<size_t>(chunk.Size() - pos) < size)
  {
    return -1;
  }
  values->assign(static_cast<size_t>(count), 0.0);
  if (count == 0)
  {
    return pos;
  }
  pos = chunk.ReadBytes(values->data(), static_cast<int>(size), pos);
  for (double value : *values)
  {
    if (std::isnan(value))
    {
      return -1;
    }
  }
  return pos;
}

} // namespace

bool StoredState::read(const ByteChunk& chunk, int pos, bool withNames, int hostCount, int storedCount)
{
  if (pos < 0 || chunk.Size() - pos < kVersionWordSize)
  {
    return false;
  }
  pos += kVersionWordSize;
  pos = readNumber(chunk, pos, &quickTab);
  pos = readNumbers(chunk, pos, hostCount, &hostValues);
  if (withNames && pos >= 0)
  {
    // The data block is carried as stored, never applied: what it holds harms nothing.
    pos = PatchManager::readNameBlock(&chunk, pos, &nameData, &names);
    for (double* value : {&inSelection, &outSelection, &bankSelection, &patchSelection})
    {
      pos = readNumber(chunk, pos, value);
    }
  }
  afterSelections = pos;
  pos = readNumbers(chunk, pos, storedCount, &storedValues);
  end = pos;
  // The host hands back exactly the bytes it was given, and the body is the last thing in them: bytes
  // left over show a name block whose lengths lie.
  return end >= 0 && end == chunk.Size();
}
