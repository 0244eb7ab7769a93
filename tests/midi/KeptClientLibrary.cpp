// A library built from the port layer as the plug-in is (hidden symbols, one entry): it makes a JACK client
// whose activation fails, which the port layer keeps, and the test then unloads it.
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "JackServerWatch.h"
#include "RtMidiBackend.h"

// Makes the output (output != 0) or input client called name with its activation failed; the error said,
// cut to size bytes, into said (empty when the client was made). Any thread.
extern "C" __attribute__((visibility("default"))) void korvidKeptClient(const char* name, int output,
                                                                        char* said, size_t size)
{
  std::string error;
  JackServerWatch::failActivations(1);
  try
  {
    RtMidiBackend backend("/nonexistent/snd/seq");
    output ? (void)backend.createOutput(name) : (void)backend.createInput(name, 100);
  }
  catch (const std::exception& e)
  {
    error = e.what();
  }
  JackServerWatch::failActivations(0);
  if (size > 0)
  {
    const size_t length = std::min(error.size(), size - 1);
    std::memcpy(said, error.data(), length);
    said[length] = '\0';
  }
}
