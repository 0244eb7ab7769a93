// Trace hooks of the framework: they do nothing.
#include "Log.h"

void Trace(const char*, int, const char*, ...) {}

const char* VSTOpcodeStr(int)
{
  return "";
}
