// The four sound pages of a part: oscillators, filters and envelopes, LFOs and modulation, effects and
// arpeggiator. Each page holds the sixteen part copies of one part layout; zones (sub-layers with ids of
// 10 and above) carry the controls that the page switch shows or greys by the sound's settings.
#include "UiBuilder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace resgen
{

namespace
{

const int kCol = 60;    // width of a knob column
const int kKnob = 44;   // width of the standard knob
const int kRowTop = 34; // caption baseline of a section's first row, below the section title
const int kSectionGap = 6;
const int kCaptionCharWidth = 7; // at most, for the capitals of a 10-pixel caption

// Places controls left to right along a row whose captions share one baseline.
struct Row
{
  int x;
  int caption; // baseline of the captions
  int knobY() const { return caption + 5; }
  int menuY() const { return caption + 6; }
  int take(int width)
  {
    const int at = x;
    x += width;
    return at;
  }
};

std::string two(int n)
{
  return (n < 10 ? "0" : "") + std::to_string(n);
}

// The two side-by-side sections of the filter and effects pages.
struct HalfPages
{
  int half = (kPageWidth - 3 * kSectionGap) / 2;
  int x1 = kPageX + kSectionGap;
  int x2 = x1 + half + kSectionGap;
  int top = kPageY + kSectionGap;
};

// Device byte of bend range 0 (-24 semitones).
const int kBendRangeZero = 40;

// Ids of the top-level layers above the pages (the windows use 40 to 43, the editor's menus 70 and up).
const int kFilterLayerIds = 44;
const int kEffect2LayerIds = 56;
// Effect panels sit below the type menu and mix knob of their section.
const int kEffectPanelTop = 92;

} // namespace

// ---------------------------------------------------------------------------------------------------
// Page 2: oscillators

void UiBuilder::buildOscillator(int osc, int sx, int sy)
{
  const std::string n = std::to_string(osc);
  const std::string k = "kOscillator" + n;
  group_ = "Osc " + n;
  Row row{sx + 8, sy + kRowTop + 12};
  const int ky = row.knobY();
  soundKnob(k + "Octave", row.take(56) + 6, ky, "IKNOBROTATERCONTROL_ID9");
  soundKnob(k + "Semitone", row.take(56) + 6, ky, "IKNOBROTATERCONTROL_ID25");
  soundKnob(k + "Detune", row.take(56) + 6, ky);
  // The synthesizer's bend range byte is the stored value + 40 (-24..+24 around 64): a fader carries that.
  soundSlider(k + "BendRange", row.take(56) + 3, ky + 12, 46, kBendRangeZero);
  soundKnob(k + "Keytrack", row.take(56) + 6, ky);
  soundMenu(k + "FMSource", row.take(92) + 6, row.menuY(), 80);
  // Wide enough that the caption stays clear of the zone beside it.
  soundKnob(k + "FMAmount", row.take(66) + 9, ky);

  // Zones sit one caption row higher than the knobs so that their own captions fit inside them.
  const int zy = sy + kRowTop - 8;
  const int zoneBase = osc == 1 ? 10 : 40; // oscillator 3 uses 70 and 80
  if (osc < 3)
  {
    const int zx = row.take(178);
    const int shapeZone = osc == 1 ? 90 : 100;
    layer("osc" + n + "Shape", shapeZone,
          [&]
          {
            beginPanel("BG_ID_OSCSHA", zx, zy);
            soundMenu(k + "Shape", zx + 8, zy + 26, 70);
            numberMenu("kOscillator" + n + "Wavetable", zx + 92, zy + 26, 76, 13, 66, "oscillatorWavetable",
                       0, 1, "WAVETABLE");
            endPanel();
          });
    layer("osc" + n + "Sample", shapeZone + 1,
          [&]
          {
            beginPanel("BG_ID_OSCSAM", zx, zy);
            ccMenu("kOscillator" + n + "Sample", osc == 1 ? 31 : 39, 128, zx + 8, zy + 26, 160, "SAMPLE");
            endPanel();
          });
    const int bx = row.take(52) + 6;
    soundButton("kOsc" + n + "UseSampleMemory", bx, ky + 13);
    // The trigger flips the sample switch and refreshes the zones of the page.
    autoOff("kTriggerOscillator" + n + "Samples", bx, ky + 13, "ID_TRIGGER", "");
  }
  else
  {
    soundMenu(k + "Shape", row.take(100) + 6, row.menuY(), 86);
  }
  const int pwZone = osc == 3 ? 70 : zoneBase;
  const int px = row.take(242);
  layer("osc" + n + "Pulse", pwZone,
        [&]
        {
          beginPanel("BG_ID_OSC_PW", px, zy);
          soundKnob(k + "Pulsewidth", px + 14, zy + 25);
          soundMenu(k + "PWMSource", px + 74, zy + 26, 82);
          soundKnob(k + "PWMAmount", px + 178, zy + 25);
          endPanel();
        });
  if (osc < 3)
  {
    const int lx = row.take(58);
    layer("osc" + n + "LimitWT", zoneBase + 10,
          [&]
          {
            beginPanel("BG_ID_OSC_LWT", lx, zy);
            soundButton(k + "LimitWT", lx + 8, zy + 38);
            endPanel();
          });
  }
  const int brx = row.take(68);
  layer("osc" + n + "Brilliance", osc == 3 ? 80 : zoneBase + 20,
        [&]
        {
          beginPanel("BG_ID_OSC_BRI", brx, zy);
          soundKnob(k + "Brilliance", brx + 10, zy + 25);
          endPanel();
        });
  if (osc == 2)
    soundButton("kOscillator2SyncToOsc3", row.take(52) + 6, ky + 13);
}

void UiBuilder::buildOscillatorPage()
{
  layer("oscillators", 2,
        [&]
        {
          beginPanel("OSCILLATORS_ID", kPageX, kPageY);
          const int sx = kPageX + kSectionGap;
          const int w = kPageWidth - 2 * kSectionGap;
          const int oscHeight = 118;
          for (int osc = 1; osc <= 3; ++osc)
            section(sx, kPageY + kSectionGap + (osc - 1) * (oscHeight + kSectionGap), w, oscHeight,
                    "OSCILLATOR " + std::to_string(osc));
          const int my = kPageY + kSectionGap + 3 * (oscHeight + kSectionGap);
          section(sx, my, 760, 124, "MIXER");
          section(sx + 766, my, w - 766, 124, "PITCH MODULATION");
          const int gy = my + 130;
          const int gh = kPageY + kPageHeight - kSectionGap - gy;
          section(sx, gy, 376, gh, "GLIDE");
          section(sx + 382, gy, 376, gh, "VOICES");
          section(sx + 766, gy, w - 766, gh, "SOUND");
          multilayer("oscillatorsPart", kParts,
                     [&]
                     {
                       for (int osc = 1; osc <= 3; ++osc)
                       {
                         const int sy = kPageY + kSectionGap + (osc - 1) * (oscHeight + kSectionGap);
                         buildOscillator(osc, sx, sy);
                         lock("kSectionLockOsc" + std::to_string(osc), sx + w - 26, sy + 4);
                       }
                       group_ = "Mixer";
                       Row row{sx + 12, my + kRowTop + 4};
                       for (const char* p :
                            {"kOscillator1Level", "kOscillator1Balance", "kOscillator2Level",
                             "kOscillator2Balance", "kOscillator3Level", "kOscillator3Balance", "kNoiseLevel",
                             "kNoiseBalance", "kNoiseColour", "kRingModulationLevel",
                             "kRingModulationBalance"})
                         soundKnob(p, row.take(66) + 10, row.knobY());
                       lock("kSectionLockMixer", sx + 760 - 26, my + 4);
                       // Noise colour has a lock of its own, under its knob.
                       lock("kSectionLockNoiseExt", sx + 12 + 8 * 66 + 23, my + 96);
                       caption(sx + 12 + 8 * 66 + 45, my + 110, "LOCK", 9, Align::Left, true);
                       group_ = "Pitch";
                       Row pitch{sx + 780, my + kRowTop + 4};
                       soundMenu("kOscillatorPitchSource", pitch.take(130) + 4, pitch.menuY(), 110);
                       soundKnob("kOscillatorPitchAmount", pitch.take(kCol) + 8, pitch.knobY());
                       lock("kSectionLockPitchMod", sx + w - 26, my + 4);
                       group_ = "Glide";
                       Row glide{sx + 14, gy + kRowTop + 4};
                       soundButton("kOscillatorGlideOnOffSwitch", glide.take(64) + 8, glide.knobY() + 13);
                       soundMenu("kOscillatorGlideMode", glide.take(120) + 6, glide.menuY(), 96);
                       soundKnob("kOscillatorGlideRate", glide.take(kCol) + 8, glide.knobY());
                       // The pitch modulation lock also keeps the glide settings.
                       lock("kSectionLockPitchMod", sx + 376 - 26, gy + 4);
                       group_ = "Voices";
                       Row voices{sx + 396, gy + kRowTop + 4};
                       soundMenu("kOscillatorMonoPolyMode", voices.take(90) + 6, voices.menuY(), 70);
                       soundMenu("kOscillatorUnisono", voices.take(80) + 6, voices.menuY(), 60);
                       soundKnob("kOscillatorUniDetune", voices.take(kCol) + 8, voices.knobY());
                       lock("kSectionLockUnisono", sx + 382 + 376 - 26, gy + 4);
                       group_ = "Sound";
                       nameDisplay("kPatchName", sx + 786, gy + kRowTop + 10, 150, 13, 16, "NAME");
                       listMenu("kCategoryName", sx + 956, gy + kRowTop + 10, 70, 13, "categoryNames", 0,
                                "CATEGORY");
                       group_.clear();
                     });
          endPanel();
        });
}

// ---------------------------------------------------------------------------------------------------
// Page 3: filters and envelopes

void UiBuilder::buildEnvelope(const std::string& prefix, int sx, int sy, int zoneBase)
{
  // Parameter names of the four envelopes differ in their prefixes; the knob layout is shared.
  struct Names
  {
    std::string mode, trigger, attack, level, decay, sustain, decay2, sustain2, release;
  };
  Names n;
  if (prefix == "Filter")
  {
    n = {"kFilterEnvMode",     "kFilterEnvTrigger",  "kFilterEnvAttack",
         "kFilterAttackLevel", "kFilterEnvDecay",    "kFilterEnvSustain",
         "kFilterEnvDecay2",   "kFilterEnvSustain2", "kFilterEnvRelease"};
  }
  else if (prefix == "Amp")
  {
    n = {"kAmpEnvMode",    "kAmpEnvTrigger", "kAmpEnvAttack",   "kAmpAttackLevel", "kAmpEnvDecay",
         "kAmpEnvSustain", "kAmpEnvDecay2",  "kAmpEnvSustain2", "kAmpEnvRelease"};
  }
  else
  {
    const std::string e = "kEnv" + prefix;
    n = {"kEnvelope" + prefix + "Mode",
         e + "Trigger",
         e + "Attack",
         e + "AttackLevel",
         e + "Decay",
         e + "Sustain",
         e + "Decay2",
         e + "Sustain2",
         e + "Release"};
  }
  Row row{sx + 12, sy + kRowTop + 4};
  soundMenu(n.mode, row.take(104) + 4, row.menuY(), 90);
  soundMenu(n.trigger, row.take(84) + 4, row.menuY(), 66);
  if (prefix == "Amp")
  {
    soundKnob("kAmpLevel", row.take(kCol) + 8, row.knobY());
    soundKnob("kAmpLevelVelocity", row.take(kCol) + 8, row.knobY());
    soundMenu("kAmpModSource", row.take(100) + 5, row.menuY(), 86);
    soundKnob("kAmpModAmount", row.take(kCol) + 8, row.knobY());
  }
  const int zx = sx + 7;
  const int zy = sy + 82;
  const char* images[] = {"BG_ID_ADSR", "BG_ID_ADSD2S2R", "BG_ID_ONESHOT", "BG_ID_LOOPS1S2", "BG_ID_LOOPALL"};
  const Sketch sketches[] = {Sketch::EnvADSR, Sketch::EnvADS1DS2R, Sketch::EnvOneShot, Sketch::EnvLoopS1S2,
                             Sketch::EnvLoopAll};
  const char* modes[] = {"ADSR", "ADS1DS2R", "ONE SHOT", "LOOP S1S2", "LOOP ALL"};
  for (int mode = 0; mode < 5; ++mode)
  {
    layer(prefix + "Env" + modes[mode], zoneBase + mode,
          [&]
          {
            beginPanel(images[mode], zx, zy);
            Row knobs{zx + 6, zy + 20};
            std::vector<std::string> params = {n.attack, n.level,    n.decay,  n.sustain,
                                               n.decay2, n.sustain2, n.release};
            if (mode == 0)
              params = {n.attack, n.decay, n.sustain, n.release};
            for (const auto& p : params)
              soundKnob(p, knobs.take(kCol) + 8, knobs.knobY());
            sketch(sketches[mode], zx + 432, zy + 16, 90, 56);
            caption(zx + 477, zy + 100, modes[mode], 9, Align::Center, true);
            endPanel();
          });
  }
}

void UiBuilder::buildFilterPage()
{
  layer("filtersEnvelopes", 3,
        [&]
        {
          beginPanel("FILTERS_ENV_ID", kPageX, kPageY);
          const int half = (kPageWidth - 3 * kSectionGap) / 2;
          const int x1 = kPageX + kSectionGap;
          const int x2 = x1 + half + kSectionGap;
          const int fy = kPageY + kSectionGap;
          const int fh = 230;
          section(x1, fy, half, fh, "FILTER 1");
          section(x2, fy, half, fh, "FILTER 2");
          const int ey1 = fy + fh + kSectionGap;
          const int eh = 200;
          const int ey2 = ey1 + eh + kSectionGap;
          section(x1, ey1, half, eh, "FILTER ENVELOPE");
          section(x2, ey1, half, eh, "AMPLIFIER AND AMP ENVELOPE");
          section(x1, ey2, half, kPageY + kPageHeight - kSectionGap - ey2, "ENVELOPE 3");
          section(x2, ey2, half, kPageY + kPageHeight - kSectionGap - ey2, "ENVELOPE 4");
          multilayer("filtersPart", kParts,
                     [&]
                     {
                       for (int f = 1; f <= 2; ++f)
                       {
                         const std::string k = "kFilter" + std::to_string(f);
                         const int sx = f == 1 ? x1 : x2;
                         group_ = "Filter " + std::to_string(f);
                         Row r1{sx + 12, fy + kRowTop + 4};
                         soundMenu(k + "Type", r1.take(100) + 4, r1.menuY(), 84);
                         soundKnob(k + "Cutoff", r1.take(70) + 9, r1.knobY() - 4,
                                   "IKNOBROTATERCONTROL_ID2FC");
                         soundKnob(k + "Resonance", r1.take(kCol) + 8, r1.knobY());
                         soundKnob(k + "Drive", r1.take(kCol) + 8, r1.knobY());
                         soundMenu(k + "DriveCurve", r1.take(100) + 4, r1.menuY(), 88);
                         soundKnob(k + "Keytrack", r1.take(kCol) + 8, r1.knobY());
                         Row r2{sx + 12, fy + kRowTop + 74};
                         soundKnob(k + "EnvAmount", r2.take(70) + 13, r2.knobY());
                         soundKnob(k + "EnvVelocity", r2.take(70) + 13, r2.knobY());
                         soundMenu(k + "FMSource", r2.take(100) + 4, r2.menuY(), 84);
                         soundKnob(k + "FMAmount", r2.take(kCol) + 8, r2.knobY());
                         soundKnob(k + "Panning", r2.take(kCol) + 8, r2.knobY());
                         Row r3{sx + 12, fy + kRowTop + 144};
                         soundMenu(k + "ModSource", r3.take(100) + 4, r3.menuY(), 84);
                         soundKnob(k + "ModAmount", r3.take(kCol) + 8, r3.knobY());
                         soundMenu(k + "PanSource", r3.take(100) + 4, r3.menuY(), 84);
                         soundKnob(k + "PanAmount", r3.take(kCol) + 8, r3.knobY());
                         if (f == 1)
                         {
                           group_ = "Filter";
                           soundMenu("kFilterRouting", r3.take(100) + 4, r3.menuY(), 76);
                           // While on, an edit of a filter 1 setting moves the same setting of filter 2 and
                           // back.
                           switchControl("kFilterLinkSwitch", r3.take(kCol) + 8, r3.knobY() + 13,
                                         "BTN_SMALL_ID", "LINK 1+2");
                         }
                         lock("kSectionLockFilter" + std::to_string(f), sx + half - 26, fy + 4);
                       }
                       group_ = "Filter Env";
                       buildEnvelope("Filter", x1, ey1, 10);
                       lock("kSectionLockFilterEnv", x1 + half - 26, ey1 + 4);
                       group_ = "Amp";
                       buildEnvelope("Amp", x2, ey1, 20);
                       lock("kSectionLockAmp", x2 + half - 50, ey1 + 4);
                       lock("kSectionLockAmpEnv", x2 + half - 26, ey1 + 4);
                       group_ = "Env 3";
                       buildEnvelope("3", x1, ey2, 30);
                       lock("kSectionLockEnv3", x1 + half - 26, ey2 + 4);
                       group_ = "Env 4";
                       buildEnvelope("4", x2, ey2, 40);
                       lock("kSectionLockEnv4", x2 + half - 26, ey2 + 4);
                       group_.clear();
                     });
          endPanel();
        });
}

// Filter response pictures: one top-level layer per type family and filter. They belong to no part
// layer, so that switching the part never hides them behind the page switch's back; the page switch
// shows the one of the edited part's filter type while the filter page is open.
void UiBuilder::buildFilterPictures()
{
  const char* names[] = {"LP", "BP", "HP", "Notch", "CombMinus", "CombPlus"};
  const char* images[] = {"BG_ID_FLP",    "BG_ID_FBP",    "BG_ID_FHP",
                          "BG_ID_FNOTCH", "BG_ID_FCOMB1", "BG_ID_FCOMB2"};
  const HalfPages h;
  for (int f = 1; f <= 2; ++f)
    for (int t = 0; t < 6; ++t)
      layer("filter" + std::to_string(f) + names[t], kFilterLayerIds + 6 * (f - 1) + t,
            [&] { background(images[t], (f == 1 ? h.x1 : h.x2) + h.half - 134, h.top + 110); });
}

// ---------------------------------------------------------------------------------------------------
// Page 4: LFOs, modifiers and the modulation matrix

void UiBuilder::buildModulationPage()
{
  layer("lfoModMatrix", 4,
        [&]
        {
          beginPanel("LFO_MODMATRIX_ID", kPageX, kPageY);
          const int sx = kPageX + kSectionGap;
          const int lw = 400;
          const int kModifierRow = 34;
          const int lh = 144;
          for (int l = 0; l < 3; ++l)
            section(sx, kPageY + kSectionGap + l * (lh + kSectionGap), lw, lh,
                    "LFO " + std::to_string(l + 1));
          const int my = kPageY + kSectionGap + 3 * (lh + kSectionGap);
          section(sx, my, lw, kPageY + kPageHeight - kSectionGap - my, "MODIFIERS");
          const int mx = sx + lw + kSectionGap;
          const int mw = kPageX + kPageWidth - kSectionGap - mx;
          section(mx, kPageY + kSectionGap, mw, kPageHeight - 2 * kSectionGap, "MODULATION MATRIX");
          // Column headings of the modifier rows and of both matrix columns.
          const int modCaption = my + kRowTop;
          caption(sx + 20 + 45, modCaption, "SOURCE A");
          caption(sx + 130 + 24, modCaption, "OPERATION");
          caption(sx + 196 + 45, modCaption, "SOURCE B");
          caption(sx + 308 + 15, modCaption, "CONSTANT");
          const int matrixTop = kPageY + kSectionGap + kRowTop;
          for (int c = 0; c < 2; ++c)
          {
            const int cx = mx + 14 + c * (mw / 2);
            caption(cx + 28 + 52, matrixTop, "SOURCE");
            caption(cx + 138 + 15, matrixTop, "AMOUNT");
            caption(cx + 178 + 60, matrixTop, "DESTINATION");
          }
          for (int slot = 0; slot < 16; ++slot)
          {
            const int cx = mx + 14 + (slot / 8) * (mw / 2);
            const int ry = matrixTop + 12 + (slot % 8) * 72;
            caption(cx + 12, ry + 20, std::to_string(slot + 1), 14, Align::Center, true);
          }
          for (int m = 0; m < 4; ++m)
            caption(sx + 10, my + kRowTop + 12 + m * kModifierRow + 20, std::to_string(m + 1), 12,
                    Align::Center, true);

          multilayer("modulationPart", kParts,
                     [&]
                     {
                       for (int l = 1; l <= 3; ++l)
                       {
                         const std::string k = "kLFO" + std::to_string(l);
                         const int ly = kPageY + kSectionGap + (l - 1) * (lh + kSectionGap);
                         group_ = "LFO " + std::to_string(l);
                         // Two pixels up: the speed knob keeps clear of the captions of the row below.
                         Row r1{sx + 12, ly + kRowTop + 2};
                         soundMenu(k + "Shape", r1.take(96) + 4, r1.menuY(), 82);
                         soundKnob(k + "Speed", r1.take(kCol) + 8, r1.knobY());
                         const int syncX = r1.take(kCol) + 10;
                         soundButton(k + "SyncOnOff", syncX, r1.knobY() + 13);
                         const int clockX = r1.take(70) + 10;
                         soundButton(k + "Clock", clockX, r1.knobY() + 13);
                         // The trigger flips the clock switch and greys the keytrack zone while the LFO is
                         // clocked.
                         autoOff("kTriggerLFO" + std::to_string(l) + "Clock", clockX, r1.knobY() + 13,
                                 "ID_TRIGGER", "");
                         Row r2{sx + 12, ly + kRowTop + 60};
                         soundKnob(k + "Startphase", r2.take(kCol) + 8, r2.knobY());
                         soundKnob(k + "Delay", r2.take(kCol) + 8, r2.knobY());
                         soundKnob(k + "Fade", r2.take(kCol) + 8, r2.knobY());
                         const int kx = r2.take(kCol) + 8;
                         layer("lfo" + std::to_string(l) + "Keytrack", 10 * l,
                               [&] { soundKnob(k + "Keytrack", kx, r2.knobY()); });
                         lock("kSectionLockLFO" + std::to_string(l), sx + lw - 26, ly + 4);
                       }
                       for (int m = 1; m <= 4; ++m)
                       {
                         const std::string k = "kModifier" + std::to_string(m);
                         group_ = "Modifier " + std::to_string(m);
                         const int ry = my + kRowTop + 12 + (m - 1) * kModifierRow;
                         soundMenu(k + "Source1", sx + 20, ry + 8, 90, false);
                         soundMenu(k + "SourceType", sx + 130, ry + 8, 48, false);
                         soundMenu(k + "Source2", sx + 196, ry + 8, 90, false);
                         const SoundParam& constant = soundParam(k + "SourceAmount");
                         stepKnob(k + "SourceAmount", constant.soundIndex, 127, sx + 308, ry,
                                  "IKNOBROTATERCONTROL_ID3", "CONSTANT", constant.def);
                         lock("kSectionLockMod" + std::to_string(m), sx + lw - 26, ry + 6);
                       }
                       for (int slot = 1; slot <= 16; ++slot)
                       {
                         const std::string k = "kModulation" + two(slot);
                         const int cx = mx + 14 + ((slot - 1) / 8) * (mw / 2);
                         const int ry = matrixTop + 12 + ((slot - 1) % 8) * 72;
                         group_ = "Mod " + std::to_string(slot);
                         const int base = 261 + 3 * (slot - 1); // source, destination, amount
                         // The init sound routes LFO 1 to pitch in slot 1 at no depth: amounts in the centre.
                         const int initRoute = slot == 1 ? 1 : 0;
                         constexpr int kCentre = 64;
                         stepMenu(k + "Source", base, cx + 28, ry + 8, 104, "modulationSources", "SOURCE",
                                  initRoute);
                         stepKnob(k + "Amount", base + 2, 127, cx + 138, ry, "IKNOBROTATERCONTROL_ID3",
                                  "AMOUNT", kCentre);
                         stepMenu(k + "Destination", base + 1, cx + 178, ry + 8, 120,
                                  "modulationDestinations", "DESTINATION", initRoute);
                         const std::string lockName =
                             "kSectionLockM" + std::to_string((slot - 1) % 8 + 1) + (slot <= 8 ? "F" : "S");
                         lock(lockName, cx + 306, ry + 6);
                       }
                       group_.clear();
                     });
          endPanel();
        });
}

// ---------------------------------------------------------------------------------------------------
// Page 5: effects and arpeggiator

void UiBuilder::buildEffectControls(int fx, int type, int zx, int zy)
{
  const char* images[] = {"EFFECTS_BYPASS_ID", "EFFECTS_CHORUS_ID",    "EFFECTS_FLANGER_ID",
                          "EFFECTS_PHASER_ID", "EFFECTS_OVERDRIVE_ID", "EFFECTS_TRIPLEFX_ID",
                          "EFFECTS_DELAY_ID",  "EFFECTS_DELAY_ID",     "EFFECTS_REVERB_ID"};
  beginPanel(images[type], zx, zy);
  const int part = fx == 1 ? -1 : 0;
  if (type == 0)
  {
    caption(zx + 265, zy + 56, "BYPASS", 16, Align::Center, true);
  }
  else
  {
    const bool delayKinds = type == 6 || type == 7;
    const auto ofType = [&](const EffectParam& p)
    { return p.fx == fx && (delayKinds ? (p.type == 6 || p.type == 7) : p.type == type); };
    // One column width per panel, wide enough for its longest caption.
    size_t longest = 0;
    for (const auto& p : effectParams())
      if (ofType(p))
        longest = std::max(longest, std::strlen(p.caption));
    const int col = std::max(kCol, static_cast<int>(longest) * kCaptionCharWidth + 4);
    // Knobs in slot order, so that both effects and both delay kinds share one layout.
    Row row{zx + 10, zy + 22};
    for (int slot = 1; slot <= 14; ++slot)
    {
      for (const auto& p : effectParams())
      {
        if (p.slot != slot || !ofType(p))
          continue;
        if (type == 6 && p.type == 7)
          continue; // the clocked length takes the plain length's place below
        if (type == 7 && std::string(p.name) == "kFX2DelayLength")
        {
          effectKnob("kFX2DelayLengthClock", row.take(col) + (col - kKnob) / 2, row.knobY(), part);
          continue;
        }
        if (std::string(p.name) == "kFX2DelayLengthClock")
          continue;
        if (p.max == 1)
          effectKnob(p.name, row.take(col) + (col - kKnob) / 2 - 6, row.knobY() + 13, part);
        else
          effectKnob(p.name, row.take(col) + (col - kKnob) / 2, row.knobY(), part);
      }
    }
  }
  endPanel();
}

void UiBuilder::buildEffectsPage()
{
  layer("effectsArp", 5,
        [&]
        {
          beginPanel("EFFECTS_ID", kPageX, kPageY);
          const int half = (kPageWidth - 3 * kSectionGap) / 2;
          const int x1 = kPageX + kSectionGap;
          const int x2 = x1 + half + kSectionGap;
          const int fy = kPageY + kSectionGap;
          const int fh = 200;
          section(x1, fy, half, fh, "EFFECT 1 (PARTS 1-4)");
          section(x2, fy, half, fh, "EFFECT 2 (SET BY PART 1)");
          const int ay = fy + fh + kSectionGap;
          const int aw = kPageWidth - 2 * kSectionGap;
          section(x1, ay, aw, kPageY + kPageHeight - kSectionGap - ay, "ARPEGGIATOR");
          // Step grid headings.
          const int gx = x1 + 110;
          const int stepCaption = ay + 100;
          for (int s = 0; s < 16; ++s)
            caption(gx + s * 60 + 27, stepCaption, std::to_string(s + 1), 12, Align::Center, true);
          const char* rows[] = {"STEP", "GLIDE", "ACCENT", "LENGTH", "TIMING"};
          const int rowY[] = {ay + 118, ay + 150, ay + 200, ay + 270, ay + 340};
          for (int r = 0; r < 5; ++r)
            caption(x1 + 16, rowY[r] + (r < 2 ? 12 : 26), rows[r], 11, Align::Left, true);

          multilayer(
              "effectsPart", kParts,
              [&]
              {
                for (int fx = 1; fx <= 2; ++fx)
                {
                  const int sx = fx == 1 ? x1 : x2;
                  group_ = "FX " + std::to_string(fx);
                  Row row{sx + 12, fy + kRowTop + 4};
                  soundMenu("kEffect" + std::to_string(fx) + "Mode", row.take(110) + 4, row.menuY(), 96);
                  soundKnob("kEffect" + std::to_string(fx) + "Mix", row.take(kCol) + 8, row.knobY());
                  lock("kSectionLockFX" + std::to_string(fx), sx + half - 26, fy + 4);
                }
                group_ = "FX 1";
                for (int type = 0; type <= 5; ++type)
                  layer("fx1Type" + std::to_string(type), 10 + type,
                        [&] { buildEffectControls(1, type, x1 + 7, fy + kEffectPanelTop); });

                group_ = "Arp";
                Row a{x1 + 12, ay + kRowTop + 4};
                soundMenu("kArpMode", a.take(86) + 4, a.menuY(), 72);
                soundMenu("kArpPattern", a.take(70) + 4, a.menuY(), 56);
                soundMenu("kArpClock", a.take(80) + 4, a.menuY(), 66);
                soundMenu("kArpNoteLength", a.take(80) + 4, a.menuY(), 66);
                soundMenu("kArpOctRange", a.take(70) + 4, a.menuY(), 40);
                soundMenu("kArpDirection", a.take(86) + 4, a.menuY(), 72);
                soundMenu("kArpSortOrder", a.take(100) + 4, a.menuY(), 86);
                soundMenu("kArpVelocityMode", a.take(90) + 4, a.menuY(), 76);
                soundKnob("kArpTimeFactor", a.take(70) + 13, a.knobY());
                soundMenu("kArpPatternLength", a.take(80) + 16, a.menuY(), 40);
                soundButton("kArpPatternReset", a.take(72) + 16, a.knobY() + 13);
                soundButton("kArpSameNoteOverlap", a.take(72) + 16, a.knobY() + 13);
                lock("kSectionLockArp", x1 + aw - 26, ay + 4);
                for (int s = 1; s <= 16; ++s)
                {
                  const std::string k = "kArpPattern" + two(s);
                  const int cx = gx + (s - 1) * 60;
                  group_ = "Arp Step " + std::to_string(s);
                  stepMenu(k + "Step", 326 + s, cx + 2, rowY[0], 52, "arpStepDisplay", "TYPE", 0);
                  XmlNode& glide = element("buttoncontrol");
                  glide.attr("type", "seButton").attr("name", displayName("GLIDE"));
                  common(glide, k + "Glide", -1, "BTN_SMALL_ID");
                  glide.attr("position", bounds({cx + 8, rowY[1], 0}))
                      .attr("valueBounds", bounds({0, 0, 1, 0}));
                  glide.attr("sysexIndex", sysex_.soundTemplate(326 + s)).attr("changingByte", kChangingByte);
                  // The init sound's steps: accent, length and timing at 4, the middle of 0..7 (accent 0
                  // silences the step).
                  constexpr int kInitStepField = 4;
                  stepKnob(k + "Accent", 326 + s, 7, cx + 6, rowY[2], "IKNOBROTATERCONTROL_ID8", "ACCENT",
                           kInitStepField);
                  stepKnob(k + "StepLen", 342 + s, 7, cx + 6, rowY[3], "IKNOBROTATERCONTROL_ID8", "LENGTH",
                           kInitStepField);
                  stepKnob(k + "Timing", 342 + s, 7, cx + 6, rowY[4], "IKNOBROTATERCONTROL_ID8", "TIMING",
                           kInitStepField);
                }
                group_.clear();
              });
          endPanel();
        });
}

// Effect 2 follows the first part's effect 2 type on every part: one top-level layer per type, bound to
// part 1, outside the part layers so that switching the part leaves it shown.
void UiBuilder::buildEffect2Layers()
{
  const char* names[] = {"Bypass",   "Chorus", "Flanger",      "Phaser", "Overdrive",
                         "TripleFX", "Delay",  "DelayClocked", "Reverb"};
  const HalfPages h;
  group_ = "FX 2";
  for (int type = 0; type <= 8; ++type)
    layer(names[type], kEffect2LayerIds + type,
          [&] { buildEffectControls(2, type, h.x2 + 7, h.top + kEffectPanelTop); });
  group_.clear();
}

// ---------------------------------------------------------------------------------------------------
// Ranges of dump parameters that no page draws: the generic effect slots carry whichever effect type's
// values arrive in a dump. The layer sits in "root" under an id that is never a page, so it never shows.

// The effect slots of the synthesizer's init sound: effect 1 a chorus, effect 2 a reverb (sound data 130..143
// and 146..159).
constexpr int kInitEffectSlots[2][14] = {
    {20, 64, 64, 0, 127, 127, 127, 127, 127, 127, 127, 127, 127, 127},
    {53, 64, 100, 0, 64, 100, 0, 100, 110, 0, 15, 64, 127, 127},
};

void UiBuilder::buildRanges()
{
  layer("parameterRanges", 99,
        [&]
        {
          multilayer("rangesPart", kParts,
                     [&]
                     {
                       for (int fx = 1; fx <= 2; ++fx)
                         for (int k = 1; k <= 14; ++k)
                           rangeKnob("kEffect" + std::to_string(fx) + "Param" + two(k), 0, 127,
                                     kInitEffectSlots[fx - 1][k - 1],
                                     "FX " + std::to_string(fx) + " Parameter " + std::to_string(k));
                     });
          // Effect 2 is edited through part 1 only; the other parts still receive its values in their dumps.
          for (int p = 1; p < kParts; ++p)
            for (const auto& e : effectParams())
              if (e.fx == 2)
              {
                // Named as part 1's control of the effect 2 panel names it.
                group_ = "FX 2";
                rangeKnob(std::string(e.name) + "+" + std::to_string(p), 0, e.max, e.def,
                          displayName(e.caption));
                group_.clear();
              }
        });
}

} // namespace resgen
