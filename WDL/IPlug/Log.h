// Trace hooks of the framework; in this program they have no effect.
#pragma once

// Called with the function's name, a line number and a printf format; does nothing. Any thread.
void Trace(const char* function, int line, const char* format, ...);

// The name of a dispatcher opcode for traces; always "".
const char* VSTOpcodeStr(int opcode);
