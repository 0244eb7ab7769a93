// The child side of the cold start-up benchmarks: a fresh process that loads the built plug-in as a host
// does.
#pragma once

namespace coldstart
{
// First argument that makes the benchmark executable run as a cold start-up child instead.
constexpr const char* kChildFlag = "--korvid-cold-start-child";

// Runs in the fresh process: argv[2] is the data home (XDG_DATA_HOME). Loads the plug-in, creates one
// instance through its entry point, prints one line of figures to stdout and closes the instance.
// Returns the process's exit code.
int runChild(int argc, char** argv);
} // namespace coldstart
