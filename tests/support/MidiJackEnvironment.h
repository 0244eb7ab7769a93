// One private JACK server for a whole MIDI test executable, started before its first test.
#pragma once

#include <string>

#include "MidiJackServer.h"

// Registered with GoogleTest by MidiJackEnvironment.cpp: SetUp starts the server, TearDown stops it
// (also after failed tests). Tests read the server through server().
class MidiJackEnvironment
{
public:
  // The running server, or null with the reason in *error.
  static MidiJackServer* server(std::string* error);
};
