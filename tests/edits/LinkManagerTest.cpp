// Linked parameters on the editor built from the project's real resources: the filter link of a part, general
// links made the way the UI description's link attributes make them, and the flags around a partner's move.
#include "KorvidTestSupport.h"

#include "ControlAction.h"
#include "IControl.h"
#include "IParam.h"
#include "LinkManager.h"
#include "MIDIMessageManager.h"
#include "ParamIndex.h"
#include "UIConfigManager.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace korvidtest;

namespace
{
constexpr const char* kOutPort = "Blofeld Out";
constexpr int kPart = 3;
constexpr int kSysexStart = 0xF0;

// A control that records the plug-in's flags each time it is moved; optionally throws on the first move
// made while a linked update runs.
class ProbeControl : public IControl
{
public:
  explicit ProbeControl(Korvid& plug) : IControl(nullptr, IRECT()), mPlug(plug) {}
  bool Draw(IGraphics*) override { return true; }
  void SetValueFromPlug(double value) override
  {
    linkedSeen.push_back(mPlug.mLinkedUpdate);
    suppressSeen.push_back(mPlug.mMIDIMessageManager != nullptr && mPlug.mMIDIMessageManager->sendSuppress);
    values.push_back(value);
    if (throwDuringHandOver && mPlug.mLinkedUpdate)
      throw std::runtime_error("control failed");
  }

  bool throwDuringHandOver = false;
  std::vector<bool> linkedSeen;
  std::vector<bool> suppressSeen;
  std::vector<double> values;

private:
  Korvid& mPlug;
};

class LinkManagerTest : public StartupFixture
{
protected:
  void SetUp() override
  {
    midi->setOutputPorts({kOutPort});
    useResources(pluginFolder());
    plug = construct();
    ASSERT_TRUE(plug->mConstructed);
    ASSERT_NE(plug->getUIConfigManager(), nullptr);
    ASSERT_NE(plug->mMIDIMessageManager, nullptr);
    chooseOutputPort(*plug, 1);
    ASSERT_TRUE(plug->mOutputPresent);
    midi->clearReceived();
  }

  void TearDown() override
  {
    // Probes live in this test; take them out of the actions before they go.
    for (auto& [action, probe] : probes)
    {
      auto& bound = action->boundControls;
      bound.erase(std::remove(bound.begin(), bound.end(), probe.get()), bound.end());
    }
  }

  IParam* param(int idx) const { return plug->GetParam(idx); }
  ControlAction* action(int idx) const { return param(idx)->GetAction(); }
  double value(int idx) const { return param(idx)->Value(); }
  void set(int idx, double v) const { param(idx)->Set(v); }

  // The end of an edit as the change handler runs it: the value stored, then the link followed.
  void edit(int idx, double v) const
  {
    set(idx, v);
    ControlAction* a = action(idx);
    ASSERT_NE(a, nullptr) << idx;
    LinkManager::controlLinker(plug.get(), a, a->link, idx, static_cast<int>(v), v);
  }

  void filterLink(int part, bool on) const { set(kFilterLinkSwitch + part, on ? 1.0 : 0.0); }

  // Links named (linked, switch) for an element of part the way the UI description walker does.
  void makeLink(int idx, int namedLinked, int namedSwitch, int part) const
  {
    plug->getUIConfigManager()->setControlLink(action(idx), idx,
                                               LinkInfo::forPart(namedLinked, namedSwitch, -1, part), part);
  }

  // How many messages sent to the output port are the prepared message of idx for value v (any device id).
  int sentCount(int idx, int v) const
  {
    const SysexMessageBytes* expected = action(idx)->messageForValue(v);
    if (expected == nullptr)
      return 0;
    std::vector<int> body = *expected;
    if (!body.empty() && body.front() == kSysexStart)
      body = std::vector<int>(body.begin() + 1, body.end() - 1);
    int count = 0;
    for (const auto& msg : midi->received(kOutPort))
    {
      if (msg.size() != body.size() + 2 || msg.front() != kSysexStart)
        continue;
      bool same = true;
      for (size_t i = 0; i < body.size() && same; ++i)
        same = i == SysexTemplateLayout::kDeviceIdOffset || msg[i + 1] == body[i];
      count += same ? 1 : 0;
    }
    return count;
  }

  ProbeControl* addProbe(int idx)
  {
    auto probe = std::make_unique<ProbeControl>(*plug);
    ProbeControl* raw = probe.get();
    action(idx)->boundControls.push_back(raw);
    probes.emplace_back(action(idx), std::move(probe));
    return raw;
  }

  std::unique_ptr<Korvid> plug;
  std::vector<std::pair<ControlAction*, std::unique_ptr<ProbeControl>>> probes;
};

// ---- The filter link of a part ----

TEST_F(LinkManagerTest, FilterLinkOffRecordsTheDistanceAndMovesNothing)
{
  const int f1 = kFilter1Cutoff + kPart;
  const int f2 = kFilter2Cutoff + kPart;
  filterLink(kPart, false);
  set(f2, 70);
  edit(f1, 40);
  EXPECT_EQ(action(f1)->linkOffset, 30);
  EXPECT_EQ(value(f2), 70);
  EXPECT_EQ(action(f2)->linkOffset, -1);
  EXPECT_EQ(sentCount(f2, 70), 0);

  // The partner below gives a negative distance.
  edit(f1, 100);
  EXPECT_EQ(action(f1)->linkOffset, -30);
  EXPECT_EQ(value(f2), 70);
  EXPECT_FALSE(plug->mLinkedUpdate);
}

TEST_F(LinkManagerTest, FilterLinkOnMovesThePartnerAtTheRecordedDistanceAndSendsIt)
{
  const int f1 = kFilter1Cutoff + kPart;
  const int f2 = kFilter2Cutoff + kPart;
  filterLink(kPart, false);
  set(f2, 70);
  edit(f1, 40);
  filterLink(kPart, true);
  ProbeControl* probe = addProbe(f2);
  edit(f1, 50);
  EXPECT_EQ(value(f2), 80);
  EXPECT_EQ(sentCount(f2, 80), 1);
  EXPECT_EQ(value(f1), 50);
  // The partner's controls end on its stored value; the edited setting is not sent again by the link.
  ASSERT_FALSE(probe->values.empty());
  EXPECT_DOUBLE_EQ(probe->values.back(), param(f2)->GetNormalized());
  EXPECT_EQ(sentCount(f1, 50), 0);
  // The distance stays recorded while the link is on.
  EXPECT_EQ(action(f1)->linkOffset, 30);
}

TEST_F(LinkManagerTest, FilterPartnerBelowIsBoundedToZeroWhateverTheSignOfTheDistance)
{
  const int f1 = kFilter1Cutoff + kPart;
  const int f2 = kFilter2Cutoff + kPart;
  filterLink(kPart, true);
  for (int offset : {20, -20})
  {
    action(f1)->linkOffset = offset;
    set(f2, 5);
    midi->clearReceived();
    edit(f1, 10);
    EXPECT_EQ(value(f2), 0) << offset;
    EXPECT_EQ(sentCount(f2, 0), 1) << offset;
  }
}

TEST_F(LinkManagerTest, FilterPartnerAboveIsBoundedTo127AndAnEqualPartnerTakesTheValue)
{
  const int f1 = kFilter1Resonance + kPart;
  const int f2 = kFilter2Resonance + kPart;
  filterLink(kPart, true);
  action(f1)->linkOffset = 30;
  set(f2, 125);
  edit(f1, 120);
  EXPECT_EQ(value(f2), 127);

  set(f2, 64);
  edit(f1, 64);
  EXPECT_EQ(value(f2), 64);
  EXPECT_EQ(sentCount(f2, 64), 1);
}

TEST_F(LinkManagerTest, FilterTwoMovesFilterOneWithItsOwnDistance)
{
  const int f1 = kFilter1PanAmount + kPart;
  const int f2 = kFilter2PanAmount + kPart;
  filterLink(kPart, false);
  set(f1, 90);
  edit(f2, 60);
  EXPECT_EQ(action(f2)->linkOffset, 30);
  // Filter 1's own distance, recorded at its last edit, is another one.
  set(f2, 60);
  edit(f1, 50);
  EXPECT_EQ(action(f1)->linkOffset, 10);

  filterLink(kPart, true);
  set(f1, 90);
  edit(f2, 20);
  EXPECT_EQ(value(f1), 50);
  EXPECT_EQ(sentCount(f1, 50), 1);
}

TEST_F(LinkManagerTest, EveryLinkedFilterFamilyPairsAcrossTheFiltersOfItsOwnPart)
{
  const int pairs[][2] = {{kFilter1Cutoff, kFilter2Cutoff},       {kFilter1Resonance, kFilter2Resonance},
                          {kFilter1EnvAmount, kFilter2EnvAmount}, {kFilter1Keytrack, kFilter2Keytrack},
                          {kFilter1Drive, kFilter2Drive},         {kFilter1EnvVelocity, kFilter2EnvVelocity},
                          {kFilter1Panning, kFilter2Panning},     {kFilter1ModAmount, kFilter2ModAmount},
                          {kFilter1FMAmount, kFilter2FMAmount},   {kFilter1PanAmount, kFilter2PanAmount}};
  for (const auto& pair : pairs)
  {
    for (int part : {0, 15})
    {
      EXPECT_EQ(LinkManager::filterPartner(pair[0] + part), pair[1] + part);
      EXPECT_EQ(LinkManager::filterPartner(pair[1] + part), pair[0] + part);
      EXPECT_EQ(LinkManager::filterLinkSwitch(pair[1] + part), kFilterLinkSwitch + part);
    }
  }
  for (int idx :
       {kFilter1Type + 0, kFilterRouting + 15, kFilter2Type + 7, kFilter1Cutoff - 1, kFilter2PanAmount + 16})
  {
    EXPECT_EQ(LinkManager::filterPartner(idx), -1) << idx;
    EXPECT_EQ(LinkManager::filterLinkSwitch(idx), -1) << idx;
  }
}

TEST_F(LinkManagerTest, FilterTypesAndRoutingNeverFollowTheFilterLink)
{
  filterLink(kPart, true);
  set(kFilter1Type + kPart, 3);
  set(kFilter2Type + kPart, 1);
  set(kFilterRouting + kPart, 0);
  edit(kFilter1Type + kPart, 5);
  edit(kFilter2Type + kPart, 6);
  edit(kFilterRouting + kPart, 1);
  EXPECT_EQ(value(kFilter1Type + kPart), 5);
  EXPECT_EQ(value(kFilter2Type + kPart), 6);
  for (int idx : {kFilter1Type + kPart, kFilter2Type + kPart, kFilterRouting + kPart})
    EXPECT_EQ(action(idx)->linkOffset, -1) << idx;
  // Neither type was handed to the executor by the other's edit.
  EXPECT_EQ(sentCount(kFilter2Type + kPart, 5), 0);
  EXPECT_EQ(sentCount(kFilter1Type + kPart, 6), 0);
  EXPECT_EQ(sentCount(kFilter2Type + kPart, 6), 0);
  EXPECT_FALSE(plug->mLinkedUpdate);
}

TEST_F(LinkManagerTest, TheSwitchOfAnotherPartDoesNotLinkThisPart)
{
  filterLink(kPart, true);
  filterLink(kPart + 1, false);
  const int f2 = kFilter2Drive + kPart + 1;
  set(f2, 70);
  edit(kFilter1Drive + kPart + 1, 40);
  EXPECT_EQ(value(f2), 70);
  EXPECT_EQ(action(kFilter1Drive + kPart + 1)->linkOffset, 30);
  // The linked part is not disturbed by the other part's edit.
  EXPECT_EQ(action(kFilter1Drive + kPart)->linkOffset, -1);
}

// ---- General links ----

// Inside part 5: Osc 1 octave linked to Osc 1 semitone, switched by Osc 1 limit WT, as an element of part 5
// with a link description would make it.
class LinkManagerGeneral : public LinkManagerTest
{
protected:
  static constexpr int kLinkPart = 5;
  static constexpr int kSemitone = kOscillator1Semitone + kLinkPart;
  static constexpr int kOctave = kOscillator1Octave + kLinkPart;
  static constexpr int kSwitch = kOscillator1LimitWT + kLinkPart;

  void SetUp() override
  {
    LinkManagerTest::SetUp();
    makeLink(kSemitone, kOscillator1Octave, kOscillator1LimitWT, kLinkPart);
    ASSERT_EQ(action(kSemitone)->link.linkedParam, kOctave);
    ASSERT_EQ(action(kOctave)->link.linkedParam, kSemitone);
    ASSERT_EQ(action(kOctave)->link.switchParam, kSwitch);
  }
};

TEST_F(LinkManagerGeneral, SwitchAtZeroMovesNothingAndAtOneMovesThePartnerNextToTheValue)
{
  set(kSwitch, 0);
  set(kOctave, 2);
  edit(kSemitone, 6);
  EXPECT_EQ(value(kOctave), 2);

  set(kSwitch, 1);
  edit(kSemitone, 6);
  EXPECT_EQ(value(kOctave), 5);
  set(kOctave, 8);
  edit(kSemitone, 6);
  EXPECT_EQ(value(kOctave), 7);
  set(kOctave, 6);
  edit(kSemitone, 6);
  EXPECT_EQ(value(kOctave), 6);
  // General links never record a distance.
  EXPECT_EQ(action(kSemitone)->linkOffset, -1);
  EXPECT_EQ(action(kOctave)->linkOffset, -1);
}

TEST_F(LinkManagerGeneral, ValuesBeyondThePartnersRangeEndAtItsMaximum)
{
  set(kSwitch, 1);
  set(kOctave, 0);
  edit(kSemitone, 20);
  // 19 is handed over; the octave reaches only 8.
  EXPECT_EQ(value(kOctave), param(kOctave)->GetMax());
  EXPECT_EQ(value(kOctave), 8);
}

TEST_F(LinkManagerGeneral, TwoPartnersDoNotMoveEachOtherBack)
{
  set(kSwitch, 1);
  set(kOctave, 1);
  set(kSemitone, 12);
  ProbeControl* semitoneProbe = addProbe(kSemitone);
  ProbeControl* octaveProbe = addProbe(kOctave);
  edit(kSemitone, 4);
  EXPECT_EQ(value(kOctave), 3);
  EXPECT_EQ(value(kSemitone), 4);
  EXPECT_TRUE(semitoneProbe->values.empty());
  EXPECT_FALSE(octaveProbe->values.empty());

  // The reverse link moves the other way, once.
  octaveProbe->values.clear();
  set(kSemitone, 0);
  edit(kOctave, 6);
  EXPECT_EQ(value(kSemitone), 5);
  EXPECT_TRUE(octaveProbe->values.empty());
  EXPECT_FALSE(semitoneProbe->values.empty());
}

TEST_F(LinkManagerTest, LinkOutsideAnyPartNamesTheParametersExactly)
{
  // Elements of the multi page lie outside any part and name the part's parameter themselves.
  const int pan = kMultiPartPanning + 2;
  const int detune = kMultiPartDetune + 2;
  const int sw = kMultiPartStatus + 2;
  makeLink(pan, detune, sw, -1);
  ASSERT_EQ(action(pan)->link.linkedParam, detune);
  ASSERT_EQ(action(pan)->link.switchParam, sw);
  ASSERT_EQ(action(detune)->link.linkedParam, pan);
  set(sw, 1);
  set(detune, 100);
  edit(pan, 64);
  EXPECT_EQ(value(detune), 65);
  set(pan, 0);
  edit(detune, 30);
  EXPECT_EQ(value(pan), 29);
  EXPECT_FALSE(plug->mLinkedUpdate);
}

TEST_F(LinkManagerTest, MissingOrUnusableLinksDoNothing)
{
  const int idx = kOscillator2Semitone + 1;
  ControlAction* a = action(idx);
  ASSERT_NE(a, nullptr);
  set(kOscillator2Octave + 1, 3);
  const auto before = midi->received(kOutPort).size();

  // No linked parameter, no switch.
  LinkManager::controlLinker(plug.get(), a, LinkInfo{-1, kOscillator1LimitWT, -1}, idx, 10, 10.0);
  LinkManager::controlLinker(plug.get(), a, LinkInfo{kOscillator2Octave + 1, -1, -1}, idx, 10, 10.0);
  // Indices beyond the parameters.
  set(kOscillator1LimitWT, 1);
  LinkManager::controlLinker(plug.get(), a, LinkInfo{kParamIndexCount, kOscillator1LimitWT, -1}, idx, 10,
                             10.0);
  LinkManager::controlLinker(plug.get(), a, LinkInfo{kOscillator2Octave + 1, kParamIndexCount + 5, -1}, idx,
                             10, 10.0);
  EXPECT_EQ(value(kOscillator2Octave + 1), 3);

  // A partner without a ControlAction.
  int bare = -1;
  for (int i = 0; i < plug->NParams() && bare < 0; ++i)
    if (param(i)->GetAction() == nullptr)
      bare = i;
  ASSERT_GE(bare, 0);
  const double bareValue = value(bare);
  LinkManager::controlLinker(plug.get(), a, LinkInfo{bare, kOscillator1LimitWT, -1}, idx, 10, 10.0);
  EXPECT_EQ(value(bare), bareValue);

  // No plug-in or no action.
  LinkManager::controlLinker(nullptr, a, LinkInfo{kOscillator2Octave + 1, kOscillator1LimitWT, -1}, idx, 10,
                             10.0);
  LinkManager::controlLinker(plug.get(), nullptr, LinkInfo{kOscillator2Octave + 1, kOscillator1LimitWT, -1},
                             idx, 10, 10.0);
  EXPECT_EQ(value(kOscillator2Octave + 1), 3);
  EXPECT_EQ(midi->received(kOutPort).size(), before);
  EXPECT_EQ(a->linkOffset, -1);
  EXPECT_FALSE(plug->mLinkedUpdate);
}

TEST_F(LinkManagerTest, SwitchValuesOtherThanZeroLetTheLinkAct)
{
  const int idx = kOscillator2Semitone + 1;
  const int partner = kOscillator2Octave + 1;
  const int sw = kOscillator1LimitWT + 1;
  makeLink(idx, partner, sw, -1);
  set(partner, 0);
  set(sw, 0.5);
  edit(idx, 5);
  EXPECT_EQ(value(partner), 4);
  set(partner, 0);
  set(sw, std::nan(""));
  edit(idx, 5);
  EXPECT_EQ(value(partner), 4);
}

// ---- The flags around the partner's move ----

TEST_F(LinkManagerTest, LinkedUpdateIsSetOnlyWhileThePartnersActionRuns)
{
  const int f1 = kFilter1Cutoff + kPart;
  const int f2 = kFilter2Cutoff + kPart;
  filterLink(kPart, true);
  set(f2, 90);
  ProbeControl* probe = addProbe(f2);
  ProbeControl* editedProbe = addProbe(f1);
  EXPECT_FALSE(plug->mLinkedUpdate);
  edit(f1, 50);
  // The executor moves the partner's controls during the hand-over, the linker once more afterwards.
  ASSERT_EQ(probe->linkedSeen.size(), 2u);
  EXPECT_TRUE(probe->linkedSeen[0]);
  EXPECT_FALSE(probe->linkedSeen[1]);
  EXPECT_FALSE(plug->mLinkedUpdate);
  EXPECT_TRUE(editedProbe->linkedSeen.empty());

  // Link off: the flag is never set.
  probe->linkedSeen.clear();
  filterLink(kPart, false);
  edit(f1, 60);
  EXPECT_TRUE(probe->linkedSeen.empty());
  EXPECT_FALSE(plug->mLinkedUpdate);
}

TEST_F(LinkManagerTest, SendSuppressIsLiftedForTheHandOverAndRestoredAfterIt)
{
  const int f1 = kFilter1Cutoff + kPart;
  const int f2 = kFilter2Cutoff + kPart;
  filterLink(kPart, true);
  set(f2, 90);
  ProbeControl* probe = addProbe(f2);
  plug->mMIDIMessageManager->sendSuppress = true;
  edit(f1, 50);
  EXPECT_TRUE(plug->mMIDIMessageManager->sendSuppress);
  ASSERT_EQ(probe->suppressSeen.size(), 2u);
  EXPECT_FALSE(probe->suppressSeen[0]);
  // The partner's change is sent like an edit made in the editor.
  EXPECT_EQ(value(f2), 51);
  EXPECT_EQ(sentCount(f2, 51), 1);

  // A clear flag stays clear.
  plug->mMIDIMessageManager->sendSuppress = false;
  edit(f1, 60);
  EXPECT_FALSE(plug->mMIDIMessageManager->sendSuppress);
}

TEST_F(LinkManagerTest, FlagsReturnToNormalWhenThePartnersActionThrows)
{
  const int f1 = kFilter1Cutoff + kPart;
  const int f2 = kFilter2Cutoff + kPart;
  filterLink(kPart, true);
  set(f2, 90);
  ProbeControl* probe = addProbe(f2);
  probe->throwDuringHandOver = true;
  plug->mMIDIMessageManager->sendSuppress = true;
  bool thrown = false;
  try
  {
    edit(f1, 50);
  }
  catch (const std::runtime_error&)
  {
    thrown = true;
  }
  EXPECT_TRUE(thrown);
  EXPECT_FALSE(plug->mLinkedUpdate);
  EXPECT_TRUE(plug->mMIDIMessageManager->sendSuppress);

  // The next linked edit runs normally.
  probe->throwDuringHandOver = false;
  set(f2, 90);
  edit(f1, 70);
  EXPECT_EQ(value(f2), 71);
  EXPECT_FALSE(plug->mLinkedUpdate);
}
} // namespace
