// Tests of the popup menu model: insertion rule, separators, check marks, numbering and ownership.
#include "IPopupMenu.h"

#include <gtest/gtest.h>
#include <string>

namespace
{
std::string order(const IPopupMenu& menu)
{
  std::string s;
  for (int i = 0; i < menu.GetNItems(); ++i)
  {
    s += menu.GetItemText(i);
  }
  return s;
}
} // namespace

TEST(IPopupMenu, InsertionRuleAppendsInsertsAndPutsOtherNegativesFirst)
{
  IPopupMenu menu;
  menu.AddItem("a", -1, 0);
  menu.AddItem("b", 0, 0);
  menu.AddItem("c", 99, 0);
  EXPECT_EQ(order(menu), "bac");
  menu.AddItem("d", -5, 0);
  EXPECT_EQ(order(menu), "dbac");
  menu.AddItem("e", 4, 0); // the count itself appends
  menu.AddItem("f", 2, 0);
  EXPECT_EQ(order(menu), "dbface");
  IPopupMenu sub;
  IPopupMenuItem* cascading = menu.AddItem("g", &sub);
  EXPECT_EQ(menu.GetItem(6), cascading);
  EXPECT_EQ(cascading->GetSubmenu(), &sub);
  EXPECT_EQ(cascading->GetFlags(), 0);
  IPopupMenuItem* own = new IPopupMenuItem("h", IPopupMenuItem::kTitle);
  EXPECT_EQ(menu.AddItem(own, 1), own);
  EXPECT_EQ(order(menu), "dhbfaceg");
}

TEST(IPopupMenu, SeparatorsItemsAndBounds)
{
  IPopupMenu menu;
  menu.AddItem("x", -1, IPopupMenuItem::kDisabled | IPopupMenuItem::kChecked);
  IPopupMenuItem* sep = menu.AddSeparator(-1);
  ASSERT_EQ(menu.GetNItems(), 2);
  EXPECT_STREQ(menu.GetItemText(1), "");
  EXPECT_EQ(sep->GetFlags(), IPopupMenuItem::kSeparator);
  EXPECT_TRUE(sep->GetIsSeparator());
  EXPECT_EQ(sep->GetSubmenu(), nullptr);
  EXPECT_FALSE(menu.GetItem(0)->GetEnabled());
  EXPECT_TRUE(menu.GetItem(0)->GetChecked());
  EXPECT_EQ(menu.GetItem(-1), nullptr);
  EXPECT_EQ(menu.GetItem(2), nullptr);
  EXPECT_STREQ(menu.GetItemText(2), "") << "out of range reads nothing";
  menu.AddItem(static_cast<const char*>(nullptr), -1, 0);
  EXPECT_STREQ(menu.GetItemText(2), "");
  EXPECT_EQ(menu.GetChosenItemIdx(), -1);
  // A null item is refused, so later walks over the items never meet one.
  EXPECT_EQ(menu.AddItem(static_cast<IPopupMenuItem*>(nullptr), 0), nullptr);
  EXPECT_EQ(menu.GetNItems(), 3);
  menu.CheckItemAlone(0);
  EXPECT_TRUE(menu.GetItem(0)->GetChecked());
}

TEST(IPopupMenu, CheckItemAloneLeavesOneOrNoCheckMark)
{
  IPopupMenu menu;
  for (const char* t : {"0", "1", "2", "3", "4"})
  {
    menu.AddItem(t, -1, IPopupMenuItem::kChecked | IPopupMenuItem::kDisabled);
  }
  menu.CheckItemAlone(2);
  for (int i = 0; i < 5; ++i)
  {
    EXPECT_EQ(menu.GetItem(i)->GetChecked(), i == 2) << i;
    EXPECT_FALSE(menu.GetItem(i)->GetEnabled()) << "other flags stay";
  }
  menu.CheckItemAlone(7);
  for (int i = 0; i < 5; ++i)
  {
    EXPECT_FALSE(menu.GetItem(i)->GetChecked()) << i;
  }
}

TEST(IPopupMenu, PrefixNumbersItemsFromOneAndIgnoresBadValues)
{
  IPopupMenu menu;
  for (int i = 0; i < 12; ++i)
  {
    menu.AddItem(("p" + std::to_string(i)).c_str());
  }
  EXPECT_EQ(menu.GetDisplayText(0), "p0");
  menu.SetPrefix(2);
  EXPECT_EQ(menu.GetDisplayText(0), "01: p0");
  EXPECT_EQ(menu.GetDisplayText(9), "10: p9");
  menu.SetPrefix(4);
  menu.SetPrefix(-1);
  EXPECT_EQ(menu.GetPrefix(), 2);
  menu.SetPrefix(1);
  EXPECT_EQ(menu.GetDisplayText(10), "11: p10");
  menu.SetPrefix(3);
  EXPECT_EQ(menu.GetDisplayText(1), "002: p1");
  EXPECT_EQ(menu.GetDisplayText(12), "");
}
