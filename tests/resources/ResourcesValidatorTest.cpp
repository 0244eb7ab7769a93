// Validates the checked-in resources (resources/uiconfig.xml, resources/sysex.xml, resources/img) against
// what the editor looks up in them, and shows on damaged copies that each check catches its fault.
#include "ResourceChecks.h"
#include "Tables.h"
#include "UiConfigModel.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace resources_test
{
namespace
{

const std::string kResources = std::string(KORVID_SOURCE_DIR) + "/resources";

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
// The checked-in resources pass every check.

class CheckedInResources : public ::testing::Test
{
protected:
  static void SetUpTestSuite()
  {
    model_ = new UiConfigModel;
    loaded_ = model_->load(kResources);
  }
  static void TearDownTestSuite()
  {
    delete model_;
    model_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(loaded_) << model_->error; }
  ResourceChecks checks() const { return ResourceChecks(*model_, kResources); }

  static UiConfigModel* model_;
  static bool loaded_;
};

UiConfigModel* CheckedInResources::model_ = nullptr;
bool CheckedInResources::loaded_ = false;

TEST_F(CheckedInResources, NamesLayersAndPagesAreWhatTheEditorLooksUp)
{
  EXPECT_TRUE(checks().documents().empty()) << listed(checks().documents());
  EXPECT_TRUE(checks().vocabulary().empty()) << listed(checks().vocabulary());
  EXPECT_TRUE(checks().parameterNames().empty()) << listed(checks().parameterNames());
  EXPECT_TRUE(checks().namedLayers().empty()) << listed(checks().namedLayers());
  EXPECT_TRUE(checks().pageStructure().empty()) << listed(checks().pageStructure());
  EXPECT_TRUE(checks().requiredControls().empty()) << listed(checks().requiredControls());
}

TEST_F(CheckedInResources, ControlNamesAreWordsNamedOnce)
{
  EXPECT_TRUE(checks().displayNames().empty()) << listed(checks().displayNames());
}

TEST_F(CheckedInResources, ValueListsHoldTheDeviceTextsAndFitTheirMenus)
{
  EXPECT_TRUE(checks().valueLists().empty()) << listed(checks().valueLists());
  EXPECT_TRUE(checks().menuLists().empty()) << listed(checks().menuLists());
  const auto& lists = model_->valueLists;
  EXPECT_EQ(lists.at("tempoValues")[55], "120"); // the multi template's tempo byte 37h
  EXPECT_EQ(lists.at("fx2Mode")[7], "Clk.Delay");
  EXPECT_EQ(lists.at("keyList")[60], "C3");
  EXPECT_EQ(lists.at("keytrackValues")[0], "-200%");
  EXPECT_EQ(lists.at("keytrackValues")[127], "+196%");
  EXPECT_EQ(lists.at("clockedValues")[127], "1/48");
}

TEST_F(CheckedInResources, ImagesOfBothSkinsExistAtTheirFrameCounts)
{
  EXPECT_TRUE(checks().images().empty()) << listed(checks().images());
  int common = 0, light = 0, dark = 0;
  for (const auto& spec : resgen::imageSpecs())
    ++(spec.set == resgen::ImageSet::Common ? common : spec.set == resgen::ImageSet::Light ? light : dark);
  EXPECT_EQ(common, 69); // 71 loads, two names loaded twice
  EXPECT_EQ(light, 36);
  EXPECT_EQ(dark, 36);
  EXPECT_EQ(resgen::findImage("MAIN_BG_ID", 0)->id, 500);
  EXPECT_EQ(resgen::findImage("MAIN_BG_ID", 1)->id, 700);
  EXPECT_TRUE(resgen::findImage("BUTTON_TAB_SIDEBAR_ID", 1)->horizontal);
}

TEST_F(CheckedInResources, TemplatesKeysAndSendingRulesHold)
{
  EXPECT_TRUE(checks().templates().empty()) << listed(checks().templates());
  EXPECT_TRUE(checks().keyCollisions().empty()) << listed(checks().keyCollisions());
  EXPECT_TRUE(checks().sendingRules().empty()) << listed(checks().sendingRules());
}

TEST_F(CheckedInResources, EveryDumpParameterHasARangeInEveryPart)
{
  EXPECT_TRUE(checks().dumpRanges().empty()) << listed(checks().dumpRanges());
  EXPECT_TRUE(checks().reachability().empty()) << listed(checks().reachability());
}

TEST_F(CheckedInResources, SoundParameterTemplatesCarryTheSoundDataAddress)
{
  // Filter 1 cutoff is sound data index 78: high byte 78 >> 7, low byte 78 & 0x7F, value in byte 8.
  int seen = 0;
  for (const auto& c : model_->controls)
  {
    if (c->paramIdx < paramIndexOf("kFilter1Cutoff") || c->paramIdx >= paramIndexOf("kFilter1Cutoff") + 16)
      continue;
    ASSERT_EQ(c->type, "seKnob");
    EXPECT_EQ(model_->templates.at(std::stoi(c->attr("sysexIndex"))), "3E 13 00 20 00 00 4E 00");
    EXPECT_EQ(c->attr("changingByte"), "8");
    ++seen;
  }
  EXPECT_EQ(seen, 16); // one knob, expanded for the sixteen parts
}

// ---------------------------------------------------------------------------------------------------
// Damaged copies: each fault is caught by its check.

class DamagedResources : public ::testing::Test
{
protected:
  void SetUp() override
  {
    char pattern[] = "/tmp/korvid-resources-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ui_ = read(kResources + "/uiconfig.xml");
    sysex_ = read(kResources + "/sysex.xml");
    ASSERT_EQ(mkdir((dir_ + "/img").c_str(), 0755), 0);
    if (DIR* d = opendir((kResources + "/img").c_str()))
    {
      while (dirent* e = readdir(d))
        if (e->d_name[0] != '.')
          links_.push_back(e->d_name);
      closedir(d);
    }
    for (const auto& n : links_)
      ASSERT_EQ(symlink((kResources + "/img/" + n).c_str(), (dir_ + "/img/" + n).c_str()), 0);
  }
  void TearDown() override
  {
    for (const auto& n : links_)
      std::remove((dir_ + "/img/" + n).c_str());
    rmdir((dir_ + "/img").c_str());
    std::remove((dir_ + "/uiconfig.xml").c_str());
    std::remove((dir_ + "/sysex.xml").c_str());
    rmdir(dir_.c_str());
  }

  static std::string read(const std::string& path)
  {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Replaces the first occurrence of from in text; fails the test when there is none.
  static void replace(std::string& text, const std::string& from, const std::string& to)
  {
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
  }
  // Writes the documents and loads them into the model.
  void load()
  {
    model_ = UiConfigModel();
    std::ofstream(dir_ + "/uiconfig.xml", std::ios::binary) << ui_;
    std::ofstream(dir_ + "/sysex.xml", std::ios::binary) << sysex_;
    ASSERT_TRUE(model_.load(dir_)) << model_.error;
  }
  ResourceChecks checks() const { return ResourceChecks(model_, dir_); }

  std::string dir_, ui_, sysex_;
  std::vector<std::string> links_;
  UiConfigModel model_;
};

TEST_F(DamagedResources, AMissingLayerOrZoneIsCaught)
{
  replace(ui_, "<layer name=\"Reverb\"", "<layer name=\"Reverb2\"");
  replace(ui_, "<layer name=\"osc1LimitWT\" id=\"20\"", "<layer name=\"osc1LimitWT\" id=\"5\"");
  load();
  EXPECT_TRUE(mentions(checks().namedLayers(), "missing layer Reverb")) << listed(checks().namedLayers());
  EXPECT_TRUE(mentions(checks().pageStructure(), "lacks zone 20")) << listed(checks().pageStructure());
  EXPECT_TRUE(mentions(checks().pageStructure(), "zone id below 10"));
}

TEST_F(DamagedResources, ADoubledOrRawControlNameIsCaught)
{
  replace(ui_, "name=\"Glide\" paramId", "name=\"Glide Glide\" paramId");
  replace(ui_, "name=\"Pitch Amount\"", "name=\"OscillatorPitchAmount\"");
  load();
  const Problems problems = checks().displayNames();
  EXPECT_TRUE(mentions(problems, "repeats a word in its name \"Glide Glide\"")) << listed(problems);
  EXPECT_TRUE(mentions(problems, "raw name \"OscillatorPitchAmount\"")) << listed(problems);
}

TEST_F(DamagedResources, ANulByteInADocumentIsCaught)
{
  replace(ui_, "<valueLists>", std::string("<valueLists>") + '\0');
  load();
  EXPECT_TRUE(mentions(checks().documents(), "holds a NUL byte")) << listed(checks().documents());
  // The parser stops at the NUL, so the walk finds no layer at all.
  EXPECT_TRUE(mentions(checks().namedLayers(), "missing layer root"));
}

TEST_F(DamagedResources, ElementsTypesOrNumbersOutsideTheVocabularyAreCaught)
{
  replace(ui_, "type=\"seKnob\"", "type=\"seknob\"");
  replace(ui_, "<background imageId=\"OSCILLATORS_ID\" position=\"386,100\"/>",
          "<backgound imageId=\"OSCILLATORS_ID\" position=\"386,100\"/>");
  replace(ui_, "position=\"1186,63,42,19\"", "position=\"1186,63,42\"");
  load();
  const Problems p = checks().vocabulary();
  EXPECT_TRUE(mentions(p, "type outside the vocabulary: knobcontrol seknob")) << listed(p);
  EXPECT_TRUE(mentions(p, "element outside the vocabulary: backgound"));
  EXPECT_TRUE(mentions(p, "position lacks numbers: multiFx Menu"));
}

TEST_F(DamagedResources, AnUnknownParameterNameIsCaught)
{
  load();
  EXPECT_TRUE(checks().all().empty()) << "the undamaged copy passes:" << listed(checks().all());
  replace(ui_, "paramId=\"kFilter1Resonance\"", "paramId=\"kFilter1Resonanse\"");
  load();
  EXPECT_TRUE(mentions(checks().parameterNames(), "kFilter1Resonanse")) << listed(checks().parameterNames());
}

TEST_F(DamagedResources, AListThatDoesNotFitItsMenuIsCaught)
{
  replace(ui_, "<value>Clk.Delay</value>", "");
  load();
  EXPECT_TRUE(mentions(checks().valueLists(), "fx2Mode holds 8 texts")) << listed(checks().valueLists());
  EXPECT_TRUE(mentions(checks().menuLists(), "list fx2Mode of 8 texts")) << listed(checks().menuLists());
}

TEST_F(DamagedResources, FramedLongOrEightBitTemplatesAreCaught)
{
  replace(sysex_, "<value>3E 13 00 20 00 00 4E 00</value>", "<value>F0 3E 13 00 20 00 00 4E 00 F7</value>");
  replace(sysex_, "<value>3E 13 00 20 00 00 50 00</value>", "<value>3E 13 00 20 00 00 D0 00</value>");
  load();
  const Problems p = checks().templates();
  EXPECT_TRUE(mentions(p, "is framed")) << listed(p);
  EXPECT_TRUE(mentions(p, "is not 8 bytes"));
  EXPECT_TRUE(mentions(p, "above 127"));
}

TEST_F(DamagedResources, TwoParametersSharingOneSysexKeyAreCaught)
{
  // Give the resonance knob the cutoff's template: both would answer to the cutoff's address.
  const size_t cutoff = ui_.find("name=\"Filter 1 Cutoff\" paramId=\"kFilter1Cutoff\"");
  ASSERT_NE(cutoff, std::string::npos);
  const size_t at = ui_.find("sysexIndex=\"", cutoff);
  const std::string index = ui_.substr(at, ui_.find('"', at + 12) - at + 1);
  const size_t resonance = ui_.find("name=\"Filter 1 Resonance\" paramId=\"kFilter1Resonance\"");
  const size_t other = ui_.find("sysexIndex=\"", resonance);
  ui_.replace(other, ui_.find('"', other + 12) - other + 1, index);
  load();
  EXPECT_TRUE(mentions(checks().keyCollisions(), "is shared by parameters"))
      << listed(checks().keyCollisions());
}

TEST_F(DamagedResources, BrokenSendingRulesAreCaught)
{
  // Octave as a sysex knob, a packed parameter as a switch, a multi setting as a switch.
  replace(ui_, "type=\"ccKnob\" name=\"Osc 1 Octave\"", "type=\"seKnob\" name=\"Osc 1 Octave\"");
  const size_t mono = ui_.find("paramId=\"kOscillatorMonoPolyMode\"");
  ASSERT_NE(mono, std::string::npos);
  const size_t menu = ui_.rfind("type=\"seMenu\"", mono);
  ui_.replace(menu, 13, "type=\"seButton\"");
  const size_t level = ui_.find("paramId=\"kMultiPartLevel+3\"");
  ASSERT_NE(level, std::string::npos);
  const size_t slider = ui_.rfind("type=\"seSliderHor\"", level);
  ui_.replace(slider, 18, "type=\"seButton\"");
  load();
  const Problems p = checks().sendingRules();
  EXPECT_TRUE(mentions(p, "octave or semitone bound as knobcontrol seKnob")) << listed(p);
  EXPECT_TRUE(mentions(p, "packed parameter bound as menucontrol seButton"));
  EXPECT_TRUE(mentions(p, "multi setting bound as slidercontrol seButton"));
}

TEST_F(DamagedResources, ADumpParameterWithoutARangeIsCaught)
{
  replace(ui_, "name=\"Mixer Colour\" paramId=\"kNoiseColour\"",
          "name=\"Mixer Colour\" paramId=\"kNoiseLevel\"");
  load();
  EXPECT_TRUE(mentions(checks().dumpRanges(), "kNoiseColour of part 16 has no range"))
      << listed(checks().dumpRanges());
}

TEST_F(DamagedResources, ASoundParameterLeftOnlyToARangeElementIsCaught)
{
  // Rebind the drive knob to the resonance: the drive keeps no control on the pages.
  replace(ui_, "name=\"Filter 1 Drive\" paramId=\"kFilter1Drive\"",
          "name=\"Filter 1 Drive\" paramId=\"kFilter1Resonance\"");
  load();
  EXPECT_TRUE(mentions(checks().reachability(), "kFilter1Drive of part 1 has no control on the pages"))
      << listed(checks().reachability());
}

TEST_F(DamagedResources, ADisplayThatIsNotFirstOrAMisplacedSelectorIsCaught)
{
  replace(ui_, "<display paramId=\"kControlDisplayValue\"", "<display paramId=\"kControlDisplayCC\"");
  replace(ui_, "paramId=\"kMultiPartPatch+4\" position=\"1186,",
          "paramId=\"kMultiPartPatch+4\" position=\"1196,");
  load();
  const Problems p = checks().requiredControls();
  EXPECT_TRUE(mentions(p, "kControlDisplayValue is not bound first to a display")) << listed(p);
  EXPECT_TRUE(mentions(p, "bankAndProgram05 lacks its bank or program display"));
}

TEST_F(DamagedResources, AnImageWhoseSizeDoesNotFitItsFramesIsCaught)
{
  const std::string file = dir_ + "/img/knob-korvid-normal-9.png";
  std::remove(file.c_str());
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 44, 44 * 8);
  ASSERT_EQ(cairo_surface_write_to_png(s, file.c_str()), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(s);
  load();
  EXPECT_TRUE(mentions(checks().images(), "IKNOBROTATERCONTROL_ID9: 44 x 352 does not fit 9 frames"))
      << listed(checks().images());
}

} // namespace
} // namespace resources_test
