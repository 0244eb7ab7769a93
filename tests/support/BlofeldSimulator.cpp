// A simulated synthesizer for device tests.
#include "BlofeldSimulator.h"

#include "DeviceClock.h"
#include "SoundDumpLayout.h"
#include "SysexProtocol.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace
{
using P = SysexProtocol;

constexpr int kParameterChangeLength = 10;
constexpr int kLocationOffset = 5;
constexpr int kAddressHighOffset = 6;
constexpr int kAddressLowOffset = 7;
constexpr int kValueOffset = 8;
constexpr int kAddressHighShift = 7;
constexpr uint8_t kCorruptModel = 0x14;
// Global data index 0 sits behind the five header bytes of the global dump.
constexpr int kGlobalDataOffset = 5;

int soundKey(int bank, int program)
{
  return bank * BlofeldSimulator::kPrograms + program;
}

// The synthesizer's controller chart: the sound data index each controller moves (-1: none).
struct ControllerChart
{
  std::array<int, 128> index;
  ControllerChart()
  {
    index.fill(-1);
    const std::pair<int, std::vector<int>> runs[] = {
        {5, {57}},
        {12, {316, 323, 311, 160, 161, 163, 166, 172, 173, 175, 178, 184, 185, 187, 190, 1, 2, 3, 7, 8}},
        {33, {9,  11, 17, 18, 19, 23, 24, 25, 27, 33, 34, 35, 39, 40, 41,
              43, 49, 51, 56, 61, 62, 71, 72, 63, 64, 65, 66, 67, 68, 69}},
        {65, {53}},
        {67, {117, 77,  78,  80,  81,  86,  87,  88,  90,  92,  93,  95,  97,  98,
              100, 101, 106, 107, 108, 110, 112, 113, 115, 121, 122, 124, 129, 145}}};
    for (const auto& [first, indices] : runs)
      for (size_t i = 0; i < indices.size(); ++i)
        index[first + i] = indices[i];
    // The four envelopes: attack, decay, sustain, decay 2, sustain 2, release (no attack level).
    for (int envelope = 0; envelope < 4; ++envelope)
      for (int step = 0; step < 6; ++step)
        index[static_cast<size_t>(95 + 6 * envelope + step)] =
            199 + 12 * envelope + step + (step > 0 ? 1 : 0);
  }
  int controllerOf(int soundIndex) const
  {
    const auto found = std::find(index.begin(), index.end(), soundIndex);
    return found == index.end() ? -1 : static_cast<int>(found - index.begin());
  }
};

const ControllerChart& chart()
{
  static const ControllerChart table;
  return table;
}

// Stored ranges that differ from a controller's 0..127; a controller value beyond them is taken as its end.
struct StoredRange
{
  int index, low, high;
};
constexpr StoredRange kStoredRanges[] = {
    {1, 16, 112}, {17, 16, 112}, {33, 16, 112}, {2, 52, 76}, {18, 52, 76}, {34, 52, 76},
    {40, 0, 4},   {49, 0, 1},    {53, 0, 1},    {56, 0, 3},  {77, 0, 11},  {97, 0, 11},
    {117, 0, 1},  {160, 0, 5},   {163, 0, 1},   {172, 0, 5}, {175, 0, 1},  {184, 0, 5},
    {187, 0, 1},  {311, 0, 3},   {316, 0, 9},   {323, 0, 15}};
// Switches reported over the controller's whole range (glide, filter routing): on is 127.
constexpr int kWideSwitches[] = {53, 117};

int storedByte(int soundIndex, int controllerValue)
{
  for (const StoredRange& r : kStoredRanges)
    if (r.index == soundIndex)
      return std::clamp(controllerValue, r.low, r.high);
  return controllerValue;
}

int controllerValue(int soundIndex, int byte)
{
  const bool wide =
      std::find(std::begin(kWideSwitches), std::end(kWideSwitches), soundIndex) != std::end(kWideSwitches);
  return wide && byte != 0 ? P::kDataMask : byte;
}
} // namespace

class BlofeldSimulator::Output : public IMidiPorts::Output
{
public:
  explicit Output(BlofeldSimulator* sim) : mSim(sim) {}
  std::vector<std::string> portNames() override
  {
    return std::vector<std::string>(mSim->mUnplugged ? 0 : 1, kPortName);
  }
  void openPort(const std::string& name, const std::string&) override
  {
    if (name != kPortName)
      throw std::out_of_range("no such port");
    mOpen = true;
  }
  void closePort() override { mOpen = false; }
  bool send(const unsigned char* data, size_t size) override
  {
    if (!mOpen || mSim->mSendsTaken == 0)
      return false;
    if (mSim->mSendsTaken > 0)
      --mSim->mSendsTaken;
    mSim->mGivenUp += mSim->mGivingUp.exchange(0);
    mSim->receive(Bytes(data, data + size));
    return true;
  }
  uint64_t settleRepeatables(std::chrono::milliseconds wait) override
  {
    mSim->mGivenUp += wait.count() > 0 ? mSim->mGivingUpSettled.exchange(0) : 0;
    return mSim->mGivenUp;
  }
  size_t maxMessageSize() const override { return 65536; }

private:
  BlofeldSimulator* mSim;
  bool mOpen = false;
};

class BlofeldSimulator::Input : public IMidiPorts::Input
{
public:
  explicit Input(BlofeldSimulator* sim) : mSim(sim) {}
  ~Input() override { closePort(); }
  std::vector<std::string> portNames() override { return {kPortName}; }
  void openPort(const std::string& name, const std::string&) override
  {
    if (name != kPortName)
      throw std::out_of_range("no such port");
    std::lock_guard<std::mutex> lock(mSim->mInputLock);
    mSim->mInputHandler = mHandler;
    mSim->mLostHandler = mLost;
  }
  void closePort() override
  {
    std::lock_guard<std::mutex> lock(mSim->mInputLock);
    mSim->mInputHandler = nullptr;
    mSim->mLostHandler = nullptr;
  }
  void setHandler(Handler handler) override { mHandler = std::move(handler); }
  void setLostHandler(LostHandler lost) override { mLost = std::move(lost); }

private:
  BlofeldSimulator* mSim;
  Handler mHandler;
  LostHandler mLost;
};

class BlofeldSimulator::Backend : public IMidiPorts::Backend
{
public:
  explicit Backend(BlofeldSimulator* sim) : mSim(sim) {}
  std::unique_ptr<IMidiPorts::Output> createOutput(const std::string&) override
  {
    return std::make_unique<Output>(mSim);
  }
  std::unique_ptr<IMidiPorts::Input> createInput(const std::string&, unsigned int) override
  {
    return std::make_unique<Input>(mSim);
  }

private:
  BlofeldSimulator* mSim;
};

BlofeldSimulator::BlofeldSimulator(int deviceId, DeviceClock* clock)
    : mClock(clock ? clock : &DeviceClock::system()), mDeviceId(deviceId)
{
  const SoundDumpLayout::Dump& templ = SoundDumpLayout::soundTemplate();
  Bytes init(templ.begin(), templ.end());
  const char initName[] = "Init";
  std::copy(initName, initName + 4, init.begin() + SoundDumpLayout::kNameOffset);
  for (int bank = 0; bank < kBanks; ++bank)
    for (int program = 0; program < kPrograms; ++program)
      mSounds[soundKey(bank, program)] = init;
  mEditBuffers.assign(kParts, init);
  Bytes multiBody(static_cast<size_t>(P::kMultiDumpLength - 9), 0x00);
  mMultiEditBuffer = framedDump(P::kMultiDump, 0, P::kEditBufferBank, 0, multiBody, P::kMultiDumpLength);
  mMultis.assign(kPrograms, mMultiEditBuffer);
  Bytes globalBody(static_cast<size_t>(P::kGlobalDumpLength - 7), 0x00);
  mGlobal = framedDump(P::kGlobalDump, 0, -1, -1, globalBody, P::kGlobalDumpLength);
  mThread = std::thread([this] { loop(); });
}

BlofeldSimulator::~BlofeldSimulator()
{
  {
    std::lock_guard<std::mutex> lock(mLock);
    mStop = true;
  }
  mWake.notify_all();
  mThread.join();
}

BlofeldSimulator::Bytes BlofeldSimulator::framedDump(uint8_t type, int deviceId, int bank, int program,
                                                     const Bytes& body, size_t length)
{
  Bytes d{P::kSysexStart, P::kManufacturerId, P::kModelId, P::dataByte(deviceId), type};
  if (bank >= 0)
  {
    d.push_back(P::dataByte(bank));
    d.push_back(P::dataByte(program));
  }
  d.insert(d.end(), body.begin(), body.end());
  d.resize(length - 2, 0x00);
  d.push_back(0x7F);
  d.push_back(P::kSysexEnd);
  return d;
}

void BlofeldSimulator::setDeviceId(int id)
{
  std::lock_guard<std::mutex> lock(mLock);
  mDeviceId = id;
}

void BlofeldSimulator::setFault(Fault fault, int delayMs, int goodReplies, int times)
{
  std::lock_guard<std::mutex> lock(mLock);
  mFault = fault;
  mLostLeft = times;
  mDelayMs = delayMs;
  mFaultFrom = mReplies.load() + goodReplies;
}

void BlofeldSimulator::setControllerSend(ControllerSend mode)
{
  std::lock_guard<std::mutex> lock(mLock);
  mControllerSend = mode;
}

void BlofeldSimulator::setSink(Sink sink)
{
  std::lock_guard<std::mutex> lock(mLock);
  mSink = std::move(sink);
}

std::unique_ptr<IMidiPorts::Backend> BlofeldSimulator::makeBackend()
{
  return std::make_unique<Backend>(this);
}

void BlofeldSimulator::receive(const Bytes& message)
{
  {
    std::lock_guard<std::mutex> lock(mLock);
    mQueue.push_back(message);
  }
  mWake.notify_all();
}

void BlofeldSimulator::drain()
{
  std::unique_lock<std::mutex> lock(mLock);
  mIdle.wait(lock, [this] { return mQueue.empty() && !mBusy; });
}

void BlofeldSimulator::loop()
{
  std::unique_lock<std::mutex> lock(mLock);
  while (true)
  {
    mWake.wait(lock, [this] { return mStop.load() || !mQueue.empty(); });
    if (mStop.load())
      return;
    Bytes message = std::move(mQueue.front());
    mQueue.pop_front();
    mBusy = true;
    mReceived.push_back(message);
    lock.unlock();
    handle(message);
    lock.lock();
    mBusy = false;
    mIdle.notify_all();
  }
}

void BlofeldSimulator::play(const Bytes& message)
{
  deliver(message);
}

void BlofeldSimulator::handleShort(const Bytes& m)
{
  constexpr uint8_t kKindMask = 0xF0;
  constexpr uint8_t kChannelMask = 0x0F;
  constexpr uint8_t kControlChange = 0xB0;
  constexpr uint8_t kProgramChange = 0xC0;
  constexpr uint8_t kBankSelect = 0x00;
  if (m.size() < 2)
    return;
  const size_t channel = m[0] & kChannelMask;
  std::lock_guard<std::mutex> lock(mLock);
  if ((m[0] & kKindMask) == kControlChange && m.size() == 3 && m[1] == kBankSelect)
    mSelectedBank[channel] = m[2];
  else if ((m[0] & kKindMask) == kControlChange && m.size() == 3 && m[1] <= P::kDataMask &&
           chart().index[m[1]] >= 0)
  {
    const int index = chart().index[m[1]];
    Bytes& buffer = mEditBuffers[channel];
    const size_t offset = static_cast<size_t>(P::kChecksumFirstByte + index);
    if (offset < buffer.size())
      buffer[offset] = static_cast<uint8_t>(storedByte(index, m[2] & P::kDataMask));
  }
  else if ((m[0] & kKindMask) == kProgramChange && mSelectedBank[channel] < kBanks)
    mEditBuffers[channel] = mSounds[soundKey(mSelectedBank[channel], m[1] & 0x7F)];
}

void BlofeldSimulator::handle(const Bytes& m)
{
  if (!m.empty() && m[0] != P::kSysexStart)
  {
    handleShort(m);
    return;
  }
  const int size = static_cast<int>(m.size());
  if (size < P::kGlobalRequestLength || m[0] != P::kSysexStart ||
      m[P::kManufacturerOffset] != P::kManufacturerId || m[P::kModelOffset] != P::kModelId ||
      m.back() != P::kSysexEnd)
    return;
  int ownId = 0;
  {
    std::lock_guard<std::mutex> lock(mLock);
    ownId = mDeviceId;
  }
  const int id = m[P::kDeviceIdOffset];
  if (id != ownId && id != kBroadcastId)
    return;
  const uint8_t type = m[P::kTypeOffset];
  std::unique_lock<std::mutex> lock(mLock);
  if (type == P::kSoundRequest && size == P::kSoundRequestLength)
  {
    const int bank = m[P::kBankOffset];
    const int program = m[P::kProgramOffset];
    Bytes dump;
    if (bank == P::kEditBufferBank && program < kParts)
      dump = mEditBuffers[static_cast<size_t>(program)];
    else if (bank < kBanks && program < kPrograms)
      dump = mSounds[soundKey(bank, program)];
    else
      return;
    dump[P::kBankOffset] = static_cast<uint8_t>(bank);
    dump[P::kProgramOffset] = static_cast<uint8_t>(program);
    lock.unlock();
    reply(std::move(dump));
  }
  else if (type == P::kMultiRequest && size == P::kSoundRequestLength)
  {
    const int bank = m[P::kBankOffset];
    const int program = m[P::kProgramOffset];
    if (bank != P::kEditBufferBank && program >= P::kProgramCount)
      return;
    Bytes dump = bank == P::kEditBufferBank ? mMultiEditBuffer : mMultis[static_cast<size_t>(program)];
    dump[P::kBankOffset] = static_cast<uint8_t>(bank);
    dump[P::kProgramOffset] = static_cast<uint8_t>(program);
    lock.unlock();
    reply(std::move(dump));
  }
  else if (type == P::kGlobalRequest && size == P::kGlobalRequestLength)
  {
    Bytes dump = mGlobal;
    lock.unlock();
    reply(std::move(dump));
  }
  else if (type == P::kSoundDump && size == P::kSoundDumpLength)
  {
    const int bank = m[P::kBankOffset];
    const int program = m[P::kProgramOffset];
    if (bank == P::kEditBufferBank && program < kParts)
      mEditBuffers[static_cast<size_t>(program)] = m;
    else if (bank < kBanks && program < kPrograms)
      mSounds[soundKey(bank, program)] = m;
  }
  else if (type == P::kMultiDump && size == P::kMultiDumpLength)
  {
    if (m[P::kBankOffset] == P::kEditBufferBank)
      mMultiEditBuffer = m;
    else if (m[P::kProgramOffset] < kPrograms)
      mMultis[m[P::kProgramOffset]] = m;
  }
  else if (type == P::kGlobalDump && size == P::kGlobalDumpLength)
  {
    mGlobal = m;
  }
  else if (type == P::kSoundParameterChange && size == kParameterChangeLength)
  {
    const int part = m[kLocationOffset];
    const int index = (m[kAddressHighOffset] << kAddressHighShift) | m[kAddressLowOffset];
    const size_t offset = static_cast<size_t>(index + P::kChecksumFirstByte);
    if (part < kParts && offset < static_cast<size_t>(SoundDumpLayout::kChecksumOffset))
      mEditBuffers[static_cast<size_t>(part)][offset] = m[kValueOffset];
  }
}

void BlofeldSimulator::reply(Bytes dump)
{
  Fault fault = Fault::None;
  int delayMs = 0;
  int ownId = 0;
  {
    std::lock_guard<std::mutex> lock(mLock);
    fault = mReplies.load() >= mFaultFrom ? mFault : Fault::None;
    delayMs = mDelayMs;
    ownId = mDeviceId;
    if (fault == Fault::Lost && --mLostLeft <= 0)
      mFault = Fault::None;
  }
  if (fault == Fault::Stray)
  {
    const bool multiReply = dump[P::kTypeOffset] == P::kMultiDump;
    const int named = dump[P::kTypeOffset] == P::kGlobalDump ? 0 : dump[P::kProgramOffset];
    const int before =
        dump[P::kBankOffset] == P::kEditBufferBank ? kPrograms - 1 : (named + kPrograms - 1) % kPrograms;
    const int program = multiReply ? before : named;
    Bytes stray = multiReply ? multi(program) : sound(0, program);
    stray[P::kDeviceIdOffset] = kStrayDeviceId;
    stray[P::kBankOffset] = 0;
    stray[P::kProgramOffset] = static_cast<uint8_t>(program);
    P::writeChecksum(stray.data(), static_cast<int>(stray.size()));
    deliver(stray);
  }
  if (fault == Fault::Lost)
  {
    std::lock_guard<std::mutex> lock(mInputLock);
    if (mLostHandler)
      mLostHandler(1, IMidiPorts::Input::Loss::kQueueFull);
  }
  if (fault == Fault::Silent || fault == Fault::Lost)
    return;
  dump[P::kDeviceIdOffset] = P::dataByte(ownId);
  const int size = static_cast<int>(dump.size());
  if (dump[P::kTypeOffset] == P::kGlobalDump)
    dump[size - 2] = P::checksum(dump.data(), size, P::kBankOffset, size - 3);
  else
    P::writeChecksum(dump.data(), size);
  if (fault == Fault::Late)
    mClock->waitUntil(mClock->nowMs() + delayMs, mStop);
  else if (fault == Fault::Truncated)
    dump.resize(dump.size() / 2);
  else if (fault == Fault::Corrupted)
  {
    dump[P::kModelOffset] = kCorruptModel;
    dump[static_cast<size_t>(size - 2)] ^= 0x55;
  }
  if (mStop.load())
    return;
  deliver(dump);
  ++mReplies;
}

void BlofeldSimulator::deliver(const Bytes& bytes)
{
  Sink sink;
  {
    std::lock_guard<std::mutex> lock(mLock);
    sink = mSink;
  }
  if (sink)
  {
    sink(bytes);
    return;
  }
  std::lock_guard<std::mutex> lock(mInputLock);
  if (mInputHandler)
  {
    std::vector<unsigned char> copy = bytes;
    mInputHandler(0.0, &copy);
  }
}

void BlofeldSimulator::setSound(int bank, int program, const Bytes& dump)
{
  std::lock_guard<std::mutex> lock(mLock);
  mSounds[soundKey(bank, program)] = dump;
}

BlofeldSimulator::Bytes BlofeldSimulator::sound(int bank, int program)
{
  std::lock_guard<std::mutex> lock(mLock);
  return mSounds[soundKey(bank, program)];
}

void BlofeldSimulator::setEditBuffer(int part, const Bytes& dump)
{
  std::lock_guard<std::mutex> lock(mLock);
  mEditBuffers.at(static_cast<size_t>(part)) = dump;
}

BlofeldSimulator::Bytes BlofeldSimulator::editBuffer(int part)
{
  std::lock_guard<std::mutex> lock(mLock);
  return mEditBuffers.at(static_cast<size_t>(part));
}

BlofeldSimulator::Bytes BlofeldSimulator::multiEditBuffer()
{
  std::lock_guard<std::mutex> lock(mLock);
  return mMultiEditBuffer;
}

BlofeldSimulator::Bytes BlofeldSimulator::multi(int program)
{
  std::lock_guard<std::mutex> lock(mLock);
  return mMultis.at(static_cast<size_t>(program));
}

BlofeldSimulator::Bytes BlofeldSimulator::global()
{
  std::lock_guard<std::mutex> lock(mLock);
  return mGlobal;
}

BlofeldSimulator::Bytes BlofeldSimulator::turnKnob(int part, int index, int value)
{
  std::lock_guard<std::mutex> lock(mLock);
  Bytes& buffer = mEditBuffers.at(static_cast<size_t>(part));
  const size_t offset = static_cast<size_t>(P::kChecksumFirstByte + index);
  if (offset < static_cast<size_t>(SoundDumpLayout::kChecksumOffset))
    buffer[offset] = P::dataByte(value);
  if (mControllerSend == ControllerSend::Ctrl)
  {
    const int controller = chart().controllerOf(index);
    if (controller < 0)
      return {};
    return {static_cast<uint8_t>(0xB0 + (part & 0x0F)), static_cast<uint8_t>(controller),
            P::dataByte(controllerValue(index, P::dataByte(value)))};
  }
  return P::parameterChange(
      mDeviceId, {P::kSoundParameterChange, part, index >> kAddressHighShift, index & P::kDataMask, value});
}

BlofeldSimulator::Bytes BlofeldSimulator::turnGlobalKnob(int index, int value)
{
  std::lock_guard<std::mutex> lock(mLock);
  const size_t offset = static_cast<size_t>(kGlobalDataOffset + index);
  if (offset + 2 < mGlobal.size())
    mGlobal[offset] = P::dataByte(value);
  return P::parameterChange(
      mDeviceId, {P::kGlobalParameterChange, 0, index >> kAddressHighShift, index & P::kDataMask, value});
}

std::vector<BlofeldSimulator::Bytes> BlofeldSimulator::received()
{
  std::lock_guard<std::mutex> lock(mLock);
  return mReceived;
}

size_t BlofeldSimulator::arrived()
{
  std::lock_guard<std::mutex> lock(mLock);
  return mReceived.size() + mQueue.size();
}
