// The message manager: construction, the three worker threads, posting and teardown.
#include "MIDIMessageManager.h"

#include "DeviceClock.h"
#include "EditorLock.h"
#include "Korvid.h"

namespace
{
WorkerThread::Body bodyFor(MIDIMessageManager* manager)
{
  return [manager](const JobArguments& args) { manager->sender->perform(args); };
}

// The requests whose replies come through the input port (the device enquiry waits for its input itself).
bool isRequestJob(int jobCode)
{
  return jobCode >= MIDIMessageSender::kJobRequestArrangement &&
         jobCode <= MIDIMessageSender::kJobRequestAllPatches;
}
} // namespace

MIDIMessageManager::MIDIMessageManager(Korvid* plugIn, PatchManager* patches, PatchLibrarian* library,
                                       IGraphics* surface)
    : sender(std::make_unique<MIDIMessageSender>()), plug(plugIn), patchManager(patches), graphics(surface),
      librarian(library), sysexJobThread("sysex jobs", bodyFor(this)),
      transportThread("transport", bodyFor(this)), clockThread("clock", bodyFor(this))
{
  sender->patchManager = patchManager;
  sender->plug = plug;
  sender->manager = this;
  sender->clock = &DeviceClock::system();
}

MIDIMessageManager::~MIDIMessageManager()
{
  shutdown();
  // A library record left in the editor lock's queue must not reach a manager that is gone.
  EditorLock::Get().Forget(this);
}

MIDIMessageManager::Thread MIDIMessageManager::threadFor(int jobCode)
{
  switch (jobCode)
  {
  case MIDIMessageSender::kJobStartClock:
  case MIDIMessageSender::kJobStopClock:
    return Thread::Transport;
  case MIDIMessageSender::kJobContinuousClock:
    return Thread::Clock;
  default:
    return Thread::SysexJob;
  }
}

WorkerThread& MIDIMessageManager::workerFor(Thread thread)
{
  switch (thread)
  {
  case Thread::Transport:
    return transportThread;
  case Thread::Clock:
    return clockThread;
  case Thread::SysexJob:
    break;
  }
  return sysexJobThread;
}

JobArguments MIDIMessageManager::afterQueuedBankChanges(const JobArguments& args)
{
  JobArguments ordered = args;
  if (threadFor(args.jobCode) == Thread::SysexJob)
  {
    ordered.bankChangeTicket = bankChanges.issued();
  }
  if (args.jobCode == MIDIMessageSender::kJobSendLibraryPatch && storeToMemory.load())
  {
    ordered.storeToMemory = true;
  }
  return ordered;
}

bool MIDIMessageManager::post(const JobArguments& args, const std::function<void()>& prepare)
{
  if (sender->stopping.load())
  {
    return false;
  }
  if (postHook)
  {
    return postHook(afterQueuedBankChanges(args), prepare);
  }
  if (isRequestJob(args.jobCode) && refusesRequest())
  {
    return false;
  }
  return workerFor(threadFor(args.jobCode)).post(afterQueuedBankChanges(args), prepare);
}

bool MIDIMessageManager::postOrChain(const JobArguments& args, const std::function<void()>& prepare)
{
  if (sender->stopping.load() || threadFor(args.jobCode) != Thread::SysexJob)
  {
    return false;
  }
  if (postHook)
  {
    return postHook(afterQueuedBankChanges(args), prepare);
  }
  if (isRequestJob(args.jobCode) && refusesRequest())
  {
    return false;
  }
  return sysexJobThread.postOrChain(afterQueuedBankChanges(args), prepare) != WorkerThread::Posted::Dropped;
}

bool MIDIMessageManager::refusesRequest()
{
  if (plug->requestPortsOpen())
  {
    return false;
  }
  plug->sayNoOutput();
  return true;
}

bool MIDIMessageManager::isRunning(Thread thread)
{
  return workerFor(thread).isRunning();
}

bool MIDIMessageManager::postPatchRequest(const JobArguments& args)
{
  // Armed while another job runs, the request would take that job's replies into the library.
  return post(args,
              [this]()
              {
                patchRequest.arm(true);
                dataReceived = false;
                storeRefused = false;
              });
}

bool MIDIMessageManager::sendSinglePatchRequestSysexFromLibrarian(bool editBuffer, int bank)
{
  JobArguments args;
  args.jobCode = MIDIMessageSender::kJobRequestSinglePatch;
  args.editBuffer = editBuffer;
  args.bank = bank;
  return postPatchRequest(args);
}

bool MIDIMessageManager::sendAllPatchRequestSysexFromLibrarian(int bank)
{
  JobArguments args;
  args.jobCode = MIDIMessageSender::kJobRequestAllPatches;
  args.bank = bank;
  return postPatchRequest(args);
}

void MIDIMessageManager::shutdown()
{
  sender->stopping = true;
  sender->cancel = true;
  bankChanges.close();
  bankChanges.join();
  for (WorkerThread* thread : {&sysexJobThread, &transportThread, &clockThread})
  {
    thread->close();
  }
  for (WorkerThread* thread : {&sysexJobThread, &transportThread, &clockThread})
  {
    thread->join();
  }
}

void MIDIMessageManager::setClock(DeviceClock* clock)
{
  sender->clock = clock ? clock : &DeviceClock::system();
}
