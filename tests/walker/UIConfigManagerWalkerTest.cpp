// Tests of the UI description walk: text readers, layers and part copies, parameter references, the part
// field of control actions, and the faults the walk reports instead of building wrong controls.
#include "WalkerTestSupport.h"

#include "LibrarianViewControl.h"
#include "ParamIndex.h"

#include <climits>

using namespace walkertest;

namespace
{
class Walker : public WalkerFixture
{
protected:
  void beforeWalk() override { addStandardImages(); }
};

// A switch element for parameter reference ref, at (10, 20).
std::string switchFor(const std::string& ref, const std::string& extra = "")
{
  return "<switch name=\"S\" paramId=\"" + ref +
         "\" imageId=\"SWITCH\" position=\"10,20\" valueBounds=\"0,0,1\" " + extra + "/>";
}

TEST(WalkerText, TokenizeDropsEmptyRunsAndAppends)
{
  std::vector<std::string> tokens{"kept"};
  UIConfigManager::Tokenize("   two    words  ", tokens, " ");
  EXPECT_EQ((std::vector<std::string>{"kept", "two", "words"}), tokens);

  std::vector<std::string> none;
  UIConfigManager::Tokenize(",,:,", none, ",:");
  EXPECT_TRUE(none.empty());
  UIConfigManager::Tokenize("a+b++c+", none, "+");
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), none);
}

TEST(WalkerText, CSValuesReadLeadingNumbersAndCountThem)
{
  int values[4] = {-7, -7, -7, -7};
  EXPECT_EQ(3, UIConfigManager::getCSValues(" 12abc, -3,+4", values, 4));
  EXPECT_EQ(12, values[0]);
  EXPECT_EQ(-3, values[1]);
  EXPECT_EQ(4, values[2]);
  EXPECT_EQ(-7, values[3]); // beyond the tokens: unchanged

  int more[2] = {5, 5};
  EXPECT_EQ(1, UIConfigManager::getCSValues("x,9,10", more, 2)); // only the first two tokens count
  EXPECT_EQ(5, more[0]);
  EXPECT_EQ(9, more[1]);
  EXPECT_EQ(0, UIConfigManager::getCSValues("99999999999", more, 1)); // does not fit an int
  EXPECT_EQ(0, UIConfigManager::getCSValues("1,2", nullptr, 2));
}

TEST(WalkerText, ParamGroupTexts)
{
  UIConfigManager manager;
  EXPECT_STREQ("Part 3:Osc", manager.getParamGroup(2, "Osc"));
  EXPECT_STREQ("Part 1", manager.getParamGroup(0, ""));
  EXPECT_STREQ("Part 16:LFO", manager.getParamGroup(15, "LFO"));
  EXPECT_STREQ("Global", manager.getParamGroup(-1, "Global"));
  const char* kept = manager.getParamGroup(-1, "");
  EXPECT_STREQ("", kept);
  // The empty result leaves the kept text alone.
  EXPECT_STREQ("Global", manager.getParamGroup(-1, "Global"));
}

TEST_F(Walker, BiDirectLinkValues)
{
  build("");
  int values[3] = {9, 9, 9};
  manager.getBiDirectLinkValues("kFilter1Cutoff", values, 0);
  EXPECT_EQ((std::vector<int>{-1, -1, -1}), std::vector<int>(values, values + 3));
  manager.getBiDirectLinkValues("kFilter1Cutoff,kOscillator1Semitone", values, 2);
  EXPECT_EQ((std::vector<int>{kFilter1Cutoff + 2, kOscillator1Semitone + 2, -1}),
            std::vector<int>(values, values + 3));
  manager.getBiDirectLinkValues("kFilter1Cutoff,kOscillator1Semitone,7", values, 0);
  EXPECT_EQ(7, values[2]);
  manager.getBiDirectLinkValues("kFilter1Cutoff,kOscillator1Semitone,7,8", values, 0);
  EXPECT_EQ(-1, values[2]);
  // An unknown name stays -1 whatever the offset: it must not name a neighbouring parameter.
  manager.getBiDirectLinkValues("kNoSuchParam,kOscillator1Semitone", values, 5);
  EXPECT_EQ(-1, values[0]);
  EXPECT_EQ(kOscillator1Semitone + 5, values[1]);
}

TEST_F(Walker, LayersNestInDocumentOrderAndRegisterByName)
{
  build("<!-- a comment --><layer name=\"top\" id=\"3\">text<layer name=\"inner\" id=\"12\">" +
        switchFor("kFilter1Cutoff") + "</layer><!-- between --><fxlayer name=\"second\"/></layer>" +
        "<banklayer name=\"top\" id=\"4\"/>");
  ASSERT_EQ(2, surface->NLayers());
  ControlLayer* first = surface->GetLayer(0);
  EXPECT_EQ("top", first->mName);
  EXPECT_EQ(3, first->mId);
  ASSERT_EQ(2u, first->mSubLayers.size());
  EXPECT_EQ("inner", first->mSubLayers[0]->mName);
  EXPECT_EQ(12, first->mSubLayers[0]->mId);
  EXPECT_EQ("second", first->mSubLayers[1]->mName);
  EXPECT_EQ(0, first->mSubLayers[1]->mId);
  EXPECT_EQ(1u, first->mSubLayers[0]->mControls.size());
  EXPECT_FALSE(first->mVisible);
  // The later "top" wins the lookup; the earlier stays attached.
  EXPECT_EQ(surface->GetLayer(1), layer("top"));
  EXPECT_EQ(first->mSubLayers[0], layer("inner"));
}

TEST_F(Walker, EnclosingOverlayDecidesForTheWholeTree)
{
  build("<layer name=\"plain\"><layer name=\"innerOverlay\" overlay=\"true\">" + switchFor("kFilter1Cutoff") +
        "</layer></layer><layer name=\"outer\" overlay=\"true\"><layer name=\"innerPlain\" "
        "overlay=\"yes\"/></layer>");
  EXPECT_FALSE(layer("innerOverlay")->mIgnoreHidden);
  EXPECT_FALSE(layer("plain")->mIgnoreHidden);
  EXPECT_TRUE(layer("outer")->mIgnoreHidden);
  EXPECT_TRUE(layer("innerPlain")->mIgnoreHidden);
}

TEST_F(Walker, MultiLayerBuildsOneCopyPerPart)
{
  build("<layer name=\"sound\"><multilayer name=\"part\" create=\"16\">" +
        switchFor("kOscillator1Octave", "paramGroup=\"Osc\"") +
        "<layer name=\"osc\"/></multilayer><multilayer name=\"none\" create=\"0\">" +
        switchFor("kFilter1Cutoff") + "</multilayer><multilayer name=\"absent\">" +
        switchFor("kFilter1Cutoff") + "</multilayer></layer>");
  ControlLayer* sound = layer("sound");
  ASSERT_EQ(16u, sound->mSubLayers.size());
  for (int part = 0; part < 16; ++part)
  {
    ControlLayer* copy = layer("part" + std::to_string(part));
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(part, copy->mId);
    EXPECT_EQ(copy, sound->mSubLayers[static_cast<std::size_t>(part)]);
    // The copy's controls come first, then its sub-layer built inside it.
    ASSERT_EQ(1u, copy->mControls.size());
    EXPECT_EQ(kOscillator1Octave + part, copy->mControls[0]->ParamIdx());
    EXPECT_EQ("Part " + std::to_string(part + 1) + ":Osc", param(kOscillator1Octave + part)->GetGroup());
    EXPECT_EQ(part, action(kOscillator1Octave + part)->part);
  }
  // Every copy built "osc": the lookup holds the last one.
  EXPECT_EQ(layer("part15")->mSubLayers[0], layer("osc"));
  EXPECT_EQ(nullptr, layer("none0"));
  EXPECT_EQ(nullptr, layer("absent0"));
  EXPECT_EQ(nullptr, action(kFilter1Cutoff));
}

TEST_F(Walker, ParameterReferencesAddPartAndOffset)
{
  build("<multilayer name=\"p\" create=\"4\">" + switchFor("kOscillator1Octave+2") + "</multilayer>" +
        switchFor("kFilter1Cutoff+") + switchFor("kOscillator1Semitone+abc") +
        switchFor("kMultiPartLevel+2+9"));
  // Part 3 with +2: 0 + 3 + 2.
  EXPECT_EQ(5, layer("p3")->mControls[0]->ParamIdx());
  EXPECT_NE(nullptr, action(kFilter1Cutoff));
  EXPECT_NE(nullptr, action(kOscillator1Semitone));
  EXPECT_NE(nullptr, action(kMultiPartLevel + 2));
  EXPECT_EQ(1u, logLinesWith({"kOscillator1Semitone+abc", "no number after +"}).size());
  EXPECT_EQ(1u, logLinesWith({"kMultiPartLevel+2+9", "more than one offset"}).size());
}

TEST_F(Walker, UnknownParameterSkipsTheElementInsteadOfBindingANeighbour)
{
  build("<multilayer name=\"p\" create=\"6\">" + switchFor("kNoSuchParameter") + "</multilayer>" +
        switchFor("kNoSuchParameter") + switchFor("+") + switchFor("kDebugParts+1") +
        switchFor("kMainTab+99999999999") + "<layer name=\"kept\" paramId=\"kNoSuchParameter\">" +
        switchFor("kFilter1Cutoff") + "</layer>");
  // -1 plus the part would have named parameters 0 to 4.
  for (int index = 0; index < 6; ++index)
    EXPECT_EQ(nullptr, action(index)) << index;
  for (int part = 0; part < 6; ++part)
    EXPECT_TRUE(layer("p" + std::to_string(part))->mControls.empty());
  EXPECT_EQ(0, surface->NControls());
  EXPECT_EQ(7u, logLinesWith({"unknown parameter \"kNoSuchParameter\"", "element skipped"}).size());
  EXPECT_EQ(1u, logLinesWith({"paramId \"+\" names no parameter"}).size());
  EXPECT_EQ(1u, logLinesWith({"kDebugParts+1", "outside the parameters"}).size());
  // An offset beyond int is not read as 0: the base parameter is not bound either.
  EXPECT_EQ(nullptr, action(kMainTab));
  EXPECT_EQ(1u, logLinesWith({"kMainTab+99999999999", "offset outside the parameters"}).size());
  // A layer with a bad reference keeps its contents.
  EXPECT_EQ(1u, logLinesWith({"unknown parameter", "the layer is built without it"}).size());
  ASSERT_NE(nullptr, layer("kept"));
  EXPECT_EQ(1u, layer("kept")->mControls.size());
}

TEST_F(Walker, PartFieldFollowsThePartOrTheChannel)
{
  ASSERT_NO_FATAL_FAILURE(build(switchFor("kFilter1Cutoff", "channel=\"5\"") +
                                switchFor("kOscillator1Semitone") + "<multilayer name=\"p\" create=\"8\">" +
                                switchFor("kMultiPartLevel", "channel=\"2\"") + "</multilayer>" +
                                switchFor("kMainTab", "channel=\"3\"") +
                                "<layer name=\"l\" paramId=\"kMainTab\" channel=\"9\"/>"));
  EXPECT_EQ(4, action(kFilter1Cutoff)->part);
  EXPECT_EQ(-1, action(kOscillator1Semitone)->part);
  EXPECT_EQ(7, action(kMultiPartLevel + 7)->part);
  // A layer naming the parameter builds nothing for it but still sets the part, last element wins.
  EXPECT_EQ(8, action(kMainTab)->part);
}

TEST_F(Walker, NumberListWithMissingNumbersSkipsTheElement)
{
  build("<switch name=\"S\" paramId=\"kFilter1Cutoff\" imageId=\"SWITCH\" position=\"10\" "
        "valueBounds=\"1,0,1\"/>"
        "<switch name=\"S\" paramId=\"kOscillator1Semitone\" imageId=\"SWITCH\" position=\"10,20\"/>"
        "<knobcontrol type=\"seKnob\" name=\"K\" paramId=\"kMainTab\" imageId=\"KNOB\" position=\"1,2,0\" "
        "valueBounds=\"1,x,3,0\" sysexIndex=\"0\" changingByte=\"8\"/>"
        "<display paramId=\"kControlDisplayName\" bounds=\"1,2,3\"/>");
  EXPECT_EQ(nullptr, action(kFilter1Cutoff));
  EXPECT_EQ(IParam::kTypeNone, param(kFilter1Cutoff)->Type());
  EXPECT_EQ(nullptr, action(kOscillator1Semitone));
  EXPECT_EQ(nullptr, action(kMainTab));
  EXPECT_EQ(nullptr, action(kControlDisplayName));
  EXPECT_EQ(0, surface->NControls());
  EXPECT_EQ(1u, logLinesWith({"position \"10\" holds fewer than 2 numbers", "element skipped"}).size());
  EXPECT_EQ(1u, logLinesWith({"valueBounds is missing", "element skipped"}).size());
  EXPECT_EQ(1u, logLinesWith({"valueBounds \"1,x,3,0\"", "element skipped"}).size());
  EXPECT_EQ(1u, logLinesWith({"bounds \"1,2,3\" holds fewer than 4", "element skipped"}).size());
}

TEST_F(Walker, FaultsOfTheDescriptionAreLogged)
{
  build("<layer id=\"2\">" + switchFor("kFilter1Cutoff") +
        "</layer><mystery paramId=\"kMainTab\"><layer name=\"x\"/>"
        "</mystery><knobcontrol type=\"seKnobby\" paramId=\"kOscillator1Semitone\"/>"
        "<switch name=\"S\" imageId=\"SWITCH\" position=\"1,2\" valueBounds=\"0,0,1\"/>" +
        switchFor("kMainTab", "channel=\"two\""));
  // The nameless layer and its contents are not built; the unknown element's children are not walked.
  EXPECT_EQ(0, surface->NLayers());
  EXPECT_EQ(nullptr, action(kFilter1Cutoff));
  EXPECT_EQ(nullptr, layer("x"));
  EXPECT_EQ(nullptr, action(kOscillator1Semitone));
  EXPECT_EQ(1u, logLinesWith({"layer without a name"}).size());
  EXPECT_EQ(1u, logLinesWith({"mystery", "unknown element"}).size());
  EXPECT_EQ(1u, logLinesWith({"unknown type \"seKnobby\""}).size());
  EXPECT_EQ(1u, logLinesWith({"no paramId", "element skipped"}).size());
  // A malformed single value keeps its default and the element is built.
  EXPECT_EQ(1u, logLinesWith({"channel \"two\" is not a number"}).size());
  EXPECT_EQ(-1, action(kMainTab)->part);
}

TEST_F(Walker, BackgroundAndSlotViewAreScaledAndPlaced)
{
  build("<background imageId=\"KNOB\" position=\"101,51\"/><layer name=\"lib\">"
        "<patchBrowser paramId=\"kLibrarianArea\" imageId=\"SWITCH\" bounds=\"11,21,101,201\"/>"
        "<patchBrowser imageId=\"SWITCH\" bounds=\"0,0,10,10\"/></layer>",
        "", 0, 1.15);
  ASSERT_EQ(1, surface->NControls());
  IControl* background = surface->GetControl(0);
  EXPECT_EQ(-1, background->ParamIdx());
  // trunc(101 * 1.15) = 116, trunc(51 * 1.15) = 58; the test image is not rescaled (cached at scale 1).
  EXPECT_EQ(116, background->GetRECT()->L);
  EXPECT_EQ(58, background->GetRECT()->T);

  ControlLayer* lib = layer("lib");
  ASSERT_EQ(2u, lib->mControls.size());
  auto* first = dynamic_cast<LibrarianViewControl*>(lib->mControls[0]);
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(kLibrarianArea, first->ParamIdx());
  // (12, 24) to (12 + 116, 24 + 231), each product truncated on its own.
  EXPECT_EQ(IRECT(12, 24, 128, 255), *first->GetTargetRECT());
  // The second replaces the pointer; both stay in the layer.
  EXPECT_EQ(lib->mControls[1], manager.librarianView);
}

TEST_F(Walker, ValueDisplayPairs)
{
  const std::string menu =
      "<menucontrol type=\"seMenu\" name=\"M\" position=\"1,2,30\" valueBounds=\"0,0,3,0\" "
      "sysexIndex=\"1\" changingByte=\"8\" ";
  build(menu + "paramId=\"kFilter1Cutoff\" valueDisplay=\"3:12\"/>" + menu +
        "paramId=\"kOscillator1Semitone\" valueDisplay=\"3\"/>" + menu +
        "paramId=\"kMainTab\" valueDisplay=\"1:2:3\"/>" + menu +
        "paramId=\"kMultiPartLevel\" valueDisplay=\"3:x\"/>");
  EXPECT_STREQ("3", param(kFilter1Cutoff)->GetDisplayText(0));
  EXPECT_STREQ("5", param(kFilter1Cutoff)->GetDisplayText(2));
  // -1 and -1: no texts, no control.
  EXPECT_EQ(nullptr, action(kOscillator1Semitone));
  EXPECT_EQ(nullptr, action(kMainTab));
  // 3 and -1 still differ: numbered from 3.
  EXPECT_STREQ("4", param(kMultiPartLevel)->GetDisplayText(1));
  EXPECT_EQ(3u, logLinesWith({"valueDisplay", "is not two numbers"}).size());
}

TEST_F(Walker, ChangingByteKeepsItsLowEightBits)
{
  build("<knobcontrol type=\"seKnob\" name=\"K\" paramId=\"kFilter1Cutoff\" imageId=\"KNOB\" "
        "position=\"1,2,0\" "
        "valueBounds=\"0,0,3,0\" sysexIndex=\"5\" changingByte=\"263\"/>");
  ControlAction* knob = action(kFilter1Cutoff);
  ASSERT_EQ(4u, knob->messages.size());
  // Byte 7 (index 6) carries the value; the key then starts at index 2.
  EXPECT_EQ(3, knob->messages[3][6]);
  EXPECT_EQ(lastControl(kFilter1Cutoff), manager.sysexControls.findControl(0x00, 0x20, 0x00, 0x00, 0));
}

TEST_F(Walker, UnknownValueListIsLogged)
{
  build("<dropMenu type=\"dropSelection\" name=\"D\" paramId=\"kUserInterfaceStyle\" bounds=\"1,2,3,4\" "
        "valueBounds=\"0,0,2\" valueList=\"noSuchList\"/>",
        "<list name=\"styles\"><value>white</value><value>black</value></list>");
  EXPECT_EQ(1u, logLinesWith({"unknown value list \"noSuchList\""}).size());
  EXPECT_EQ(1u, logLinesWith({"value list holds 0 texts for 2 entries, no control built"}).size());
  EXPECT_EQ(nullptr, action(kUserInterfaceStyle));
}

TEST_F(Walker, ExtremeNumbersAreHeldInRange)
{
  const std::string huge = "2147483647";
  const std::string low = "-2147483648";
  build("<knobcontrol type=\"seKnob\" name=\"K\" paramId=\"kFilter1Cutoff\" imageId=\"KNOB\" position=\"" +
            huge + "," + huge + ",0\" valueBounds=\"0," + low + "," + huge +
            ",0\" sysexIndex=\"1\" changingByte=\"" + low +
            "\"/><menucontrol type=\"seMenu\" name=\"M\" paramId=\"kMainTab\" position=\"1,2," + huge +
            "\" valueBounds=\"0," + low + "," + huge +
            ",0\" valueDisplay=\"1:2\" sysexIndex=\"1\" changingByte=\"8\"/>"
            "<radio name=\"R\" paramId=\"kOscillator1Semitone\" imageId=\"SWITCH\" position=\"1,1\" "
            "buttons=\"" +
            huge +
            "\"/><multiFx type=\"Menu\" name=\"N\" paramId=\"kMultiPatch\" position=\"1,2,3,4\" "
            "valueBounds=\"0,0," +
            huge + "\" valueDisplay=\"1:2\" visible=\"1,0\"/>",
        "", 0, 1.15);
  // The knob is built without messages: its range does not fit value bytes.
  ASSERT_NE(nullptr, action(kFilter1Cutoff));
  EXPECT_TRUE(action(kFilter1Cutoff)->messages.empty());
  // Far away, but with room for the control's own arithmetic.
  EXPECT_GT(lastControl(kFilter1Cutoff)->GetRECT()->L, 1000000);
  EXPECT_LT(lastControl(kFilter1Cutoff)->GetRECT()->R, INT_MAX / 2);
  // Menus and radio buttons of absurd sizes build no control.
  EXPECT_EQ(nullptr, action(kMainTab));
  EXPECT_EQ(nullptr, action(kOscillator1Semitone));
  EXPECT_EQ(1, surface->NControls());
  EXPECT_EQ(2u, logLinesWith({"entries are too many"}).size());
  EXPECT_EQ(1u, logLinesWith({"buttons are too many"}).size());
}

TEST_F(Walker, NothingIsBuiltWithoutASurface)
{
  manager.setDebugOutput(true, logPath);
  manager.setResourceLoader(
      [](int, const std::string& name, std::string& bytes)
      {
        bytes = configtest::encipher(name.find("sysex") != std::string::npos
                                         ? sysexList(2)
                                         : "<uiconfig>" + switchFor("kFilter1Cutoff") + "</uiconfig>");
        return ResourceLoadResult::Loaded;
      });
  manager.readUIConfig(nullptr, plug.get(), nullptr, 0, 1.0);
  EXPECT_EQ(nullptr, action(kFilter1Cutoff));
  EXPECT_EQ(1u, logLinesWith({"no drawing surface"}).size());
}
} // namespace
