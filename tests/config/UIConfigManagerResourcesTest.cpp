// Tests of the sysex template list and value-list readers on small documents.
#include "ConfigTestSupport.h"
#include "UIConfigManager.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <string>
#include <vector>

namespace
{
using Texts = std::vector<std::string>;

// The sysex list that the manager reads from an enciphered document with these records.
std::vector<SysExContainer> readSysex(const std::string& records, UIConfigManager& manager)
{
  const std::string cipher = configtest::encipher("<sysexlist>" + records + "</sysexlist>");
  manager.setResourceLoader(
      [cipher](int, const std::string&, std::string& bytes)
      {
        bytes = cipher;
        return ResourceLoadResult::Loaded;
      });
  manager.readSysexValues();
  EXPECT_TRUE(manager.resourcesOk());
  return manager.sysexList;
}

std::vector<SysExContainer> readSysex(const std::string& records)
{
  UIConfigManager manager;
  return readSysex(records, manager);
}

class ValueListsTest : public ::testing::Test
{
protected:
  void read(const std::string& xml)
  {
    document.Parse(xml.c_str());
    ASSERT_FALSE(document.Error()) << xml;
    manager.readReasources(&document);
  }

  tinyxml2::XMLDocument document{true, tinyxml2::PRESERVE_WHITESPACE};
  UIConfigManager manager;
};
} // namespace

TEST(SysexListTest, PlainValuesFormOneListAndTheFirstTextIsTheTemplate)
{
  const auto list = readSysex("<sysex><values><value>F0 3E 13 00 20 00 01 00 F7</value>"
                              "<value>second</value><value>third</value></values></sysex>");
  ASSERT_EQ(1u, list.size());
  ASSERT_EQ(1u, list[0].values.size());
  EXPECT_EQ((Texts{"F0 3E 13 00 20 00 01 00 F7", "second", "third"}), list[0].values[0].items);
  EXPECT_TRUE(list[0].multiValues.empty());
  EXPECT_FALSE(list[0].hasMultiValues);
  EXPECT_EQ("F0 3E 13 00 20 00 01 00 F7", list[0].getTemplate());
}

TEST(SysexListTest, ValueWithoutTextIsOneBlankAndAnEmptyTextIsSkipped)
{
  const auto list = readSysex("<sysex><values><value>a</value><value></value><value/>"
                              "<value><![CDATA[]]></value><value>b</value></values></sysex>");
  ASSERT_EQ(1u, list.size());
  ASSERT_EQ(1u, list[0].values.size());
  EXPECT_EQ((Texts{"a", " ", " ", "b"}), list[0].values[0].items);
}

TEST(SysexListTest, TextsKeepWhitespaceAndReplaceEntities)
{
  const auto list = readSysex("<sysex><values><value>  F0 &amp; F7 </value></values></sysex>");
  ASSERT_EQ(1u, list.size());
  EXPECT_EQ("  F0 & F7 ", list[0].getTemplate());
}

TEST(SysexListTest, MultivalueGroupsAreKeptApart)
{
  const auto list = readSysex("<sysex><values>"
                              "<multivalue><value>1a</value><value>1b</value></multivalue>"
                              "<multivalue><value>2a</value><value/></multivalue>"
                              "</values></sysex>");
  ASSERT_EQ(1u, list.size());
  EXPECT_TRUE(list[0].values.empty());
  EXPECT_TRUE(list[0].hasMultiValues);
  ASSERT_EQ(1u, list[0].multiValues.size());
  ASSERT_EQ(2u, list[0].multiValues[0].size());
  EXPECT_EQ((Texts{"1a", "1b"}), list[0].multiValues[0][0].items);
  EXPECT_EQ((Texts{"2a", ""}), list[0].multiValues[0][1].items);
  EXPECT_EQ("", list[0].getTemplate());
}

TEST(SysexListTest, ValuesWithNeitherKindOfChildAddAnEmptyGroup)
{
  const auto list = readSysex("<sysex><values><value>t</value></values><values/>"
                              "<values><other>x</other></values></sysex>");
  ASSERT_EQ(1u, list.size());
  EXPECT_EQ(1u, list[0].values.size());
  EXPECT_TRUE(list[0].hasMultiValues);
  ASSERT_EQ(2u, list[0].multiValues.size());
  EXPECT_TRUE(list[0].multiValues[0].empty());
  EXPECT_TRUE(list[0].multiValues[1].empty());
}

TEST(SysexListTest, RecordsAndGroupsStartAtTheirFirstNamedElementAndTakeEverySibling)
{
  const auto list = readSysex("<note>before</note>"
                              "<sysex><ignored><value>no</value></ignored>"
                              "<values><value>first</value></values>"
                              "<anything><value>second</value></anything></sysex>"
                              "<other><values><value>third</value></values></other>"
                              "<!-- a comment --><sysex/>");
  ASSERT_EQ(3u, list.size());
  ASSERT_EQ(2u, list[0].values.size());
  EXPECT_EQ("first", list[0].getTemplate());
  EXPECT_EQ((Texts{"second"}), list[0].values[1].items);
  EXPECT_EQ("third", list[1].getTemplate());
  EXPECT_TRUE(list[2].values.empty());
  EXPECT_FALSE(list[2].hasMultiValues);
}

TEST(SysexListTest, RecordLookupStaysInsideTheList)
{
  UIConfigManager manager;
  readSysex("<sysex><values><value>x</value></values></sysex>", manager);
  ASSERT_NE(nullptr, manager.getSysexRecord(0));
  EXPECT_EQ("x", manager.getSysexRecord(0)->getTemplate());
  EXPECT_EQ(nullptr, manager.getSysexRecord(1));
  EXPECT_EQ(nullptr, manager.getSysexRecord(-1));
}

TEST(SysexListTest, DocumentWithoutRecordsGivesAnEmptyList)
{
  EXPECT_TRUE(readSysex("").empty());
  EXPECT_TRUE(readSysex("<values><value>x</value></values>").empty());
}

TEST_F(ValueListsTest, ListsAreReadByNameInDocumentOrder)
{
  read("<uiconfig><valueLists>"
       "<list name=\"waves\"><value>Pulse</value><value> Saw </value><value>A &amp; B</value></list>"
       "<list name=\"empty\"></list>"
       "</valueLists></uiconfig>");
  EXPECT_EQ((Texts{"Pulse", " Saw ", "A & B"}), manager.getValueList("waves"));
  EXPECT_TRUE(manager.hasValueList("empty"));
  EXPECT_TRUE(manager.getValueList("empty").empty());
}

TEST_F(ValueListsTest, LaterListOfTheSameNameReplacesTheEarlier)
{
  read("<uiconfig><valueLists>"
       "<list name=\"a\"><value>1</value><value>2</value></list>"
       "<list name=\"a\"><value>3</value></list>"
       "</valueLists></uiconfig>");
  EXPECT_EQ((Texts{"3"}), manager.getValueList("a"));
}

TEST_F(ValueListsTest, OtherElementsAndNodesArePassedOver)
{
  read("<uiconfig><valueLists>"
       "<group name=\"no\"><value>x</value></group>"
       "<!-- comment -->stray text"
       "<list name=\"a\"><value>1</value><note>n</note><!-- c --><value>2</value></list>"
       "<list><value>nameless</value></list>"
       "</valueLists></uiconfig>");
  EXPECT_FALSE(manager.hasValueList("no"));
  EXPECT_EQ((Texts{"1", "2"}), manager.getValueList("a"));
  EXPECT_FALSE(manager.hasValueList(""));
}

TEST_F(ValueListsTest, ValueWithoutTextKeepsItsPosition)
{
  read("<uiconfig><valueLists><list name=\"a\"><value>0</value><value/><value>2</value></list>"
       "</valueLists></uiconfig>");
  EXPECT_EQ((Texts{"0", "", "2"}), manager.getValueList("a"));
}

TEST_F(ValueListsTest, OnlyTheFirstSectionOfTheRootIsRead)
{
  read("<other><valueLists><list name=\"outside\"/></valueLists></other>"
       "<uiconfig><layer/><valueLists><list name=\"first\"/></valueLists>"
       "<valueLists><list name=\"second\"/></valueLists></uiconfig>");
  EXPECT_TRUE(manager.hasValueList("first"));
  EXPECT_FALSE(manager.hasValueList("second"));
  EXPECT_FALSE(manager.hasValueList("outside"));
}

TEST_F(ValueListsTest, NoSectionOrNoDocumentReadsNothing)
{
  read("<uiconfig><layer/></uiconfig>");
  manager.readReasources(nullptr);
  EXPECT_FALSE(manager.hasValueList("tempoValues"));
}

TEST_F(ValueListsTest, LookupOfAMissingNameAddsNothing)
{
  read("<uiconfig><valueLists><list name=\"tempoValues\"><value>120</value></list></valueLists></uiconfig>");
  EXPECT_TRUE(manager.getValueList("missing").empty());
  EXPECT_FALSE(manager.hasValueList("missing"));
  EXPECT_EQ((Texts{"120"}), manager.getValueList("tempoValues"));
}
