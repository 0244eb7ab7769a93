// Tests of the editor lock: values from the synthesizer, the audio thread and the user while the editor
// draws.
#include "SurfaceTestSupport.h"

#include "EditorLock.h"

#include <chrono>
#include <future>
#include <string>
#include <thread>

using namespace surfacetest;

namespace
{
constexpr int kKnobs = 8;
constexpr int kLedParam = 12;
constexpr int kTempoParam = 13;
constexpr int kRounds = 2000;

// An editor with knobs in a layer, a status line, a caption on the indicator parameter and a switch.
struct ThreadedEditor
{
  ThreadedEditor()
  {
    e.AddBackground();
    IBitmap strip = StripBitmap(16, 16, {kRed, kGreen, kBlue, kWhite}, &pixels);
    page = new ControlLayer(1, "page");
    for (int i = 0; i < kKnobs; ++i)
    {
      e.plug->GetParam(i)->InitDouble("knob", 0.0, 0.0, 1.0, 0.001);
      auto* knob = new IKnobMultiControl(e.plug.get(), 20 * i, 0, i, &strip);
      page->AddControl(knob);
      knobs.push_back(knob);
    }
    tab = new ControlLayer(10, "tab");
    tab->AddControl(new ISwitchControl(e.plug.get(), 0, 40, 9, &strip));
    page->AddSubLayer(tab);
    e.surface->AttachLayer(page);
    page->mSelectedId = 10;
    page->Hide(false);

    IColor white(255, 255, 255, 255);
    IText style(12, &white);
    status = new ITextControl(e.plug.get(), IRECT(0, 100, 200, 120), &style, "ready");
    e.surface->AttachControl(status);
    knobs[0]->SetValDisplayControl(status);
    e.plug->GetParam(kLedParam)->InitDouble("led", 0.0, 0.0, 100.0, 1.0, "%");
    led = new ICaptionControl(e.plug.get(), IRECT(0, 120, 200, 140), kLedParam, &style, true);
    e.surface->AttachControl(led);
    e.plug->GetParam(kTempoParam)->InitDouble("tempo", 0.0, 0.0, 4000.0, 1.0);
    tempo = new ProbeControl(e.plug.get(), IRECT(0, 140, 20, 160), kTempoParam);
    e.surface->AttachControl(tempo);
  }

  Editor e;
  std::vector<std::unique_ptr<LICE_IBitmap>> pixels;
  ControlLayer* page = nullptr;
  ControlLayer* tab = nullptr;
  std::vector<IControl*> knobs;
  ITextControl* status = nullptr;
  ICaptionControl* led = nullptr;
  ProbeControl* tempo = nullptr;
};

double HardwareValue(int round, int knob)
{
  return ((round * 7 + knob * 13) % 1000) / 1000.0;
}
} // namespace

TEST(SurfaceThreads, RoadsFromTheSynthesizerTheAudioThreadAndTheUserMeetWhileTheEditorDraws)
{
  ThreadedEditor t;
  std::atomic<bool> done{false};

  // The MIDI input thread: values from the synthesizer's data, status texts, dumps and layer switches.
  std::thread midi(
      [&]()
      {
        for (int round = 0; round < kRounds; ++round)
        {
          for (int k = 0; k < kKnobs; ++k)
          {
            t.knobs[static_cast<size_t>(k)]->SetValueFromHardware(HardwareValue(round, k));
          }
          t.status->SetTextFromPlug(("sysex " + std::to_string(round)).c_str());
          t.e.surface->SetParameterFromPlug(9, round % 2, false);
          t.tab->Hide(round % 3 == 0);
        }
      });
  // The audio thread: holds the plug mutex while it writes, as the timing hub does.
  std::thread audio(
      [&]()
      {
        for (int round = 0; round < kRounds; ++round)
        {
          WDL_MutexLock lock(t.e.plug->GetMutex());
          t.e.surface->SetParameterFromPlug(kLedParam, round % 100, false);
          t.e.surface->SetParameterFromPlug(kTempoParam, round, false);
          t.page->showMultiLayers(10);
        }
      });
  // The editor thread: draws on its timer and takes the user's drags on a knob.
  std::thread editor(
      [&]()
      {
        IMouseMod left(true);
        int y = 10;
        for (int i = 0; i < 50 || !done.load(); ++i)
        {
          t.e.surface->Tick();
          t.e.surface->OnMouseDown(150, 10, &left);
          y = y == 10 ? 4 : 10;
          t.e.surface->OnMouseDrag(150, y, &left);
          t.e.surface->OnMouseUp(150, y, &left);
        }
      });

  midi.join();
  audio.join();
  done.store(true);
  editor.join();
  while (t.e.surface->Tick())
  {
  }

  for (int k = 0; k < kKnobs - 1; ++k)
  {
    EXPECT_DOUBLE_EQ(HardwareValue(kRounds - 1, k), t.knobs[static_cast<size_t>(k)]->GetValue()) << k;
  }
  EXPECT_DOUBLE_EQ(HardwareValue(kRounds - 1, 0), t.e.plug->GetParam(0)->Value());
  EXPECT_STREQ(("sysex " + std::to_string(kRounds - 1)).c_str(), t.status->GetTextStr());
  EXPECT_DOUBLE_EQ((kRounds - 1) / 4000.0, t.tempo->GetValue());
  EXPECT_DOUBLE_EQ((kRounds - 1) % 100, t.e.plug->GetParam(kLedParam)->Value());
  EXPECT_STREQ("99 %", t.led->GetTextStr());
  std::lock_guard<std::mutex> guard(t.e.plug->recordMutex);
  EXPECT_FALSE(t.e.plug->changes2.empty());
  EXPECT_FALSE(t.e.plug->changes.empty());
}

TEST(SurfaceThreads, AudioThreadNeverWaitsForTheEditorAndItsWritesArriveInOrderAtTheNextTick)
{
  ThreadedEditor t;
  t.tempo->SetValueFromPlug(0.0);
  t.e.surface->Tick();

  std::future<void> finished;
  {
    // The editor is busy drawing.
    EditorLockGuard drawing;
    finished = std::async(std::launch::async,
                          [&t]()
                          {
                            WDL_MutexLock lock(t.e.plug->GetMutex());
                            t.e.surface->SetParameterFromPlug(kTempoParam, 150.0, false);
                            t.status->SetTextFromPlug("first");
                            t.status->SetTextFromPlug("second");
                            t.tab->Hide(true);
                            t.knobs[1]->SetValueFromPlug(0.25);
                          });
    ASSERT_EQ(std::future_status::ready, finished.wait_for(std::chrono::seconds(5)));
    // The parameter is stored at once; the screen waits for the editor.
    EXPECT_DOUBLE_EQ(150.0, t.e.plug->GetParam(kTempoParam)->Value());
    EXPECT_TRUE(EditorLock::Get().HasDeferred());
  }
  finished.get();
  EXPECT_DOUBLE_EQ(0.0, t.tempo->GetValue());
  t.e.surface->Tick();
  EXPECT_FALSE(EditorLock::Get().HasDeferred());
  EXPECT_DOUBLE_EQ(150.0 / 4000.0, t.tempo->GetValue());
  EXPECT_STREQ("second", t.status->GetTextStr());
  EXPECT_FALSE(t.tab->mVisible);
  EXPECT_DOUBLE_EQ(0.25, t.knobs[1]->GetValue());
}

TEST(SurfaceThreads, DeferredWritesOfADestroyedControlAreDropped)
{
  auto plug = std::make_unique<RecordingPlug>(4);
  auto* control = new ProbeControl(plug.get(), IRECT(0, 0, 5, 5), 1);
  {
    EditorLockGuard drawing;
    std::thread(
        [&]()
        {
          WDL_MutexLock lock(plug->GetMutex());
          control->SetValueFromPlug(0.5);
        })
        .join();
    EXPECT_TRUE(EditorLock::Get().HasDeferred());
    delete control;
    EXPECT_FALSE(EditorLock::Get().HasDeferred());
  }
}

TEST(SurfaceThreads, AWriteThatFindsTheLockFreeRunsTheWaitingWritesFirst)
{
  ThreadedEditor t;
  t.tempo->SetValueFromPlug(0.0);
  auto audioWrites = [&t](double tempo, const char* text)
  {
    std::thread(
        [&t, tempo, text]()
        {
          WDL_MutexLock lock(t.e.plug->GetMutex());
          t.e.surface->SetParameterFromPlug(kTempoParam, tempo, false);
          t.status->SetTextFromPlug(text);
        })
        .join();
  };
  {
    EditorLockGuard drawing;
    audioWrites(400.0, "queued");
  }
  ASSERT_TRUE(EditorLock::Get().HasDeferred());
  // With the editor closed no tick comes; the audio thread's next write finds the lock free.
  audioWrites(800.0, "latest");
  EXPECT_FALSE(EditorLock::Get().HasDeferred());
  EXPECT_DOUBLE_EQ(0.2, t.tempo->GetValue());
  EXPECT_STREQ("latest", t.status->GetTextStr());
}

namespace
{
// A plug-in whose change handler reaches the surface, as one that opens a native menu does (the menu releases
// the mouse capture first).
class MenuOpeningPlug : public RecordingPlug
{
public:
  void OnParamChange(int idx) override
  {
    RecordingPlug::OnParamChange(idx);
    if (GetGUI())
    {
      GetGUI()->ReleaseMouseCapture();
    }
  }
};

// Waits for the threads of a test; stuck threads can be neither joined nor destroyed, so a deadlock ends
// the program with a message.
void ExpectNoDeadlock(std::future<void>& finished)
{
  if (finished.wait_for(std::chrono::seconds(60)) != std::future_status::ready)
  {
    std::fprintf(stderr, "deadlock between the editor lock and the plug mutex\n");
    std::_Exit(1);
  }
  finished.get();
}
} // namespace

TEST(SurfaceThreads, AUserEditWhoseHandlerReachesTheSurfaceNeverDeadlocksWithValuesFromTheSynthesizer)
{
  auto plug = std::make_unique<MenuOpeningPlug>();
  auto* surface = new HeadlessSurface(plug.get(), 100, 100);
  plug->AttachGraphics(surface);
  plug->GetParam(1)->InitDouble("from device", 0.0, 0.0, 1.0, 0.001);
  plug->GetParam(2)->InitDouble("from user", 0.0, 0.0, 1.0, 0.001);
  auto* status = new ITextControl(plug.get(), IRECT(0, 0, 100, 10), nullptr, "");
  auto* fromDevice = new ProbeControl(plug.get(), IRECT(0, 10, 10, 20), 1);
  auto* fromUser = new ProbeControl(plug.get(), IRECT(10, 10, 20, 20), 2);
  fromDevice->SetValDisplayControl(status);
  for (IControl* c :
       {static_cast<IControl*>(status), static_cast<IControl*>(fromDevice), static_cast<IControl*>(fromUser)})
  {
    surface->AttachControl(c);
  }
  constexpr int kEdits = 20000;
  // The MIDI input thread shows each device value in the status line; the editor thread takes the user's
  // edits, whose change handler goes back to the surface with the plug mutex held.
  auto finished = std::async(std::launch::async,
                             [&]()
                             {
                               std::thread midi(
                                   [&]()
                                   {
                                     for (int i = 0; i < kEdits; ++i)
                                     {
                                       fromDevice->SetValueFromHardware((i % 100) / 100.0);
                                     }
                                   });
                               for (int i = 0; i < kEdits; ++i)
                               {
                                 fromUser->SetValueFromUserInput((i % 50) / 50.0);
                                 surface->Tick();
                               }
                               midi.join();
                             });
  ExpectNoDeadlock(finished);
  EXPECT_STREQ("0.990", status->GetTextStr());
  EXPECT_DOUBLE_EQ(0.98, plug->GetParam(2)->Value());
}

TEST(SurfaceThreads, AHostThreadHoldingThePlugMutexNeverWaitsForTheDrawingEditor)
{
  auto plug = std::make_unique<RecordingPlug>();
  auto* surface = new HeadlessSurface(plug.get(), 100, 40);
  plug->AttachGraphics(surface);
  plug->GetParam(3)->InitDouble("level", 0.0, 0.0, 100.0, 1.0, "%");
  IText style;
  // A caption reads its parameter under the plug mutex while the editor draws.
  auto* caption = new ICaptionControl(plug.get(), IRECT(0, 0, 100, 20), 3, &style, true);
  auto* probe = new ProbeControl(plug.get(), IRECT(0, 20, 10, 30), 3);
  surface->AttachControl(caption);
  surface->AttachControl(probe);
  constexpr int kRounds = 3000;
  auto finished = std::async(std::launch::async,
                             [&]()
                             {
                               // The host's thread inside a plug-in call: a menu opens (releasing the
                               // capture) and a control is redrawn.
                               std::thread host(
                                   [&]()
                                   {
                                     for (int i = 0; i < kRounds; ++i)
                                     {
                                       WDL_MutexLock lock(plug->GetMutex());
                                       surface->ReleaseMouseCapture();
                                       probe->SetDirty(false);
                                     }
                                   });
                               for (int i = 0; i < kRounds; ++i)
                               {
                                 IRECT all(0, 0, 100, 40);
                                 surface->Draw(&all);
                               }
                               host.join();
                             });
  ExpectNoDeadlock(finished);
  surface->Tick();
  EXPECT_EQ(nullptr, surface->GetCapturedControl());
  EXPECT_FALSE(EditorLock::Get().HasDeferred());
  EXPECT_STREQ("0 %", caption->GetTextStr());
}

TEST(SurfaceThreads, DisplayWritesNeverWaitSoALockOfTheCallerCannotCloseACircleWithTheEditor)
{
  ThreadedEditor t;
  // A lock of the plug-in's own around its status texts, taken by a worker and by the editor alike.
  std::mutex displayTextLock;
  constexpr int kWrites = 3000;
  auto finished = std::async(std::launch::async,
                             [&]()
                             {
                               std::thread worker(
                                   [&]()
                                   {
                                     for (int i = 0; i < kWrites; ++i)
                                     {
                                       std::lock_guard<std::mutex> texts(displayTextLock);
                                       t.status->SetTextFromPlug(("job " + std::to_string(i)).c_str());
                                       t.knobs[2]->SetValueFromPlug((i % 10) / 10.0);
                                       t.knobs[3]->Hide(i % 2 == 0);
                                       t.knobs[4]->SetDirty(false);
                                     }
                                   });
                               for (int i = 0; i < kWrites; ++i)
                               {
                                 // The editor handles an event that shows a status text.
                                 EditorLockGuard editing;
                                 {
                                   std::lock_guard<std::mutex> texts(displayTextLock);
                                 }
                                 t.e.surface->Tick();
                               }
                               worker.join();
                             });
  ExpectNoDeadlock(finished);
  t.e.surface->Tick();
  EXPECT_STREQ(("job " + std::to_string(kWrites - 1)).c_str(), t.status->GetTextStr());
  EXPECT_DOUBLE_EQ(0.9, t.knobs[2]->GetValue());
  EXPECT_FALSE(t.knobs[3]->IsHidden());
}

TEST(SurfaceThreads, APromptGivesBackThePlugMutexAndTheEditorLockAndTakesThemAgainInOrder)
{
  RecordingPlug plug;
  EditorLockGuard editing;
  WDL_MutexLock outer(plug.GetMutex());
  WDL_MutexLock inner(plug.GetMutex());
  {
    EditorLockRelease prompt(plug.GetMutex());
    EXPECT_EQ(plug.GetMutex()->DepthForThisThread(), 0);
    EXPECT_FALSE(EditorLock::Get().HeldByThisThread());
  }
  EXPECT_EQ(plug.GetMutex()->DepthForThisThread(), 2);
  EXPECT_TRUE(EditorLock::Get().HeldByThisThread());
}
