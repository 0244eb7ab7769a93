// A minimal plug-in on the framework base that records the MIDI it receives, for port tests.
#pragma once

#include <condition_variable>
#include <mutex>
#include <vector>

#include "IPlugBase.h"

// Host calls do nothing. Input arrives on the port library's thread; readers lock mLock or use waitFor.
// Like the real plug-in it closes its ports first in teardown, before its members go.
class MidiTestPlug : public IPlugBase
{
public:
  using Bytes = std::vector<unsigned char>;

  MidiTestPlug()
      : IPlugBase(0, "", 0, "MIDI test", "MIDI test", "Korvid", 0x010000, 1, 1, 0, true, true, true, kAPIVST2)
  {
  }
  ~MidiTestPlug() override { mMidiPorts.CloseAll(); }

  void ProcessMidiMsg(IMidiMsg* msg, bool fromDevice) override
  {
    std::lock_guard<std::mutex> lock(mLock);
    msgs.push_back(*msg);
    fromDeviceFlags.push_back(fromDevice);
    mArrived.notify_all();
  }
  void ProcessSysEx(ISysEx* sysex, bool fromDevice) override
  {
    std::lock_guard<std::mutex> lock(mLock);
    sysex_.emplace_back(sysex->mData, sysex->mData + sysex->mSize);
    fromDeviceFlags.push_back(fromDevice);
    mArrived.notify_all();
  }
  bool SendMidiMsg(IMidiMsg* msg) override { return mMidiPorts.SendMsg(msg); }
  bool SendMidiSysex(unsigned char* data, int size) override { return mMidiPorts.SendSysex(data, size); }
  // The directions lost since the last call (IMidiPorts::LostBits).
  int takeLost() { return mMidiPorts.TakeLost(); }

  // Waits until at least sysexCount sysex and msgCount short messages arrived; false at the deadline.
  template <class Duration> bool waitFor(size_t sysexCount, size_t msgCount, Duration timeout)
  {
    std::unique_lock<std::mutex> lock(mLock);
    return mArrived.wait_for(lock, timeout,
                             [&] { return sysex_.size() >= sysexCount && msgs.size() >= msgCount; });
  }

  void BeginInformHostOfParamChange(int) override {}
  void InformHostOfParamChange(int, double) override {}
  void EndInformHostOfParamChange(int) override {}
  void InformHostOfProgramChange() override {}
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return 120.0; }
  void GetTimeSig(int* num, int* denom) override { *num = *denom = 4; }
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int, int) override {}
  bool SendMidiVST(IMidiMsg*) override { return false; }

  std::mutex mLock;
  std::vector<IMidiMsg> msgs;
  std::vector<Bytes> sysex_;
  std::vector<bool> fromDeviceFlags;

private:
  std::condition_variable mArrived;
};
