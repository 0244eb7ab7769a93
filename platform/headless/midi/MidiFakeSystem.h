// An in-process MIDI system for tests: named output ports that record, input ports that tests feed.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "IMidiPorts.h"

// The system's ports can be changed at any time (plugged, unplugged, reordered); clients see the
// change at their next portNames. All members may be called from any thread.
class MidiFakeSystem : public std::enable_shared_from_this<MidiFakeSystem>
{
public:
  using Bytes = std::vector<unsigned char>;

  static std::shared_ptr<MidiFakeSystem> create();

  // A backend whose clients live in this system (ownership goes to the caller).
  std::unique_ptr<IMidiPorts::Backend> makeBackend();
  // Makes IMidiPorts instances without a backend of their own use this system (null: the real one).
  static void installAsDefault(std::shared_ptr<MidiFakeSystem> system);

  void setOutputPorts(std::vector<std::string> names);
  void setInputPorts(std::vector<std::string> names);
  // true: creating a client throws, as when no MIDI system is there.
  void setClientsFail(bool fail);
  // true: every second list call of each client fails, as a port going away while it is read does.
  void setListsFail(bool fail);
  // true: every list, open and client creation throws IMidiPorts::Unanswered and the backend is not
  // answering, as while a call given up on at its deadline has not returned; false: that call returned.
  void setUnanswered(bool unanswered) { mUnanswered = unanswered; }
  bool answering() const { return !mUnanswered; }
  // true: the backend says its library is stuck (IMidiPorts::Backend::stuck).
  void setStuck(bool stuck) { mStuck = stuck; }
  bool stuck() const { return mStuck; }
  // Runs step once in the next list call, after it read the names: the system changes as it is read.
  void onNextList(std::function<void()> step);
  // Longest message an output client takes.
  void setMaxMessageSize(size_t bytes);
  // true: sends stall until it is set false again (at most 30 s), as on a stopped MIDI system.
  void holdSends(bool hold);
  // How many sends are stalled now.
  int sendsHeld() const;
  // true: every send is refused, as by a client whose system went away.
  void refuseSends(bool refuse) { mSendsRefused = refuse; }
  bool sendsRefused() const { return mSendsRefused; }
  // What the output clients report of late cycles (their settleRepeatables: its dumpsGivenUp).
  void setLateCycles(const IMidiPorts::Output::LateCycles& late);
  IMidiPorts::Output::LateCycles lateCycles() const;

  // Every message sent to the output port called name, in order.
  std::vector<Bytes> received(const std::string& name) const;
  // Forgets the messages received so far.
  void clearReceived();
  // Names of the ports opened now (output and input), and how many clients were created.
  std::vector<std::string> openOutputs() const;
  std::vector<std::string> openInputs() const;
  int clientsCreated() const;
  // Delivers bytes, on the calling thread, to every input client that has port name open; returns how
  // many received them.
  int inject(const std::string& name, const Bytes& bytes);

  // Used by the fake clients.
  struct InputClientState;
  std::vector<std::string> outputNames() const;
  std::vector<std::string> inputNames() const;
  void recordSend(const std::string& port, const unsigned char* data, size_t size);
  void openOutput(const std::string& port, bool open);
  void registerInput(const std::shared_ptr<InputClientState>& client);
  void countClient();
  size_t maxMessageSize() const;
  bool listsFail() const;
  void takeListStep();

private:
  MidiFakeSystem() = default;

  mutable std::mutex mLock;
  std::vector<std::string> mOutputNames;
  std::vector<std::string> mInputNames;
  std::map<std::string, std::vector<Bytes>> mReceived;
  std::vector<std::string> mOpenOutputs;
  std::vector<std::weak_ptr<InputClientState>> mInputClients;
  bool mClientsFail = false;
  bool mListsFail = false;
  std::function<void()> mListStep;
  size_t mMaxMessageSize = 65536;
  std::condition_variable mReleased;
  bool mHoldSends = false;
  std::atomic<bool> mSendsRefused{false};
  std::atomic<bool> mUnanswered{false};
  std::atomic<bool> mStuck{false};
  int mSendsHeld = 0;
  int mClientsCreated = 0;
  IMidiPorts::Output::LateCycles mLateCycles;
};
