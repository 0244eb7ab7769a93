// Builds the editor from the enciphered resources of the plug-in folder, as the plug-in does, in both skins
// and all three sizes, and checks what the walk made; damaged copies show that each check catches its fault.
#include "BuiltEditor.h"
#include "BuiltEditorChecks.h"
#include "ConfigTestSupport.h"
#include "IParam.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

namespace resources_test
{
namespace
{

namespace fs = std::filesystem;

const std::string kSources = std::string(KORVID_SOURCE_DIR) + "/resources";

std::string listed(const Problems& problems)
{
  std::string out;
  for (size_t i = 0; i < problems.size() && i < 12; ++i)
    out += "\n  " + problems[i];
  if (problems.size() > 12)
    out += "\n  ... " + std::to_string(problems.size() - 12) + " more";
  return out;
}

bool mentions(const Problems& problems, const std::string& text)
{
  for (const auto& p : problems)
    if (p.find(text) != std::string::npos)
      return true;
  return false;
}

// ---------------------------------------------------------------------------------------------------
// The plug-in folder of this build passes every check in every skin and size.

class BuiltPluginFolder : public ::testing::TestWithParam<std::tuple<int, double>>
{
};

TEST_P(BuiltPluginFolder, BuildsACompleteEditor)
{
  const auto [style, scale] = GetParam();
  BuiltEditor editor(KORVID_PLUGIN_DIR, style, scale);
  ASSERT_TRUE(editor.manager().resourcesOk()) << listed(editor.manager().getResourceErrors());
  const BuiltEditorChecks checks(editor);
  EXPECT_TRUE(checks.log().empty()) << listed(checks.log());
  EXPECT_TRUE(checks.layers().empty()) << listed(checks.layers());
  EXPECT_TRUE(checks.lists().empty()) << listed(checks.lists());
  EXPECT_TRUE(checks.images().empty()) << listed(checks.images());
  EXPECT_TRUE(checks.requiredControls().empty()) << listed(checks.requiredControls());
  EXPECT_TRUE(checks.templates().empty()) << listed(checks.templates());
  EXPECT_TRUE(checks.keyCollisions().empty()) << listed(checks.keyCollisions());
  EXPECT_TRUE(checks.sendingRules().empty()) << listed(checks.sendingRules());
  EXPECT_TRUE(checks.dumpRanges().empty()) << listed(checks.dumpRanges());

  // The walk really prepared the parameter changes: filter 1 cutoff of part 3 (sound data index 78) sends
  // its value in the eighth byte, with the part in the fifth.
  const ControlAction* cutoff = editor.action(paramIndexOf("kFilter1Cutoff") + 2);
  ASSERT_NE(cutoff, nullptr);
  ASSERT_EQ(cutoff->type, kActionSysexValue);
  ASSERT_EQ(cutoff->messages.size(), 128u);
  EXPECT_EQ(cutoff->messages[100], (SysexMessageBytes{0x3E, 0x13, 0x00, 0x20, 0x02, 0x00, 0x4E, 100}));
  EXPECT_FALSE(editor.manager().sysexControls.empty());

  // The checks above looked at thousands of bound parameters, not a few.
  int sysex = 0, cc = 0, bound = 0;
  for (int i = 0; i < editor.paramCount(); ++i)
    if (const ControlAction* action = editor.action(i))
    {
      ++bound;
      sysex += action->type == kActionSysexValue || action->type == kActionSysexButton;
      cc += action->type == kActionCCValue;
    }
  EXPECT_GT(bound, 6000);
  EXPECT_GT(sysex, 5000);
  EXPECT_GE(cc, 96); // octave and semitone of three oscillators in sixteen parts
}

INSTANTIATE_TEST_SUITE_P(SkinsAndSizes, BuiltPluginFolder,
                         ::testing::Combine(::testing::Values(0, 1), ::testing::Values(0.85, 1.0, 1.15)));

// ---------------------------------------------------------------------------------------------------
// Damaged copies: the checked-in documents, damaged, enciphered into a plug-in folder of their own with
// links to the checked-in images.

class DamagedPluginFolder : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ui_ = configtest::readFile(kSources + "/uiconfig.xml");
    sysex_ = configtest::readFile(kSources + "/sysex.xml");
    ASSERT_FALSE(ui_.empty());
    ASSERT_FALSE(sysex_.empty());
    img_ = dir_.path / "resources" / "img";
    fs::create_directories(img_);
    for (const auto& entry : fs::directory_iterator(kSources + "/img"))
      fs::create_symlink(entry.path(), img_ / entry.path().filename());
  }

  // Replaces the first occurrence of from in text; fails the test when there is none.
  static void replace(std::string& text, const std::string& from, const std::string& to)
  {
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
  }

  // Replaces the value of attribute in the first element after marker.
  static void replaceAttributeAfter(std::string& text, const std::string& marker,
                                    const std::string& attribute, const std::string& value)
  {
    const size_t element = text.find(marker);
    ASSERT_NE(element, std::string::npos) << marker;
    const size_t at = text.find(attribute + "=\"", element);
    ASSERT_NE(at, std::string::npos) << attribute;
    const size_t start = at + attribute.size() + 2;
    text.replace(start, text.find('"', start) - start, value);
  }

  // The value of attribute in the first element after marker.
  static std::string attributeAfter(const std::string& text, const std::string& marker,
                                    const std::string& attribute)
  {
    const size_t at = text.find(attribute + "=\"", text.find(marker));
    const size_t start = at + attribute.size() + 2;
    return text.substr(start, text.find('"', start) - start);
  }

  // Enciphers the documents into the folder and builds the editor from it.
  std::unique_ptr<BuiltEditor> build(int style = 0, double scale = 1.0)
  {
    configtest::writeFile(dir_.path / "resources" / "uiconfig.tea", configtest::encipher(ui_));
    configtest::writeFile(dir_.path / "resources" / "sysex.tea", configtest::encipher(sysex_));
    return std::make_unique<BuiltEditor>(dir_.path.string(), style, scale);
  }

  // Replaces an image of the folder with a blank one of width x height pixels.
  void replaceImage(const std::string& file, int width, int height)
  {
    fs::remove(img_ / file);
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    ASSERT_EQ(cairo_surface_write_to_png(s, (img_ / file).c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(s);
  }

  configtest::TempDir dir_;
  fs::path img_;
  std::string ui_, sysex_;
};

TEST_F(DamagedPluginFolder, TheUndamagedCopyPassesAndAMissingLayerOrZoneIsCaught)
{
  EXPECT_TRUE(BuiltEditorChecks(*build()).all().empty()) << listed(BuiltEditorChecks(*build()).all());
  replace(ui_, "<layer name=\"Reverb\"", "<layer name=\"Reverb2\"");
  replace(ui_, "<layer name=\"osc1LimitWT\" id=\"20\"", "<layer name=\"osc1LimitWT\" id=\"5\"");
  auto editor = build();
  const Problems p = BuiltEditorChecks(*editor).layers();
  EXPECT_TRUE(mentions(p, "missing layer Reverb")) << listed(p);
  EXPECT_TRUE(mentions(p, "part 0 lacks zone 20"));
}

TEST_F(DamagedPluginFolder, ASharedPanelInsideAPageIsCaught)
{
  // Move the first filter picture into the filter page, after its sixteen parts.
  const size_t start = ui_.find("<layer name=\"filter1LP\"");
  ASSERT_NE(start, std::string::npos);
  const size_t end = ui_.find("</layer>", start) + std::string("</layer>").size();
  const std::string picture = ui_.substr(start, end - start);
  ui_.erase(start, end - start);
  const size_t page = ui_.find("<layer name=\"lfoModMatrix\"");
  ASSERT_NE(page, std::string::npos);
  ui_.insert(ui_.rfind("</layer>", page), picture);
  auto editor = build();
  const Problems p = BuiltEditorChecks(*editor).layers();
  EXPECT_TRUE(mentions(p, "filtersEnvelopes holds filter1LP beside its parts")) << listed(p);
}

TEST_F(DamagedPluginFolder, AnUnknownParameterNameOrAttributeIsCaught)
{
  replace(ui_, "paramId=\"kFilter1Resonance\"", "paramId=\"kFilter1Resonanse\"");
  replace(ui_, "position=\"160,8\" buttons=\"6\"", "position=\"160,8\" buttons=\"six\"");
  auto editor = build();
  const Problems p = BuiltEditorChecks(*editor).log();
  EXPECT_TRUE(mentions(p, "unknown parameter \"kFilter1Resonanse\"")) << listed(p);
  EXPECT_TRUE(mentions(p, "attribute buttons \"six\" is not a number"));
}

TEST_F(DamagedPluginFolder, AMissingListOrOneThatDoesNotFitItsMenuIsCaught)
{
  replace(ui_, "<value>Clk.Delay</value>", "");
  replace(ui_, "<list name=\"arpClock\"", "<list name=\"arpClocks\"");
  auto editor = build();
  const Problems p = BuiltEditorChecks(*editor).lists();
  EXPECT_TRUE(mentions(p, "value list fx2Mode holds 8 texts, not 9")) << listed(p);
  EXPECT_TRUE(mentions(p, "missing value list arpClock"));
  EXPECT_TRUE(mentions(p, "menu and list disagree"));
}

TEST_F(DamagedPluginFolder, AMissingImageIsCaught)
{
  fs::remove(img_ / "knob-korvid-normal-9.png");
  fs::remove(img_ / "korvid-progress-overlay-b.png");
  replace(ui_, "imageId=\"OSCILLATORS_ID\"", "imageId=\"OSCILLATOR_ID\"");
  auto editor = build(1, 1.15);
  const Problems p = BuiltEditorChecks(*editor).images();
  EXPECT_TRUE(mentions(p, "image IKNOBROTATERCONTROL_ID9 did not load")) << listed(p);
  EXPECT_TRUE(mentions(p, "Image OSCILLATOR_ID MISSING"));
  EXPECT_TRUE(mentions(p, "korvid-progress-overlay-b.png that the editor core loads did not load"));
}

TEST_F(DamagedPluginFolder, AnImageWhoseSizeDoesNotFitItsFramesIsCaughtInEverySize)
{
  replaceImage("knob-korvid-normal-9.png", 44, 44 * 8);
  for (double scale : {1.0, 0.85})
  {
    auto editor = build(0, scale);
    const Problems p = BuiltEditorChecks(*editor).images();
    EXPECT_TRUE(mentions(p, "IKNOBROTATERCONTROL_ID9: ")) << scale << listed(p);
    EXPECT_TRUE(mentions(p, "does not fit 9 frames"));
  }
}

TEST_F(DamagedPluginFolder, AMissingOrMisplacedRequiredControlIsCaught)
{
  replace(ui_, "<display paramId=\"kControlDisplayValue\"", "<display paramId=\"kControlDisplayCC\"");
  replace(ui_, "position=\"160,8\" buttons=\"6\"", "position=\"160,8\" buttons=\"5\"");
  auto editor = build();
  const Problems p = BuiltEditorChecks(*editor).requiredControls();
  EXPECT_TRUE(mentions(p, "kControlDisplayValue has no control")) << listed(p);
  EXPECT_TRUE(mentions(p, "kMainTab is not a radio of 6 buttons"));
}

TEST_F(DamagedPluginFolder, FramedLongOrEightBitTemplatesAreCaught)
{
  replace(sysex_, "<value>3E 13 00 20 00 00 4E 00</value>", "<value>F0 3E 13 00 20 00 00 4E 00 F7</value>");
  replace(sysex_, "<value>3E 13 00 20 00 00 50 00</value>", "<value>3E 13 00 20 00 00 D0 00</value>");
  replace(sysex_, "<value>3E 13 00 20 00 00 51 00</value>", "<value>3E 13 00 20 00 00 51 00 00</value>");
  auto editor = build();
  const Problems p = BuiltEditorChecks(*editor).templates();
  EXPECT_TRUE(mentions(p, "is framed")) << listed(p);
  EXPECT_TRUE(mentions(p, "is not 8 bytes"));
  EXPECT_TRUE(mentions(p, "carries a value above 127"));
}

TEST_F(DamagedPluginFolder, TwoParametersSharingOneSysexKeyAreCaught)
{
  // The resonance knob takes the cutoff's template: both answer to the cutoff's address.
  replaceAttributeAfter(
      ui_, "name=\"Filter 1 Resonance\" paramId=\"kFilter1Resonance\"", "sysexIndex",
      attributeAfter(ui_, "name=\"Filter 1 Cutoff\" paramId=\"kFilter1Cutoff\"", "sysexIndex"));
  auto editor = build();
  const Problems p = BuiltEditorChecks(*editor).keyCollisions();
  EXPECT_TRUE(mentions(p, "is taken by parameter")) << listed(p);
  EXPECT_EQ(p.size(), 16u); // one per part
}

TEST_F(DamagedPluginFolder, BrokenSendingRulesAreCaught)
{
  replace(ui_, "type=\"ccKnob\" name=\"Osc 1 Octave\"", "type=\"seKnob\" name=\"Osc 1 Octave\"");
  const size_t mono = ui_.find("paramId=\"kOscillatorMonoPolyMode\"");
  ASSERT_NE(mono, std::string::npos);
  ui_.replace(ui_.rfind("type=\"seMenu\"", mono), 13, "type=\"seButton\"");
  // The last control bound to a parameter sets its action's kind: damage the mixer's fader, not the row's.
  const size_t level = ui_.rfind("paramId=\"kMultiPartLevel+3\"");
  ASSERT_NE(level, std::string::npos);
  ui_.replace(ui_.rfind("type=\"seSliderHor\"", level), 18, "type=\"seButton\"");
  auto editor = build();
  const Problems p = BuiltEditorChecks(*editor).sendingRules();
  EXPECT_TRUE(mentions(p, "octave or semitone sends a sysex value")) << listed(p);
  EXPECT_TRUE(mentions(p, "packed parameter sends a sysex button"));
  EXPECT_TRUE(mentions(p, "multi setting sends a sysex button"));
}

TEST_F(DamagedPluginFolder, ABendRangeWithoutItsDeviceOffsetIsCaught)
{
  const size_t bend = ui_.find("paramId=\"kOscillator2BendRange\"");
  ASSERT_NE(bend, std::string::npos);
  const size_t zero = ui_.find("msgZeroVal=\"40\"", bend);
  ASSERT_NE(zero, std::string::npos);
  ui_.replace(zero, 16, "msgZeroVal=\"0\"");
  auto editor = build();
  const Problems p = BuiltEditorChecks(*editor).sendingRules();
  EXPECT_TRUE(mentions(p, "Osc 2 Bend sends byte 0 for its lowest value, the synthesizer wants 40"))
      << listed(p);
}

TEST_F(DamagedPluginFolder, ADumpParameterWithoutARangeIsCaught)
{
  replace(ui_, "paramId=\"kNoiseColour\"", "paramId=\"kNoiseLevel\"");
  auto editor = build();
  const Problems p = BuiltEditorChecks(*editor).dumpRanges();
  EXPECT_TRUE(mentions(p, "kNoiseColour of part 16 has no range")) << listed(p);
}

} // namespace
} // namespace resources_test
