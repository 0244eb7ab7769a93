// A knob dragged in small steps sends a controller or sysex value only when the value sent changes.
#include "KorvidTestSupport.h"

#include <string>
#include <vector>

using namespace korvidtest;

namespace
{
class RepeatedValues : public StartupFixture
{
protected:
  RepeatedValues()
  {
    useResources(pluginFolder());
    midi->setOutputPorts({"Blofeld Out"});
    plug = construct();
    chooseOutputPort(*plug, 1);
    midi->clearReceived();
  }

  // The messages sent while the parameter is dragged through the values, as the knob sets them.
  std::vector<MidiFakeSystem::Bytes> drag(int paramIdx, const std::vector<double>& values)
  {
    midi->clearReceived();
    IParam* param = plug->GetParam(paramIdx);
    for (double v : values)
      plug->SetParameterFromGUI(paramIdx, param->GetNormalized(v));
    return midi->received("Blofeld Out");
  }

  std::unique_ptr<Korvid> plug;
};

TEST_F(RepeatedValues, ADragSendsEachValueOnceAndAgainWhenItComesBack)
{
  struct Case
  {
    const char* name;
    int paramIdx;
    double start;
    std::vector<double> drag;
    size_t sent;
    // The port is closed and chosen again before the drag: the synthesizer behind it may hold anything.
    bool reconnect = false;
  };
  const Case cases[] = {
      // A controller: 13 and back to 12, each once.
      {"oscillator 1 semitone (controller)",
       kOscillator1Semitone,
       12.0,
       {12.3, 12.6, 13.0, 13.4, 13.8, 12.9, 12.5},
       2},
      // A sysex parameter change: 101, 102.
      {"filter 1 cutoff (sysex)", kFilter1Cutoff, 100.0, {100.2, 100.7, 101.0, 101.5, 102.0}, 2},
      // The first edit after connecting goes out, also within the step the editor held.
      {"oscillator 2 octave after connecting", kOscillator2Octave, 4.0, {4.3, 4.6}, 1, true},
      {"filter 1 cutoff after connecting", kFilter1Cutoff, 100.0, {100.4}, 1, true},
  };
  for (const Case& c : cases)
  {
    // The synthesizer is given the start value.
    drag(c.paramIdx, {c.start + 1.0, c.start});
    if (c.reconnect)
    {
      chooseOutputPort(*plug, 0);
      chooseOutputPort(*plug, 1);
    }
    const std::vector<MidiFakeSystem::Bytes> sent = drag(c.paramIdx, c.drag);
    ASSERT_EQ(sent.size(), c.sent) << c.name;
    for (size_t i = 1; i < sent.size(); ++i)
      EXPECT_NE(sent[i], sent[i - 1]) << c.name << ": message " << i << " repeats the one before";
  }
}

TEST_F(RepeatedValues, ValuesFromTheSynthesizerDoNotHideTheNextEdit)
{
  // The synthesizer moved the value; the editor's drag back to where it was is sent.
  drag(kFilter1Cutoff, {90.0});
  plug->SetParameterFromGUI2(kFilter1Cutoff, plug->GetParam(kFilter1Cutoff)->GetNormalized(40.0));
  EXPECT_EQ(drag(kFilter1Cutoff, {90.0}).size(), 1u);
}
} // namespace
