// Fake MIDI clients over an in-process port table.
#include "MidiFakeSystem.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

struct MidiFakeSystem::InputClientState
{
  std::mutex deliverLock;
  IMidiPorts::Input::Handler handler;
  std::string openPort; // empty when closed
};

namespace
{
std::mutex gDefaultLock;
std::shared_ptr<MidiFakeSystem> gDefault;

std::string listed(const std::vector<std::string>& names, const std::string& name)
{
  if (std::find(names.begin(), names.end(), name) == names.end())
    throw std::out_of_range("no port " + name);
  return name;
}

void answer(const MidiFakeSystem& system)
{
  if (!system.answering())
    throw IMidiPorts::Unanswered("the fake MIDI system does not answer");
}

// The list, open and close calls of one client share a count without a lock, as RtMidi's clients share
// their error text: calls made beside each other show under ThreadSanitizer.
class FakeCalls
{
public:
  // names, or a failure of every second call while the system's lists fail.
  std::vector<std::string> list(MidiFakeSystem& system, std::vector<std::string> names)
  {
    answer(system);
    system.takeListStep();
    if (++mCalls % 2 == 0 && system.listsFail())
      throw std::runtime_error("the port list changed while it was read");
    return names;
  }
  void count() { ++mCalls; }

private:
  unsigned int mCalls = 0;
};

class FakeOutput : public IMidiPorts::Output
{
public:
  explicit FakeOutput(std::shared_ptr<MidiFakeSystem> system) : mSystem(std::move(system)) {}
  ~FakeOutput() override { closePort(); }
  std::vector<std::string> portNames() override { return mCalls.list(*mSystem, mSystem->outputNames()); }
  void openPort(const std::string& name, const std::string&) override
  {
    answer(*mSystem);
    closePort();
    mPort = listed(mSystem->outputNames(), name);
    mSystem->openOutput(mPort, true);
  }
  void closePort() override
  {
    mCalls.count();
    if (!mPort.empty())
      mSystem->openOutput(mPort, false);
    mPort.clear();
  }
  bool send(const unsigned char* data, size_t size) override
  {
    if (mPort.empty() || size > mSystem->maxMessageSize() || mSystem->sendsRefused())
      return false;
    mSystem->recordSend(mPort, data, size);
    return true;
  }
  size_t maxMessageSize() const override { return mSystem->maxMessageSize(); }
  uint64_t settleRepeatables(std::chrono::milliseconds) override { return lateCycles().dumpsGivenUp; }
  LateCycles lateCycles() const override { return mSystem->lateCycles(); }

private:
  std::shared_ptr<MidiFakeSystem> mSystem;
  std::string mPort;
  FakeCalls mCalls;
};

class FakeInput : public IMidiPorts::Input
{
public:
  explicit FakeInput(std::shared_ptr<MidiFakeSystem> system)
      : mSystem(std::move(system)), mState(std::make_shared<MidiFakeSystem::InputClientState>())
  {
    mSystem->registerInput(mState);
  }
  ~FakeInput() override { closePort(); }
  std::vector<std::string> portNames() override { return mCalls.list(*mSystem, mSystem->inputNames()); }
  void openPort(const std::string& name, const std::string&) override
  {
    answer(*mSystem);
    mCalls.count();
    listed(mSystem->inputNames(), name);
    std::lock_guard<std::mutex> lock(mState->deliverLock);
    mState->openPort = name;
  }
  void closePort() override
  {
    mCalls.count();
    std::lock_guard<std::mutex> lock(mState->deliverLock);
    mState->openPort.clear();
  }
  void setHandler(Handler handler) override
  {
    std::lock_guard<std::mutex> lock(mState->deliverLock);
    mState->handler = std::move(handler);
  }

private:
  std::shared_ptr<MidiFakeSystem> mSystem;
  std::shared_ptr<MidiFakeSystem::InputClientState> mState;
  FakeCalls mCalls;
};

class FakeBackend : public IMidiPorts::Backend
{
public:
  explicit FakeBackend(std::shared_ptr<MidiFakeSystem> system) : mSystem(std::move(system)) {}
  bool answering() const override { return mSystem->answering(); }
  bool stuck() const override { return mSystem->stuck(); }
  std::unique_ptr<IMidiPorts::Output> createOutput(const std::string&) override
  {
    mSystem->countClient();
    return std::make_unique<FakeOutput>(mSystem);
  }
  std::unique_ptr<IMidiPorts::Input> createInput(const std::string&, unsigned int) override
  {
    mSystem->countClient();
    return std::make_unique<FakeInput>(mSystem);
  }

private:
  std::shared_ptr<MidiFakeSystem> mSystem;
};

std::unique_ptr<IMidiPorts::Backend> defaultFactory()
{
  std::lock_guard<std::mutex> lock(gDefaultLock);
  if (!gDefault)
    throw std::runtime_error("no fake MIDI system installed");
  return gDefault->makeBackend();
}
} // namespace

std::shared_ptr<MidiFakeSystem> MidiFakeSystem::create()
{
  return std::shared_ptr<MidiFakeSystem>(new MidiFakeSystem());
}

std::unique_ptr<IMidiPorts::Backend> MidiFakeSystem::makeBackend()
{
  return std::make_unique<FakeBackend>(shared_from_this());
}

void MidiFakeSystem::installAsDefault(std::shared_ptr<MidiFakeSystem> system)
{
  std::lock_guard<std::mutex> lock(gDefaultLock);
  gDefault = std::move(system);
  IMidiPorts::SetBackendFactory(gDefault ? &defaultFactory : nullptr);
}

void MidiFakeSystem::setOutputPorts(std::vector<std::string> names)
{
  std::lock_guard<std::mutex> lock(mLock);
  mOutputNames = std::move(names);
}

void MidiFakeSystem::setInputPorts(std::vector<std::string> names)
{
  std::lock_guard<std::mutex> lock(mLock);
  mInputNames = std::move(names);
}

void MidiFakeSystem::setClientsFail(bool fail)
{
  std::lock_guard<std::mutex> lock(mLock);
  mClientsFail = fail;
}

void MidiFakeSystem::setListsFail(bool fail)
{
  std::lock_guard<std::mutex> lock(mLock);
  mListsFail = fail;
}

bool MidiFakeSystem::listsFail() const
{
  std::lock_guard<std::mutex> lock(mLock);
  return mListsFail;
}

void MidiFakeSystem::onNextList(std::function<void()> step)
{
  std::lock_guard<std::mutex> lock(mLock);
  mListStep = std::move(step);
}

void MidiFakeSystem::takeListStep()
{
  std::function<void()> step;
  {
    std::lock_guard<std::mutex> lock(mLock);
    step.swap(mListStep);
  }
  if (step)
    step();
}

void MidiFakeSystem::setLateCycles(const IMidiPorts::Output::LateCycles& late)
{
  std::lock_guard<std::mutex> lock(mLock);
  mLateCycles = late;
}

IMidiPorts::Output::LateCycles MidiFakeSystem::lateCycles() const
{
  std::lock_guard<std::mutex> lock(mLock);
  return mLateCycles;
}

void MidiFakeSystem::setMaxMessageSize(size_t bytes)
{
  std::lock_guard<std::mutex> lock(mLock);
  mMaxMessageSize = bytes;
}

size_t MidiFakeSystem::maxMessageSize() const
{
  std::lock_guard<std::mutex> lock(mLock);
  return mMaxMessageSize;
}

std::vector<MidiFakeSystem::Bytes> MidiFakeSystem::received(const std::string& name) const
{
  std::lock_guard<std::mutex> lock(mLock);
  auto it = mReceived.find(name);
  return it == mReceived.end() ? std::vector<Bytes>() : it->second;
}

void MidiFakeSystem::clearReceived()
{
  std::lock_guard<std::mutex> lock(mLock);
  mReceived.clear();
}

std::vector<std::string> MidiFakeSystem::openOutputs() const
{
  std::lock_guard<std::mutex> lock(mLock);
  return mOpenOutputs;
}

std::vector<std::string> MidiFakeSystem::openInputs() const
{
  std::vector<std::shared_ptr<InputClientState>> clients;
  {
    std::lock_guard<std::mutex> lock(mLock);
    for (const auto& weak : mInputClients)
    {
      if (auto client = weak.lock())
        clients.push_back(client);
    }
  }
  std::vector<std::string> names;
  for (const auto& client : clients)
  {
    std::lock_guard<std::mutex> lock(client->deliverLock);
    if (!client->openPort.empty())
      names.push_back(client->openPort);
  }
  return names;
}

int MidiFakeSystem::clientsCreated() const
{
  std::lock_guard<std::mutex> lock(mLock);
  return mClientsCreated;
}

int MidiFakeSystem::inject(const std::string& name, const Bytes& bytes)
{
  std::vector<std::shared_ptr<InputClientState>> clients;
  {
    std::lock_guard<std::mutex> lock(mLock);
    for (const auto& weak : mInputClients)
    {
      if (auto client = weak.lock())
        clients.push_back(client);
    }
  }
  int delivered = 0;
  for (const auto& client : clients)
  {
    std::lock_guard<std::mutex> lock(client->deliverLock);
    if (client->openPort == name && client->handler)
    {
      Bytes message(bytes);
      client->handler(0.0, &message);
      ++delivered;
    }
  }
  return delivered;
}

std::vector<std::string> MidiFakeSystem::outputNames() const
{
  std::lock_guard<std::mutex> lock(mLock);
  return mOutputNames;
}

std::vector<std::string> MidiFakeSystem::inputNames() const
{
  std::lock_guard<std::mutex> lock(mLock);
  return mInputNames;
}

void MidiFakeSystem::holdSends(bool hold)
{
  {
    std::lock_guard<std::mutex> lock(mLock);
    mHoldSends = hold;
  }
  mReleased.notify_all();
}

int MidiFakeSystem::sendsHeld() const
{
  std::lock_guard<std::mutex> lock(mLock);
  return mSendsHeld;
}

void MidiFakeSystem::recordSend(const std::string& port, const unsigned char* data, size_t size)
{
  std::unique_lock<std::mutex> lock(mLock);
  ++mSendsHeld;
  mReleased.wait_for(lock, std::chrono::seconds(30), [this] { return !mHoldSends; });
  --mSendsHeld;
  mReceived[port].emplace_back(data, data + size);
}

void MidiFakeSystem::openOutput(const std::string& port, bool open)
{
  std::lock_guard<std::mutex> lock(mLock);
  auto it = std::find(mOpenOutputs.begin(), mOpenOutputs.end(), port);
  if (open && it == mOpenOutputs.end())
    mOpenOutputs.push_back(port);
  else if (!open && it != mOpenOutputs.end())
    mOpenOutputs.erase(it);
}

void MidiFakeSystem::registerInput(const std::shared_ptr<InputClientState>& client)
{
  std::lock_guard<std::mutex> lock(mLock);
  mInputClients.push_back(client);
}

void MidiFakeSystem::countClient()
{
  answer(*this);
  std::lock_guard<std::mutex> lock(mLock);
  if (mClientsFail)
    throw std::runtime_error("no MIDI system");
  ++mClientsCreated;
}
