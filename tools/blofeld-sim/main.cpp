// blofeld-sim: the simulated synthesizer of the device tests as a JACK client, driven by commands on
// standard input, for trying the editor by hand in a host.
#include "BlofeldSimulator.h"
#include "BlofeldSimulatorJack.h"
#include "MidiJackServer.h"
#include "MidiJackSynth.h"
#include "SysexProtocol.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using Bytes = BlofeldSimulator::Bytes;
using P = SysexProtocol;

constexpr int kLastSoundIndex = 382;
constexpr int kClockByte = 0xF8;
constexpr int kActiveSensingByte = 0xFE;
constexpr size_t kShownBytes = 24;

const char* const kHelp = R"(commands (numbers are decimal unless written 0x..):
  knob PART INDEX VALUE   a sound parameter turned on the synthesizer: part 1-16, index 0-382, value
                          0-127; its edit buffer changes and the parameter change goes out
  ctrl-send ctrl|sysex    the synthesizer's "Ctrl Send": with ctrl a knob goes out as its controller on the
                          part's channel (a knob without one: nothing); sysex (the start): parameter changes
  cc CHANNEL NUMBER VALUE a controller (channel 1-16)
  pc CHANNEL PROGRAM      a program change (channel 1-16, program 0-127)
  send HEX...             raw bytes to the plug-in (e.g. send F0 3E 13 00 20 00 00 10 40 F7)
  load-bank BANK FILE     memory bank 0-7 from a raw sysex file of sound dumps (in file order)
  save-bank BANK FILE     memory bank 0-7 as 128 sound dumps
  save-edit PART FILE     the sound edit buffer of a part (1-16)
  save-multi FILE         the multi edit buffer
  save-global FILE        the global data
  received [N]            how many messages arrived, and the last N (default 10) in hex
  ports                   the JACK names of the simulator's ports
  help, quit)";

std::string hex(const Bytes& bytes)
{
  std::string text;
  char buffer[4];
  for (size_t i = 0; i < bytes.size() && i < kShownBytes; ++i)
  {
    std::snprintf(buffer, sizeof(buffer), "%02X ", bytes[i]);
    text += buffer;
  }
  if (bytes.size() > kShownBytes)
    text += "... (" + std::to_string(bytes.size()) + " bytes)";
  return text;
}

bool number(std::istringstream& in, int low, int high, int& value)
{
  std::string word;
  if (!(in >> word))
    return false;
  char* end = nullptr;
  const long parsed = std::strtol(word.c_str(), &end, 0);
  if (end == word.c_str() || *end != '\0' || parsed < low || parsed > high)
    return false;
  value = static_cast<int>(parsed);
  return true;
}

bool writeFile(const std::string& path, const std::vector<Bytes>& messages)
{
  std::ofstream out(path, std::ios::binary);
  for (const Bytes& m : messages)
    out.write(reinterpret_cast<const char*>(m.data()), static_cast<std::streamsize>(m.size()));
  return static_cast<bool>(out);
}

// Every sound dump (F0 3E 13 .. 10 ..., 392 bytes) of a raw sysex file.
std::vector<Bytes> soundDumps(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  const Bytes all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<Bytes> dumps;
  for (size_t start = 0; start + P::kSoundDumpLength <= all.size(); ++start)
  {
    if (all[start] != P::kSysexStart || all[start + P::kTypeOffset] != P::kSoundDump ||
        all[start + P::kSoundDumpLength - 1] != P::kSysexEnd)
      continue;
    dumps.emplace_back(all.begin() + static_cast<long>(start),
                       all.begin() + static_cast<long>(start + P::kSoundDumpLength));
    start += P::kSoundDumpLength - 1;
  }
  return dumps;
}

class Session
{
public:
  Session(BlofeldSimulator& simulator, MidiJackSynth& client) : mSimulator(simulator), mClient(client) {}

  // One command line; false for quit.
  bool run(const std::string& line)
  {
    std::istringstream in(line);
    std::string command;
    if (!(in >> command) || command[0] == '#')
      return true;
    if (command == "quit" || command == "exit")
      return false;
    if (!dispatch(command, in))
      std::cout << "? " << line << " (help lists the commands)" << std::endl;
    return true;
  }

private:
  bool dispatch(const std::string& command, std::istringstream& in)
  {
    int a = 0, b = 0, c = 0;
    std::string path;
    if (command == "help")
      std::cout << kHelp << std::endl;
    else if (command == "knob" && number(in, 1, BlofeldSimulator::kParts, a) &&
             number(in, 0, kLastSoundIndex, b) && number(in, 0, P::kDataMask, c))
      turnKnob(a - 1, b, c);
    else if (command == "ctrl-send" && (in >> path) && (path == "ctrl" || path == "sysex"))
      mSimulator.setControllerSend(path == "ctrl" ? BlofeldSimulator::ControllerSend::Ctrl
                                                  : BlofeldSimulator::ControllerSend::SysEx);
    else if (command == "cc" && number(in, 1, 16, a) && number(in, 0, 127, b) && number(in, 0, 127, c))
      send({static_cast<uint8_t>(0xB0 + a - 1), static_cast<uint8_t>(b), static_cast<uint8_t>(c)});
    else if (command == "pc" && number(in, 1, 16, a) && number(in, 0, 127, b))
      send({static_cast<uint8_t>(0xC0 + a - 1), static_cast<uint8_t>(b)});
    else if (command == "send")
      return sendHex(in);
    else if (command == "load-bank" && number(in, 0, BlofeldSimulator::kBanks - 1, a) && (in >> path))
      loadBank(a, path);
    else if (command == "save-bank" && number(in, 0, BlofeldSimulator::kBanks - 1, a) && (in >> path))
    {
      std::vector<Bytes> dumps;
      for (int program = 0; program < BlofeldSimulator::kPrograms; ++program)
        dumps.push_back(mSimulator.sound(a, program));
      report(writeFile(path, dumps), path);
    }
    else if (command == "save-edit" && number(in, 1, BlofeldSimulator::kParts, a) && (in >> path))
      report(writeFile(path, {mSimulator.editBuffer(a - 1)}), path);
    else if (command == "save-multi" && (in >> path))
      report(writeFile(path, {mSimulator.multiEditBuffer()}), path);
    else if (command == "save-global" && (in >> path))
      report(writeFile(path, {mSimulator.global()}), path);
    else if (command == "received")
    {
      int count = 10;
      number(in, 0, 100000, count);
      showReceived(count);
    }
    else if (command == "ports")
      std::cout << "out (to the plug-in's MIDI IN): " << mClient.outPortName()
                << "\nin (from the plug-in's MIDI OUT): " << mClient.inPortName() << std::endl;
    else
      return false;
    return true;
  }

  void send(const Bytes& message)
  {
    mClient.send({message});
    std::cout << "sent " << hex(message) << std::endl;
  }

  bool sendHex(std::istringstream& in)
  {
    Bytes message;
    std::string word;
    while (in >> word)
    {
      char* end = nullptr;
      const long value = std::strtol(word.c_str(), &end, 16);
      if (end == word.c_str() || *end != '\0' || value < 0 || value > 0xFF)
        return false;
      message.push_back(static_cast<uint8_t>(value));
    }
    if (message.empty())
      return false;
    send(message);
    return true;
  }

  void turnKnob(int part, int index, int value)
  {
    const Bytes message = mSimulator.turnKnob(part, index, value);
    if (message.empty())
      std::cout << "sent nothing: index " << index << " has no controller" << std::endl;
    else
      send(message);
  }

  void loadBank(int bank, const std::string& path)
  {
    const std::vector<Bytes> dumps = soundDumps(path);
    int program = 0;
    for (; program < BlofeldSimulator::kPrograms && program < static_cast<int>(dumps.size()); ++program)
      mSimulator.setSound(bank, program, dumps[static_cast<size_t>(program)]);
    std::cout << "bank " << bank << ": " << program << " sounds from " << path << std::endl;
  }

  void showReceived(int count)
  {
    const std::vector<Bytes> all = mSimulator.received();
    size_t clock = 0;
    std::vector<const Bytes*> shown;
    for (const Bytes& m : all)
    {
      if (m.size() == 1 && (m[0] == kClockByte || m[0] == kActiveSensingByte))
        ++clock;
      else
        shown.push_back(&m);
    }
    std::cout << all.size() << " messages arrived (" << clock << " clock or sensing bytes)";
    if (const size_t dropped = mClient.messagesDropped())
      std::cout << ", " << dropped << " dropped for want of room";
    std::cout << std::endl;
    const size_t first =
        shown.size() > static_cast<size_t>(count) ? shown.size() - static_cast<size_t>(count) : 0;
    for (size_t i = first; i < shown.size(); ++i)
      std::cout << "  " << hex(*shown[i]) << std::endl;
  }

  static void report(bool written, const std::string& path)
  {
    std::cout << (written ? "wrote " : "could not write ") << path << std::endl;
  }

  BlofeldSimulator& mSimulator;
  MidiJackSynth& mClient;
};
} // namespace

int main(int argc, char** argv)
{
  std::string server;
  std::string name = BlofeldSimulator::kPortName;
  int deviceId = 0;
  for (int i = 1; i < argc; ++i)
  {
    const std::string arg = argv[i];
    if (arg == "--server" && i + 1 < argc)
      server = argv[++i];
    else if (arg == "--name" && i + 1 < argc)
      name = argv[++i];
    else if (arg == "--device-id" && i + 1 < argc)
      deviceId = std::atoi(argv[++i]) & P::kDataMask;
    else
    {
      std::cerr << "usage: blofeld-sim [--server NAME] [--name CLIENT] [--device-id N]\n"
                   "Without --server a private JACK server (dummy driver) is started; its name is printed.\n"
                << kHelp << std::endl;
      return 2;
    }
  }

  MidiJackServer ownServer;
  std::string error;
  if (server.empty())
  {
    if (!ownServer.start(error))
    {
      std::cerr << "blofeld-sim: " << error << std::endl;
      return 1;
    }
    server = ownServer.name();
  }
  MidiJackSynth client;
  if (!client.open(server, name, error))
  {
    std::cerr << "blofeld-sim: " << error << std::endl;
    return 1;
  }
  BlofeldSimulator simulator(deviceId);
  BlofeldSimulatorJack pump(simulator, client);
  std::cout << "JACK_DEFAULT_SERVER=" << server
            << "\nout (to the plug-in's MIDI IN): " << client.outPortName()
            << "\nin (from the plug-in's MIDI OUT): " << client.inPortName() << "\ndevice id " << deviceId
            << "; help lists the commands" << std::endl;

  Session session(simulator, client);
  std::string line;
  while (std::getline(std::cin, line) && session.run(line))
  {
  }
  return 0;
}
