// What the sending jobs say of their dumps' arrival, as the output knows it once it stands behind them.
#include "MIDIMessageSender.h"

#include "Korvid.h"

#include <string>

bool MIDIMessageSender::sendDump(uint8_t* dump, int size, int pauseMs)
{
  const bool sent = plug->checksumCheckAndSendDump(dump, size, realPause(pauseMs));
  jobDumps += sent ? 1 : 0;
  return sent;
}

bool MIDIMessageSender::sendsDumps(const JobArguments& args)
{
  switch (args.jobCode)
  {
  case kJobSendArrangement:
  case kJobSendPart:
    return !args.toLibrarian;
  case kJobSendGlobal:
  case kJobSendLibraryPatch:
    return true;
  default:
    return false;
  }
}

std::string MIDIMessageSender::arrivalText(const std::string& sent, std::optional<uint64_t> lost,
                                           uint64_t dumps)
{
  if (!lost)
  {
    return sent + ", unconfirmed";
  }
  if (*lost >= dumps)
  {
    return sent + ", may not have arrived";
  }
  return sent + ", " + std::to_string(*lost) + " of " + std::to_string(dumps) + " dumps may not have arrived";
}

void MIDIMessageSender::sayArrival(const JobArguments& args, std::optional<uint64_t> lostBefore)
{
  const uint64_t dumps = jobDumps.load();
  // A job that sent no dump said so; a store's line says what its own dumps did (job 3 with its store).
  if (dumps == 0 || stopping.load() || (args.jobCode == kJobSendLibraryPatch && sentLine.empty()))
  {
    return;
  }
  // Its line is out: a dump the output gives up on while it settles (a late notice comes a while after the
  // cycle, and a dump written again may be lost once more) is said after it.
  const std::optional<uint64_t> lost = dumpsLostSince(lostBefore);
  if (lost == uint64_t{0})
  {
    return;
  }
  std::string sent = sentLine;
  if (sent.empty())
  {
    sent = args.jobCode == kJobSendPart     ? "Sound sent to part " + std::to_string(args.part + 1)
           : args.jobCode == kJobSendGlobal ? std::string("Global data sent to synth")
                                            : std::string(kTextMultiSent);
  }
  plug->showStatusText(arrivalText(sent, lost, dumps).c_str());
}
