// External MIDI ports: lists beginning with "OFF", open by name, locked sends and guarded input delivery.
#include "IMidiPorts.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <iostream>

#include "AudioThread.h"
#include "HeldMidiEvents.h"
#include "debugger.h"

namespace
{
const char* const kOffName = "OFF";
const char* const kClientNamePrefix = "Korvid Editor ";
const char* const kOutPortName = "RtMidi Output";
const char* const kInPortName = "RtMidi Input";
constexpr unsigned int kInputQueueLimit = 100;
const char* const kStuckText = "the MIDI system's library in this host is stuck: restart the host";
// A sender waits at most this long for another thread's send or open on the same port.
constexpr std::chrono::milliseconds kSendLockWait{2000};
// The drain thread looks for a stop this often while the audio thread sends nothing.
constexpr std::chrono::milliseconds kDrainIdleWait{200};
// The drain thread tries again after this when port work holds the port.
constexpr std::chrono::milliseconds kDrainRetryPause{5};
// The drain thread logs what late cycles may have lost at most this often (a loaded server reports several a
// second).
constexpr std::chrono::seconds kLateCyclesLogPeriod{1};

constexpr unsigned char kSysExStart = 0xF0;
constexpr unsigned char kSysExEnd = 0xF7;
constexpr size_t kShortMessageMax = 3;

std::atomic<IMidiPorts::BackendFactory> gBackendFactory{nullptr};
std::atomic<int> gInstanceCount{0};

int findName(const std::vector<std::string>& names, const char* name)
{
  if (!name)
    return -1;
  for (size_t k = 0; k < names.size(); ++k)
  {
    if (names[k] == name)
      return static_cast<int>(k);
  }
  return -1;
}

// "OFF", then the client's ports but this plug-in's own, read under listLock. An unanswered call
// (IMidiPorts::Unanswered) is passed on: the direction waits.
template <class Client>
std::vector<std::string> readNames(Client* client, std::mutex& listLock, std::string& error)
{
  std::vector<std::string> names{kOffName};
  if (!client)
    return names;
  std::vector<std::string> listed;
  try
  {
    std::lock_guard<std::mutex> lock(listLock);
    listed = client->portNames();
  }
  catch (const IMidiPorts::Unanswered&)
  {
    throw;
  }
  catch (const std::exception& e)
  {
    error = e.what();
    return names;
  }
  for (std::string& name : listed)
  {
    if (!IMidiPorts::IsOwnPort(name))
      names.push_back(std::move(name));
  }
  return names;
}

// Whether the system lists name now: the cached list may be stale. Takes the direction's list lock.
template <class Client> bool listedNow(Client* client, std::mutex& listLock, const std::string& name)
{
  std::lock_guard<std::mutex> listing(listLock);
  const std::vector<std::string> listed = client->portNames();
  return std::find(listed.begin(), listed.end(), name) != listed.end();
}

bool allDigits(const std::string& text, size_t from)
{
  if (from >= text.size())
    return false;
  for (size_t k = from; k < text.size(); ++k)
  {
    if (text[k] < '0' || text[k] > '9')
      return false;
  }
  return true;
}
} // namespace

bool IMidiPorts::IsOwnPort(const std::string& name)
{
  const size_t colon = name.find(':');
  if (colon == std::string::npos)
    return false;
  std::string client = name.substr(0, colon);
  // JACK tells a second client of the same name apart by "-NN"; the plug-in's JACK clients' names end in
  // " #N", a number its process gives once.
  const size_t dash = client.rfind('-');
  if (dash != std::string::npos && allDigits(client, dash + 1))
    client.resize(dash);
  const size_t number = client.rfind(" #");
  if (number != std::string::npos && allDigits(client, number + 2))
    client.resize(number);
  const std::string prefix = kClientNamePrefix;
  return client.size() > prefix.size() && client.compare(0, prefix.size(), prefix) == 0 &&
         allDigits(client, prefix.size());
}

void IMidiPorts::DirectionLock::lock()
{
  std::unique_lock<std::mutex> guard(mMutex);
  mFree.wait(guard, [this] { return !mHeld; });
  mHeld = true;
}

void IMidiPorts::DirectionLock::unlock()
{
  {
    std::lock_guard<std::mutex> guard(mMutex);
    mHeld = false;
    mPortWork = false;
  }
  mFree.notify_all();
}

void IMidiPorts::DirectionLock::markPortWork()
{
  {
    std::lock_guard<std::mutex> guard(mMutex);
    mPortWork = true;
  }
  // Senders waiting now give up.
  mFree.notify_all();
}

bool IMidiPorts::DirectionLock::tryLockFor(std::chrono::milliseconds timeout)
{
  std::unique_lock<std::mutex> guard(mMutex);
  mFree.wait_for(guard, timeout, [this] { return !mHeld || mPortWork; });
  if (mHeld)
    return false;
  mHeld = true;
  return true;
}

void IMidiPorts::SetBackendFactory(BackendFactory factory)
{
  gBackendFactory.store(factory);
}

IMidiPorts::IMidiPorts(IPlugBase* plug)
    : mPlug(plug), mClientName(kClientNamePrefix + std::to_string(++gInstanceCount))
{
}

IMidiPorts::~IMidiPorts()
{
  CloseAll();
  // Input before output, one at a time, as everywhere: a delivery holds the input's client and sends.
  {
    std::lock_guard<DirectionLock> inLock(mInLock);
    mInLock.markPortWork();
    mIn.reset();
  }
  std::lock_guard<DirectionLock> outLock(mOutLock);
  mOutLock.markPortWork();
  mOut.reset();
}

void IMidiPorts::SetBackend(std::unique_ptr<Backend> backend)
{
  std::lock_guard<std::mutex> lock(mBackendLock);
  mBackend = std::move(backend);
  mBackendTried = true;
}

void IMidiPorts::SetDebugLogPath(const std::string& path)
{
  std::lock_guard<std::mutex> lock(mLogLock);
  mLogPath = path;
}

void IMidiPorts::log(const std::string& text)
{
  std::cerr << "MIDI ports: " << text << std::endl;
  logToFile(text);
}

void IMidiPorts::logToFile(const std::string& text)
{
  std::string path;
  {
    std::lock_guard<std::mutex> lock(mLogLock);
    path = mLogPath;
  }
  if (!path.empty())
    DebuggerOutput::printDebugInfo(path, "MIDI ports: " + text);
}

IMidiPorts::Backend* IMidiPorts::backend()
{
  std::string failure;
  Backend* made = nullptr;
  {
    // Held across the factory, which only constructs the backend: nothing in it talks to the MIDI system.
    std::lock_guard<std::mutex> lock(mBackendLock);
    if (!mBackendTried)
    {
      mBackendTried = true;
      const BackendFactory factory = gBackendFactory.load();
      try
      {
        mBackend = factory ? factory() : CreateSystemBackend();
      }
      catch (const std::exception& e)
      {
        failure = e.what();
      }
    }
    made = mBackend.get();
  }
  if (!failure.empty())
    log("no MIDI system: " + failure);
  return made;
}

void IMidiPorts::SetInputCallback(InputCallback callback, void* userData)
{
  std::unique_lock<std::shared_mutex> lock(mCallbackLock);
  mCallback = callback;
  mCallbackUserData = userData;
}

void IMidiPorts::onInput(double deltaTime, std::vector<unsigned char>* message)
{
  std::shared_lock<std::shared_mutex> lock(mCallbackLock);
  // Cleared on every way out, a throwing handler's too: later sends on this thread wait for their cycle.
  struct DeliveryMark
  {
    DeliveryMark() { sInInputDelivery = true; }
    ~DeliveryMark() { sInInputDelivery = false; }
  } mark;
  if (mCallback && message)
    mCallback(deltaTime, message, mCallbackUserData);
}

std::vector<std::string> IMidiPorts::GetOutNames()
{
  std::lock_guard<DirectionLock> lock(mOutLock);
  if (!mOutNames.empty())
    return mOutNames;
  mOutLock.markPortWork();
  mOutIndex = 0;
  if (!mOut)
  {
    createOutLocked();
    if (!mOut)
      log("no MIDI output client: the output list holds only \"OFF\"");
  }
  std::string error;
  try
  {
    mOutNames = readNames(mOut.get(), mOutListLock, error);
  }
  catch (const Unanswered& e)
  {
    unansweredLocked(outDirection(), e, false);
    mOutNames = {kOffName};
  }
  if (!error.empty())
    log("reading the output port names: " + error);
  if (mOutWaiting)
    startWatch();
  return mOutNames;
}

std::vector<std::string> IMidiPorts::GetInNames()
{
  std::lock_guard<DirectionLock> lock(mInLock);
  if (!mInNames.empty())
    return mInNames;
  mInLock.markPortWork();
  mInIndex = 0;
  if (!mIn)
  {
    createInLocked();
    if (!mIn)
      log("no MIDI input client: the input list holds only \"OFF\"");
  }
  std::string error;
  try
  {
    mInNames = readNames(mIn.get(), mInListLock, error);
  }
  catch (const Unanswered& e)
  {
    unansweredLocked(inDirection(), e, false);
    mInNames = {kOffName};
  }
  if (!error.empty())
    log("reading the input port names: " + error);
  if (mInWaiting)
    startWatch();
  return mInNames;
}

IMidiPorts::Direction<IMidiPorts::Output> IMidiPorts::outDirection()
{
  return {mOutLock,
          mOutListLock,
          mOut,
          mOutNames,
          mOutIndex,
          mOutOpen,
          mOutWaiting,
          mOutPortName,
          mOutOpens,
          kOutLost,
          kOutGone,
          kOutUnanswered,
          kOutPortName,
          &IMidiPorts::createOutLocked,
          &IMidiPorts::closeOutLocked,
          "output"};
}

IMidiPorts::Direction<IMidiPorts::Input> IMidiPorts::inDirection()
{
  return {mInLock,
          mInListLock,
          mIn,
          mInNames,
          mInIndex,
          mInOpen,
          mInWaiting,
          mInPortName,
          mInOpens,
          kInLost,
          kInGone,
          kInUnanswered,
          kInPortName,
          &IMidiPorts::createInLocked,
          &IMidiPorts::closeInLocked,
          "input"};
}

std::vector<std::string> IMidiPorts::RereadOutNames()
{
  return reread(outDirection());
}

std::vector<std::string> IMidiPorts::RereadInNames()
{
  return reread(inDirection());
}

template <class Client> std::vector<std::string> IMidiPorts::reread(const Direction<Client>& d)
{
  std::shared_ptr<Client> lister;
  unsigned opens = 0;
  {
    std::lock_guard<DirectionLock> lock(d.lock);
    opens = d.opens;
    if (d.client && !d.client->alive())
    {
      d.lock.markPortWork();
      // Its port went with the system: said as lost, as the watch would have.
      if (d.open)
        closeGoneLocked(d);
      (this->*d.closeLocked)();
      d.index = 0;
      d.portName.clear();
      d.client.reset();
    }
    if (!d.client)
    {
      // The client was dropped, never made or its system went away: the system may answer again.
      d.lock.markPortWork();
      (this->*d.createLocked)();
    }
    lister = d.client;
  }
  std::string error;
  std::vector<std::string> listed;
  try
  {
    // Without a client the system did not answer its creation: nothing is known of its ports.
    if (!lister && d.waiting)
      throw Unanswered(IsStuck() ? kStuckText : "the MIDI system did not answer the client's creation");
    listed = readNames(lister.get(), d.listLock, error);
  }
  catch (const Unanswered& e)
  {
    std::lock_guard<DirectionLock> lock(d.lock);
    d.lock.markPortWork();
    if (lister && d.client == lister)
      unansweredLocked(d, e, false);
    error = e.what();
  }

  std::lock_guard<DirectionLock> lock(d.lock);
  if (d.waiting)
    startWatch();
  // A list read before a port was opened may miss that port: it says nothing about it either.
  if (!error.empty() || (d.opens != opens && d.client == lister))
  {
    if (!error.empty())
      log(std::string("reading the ") + d.name + " port names failed, the last list is kept: " + error);
    return d.names.empty() ? std::vector<std::string>{kOffName} : d.names;
  }
  d.names = listed;
  if (d.open)
  {
    const int k = findName(d.names, d.portName.c_str());
    if (k > 0)
      d.index = k;
    else if (d.client == lister)
      closeGoneLocked(d);
  }
  return listed;
}

template <class Client> void IMidiPorts::closeGoneLocked(const Direction<Client>& d)
{
  d.lock.markPortWork();
  log(std::string(d.name) + " port \"" + d.portName + "\" went away");
  (this->*d.closeLocked)();
  d.index = 0;
  d.portName.clear();
  mLost |= d.lostBit;
}

template <class Client>
void IMidiPorts::unansweredLocked(const Direction<Client>& d, const Unanswered& e, bool dropClient)
{
  d.lock.markPortWork();
  // A stuck library answers no call of the client any more, and its port takes nothing: both go, and the
  // port stays chosen for a restart of the host.
  const bool stuck = IsStuck();
  dropClient = dropClient || stuck;
  if (stuck)
    log(std::string("the ") + d.name + " keeps its port chosen for a restart of the host: " + e.what());
  else
    log(std::string("the MIDI system did not answer for the ") + d.name + ", which waits for it" +
        (dropClient ? " with a new client" : "") + ": " + e.what());
  if (dropClient)
  {
    d.open = false;
    d.portName.clear();
    d.client.reset();
  }
  d.waiting = true;
  mLost |= d.unansweredBit | (stuck ? kStuck : 0);
  if (stuck)
    mStuckSaid = true;
}

bool IMidiPorts::IsStuck()
{
  Backend* system = backend();
  return system && system->stuck();
}

void IMidiPorts::createOutLocked()
{
  Backend* system = backend();
  try
  {
    if (system)
      mOut = system->createOutput(mClientName);
  }
  catch (const Unanswered& e)
  {
    unansweredLocked(outDirection(), e, true);
  }
  catch (const std::exception& e)
  {
    // A library that refuses clients for good is said as stuck, and the port stays chosen.
    if (IsStuck())
      unansweredLocked(outDirection(), Unanswered(e.what()), true);
    else
      log(std::string("cannot create the output client: ") + e.what());
  }
}

void IMidiPorts::createInLocked()
{
  Backend* system = backend();
  try
  {
    if (system)
      mIn = system->createInput(mClientName, kInputQueueLimit);
    if (mIn)
    {
      mIn->setHandler([this](double deltaTime, std::vector<unsigned char>* message)
                      { onInput(deltaTime, message); });
      mIn->setLostHandler(
          [this](uint64_t count, Input::Loss cause)
          {
            mInputLost += count;
            // The input client said it on standard error; the log keeps it beside what the plug-in did.
            logToFile("MIDI input " + Input::LossText(count, cause));
          });
    }
  }
  catch (const Unanswered& e)
  {
    unansweredLocked(inDirection(), e, true);
  }
  catch (const std::exception& e)
  {
    mIn.reset();
    if (IsStuck())
      unansweredLocked(inDirection(), Unanswered(e.what()), true);
    else
      log(std::string("cannot create the input client: ") + e.what());
  }
}

void IMidiPorts::closeOutLocked()
{
  if (mOut && mOutOpen)
  {
    try
    {
      std::lock_guard<std::mutex> listing(mOutListLock);
      mOut->closePort();
    }
    catch (const Unanswered& e)
    {
      unansweredLocked(outDirection(), e, true);
    }
    catch (const std::exception& e)
    {
      log(std::string("closing the output port: ") + e.what());
    }
  }
  mOutOpen = false;
}

void IMidiPorts::closeInLocked()
{
  if (mIn && mInOpen)
  {
    try
    {
      std::lock_guard<std::mutex> listing(mInListLock);
      mIn->closePort();
    }
    catch (const Unanswered& e)
    {
      unansweredLocked(inDirection(), e, true);
    }
    catch (const std::exception& e)
    {
      log(std::string("closing the input port: ") + e.what());
    }
  }
  mInOpen = false;
}

template <class Client>
int IMidiPorts::openLocked(const Direction<Client>& d, int& idx, const char* name, std::string* failure)
{
  const int k = idx == 0 ? 0 : findName(d.names, name);
  if (k > 0 && !d.client)
    (this->*d.createLocked)();
  if (k > 0 && !d.client && d.waiting)
  {
    // The system did not answer the client's creation: the port stays chosen.
    idx = k;
    return 0;
  }
  if (k <= 0 || !d.client)
  {
    if (k > 0)
    {
      log(std::string("no ") + d.name + " client to open \"" + name + "\"");
      if (failure)
        *failure = std::string("no MIDI ") + d.name + " client";
    }
    (this->*d.closeLocked)();
    d.portName.clear();
    idx = 0;
    d.index = 0;
    return 0;
  }
  const std::string wanted = d.names[static_cast<size_t>(k)];
  // Read before the open port is closed: a list that cannot be read says nothing about it.
  bool listed = true;
  // The position asked for stays while the system does not answer: the port stays chosen.
  idx = k;
  try
  {
    listed = listedNow(d.client.get(), d.listLock, wanted);
  }
  catch (const Unanswered& e)
  {
    // The port chosen stays open with its client; another one goes with the client (OpenOut, OpenIn).
    if (!d.open || d.portName != wanted)
      throw;
    unansweredLocked(d, e, false);
    d.index = k;
    return k;
  }
  catch (const std::exception& e)
  {
    log(std::string("reading the ") + d.name + " port names before an open failed: " + e.what());
    if (d.open && d.portName == wanted)
    {
      idx = k;
      d.index = k;
      return k;
    }
  }
  (this->*d.closeLocked)();
  d.portName.clear();
  d.index = 0;
  // Without a client: a close the system did not answer dropped it, and the direction waits.
  if (!d.client)
    return 0;
  if (!listed)
  {
    log(std::string(d.name) + " port \"" + name + "\" is not present any more");
    mLost |= d.goneBit;
    idx = 0;
    return 0;
  }
  try
  {
    std::lock_guard<std::mutex> listing(d.listLock);
    d.client->openPort(wanted, d.clientPortName);
  }
  catch (const Unanswered&)
  {
    throw;
  }
  catch (const std::exception& e)
  {
    log(std::string("opening ") + d.name + " port \"" + name + "\": " + e.what());
    if (failure)
      *failure = e.what();
    return 0;
  }
  d.open = true;
  d.waiting = false;
  d.portName = wanted;
  ++d.opens;
  d.index = k;
  return k;
}

std::string IMidiPorts::OpenOutName()
{
  std::lock_guard<DirectionLock> lock(mOutLock);
  return mOutOpen.load() ? mOutPortName : std::string();
}

std::string IMidiPorts::OpenInName()
{
  std::lock_guard<DirectionLock> lock(mInLock);
  return mInOpen.load() ? mInPortName : std::string();
}

int IMidiPorts::OpenOut(int& idx, const char* name, std::string* failure)
{
  std::lock_guard<DirectionLock> lock(mOutLock);
  mOutLock.markPortWork();
  int opened = 0;
  try
  {
    opened = openLocked(outDirection(), idx, name, failure);
  }
  catch (const Unanswered& e)
  {
    unansweredLocked(outDirection(), e, true);
  }
  if (opened > 0 || mOutWaiting)
    startWatch();
  if (opened > 0)
    startDrain();
  return opened;
}

int IMidiPorts::OpenIn(int& idx, const char* name, std::string* failure)
{
  std::lock_guard<DirectionLock> lock(mInLock);
  mInLock.markPortWork();
  int opened = 0;
  try
  {
    opened = openLocked(inDirection(), idx, name, failure);
  }
  catch (const Unanswered& e)
  {
    unansweredLocked(inDirection(), e, true);
  }
  if (opened > 0 || mInWaiting)
    startWatch();
  return opened;
}

void IMidiPorts::startWatch()
{
  std::lock_guard<std::mutex> lock(mWatchLock);
  if (mWatcher.joinable())
    return;
  mWatchStop = false;
  mWatcher = std::thread(&IMidiPorts::watch, this);
}

void IMidiPorts::stopWatch()
{
  std::thread watcher;
  {
    std::lock_guard<std::mutex> lock(mWatchLock);
    mWatchStop = true;
    watcher = std::move(mWatcher);
  }
  mWatchWake.notify_all();
  if (watcher.joinable())
    watcher.join();
}

void IMidiPorts::watch()
{
  std::unique_lock<std::mutex> lock(mWatchLock);
  auto nextCheck = std::chrono::steady_clock::now() + kWatchPeriod;
  const auto period = [this] { return mOutWaiting || mInWaiting ? kAnswerLookPeriod : kWatchPeriod; };
  while (!mWatchWake.wait_for(lock, period(), [this] { return mWatchStop; }))
  {
    lock.unlock();
    lookForAnswer();
    if (std::chrono::steady_clock::now() >= nextCheck)
    {
      checkOutPort();
      checkInPort();
      nextCheck = std::chrono::steady_clock::now() + kWatchPeriod;
    }
    lock.lock();
  }
}

void IMidiPorts::lookForAnswer()
{
  if (!mOutWaiting && !mInWaiting)
    return;
  Backend* system = backend();
  if (system && !system->answering())
  {
    // A call given up on that waits for ever is said once: the waiting directions wait for a restart.
    if (!mStuckSaid.load() && system->stuck())
    {
      mStuckSaid = true;
      log(std::string(kStuckText) + "; the ports chosen wait for it");
      mLost |= kStuck;
    }
    return;
  }
  // A call said stuck that returned after all: a library stuck later is said again.
  mStuckSaid = false;
  int answered = 0;
  if (mOutWaiting.exchange(false))
    answered |= kOutAnswered;
  if (mInWaiting.exchange(false))
    answered |= kInAnswered;
  log("the MIDI system answers again");
  mLost |= answered;
}

void IMidiPorts::checkOutPort()
{
  checkPort(outDirection());
}

void IMidiPorts::checkInPort()
{
  checkPort(inDirection());
}

// The ports are listed without the lock: a send meanwhile never waits for a system that does not answer.
// A direction another thread holds is looked at in the next round.
template <class Client> void IMidiPorts::checkPort(const Direction<Client>& d)
{
  std::shared_ptr<Client> lister;
  std::string portName;
  unsigned opens = 0;
  if (!d.lock.tryLockFor(std::chrono::milliseconds(0)))
    return;
  {
    std::lock_guard<DirectionLock> lock(d.lock, std::adopt_lock);
    // A waiting direction is looked at once the system answers.
    if (!d.client || !d.open || d.waiting)
      return;
    lister = d.client;
    portName = d.portName;
    opens = d.opens;
  }
  try
  {
    if (listedNow(lister.get(), d.listLock, portName))
      return;
  }
  catch (const Unanswered& e)
  {
    // A client that does not answer while the system does (one given up on earlier) is made anew.
    Backend* system = backend();
    const bool stuck = system && system->answering();
    std::lock_guard<DirectionLock> lock(d.lock);
    if (d.client == lister)
      unansweredLocked(d, e, stuck);
    return;
  }
  catch (const std::exception&)
  {
    // Busy in a stalled send, or a list that changed while it was read: looked at again next round.
    return;
  }
  std::lock_guard<DirectionLock> lock(d.lock);
  // Opened anew meanwhile, the same port too: that open is looked at next round.
  if (d.client == lister && d.open && d.opens == opens)
    closeGoneLocked(d);
}

bool IMidiPorts::sendLocked(const unsigned char* data, size_t size)
{
  if (AudioThread::IsCurrent())
    return queueFromAudio(data, size, false);
  return sendOut(data, size, false) == Sent::kYes;
}

IMidiPorts::Sent IMidiPorts::sendOut(const unsigned char* data, size_t size, bool posted, bool repeatable,
                                     std::chrono::milliseconds pause)
{
  if (!mOutLock.tryLockFor(kSendLockWait))
    return Sent::kBusy;
  std::unique_lock<DirectionLock> lock(mOutLock, std::adopt_lock);
  if (!mOut || !mOutOpen)
    return Sent::kNo;
  if (size > mOut->maxMessageSize())
  {
    log("refused a message of " + std::to_string(size) + " bytes: the output port takes at most " +
        std::to_string(mOut->maxMessageSize()));
    return Sent::kNo;
  }
  // Inside an input delivery (on JACK a client's process thread) a send never waits for an output cycle,
  // which could not come before the delivery returns.
  posted = posted || sInInputDelivery;
  std::shared_ptr<Output> out = mOut;
  // A client that orders concurrent sends itself is not held for the time its send waits for the system.
  if (out->concurrentSends())
    lock.unlock();
  try
  {
    const bool sent = posted ? out->post(data, size)
                             : (repeatable ? out->sendRepeatable(data, size, pause) : out->send(data, size));
    return sent ? Sent::kYes : Sent::kNo;
  }
  catch (const std::exception& e)
  {
    log(std::string("sending: ") + e.what());
    return Sent::kNo;
  }
}

bool IMidiPorts::queueFromAudio(const unsigned char* data, size_t size, bool framed)
{
  return mOutOpen.load() && mAudioQueue.push(data, size, framed);
}

void IMidiPorts::startDrain()
{
  std::lock_guard<std::mutex> lock(mDrainLock);
  if (mDrainer.joinable())
    return;
  mDrainStop = false;
  mDrainer = std::thread(&IMidiPorts::drain, this);
}

void IMidiPorts::stopDrain()
{
  std::thread drainer;
  {
    std::lock_guard<std::mutex> lock(mDrainLock);
    mDrainStop = true;
    drainer = std::move(mDrainer);
  }
  mAudioQueue.wake();
  if (drainer.joinable())
    drainer.join();
}

void IMidiPorts::drain()
{
  std::vector<unsigned char> message;
  message.reserve(AudioSendQueue::kMaxMessageBytes);
  // Messages not taken in a row: logged once, with their count, when the output takes one again, closes
  // or the drain stops, not once per batch while a port that went away is still open.
  uint64_t unsent = 0;
  const auto sayUnsent = [this, &unsent]
  {
    if (unsent > 0)
      log("the output did not take " + std::to_string(unsent) + " messages of the audio thread");
    unsent = 0;
  };
  Output::LateCycles lateSaid;
  auto lateLookedAt = std::chrono::steady_clock::now();
  while (!mDrainStop.load())
  {
    mAudioQueue.waitForWork(kDrainIdleWait);
    sendRefusedReleases();
    while (!mDrainStop.load() && mAudioQueue.pop(message))
    {
      // The releases the output refused go before anything later, once it takes messages again.
      sendRefusedReleases();
      // A message waits for a port held by other threads' sends or port work for as long as that
      // lasts: meanwhile the audio thread's queue fills, and drops only when full.
      Sent sent;
      while ((sent = sendOut(message.data(), message.size(), true)) == Sent::kBusy && !mDrainStop.load())
        std::this_thread::sleep_for(kDrainRetryPause);
      if (sent == Sent::kNo)
      {
        ++unsent;
        keepRefusedRelease(message);
      }
      else if (sent == Sent::kYes)
        sayUnsent();
      mAudioQueue.handled();
    }
    if (const uint64_t dropped = mAudioQueue.takeDropped())
      log("dropped " + std::to_string(dropped) + " messages of the audio thread: its queue was full");
    if (!mOutOpen.load())
      sayUnsent();
    if (std::chrono::steady_clock::now() - lateLookedAt >= kLateCyclesLogPeriod)
    {
      sayLateCycles(lateSaid);
      lateLookedAt = std::chrono::steady_clock::now();
    }
  }
  sayUnsent();
  sayLateCycles(lateSaid);
}

void IMidiPorts::keepRefusedRelease(const std::vector<unsigned char>& message)
{
  if (message.size() != kShortMessageMax)
    return;
  const IMidiMsg msg(0, message[0], message[1], message[2]);
  if (!HeldMidiEvents::EndsNoteOrPedal(msg))
    return;
  const bool pedal = msg.StatusMsg() == IMidiMsg::kControlChange;
  const size_t slot = static_cast<size_t>(msg.Channel()) * HeldMidiEvents::kHoldsPerChannel +
                      (pedal ? HeldMidiEvents::kHoldsPerChannel - 1 : msg.mData1);
  if (slot >= mRefused.size())
    return;
  Release& release = mRefused[slot];
  if (release.size == 0)
    ++mRefusedCount;
  std::copy(message.begin(), message.end(), release.bytes);
  release.size = static_cast<unsigned char>(message.size());
}

void IMidiPorts::sendRefusedReleases()
{
  if (mRefusedCount.load() == 0)
    return;
  int sent = 0;
  for (size_t slot = 0; slot < mRefused.size() && mRefusedCount.load() > 0; ++slot)
  {
    Release& release = mRefused[slot];
    if (release.size == 0)
      continue;
    // A busy port or one that still refuses: the rest waits, as each try may wait for a stalled system.
    if (sendOut(release.bytes, release.size, true) != Sent::kYes)
      break;
    release.size = 0;
    --mRefusedCount;
    ++sent;
  }
  if (sent > 0)
    log("sent again " + std::to_string(sent) + " note or pedal releases that the output had refused");
}

bool IMidiPorts::SendMsg(const IMidiMsg* msg)
{
  if (!msg)
    return false;
  const unsigned char bytes[kShortMessageMax] = {msg->mStatus, msg->mData1, msg->mData2};
  const IMidiMsg::EStatusMsg kind = msg->StatusMsg();
  const bool twoBytes = kind == IMidiMsg::kProgramChange || kind == IMidiMsg::kChannelAftertouch;
  return sendLocked(bytes, twoBytes ? kShortMessageMax - 1 : kShortMessageMax);
}

bool IMidiPorts::SendSysex(const unsigned char* data, int size)
{
  if (!data || size < 1)
    return false;
  if (data[0] == kSysExStart)
    return sendLocked(data, static_cast<size_t>(size));
  // The audio thread frames it in its queue: no allocation there.
  if (AudioThread::IsCurrent())
    return queueFromAudio(data, static_cast<size_t>(size), true);
  std::vector<unsigned char> framed;
  framed.reserve(static_cast<size_t>(size) + 2);
  framed.push_back(kSysExStart);
  framed.insert(framed.end(), data, data + size);
  framed.push_back(kSysExEnd);
  return sendLocked(framed.data(), framed.size());
}

bool IMidiPorts::SendPatchSysex(const unsigned char* data, int size)
{
  if (!data || size < 1)
    return false;
  return sendLocked(data, static_cast<size_t>(size));
}

bool IMidiPorts::SendBytes(const std::vector<unsigned char>& bytes)
{
  if (bytes.empty())
    return false;
  return sendLocked(bytes.data(), bytes.size());
}

bool IMidiPorts::SendDump(const std::vector<unsigned char>& bytes, std::chrono::milliseconds pause)
{
  if (bytes.empty())
    return false;
  if (AudioThread::IsCurrent())
    return queueFromAudio(bytes.data(), bytes.size(), false);
  return sendOut(bytes.data(), bytes.size(), false, true, pause) == Sent::kYes;
}

std::optional<uint64_t> IMidiPorts::SettleDumps(std::chrono::milliseconds timeout)
{
  const std::shared_ptr<Output> out = outputWithin(kSendLockWait);
  if (!out)
    return std::nullopt;
  return out->settleRepeatables(timeout);
}

std::shared_ptr<IMidiPorts::Output> IMidiPorts::outputWithin(std::chrono::milliseconds wait)
{
  const auto until = std::chrono::steady_clock::now() + wait;
  while (!mOutLock.tryLockFor(std::max(
      std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()),
      std::chrono::milliseconds(0))))
  {
    if (std::chrono::steady_clock::now() >= until)
      return nullptr;
    std::this_thread::sleep_for(kDrainRetryPause);
  }
  std::lock_guard<DirectionLock> lock(mOutLock, std::adopt_lock);
  return mOut;
}

void IMidiPorts::sayLateCycles(Output::LateCycles& said)
{
  const std::shared_ptr<Output> out = outputWithin(std::chrono::milliseconds(0));
  if (!out)
    return;
  const Output::LateCycles now = out->lateCycles();
  // A new client counts from 0.
  if (now.messages < said.messages || now.releasesAgain < said.releasesAgain ||
      now.releasesGivenUp < said.releasesGivenUp || now.dumpsGivenUp < said.dumpsGivenUp)
    said = {};
  if (now.messages == said.messages && now.releasesAgain == said.releasesAgain &&
      now.releasesGivenUp == said.releasesGivenUp && now.dumpsGivenUp == said.dumpsGivenUp)
    return;
  log("cycles the MIDI system reported late may have lost " + std::to_string(now.messages - said.messages) +
      " messages (" + std::to_string(now.noteOns - said.noteOns) +
      " note-ons, not written again); written again: " +
      std::to_string(now.releasesAgain - said.releasesAgain) +
      " note or pedal releases; given up: " + std::to_string(now.releasesGivenUp - said.releasesGivenUp) +
      " releases, " + std::to_string(now.dumpsGivenUp - said.dumpsGivenUp) + " dumps");
  said = now;
}

bool IMidiPorts::WaitForAudioSends(std::chrono::milliseconds timeout)
{
  const uint64_t queued = mAudioQueue.pushed();
  const auto until = std::chrono::steady_clock::now() + timeout;
  // The drain thread tries the refused releases again at once.
  mAudioQueue.wake();
  while (mAudioQueue.handledCount() < queued || (mRefusedCount.load() > 0 && mOutOpen.load()))
  {
    if (std::chrono::steady_clock::now() >= until)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void IMidiPorts::CloseAll()
{
  stopWatch();
  stopDrain();
  {
    std::lock_guard<DirectionLock> lock(mInLock);
    mInLock.markPortWork();
    closeInLocked();
    mInIndex = 0;
  }
  SetInputCallback(nullptr, nullptr);
  std::lock_guard<DirectionLock> lock(mOutLock);
  mOutLock.markPortWork();
  closeOutLocked();
  mOutIndex = 0;
}

void IMidiPorts::Dispatch(const std::vector<unsigned char>& bytes,
                          const std::function<void(IMidiMsg*)>& onMsg,
                          const std::function<void(ISysEx*)>& onSysEx)
{
  if (bytes.empty())
    return;
  if (bytes.size() <= kShortMessageMax)
  {
    IMidiMsg msg(0, bytes[0], bytes.size() > 1 ? bytes[1] : 0, bytes.size() > 2 ? bytes[2] : 0);
    if (onMsg)
      onMsg(&msg);
    return;
  }
  // The plug-in sees a buffer of its own for the duration of the call; it copies what it keeps.
  const std::vector<unsigned char> copy(bytes);
  ISysEx sysex(0, copy.data(), static_cast<int>(copy.size()));
  if (onSysEx)
    onSysEx(&sysex);
}
