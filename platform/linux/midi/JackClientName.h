// Names for this process's JACK clients that none of its clients had before, on any server.
#pragma once

#include <string>

namespace jackclientname
{
// base followed by " #" and a number no earlier call in this process gave ("Korvid Editor 1 #3"), cut to
// leave JACK room for its "-01" in a name limited to jack_client_name_size(). A client's wake-up is a file
// named after the server and the client's final name that jackd leaves when the server goes away, and a
// program left running there still signals the files of the clients it fed: a client of the next server
// of that name that took such a name would run a cycle early, reading the one before again, and let the
// server's own wake-up go. JACK makes a taken name unique by adding "-01" to "-99": a name ending in a number
// given once is unlike every other one given, with or without that suffix. The number lives as long as the
// plug-in's library, which stays loaded once a server went away under one of its clients
// (deadlinecall::pinLibrary). Any thread.
std::string fresh(const std::string& base);
} // namespace jackclientname
