// Marks the host's audio thread while it is inside the plug-in, so code it reaches can avoid every wait.
#pragma once

// The processing pass and the host's event delivery open a scope on their thread for their time. A send
// made inside one is queued for the output's drain thread instead of going to the port (IMidiPorts), so
// the audio thread never waits for a port, another thread's send or a stalled MIDI system. Header only:
// the platform MIDI library uses it without linking the framework.
class AudioThread
{
public:
  // Marks the calling thread for the scope's lifetime; an inner scope leaves the mark to the outer one.
  // Audio thread.
  class Scope
  {
  public:
    Scope() : mOuter(sInside) { sInside = true; }
    ~Scope() { sInside = mOuter; }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

  private:
    bool mOuter;
  };

  // True inside a Scope on the calling thread. Any thread.
  static bool IsCurrent() { return sInside; }

private:
  static inline thread_local bool sInside = false;
};
